#include "app/startup/CommandLineFiles.h"

#include "app/window/EditorWindow.h"

EditorWindow* OpenCommandLineFiles(EditorWindow& window, const QStringList& names) {
  EditorWindow* target = &window.lastWindow();
  // A window made for a name that could not be opened stays hidden (the next name opens into
  // it): the last window the user can see says so too.
  EditorWindow* shown = target;
  while (shown->isHidden() && shown->previousWindow())
    shown = shown->previousWindow();
  for (const QString& name : names) {
    target->raise();
    target->activateWindow();
    target = &target->openFileInWindow(name, true, false);
    if (!target->isHidden())
      shown = target;
    else if (shown != target)
      shown->setStatus(target->statusText(), target->statusReason());
  }
  return shown;
}
