#pragma once

#include <span>
#include <string>

// corvale-cli library add | find | export | bank: the library of programs (see LibraryStore).
int LibraryVerb(std::span<const std::string> arguments);
