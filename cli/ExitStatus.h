#pragma once

#include <string>

// Exit statuses of the command-line tool.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Prints "corvale-cli: <message>" on standard error and returns the usage status.
int UsageError(const std::string& message);
