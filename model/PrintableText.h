#pragma once

#include <string>
#include <string_view>

// Text for a listing or a message on a terminal, where a byte of a file (a name, a path) could
// otherwise start an escape sequence or break the line: each byte outside printable ASCII
// written as \xHH.
std::string PrintableText(std::string_view text);

// The same for a path, which may be in any language: UTF-8 characters are kept, and only what
// is not a printable character (control bytes and C1 controls, bytes that are not UTF-8) is
// written as \xHH.
std::string PrintablePath(std::string_view path);

// The text as a JSON string with its quotes: printable UTF-8 characters as they are, every other
// byte (a control byte, one that is not UTF-8) as \u00HH, the byte read as Latin-1.
std::string JsonString(std::string_view text);
