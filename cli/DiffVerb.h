#pragma once

#include <span>
#include <string>

// corvale-cli diff A B: what differs between two programs of one kind, each an item file, a
// slot of a bank file (DOC ITEM) or a program of the library (library:ID). Exit status 0 when
// they are identical, 1 when they differ, 2 on any error, as cmp and diff.
int DiffVerb(std::span<const std::string> arguments);
