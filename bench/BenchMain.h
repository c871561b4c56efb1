#pragma once

#include <cstdio>
#include <exception>

// Runs a benchmark program's body; a failure it throws is one line on standard error, after
// the program's name, and exit status 1.
inline int RunReportingFailure(const char* program, int (*run)(int, char**), int argc,
                               char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", program, error.what());
    return 1;
  }
}
