// corvale: the bank editor and librarian for the Yamaha S80.

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <exception>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "app/ProgramMidi.h"
#include "app/SecondaryWindows.h"
#include "app/TForm1.h"
#include "app/WindowPlacement.h"
#include "files/FileDiagnostics.h"
#include "files/SafeSave.h"
#include "files/SmartFilename.h"
#include "simulator/MidiSimulatorSetup.h"

namespace {

int RunProgram(QApplication& application) {
  application.setApplicationName(QStringLiteral("Corvale"));
  application.setDesktopFileName(QStringLiteral("corvale"));
  // The program ends when the first window closes, whatever other windows are left.
  application.setQuitOnLastWindowClosed(false);
  PrepareProcessForSaving();
  std::string midiSetupError;
  if (InstallMidiPortLayerFromEnvironment(midiSetupError) != 0)
    QMessageBox::warning(nullptr, QStringLiteral("Corvale"),
                         QString::fromStdString(midiSetupError));
  // The ports open before the first window and stay open until the program ends.
  const ProgramMidi midi;

  auto Form1 = std::make_unique<TForm1>();
  // Commands show what the file layers say about their own failures; anything said outside a
  // command lands beside the status of the window in front.
  SetFileDiagnosticHandler([first = Form1.get()](const std::string& text) {
    auto* active = qobject_cast<TForm1*>(QApplication::activeWindow());
    TForm1* window = active ? active : first;
    window->SetStatus(window->StatusText(), QString::fromStdString(text));
  });
  const SecondaryWindows secondaryWindows;
  QObject::connect(Form1.get(), &TForm1::WindowClosed, &application, &QApplication::quit);
  SmartFilename::StartupDirectory();
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    CentreOver(*Form1, screen->availableGeometry());
  Form1->show();
  Form1->OpenCommandLineFiles(CommandLineText(application.arguments().mid(1)));
  const int status = application.exec();
  SetFileDiagnosticHandler(nullptr);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  try {
    return RunProgram(application);
  } catch (const std::exception& error) {
    QMessageBox::critical(nullptr, QStringLiteral("Corvale"), QString::fromUtf8(error.what()));
    return 0;
  }
}
