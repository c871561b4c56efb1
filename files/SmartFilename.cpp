#include "files/SmartFilename.h"

#include <unistd.h>

#include <vector>

const std::string& SmartFilename::StartupDirectory() {
  static const std::string directory = [] {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
      if (errno != ERANGE)
        return std::string(".");
      buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
  }();
  return directory;
}

std::string SmartFilename::Join(const std::string& dir, const std::string& name) {
  if (!dir.empty() && dir.back() == kSeparator)
    return dir + name;
  return dir + kSeparator + name;
}

std::string SmartFilename::Resolve(const std::string& text) {
  if (!text.empty() && text.front() == kSeparator)
    return text;
  return Join(StartupDirectory(), text);
}

void SmartFilename::SetPath(const std::optional<std::string>& text) {
  path_ = text ? Resolve(*text) : std::string();
}

namespace {
// Position of the extension's "." in `path`, or npos.
std::size_t ExtensionDot(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos)
    return dot;
  const std::size_t separator = path.rfind(SmartFilename::kSeparator);
  if (separator != std::string::npos && separator > dot)
    return std::string::npos;
  return dot;
}
}  // namespace

std::optional<std::string> SmartFilename::Extension() const {
  const std::size_t dot = ExtensionDot(path_);
  if (dot == std::string::npos)
    return std::nullopt;
  return path_.substr(dot + 1);
}

void SmartFilename::SetExtension(const std::optional<std::string>& ext) {
  const std::size_t dot = ExtensionDot(path_);
  if (dot != std::string::npos) {
    path_.erase(ext ? dot + 1 : dot);
    if (ext)
      path_ += *ext;
  } else if (ext) {
    path_ += '.' + *ext;
  }
}

void SmartFilename::SetDirectory(const std::string& dir) {
  const std::size_t separator = path_.rfind(kSeparator);
  const std::string fileName = separator == std::string::npos ? path_ : path_.substr(separator + 1);
  path_ = dir.empty() ? fileName : Join(dir, fileName);
}
