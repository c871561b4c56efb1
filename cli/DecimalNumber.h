#pragma once

#include <cstddef>
#include <optional>
#include <string>

// The number `text` writes in decimal digits, at most `maxDigits` of them and nothing else.
std::optional<int> DecimalNumber(const std::string& text, std::size_t maxDigits);
