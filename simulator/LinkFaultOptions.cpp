#include "simulator/LinkFaultOptions.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace LinkFaultOptions {
namespace {

constexpr std::string_view kDrop = "--drop";
constexpr std::string_view kCorrupt = "--corrupt";
constexpr std::string_view kSeed = "--seed";

template <class Number>
bool ReadWhole(std::string_view text, Number& number) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number);
  return error == std::errc() && stop == end;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  while (!text.empty()) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
      break;
    }
    text.remove_prefix(start);
    const std::size_t end = std::min(text.find_first_of(" \t"), text.size());
    words.push_back(text.substr(0, end));
    text.remove_prefix(end);
  }
  return words;
}

}  // namespace

bool IsOption(std::string_view word) {
  return word == kDrop || word == kCorrupt || word == kSeed;
}

bool Set(std::string_view option, std::string_view value, SimulatedS80::Faults& faults,
         std::string& error) {
  if (option == kSeed) {
    if (ReadWhole(value, faults.seed)) {
      return true;
    }
    error = std::string(option) + " " + std::string(value) + ": expected a whole number from 0";
    return false;
  }
  double probability = 0;
  if (!IsOption(option) || !ReadWhole(value, probability) || !(probability >= 0) ||
      probability > 1) {
    error = std::string(option) + " " + std::string(value) + ": expected a probability from 0 to 1";
    return false;
  }
  (option == kDrop ? faults.dropProbability : faults.corruptProbability) = probability;
  return true;
}

bool SetAll(std::string_view words, SimulatedS80::Faults& faults, std::string& error) {
  const std::vector<std::string_view> list = Words(words);
  for (std::size_t i = 0; i < list.size(); i += 2) {
    if (!IsOption(list[i])) {
      error = "unknown option " + std::string(list[i]);
      return false;
    }
    if (i + 1 == list.size()) {
      error = std::string(list[i]) + " needs a value";
      return false;
    }
    if (!Set(list[i], list[i + 1], faults, error)) {
      return false;
    }
  }
  return true;
}

}  // namespace LinkFaultOptions
