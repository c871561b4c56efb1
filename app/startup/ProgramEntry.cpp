#include "app/startup/ProgramEntry.h"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <memory>
#include <string>

#include "app/commands/ProgramMidi.h"
#include "app/dialogs/SecondaryWindows.h"
#include "app/dialogs/WindowPlacement.h"
#include "app/startup/CommandLine.h"
#include "app/startup/CommandLineFiles.h"
#include "app/startup/SingleApplication.h"
#include "app/startup/Translations.h"
#include "app/window/EditorWindow.h"
#include "files/DefaultFiles.h"
#include "files/FileDiagnostics.h"
#include "files/SafeSave.h"
#include "files/SmartFile.h"
#include "files/SmartFilename.h"
#include "settings/SettingsStore.h"
#include "simulator/MidiSimulatorSetup.h"

namespace {

// How this start found the lock and the socket, said beside what the command line's names said.
void ShowStartNote(EditorWindow& window, const QString& note) {
  if (note.isEmpty())
    return;
  if (window.statusText().isEmpty()) {
    window.setStatus(note);
    return;
  }
  const QString reason = window.statusReason();
  window.setStatus(window.statusText(), reason.isEmpty() ? note : reason + "; " + note);
}

}  // namespace

int RunProgram(QApplication& application, const QStringList& fileNames) {
  DefaultFiles::Use();
  application.setApplicationName(QStringLiteral("Corvale"));
  application.setDesktopFileName(QStringLiteral("org.corvale.Corvale"));
  // Before the first text is made: the windows' texts are translated as they are built.
  InstallTranslations(application, QLocale::system());
  // The program ends when the first window closes, whatever other windows are left.
  application.setQuitOnLastWindowClosed(false);
  PrepareProcessForSaving();
  // A pipe or a device named as a bank file would hold the window until someone wrote to it.
  SmartFile::SetRegularFilesOnly(true);

  auto mainWindow = std::make_unique<EditorWindow>();
  SmartFilename::StartupDirectory();
  SingleApplication singleInstance(mainWindow.get());
  singleInstance.setFileNames(fileNames);
  if (!singleInstance.registerApplication())
    return 0;

  // Only the running program opens the ports: before its first window shows, for its whole run.
  std::string midiSetupError;
  if (InstallMidiPortLayerFromEnvironment(midiSetupError) != 0)
    QMessageBox::warning(nullptr, QStringLiteral("Corvale"),
                         QString::fromStdString(midiSetupError));
  const ProgramMidi midi;
  const SecondaryWindows secondaryWindows;

  // Commands show what the file layers say about their own failures; anything said on this
  // thread outside a command lands beside the status of the window in front.
  const FileDiagnosticScope diagnostics([first = mainWindow.get()](const std::string& text) {
    auto* active = qobject_cast<EditorWindow*>(QApplication::activeWindow());
    EditorWindow* window = active ? active : first;
    window->setStatus(window->statusText(), QString::fromStdString(text));
  });
  QObject::connect(mainWindow.get(), &EditorWindow::windowClosed, &application,
                   &QApplication::quit);
  if (const QScreen* screen = QGuiApplication::primaryScreen();
      screen && !RestorePlacement(*mainWindow, Settings::kEditorWindowPlacement))
    CentreOver(*mainWindow, screen->availableGeometry());
  mainWindow->show();
  // The titles name the files as a name handed over does, wherever the start was made.
  OpenCommandLineFiles(*mainWindow, AbsoluteNames(fileNames));
  ShowStartNote(*mainWindow, singleInstance.note());
  // Settings read before the window could say anything: an unreadable file is news.
  ShowStartNote(*mainWindow, QString::fromStdString(SettingsStore::ReadProblem()));
  return application.exec();
}
