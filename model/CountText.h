#pragma once

#include <cstddef>
#include <string>

// A count with its noun in the right number: "1 program", "3 programs".
inline std::string CountText(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}
