#pragma once

#include <functional>
#include <string>
#include <vector>

// How the file layers' diagnostics ("Error opening file: ...", "Error: ... Has Unknown
// format.") reach the user. Without a handler each goes to standard error as one line; the
// command-line tool folds it into its own error line, the window shows it.
using FileDiagnosticHandler = std::function<void(const std::string& text)>;

// Formats one diagnostic (printf-style; a closing line break is dropped) and hands it on.
void ReportFileDiagnostic(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Replaces the handler (none: back to standard error); returns the previous one.
FileDiagnosticHandler SetFileDiagnosticHandler(FileDiagnosticHandler handler);

// Keeps the diagnostics reported while it lives instead of passing them on, so that the caller
// can say in one line what went wrong with which file.
class FileDiagnosticCapture {
 public:
  FileDiagnosticCapture();
  ~FileDiagnosticCapture();
  FileDiagnosticCapture(const FileDiagnosticCapture&) = delete;
  FileDiagnosticCapture& operator=(const FileDiagnosticCapture&) = delete;

  // What was reported, each text once, joined by "; ".
  std::string Text() const;
  // Text, after which the capture starts empty again.
  std::string TakeText();

 private:
  std::vector<std::string> kept_;
  FileDiagnosticHandler previous_;
};
