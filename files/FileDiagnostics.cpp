#include "files/FileDiagnostics.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {
// This thread's innermost scope. A plain pointer, so that it needs no destruction: a capture
// held by a static object (the command-line tool's) ends after the thread's own objects do.
thread_local FileDiagnosticScope* innermost = nullptr;

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
  if (innermost != nullptr && innermost->handler_) {
    innermost->handler_(text);
  } else {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}

FileDiagnosticScope::FileDiagnosticScope(FileDiagnosticHandler handler)
    : handler_(std::move(handler)), outer_(innermost) {
  innermost = this;
}

// Unlinked wherever it stands, so that scopes ending out of order leave no scope behind them
// pointing at one that is gone.
FileDiagnosticScope::~FileDiagnosticScope() {
  FileDiagnosticScope** link = &innermost;
  while (*link != nullptr && *link != this)
    link = &(*link)->outer_;
  if (*link != nullptr)
    *link = outer_;
}

// A text said again (the settings file, unreadable at every read) is kept once.
FileDiagnosticCapture::FileDiagnosticCapture()
    : scope_([this](const std::string& text) {
        if (std::find(kept_.begin(), kept_.end(), text) == kept_.end())
          kept_.push_back(text);
      }) {}

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
