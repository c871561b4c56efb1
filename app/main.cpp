// corvale: the bank editor and librarian for the Yamaha S80.

#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "app/startup/CommandLine.h"
#include "app/startup/ProgramEntry.h"

int main(int argc, char** argv) {
  // Takes the toolkit's own options out of argv.
  QApplication application(argc, argv);
  try {
    return RunProgram(application, CommandLineNames(argc, argv));
  } catch (const std::exception& error) {
    QMessageBox::critical(nullptr, QStringLiteral("Corvale"), QString::fromUtf8(error.what()));
    return 0;
  }
}
