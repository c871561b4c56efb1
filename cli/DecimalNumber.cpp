#include "cli/DecimalNumber.h"

#include <algorithm>
#include <cctype>

std::optional<int> DecimalNumber(const std::string& text, std::size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits ||
      !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
    return std::nullopt;
  }
  return std::stoi(text);
}
