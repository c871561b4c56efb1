#include "settings/SettingsFile.h"

#include <charconv>
#include <cstdint>

namespace {

constexpr std::string_view kBlanks = " \t\r";

std::string_view Trim(std::string_view text) {
  const std::size_t begin = text.find_first_not_of(kBlanks);
  if (begin == std::string_view::npos)
    return {};
  const std::size_t end = text.find_last_not_of(kBlanks);
  return text.substr(begin, end - begin + 1);
}

// Splits "Name=value" into its trimmed parts; none for a line that is not a value.
std::optional<std::pair<std::string_view, std::string_view>> SplitLine(std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos)
    return std::nullopt;
  return std::pair(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
}

}  // namespace

SettingsFile::SettingsFile(std::string_view content) {
  while (!content.empty()) {
    const std::size_t end = content.find('\n');
    lines_.emplace_back(content.substr(0, end));
    if (end == std::string_view::npos)
      break;
    content.remove_prefix(end + 1);
  }
}

std::string SettingsFile::Content() const {
  std::string content;
  for (const std::string& line : lines_)
    content += line + '\n';
  return content;
}

std::string SettingsFile::Quote(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (c == '\n') {
      quoted += "\\n";
    } else {
      quoted += c;
    }
  }
  return quoted + '"';
}

std::optional<std::string> SettingsFile::Unquote(std::string_view value) {
  if (value.size() < 2 || value.front() != '"' || value.back() != '"')
    return std::nullopt;
  std::string text;
  for (std::size_t i = 1; i + 1 < value.size(); ++i) {
    char c = value[i];
    if (c == '"')
      return std::nullopt;
    if (c == '\\') {
      if (i + 2 >= value.size())
        return std::nullopt;
      const char escaped = value[++i];
      if (escaped == 'n') {
        c = '\n';
      } else if (escaped == '"' || escaped == '\\') {
        c = escaped;
      } else {
        return std::nullopt;
      }
    }
    text += c;
  }
  // A text is read up to its first NUL, as the stored form cannot carry one.
  return text.substr(0, text.find('\0'));
}

std::optional<int> SettingsFile::ParseInteger(std::string_view value) {
  if (value.empty())
    return std::nullopt;
  std::int32_t number = 0;
  const char* end = value.data() + value.size();
  const auto [stop, error] = std::from_chars(value.data(), end, number);
  if (error != std::errc() || stop != end)
    return std::nullopt;
  return number;
}

std::optional<std::string_view> SettingsFile::FindRaw(std::string_view name) const {
  for (const std::string& line : lines_) {
    const auto parts = SplitLine(line);
    if (parts && parts->first == name)
      return parts->second;
  }
  return std::nullopt;
}

SettingsFile::TextLookup SettingsFile::FindText(std::string_view name, std::string& text) const {
  const std::optional<std::string_view> raw = FindRaw(name);
  if (!raw)
    return TextLookup::Absent;
  std::optional<std::string> unquoted = Unquote(*raw);
  if (!unquoted)
    return TextLookup::NotText;
  text = std::move(*unquoted);
  return TextLookup::Text;
}

std::optional<int> SettingsFile::FindInteger(std::string_view name) const {
  const std::optional<std::string_view> raw = FindRaw(name);
  return raw ? ParseInteger(*raw) : std::nullopt;
}

void SettingsFile::SetRaw(std::string_view name, const std::string& value) {
  const std::string line = std::string(name) + "=" + value;
  for (std::string& existing : lines_) {
    const auto parts = SplitLine(existing);
    if (parts && parts->first == name) {
      existing = line;
      return;
    }
  }
  lines_.push_back(line);
}

void SettingsFile::SetText(std::string_view name, std::string_view text) {
  SetRaw(name, Quote(text));
}

void SettingsFile::SetInteger(std::string_view name, int value) {
  SetRaw(name, std::to_string(value));
}
