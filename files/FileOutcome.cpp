#include "files/FileOutcome.h"

#include "files/FileDiagnostics.h"

std::string FileOutcome::Reason() const {
  std::string joined;
  for (const std::string& text : said)
    joined += (joined.empty() ? "" : "; ") + text;
  return joined;
}

const FileOutcome& FileOutcome::PassOn() const {
  for (const std::string& text : said)
    ReportFileDiagnostic("%s", text.c_str());
  return *this;
}

void FileOutcome::Run(const std::function<int()>& work) {
  FileDiagnosticCapture capture;
  status = work() == 0 ? 0 : -1;
  said = capture.Texts();
}
