// corvale: the bank editor and librarian for the Yamaha S80.

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <exception>

#include "app/startup/CommandLine.h"
#include "app/startup/ProgramEntry.h"

int main(int argc, char** argv) {
  if (const StartRequest request = RequestOf(argc, argv); request != StartRequest::kOpenFiles) {
    const std::string text = request == StartRequest::kHelp ? HelpText() : VersionText();
    std::fputs(text.c_str(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
  }
  // Takes the toolkit's own options out of argv.
  QApplication application(argc, argv);
  try {
    return RunProgram(application, CommandLineNames(argc, argv));
  } catch (const std::exception& error) {
    QMessageBox::critical(nullptr, QStringLiteral("Corvale"), QString::fromUtf8(error.what()));
    return 0;
  }
}
