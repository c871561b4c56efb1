#include "app/startup/CommandLineFiles.h"

#include <QTimer>
#include <string>
#include <vector>

#include "app/commands/CommandTexts.h"
#include "app/library/LibraryWindow.h"
#include "app/window/EditorWindow.h"
#include "files/DumpFiles.h"
#include "files/FileFormat.h"

bool IsLibraryName(const QString& name) {
  const std::string path = SystemPath(name);
  return IsItemFile(path) && !DumpFileFillsSlots(path);
}

EditorWindow* OpenCommandLineFiles(EditorWindow& window, const QStringList& names) {
  EditorWindow* target = &window.lastWindow();
  // A window made for a name that could not be opened stays hidden (the next name opens into
  // it): the last window the user can see says so too.
  EditorWindow* shown = target;
  while (shown->isHidden() && shown->previousWindow())
    shown = shown->previousWindow();
  std::vector<std::string> programFiles;
  for (const QString& name : names) {
    // Single programs have no bank window of their own: they go to the library. A dump file
    // of programs for bank slots opens as a bank file does.
    if (IsLibraryName(name)) {
      programFiles.push_back(SystemPath(name));
      continue;
    }
    target->raise();
    target->activateWindow();
    target = &target->openFileInWindow(name, true, false);
    if (!target->isHidden())
      shown = target;
    else if (shown != target)
      shown->setStatus(target->statusText(), target->statusReason());
  }
  if (!programFiles.empty()) {
    window.showLibrary();
    // The addition waits for the event loop: its progress dialog must not run inside the
    // hand-over's socket, which may go while it runs.
    if (LibraryWindow* library = window.libraryWindow())
      QTimer::singleShot(0, library, [library, programFiles] { library->addPaths(programFiles); });
  }
  return shown;
}
