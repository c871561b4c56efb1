#include "files/FileDiagnostics.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {
FileDiagnosticHandler& Handler() {
  static FileDiagnosticHandler handler;
  return handler;
}

std::string Format(const char* format, std::va_list arguments) {
  std::va_list measuring;
  va_copy(measuring, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, measuring);
  va_end(measuring);
  if (length <= 0)
    return {};
  std::vector<char> text(static_cast<std::size_t>(length) + 1);
  std::vsnprintf(text.data(), text.size(), format, arguments);
  return std::string(text.data(), static_cast<std::size_t>(length));
}
}  // namespace

void ReportFileDiagnostic(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  std::string text = Format(format, arguments);
  va_end(arguments);
  if (!text.empty() && text.back() == '\n')
    text.pop_back();
  if (Handler()) {
    Handler()(text);
  } else {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}

FileDiagnosticHandler SetFileDiagnosticHandler(FileDiagnosticHandler handler) {
  FileDiagnosticHandler previous = std::move(Handler());
  Handler() = std::move(handler);
  return previous;
}

// A text said again (the settings file, unreadable at every read) is kept once.
FileDiagnosticCapture::FileDiagnosticCapture()
    : previous_(SetFileDiagnosticHandler([this](const std::string& text) {
        if (std::find(kept_.begin(), kept_.end(), text) == kept_.end())
          kept_.push_back(text);
      })) {}

FileDiagnosticCapture::~FileDiagnosticCapture() {
  SetFileDiagnosticHandler(std::move(previous_));
}

std::string FileDiagnosticCapture::Text() const {
  std::string joined;
  for (const std::string& text : kept_)
    joined += (joined.empty() ? "" : "; ") + text;
  return joined;
}

std::string FileDiagnosticCapture::TakeText() {
  std::string text = Text();
  kept_.clear();
  return text;
}
