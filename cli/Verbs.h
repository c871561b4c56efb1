#pragma once

#include <span>
#include <string>
#include <vector>

#include "cli/ExitStatus.h"

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
