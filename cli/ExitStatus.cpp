#include "cli/ExitStatus.h"

#include <cstdio>

int UsageError(const std::string& message) {
  std::fprintf(stderr, "corvale-cli: %s\n", message.c_str());
  return kExitUsage;
}
