#pragma once

#include <span>

struct ReceivedProgram;

// Programs a verb received join the library, unless the settings turn that off. What happened is
// one line on standard error; a library that cannot take them leaves the verb's outcome as it is.
void KeepReceived(const char* verb, std::span<const ReceivedProgram> programs);
