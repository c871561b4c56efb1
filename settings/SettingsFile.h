#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text form of the settings: one value per line, `Name=value`. A text value is written in
// double quotes with \" and \\ (and \n for a line break) escaped; an integer value bare, in
// decimal. Lines that are not values, and values of unknown names, are kept as they are.
class SettingsFile {
 public:
  enum class TextLookup { Absent, Text, NotText };

  explicit SettingsFile(std::string_view content = {});

  // Absent when no line names the value; NotText when its value is not a quoted text.
  TextLookup FindText(std::string_view name, std::string& text) const;
  // The value when it is a bare decimal that fits 32 bits.
  std::optional<int> FindInteger(std::string_view name) const;

  void SetText(std::string_view name, std::string_view text);
  void SetInteger(std::string_view name, int value);

  std::string Content() const;

  static std::string Quote(std::string_view text);
  static std::optional<std::string> Unquote(std::string_view value);
  static std::optional<int> ParseInteger(std::string_view value);

 private:
  // The raw value text of the first line that names the value.
  std::optional<std::string_view> FindRaw(std::string_view name) const;
  void SetRaw(std::string_view name, const std::string& value);

  std::vector<std::string> lines_;
};
