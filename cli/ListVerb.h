#pragma once

#include <span>
#include <string>

// list FILE... [--format text|tsv|json]: the programs of bank, item and dump files.
int ListVerb(std::span<const std::string> arguments);
