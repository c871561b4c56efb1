#pragma once

#include <functional>
#include <string>
#include <vector>

// How the file layers' diagnostics ("Error opening file: ...", "Error: ... Has Unknown
// format.") reach the user. Each thread has its own handler: what file code reports on a thread
// goes to the innermost handler installed on that thread, never to another thread's (the
// library's addition reads files on a thread of its own while a window opens files on the GUI
// thread). A thread without one (a worker thread outside a capture, the GUI thread before the
// program installs its own) prints each to standard error as one line; the command-line tool
// folds them into its own error line, the window shows them.
using FileDiagnosticHandler = std::function<void(const std::string& text)>;

// Formats one diagnostic (printf-style; a closing line break is dropped) and hands it to this
// thread's handler.
void ReportFileDiagnostic(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Hands this thread's diagnostics to `handler` while it lives; the handler it covers (or
// standard error) has them again after. It must end on the thread it began on.
class FileDiagnosticScope {
 public:
  explicit FileDiagnosticScope(FileDiagnosticHandler handler);
  ~FileDiagnosticScope();
  FileDiagnosticScope(const FileDiagnosticScope&) = delete;
  FileDiagnosticScope& operator=(const FileDiagnosticScope&) = delete;

 private:
  friend void ReportFileDiagnostic(const char* format, ...);

  FileDiagnosticHandler handler_;
  FileDiagnosticScope* outer_;
};

// Keeps this thread's diagnostics reported while it lives instead of passing them on, so that
// the caller can say in one line what went wrong with which file.
class FileDiagnosticCapture {
 public:
  FileDiagnosticCapture();

  // What was reported, each text once, in the order reported.
  const std::vector<std::string>& Texts() const { return kept_; }
  // Texts joined by "; ".
  std::string Text() const;
  // Text, after which the capture starts empty again.
  std::string TakeText();

 private:
  std::vector<std::string> kept_;
  FileDiagnosticScope scope_;
};
