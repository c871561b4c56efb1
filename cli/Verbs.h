#pragma once

#include <span>
#include <string>
#include <vector>

// Exit statuses of the command-line tool.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// One verb of the tool: its name, how to call it, an example, and the function that runs it
// with the arguments after the verb.
struct Verb {
  const char* name;
  const char* usage;
  const char* summary;
  const char* example;
  int (*run)(std::span<const std::string> arguments);
};

std::span<const Verb> Verbs();

// Prints "corvale-cli: <message>" on standard error and returns the usage status.
int UsageError(const std::string& message);
