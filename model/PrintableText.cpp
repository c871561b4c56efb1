#include "model/PrintableText.h"

#include <cstddef>
#include <cstdint>

namespace {

bool IsPrintableAscii(unsigned char byte) {
  return byte >= 0x20 && byte <= 0x7E;
}

// The length of the printable UTF-8 character of two to four bytes at the start of `text`, or 0.
std::size_t PrintableCharacterLength(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  std::size_t length = 0;
  char32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07u;
  } else {
    return 0;
  }
  if (text.size() < length)
    return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0u) != 0x80u)
      return 0;
    code = (code << 6) | (byte & 0x3Fu);
  }
  constexpr char32_t kShortestOf[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool overlong = code < kShortestOf[length];
  const bool c1Control = code <= 0x9F;
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return overlong || c1Control || surrogate || code > 0x10FFFF ? 0 : length;
}

void AppendEscaped(std::string& out, unsigned char byte) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  out += "\\x";
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 0x0F];
}

}  // namespace

std::string PrintableText(std::string_view text) {
  std::string printable;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsPrintableAscii(byte))
      printable += c;
    else
      AppendEscaped(printable, byte);
  }
  return printable;
}

std::string PrintablePath(std::string_view path) {
  std::string printable;
  while (!path.empty()) {
    const auto byte = static_cast<unsigned char>(path[0]);
    std::size_t kept = IsPrintableAscii(byte) ? 1 : PrintableCharacterLength(path);
    if (kept == 0) {
      AppendEscaped(printable, byte);
      kept = 1;
    } else {
      printable += path.substr(0, kept);
    }
    path.remove_prefix(kept);
  }
  return printable;
}

std::string JsonString(std::string_view text) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  std::string json = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '"' || byte == '\\') {
      json += '\\';
      json += text[i++];
    } else if (IsPrintableAscii(byte)) {
      json += text[i++];
    } else if (const std::size_t length = PrintableCharacterLength(text.substr(i))) {
      json += text.substr(i, length);
      i += length;
    } else {
      json += "\\u00";
      json += kHexDigits[byte >> 4];
      json += kHexDigits[byte & 0x0F];
      ++i;
    }
  }
  return json + '"';
}
