#pragma once

#include <QString>

#include "app/commands/DocumentView.h"

class FileCommands;

// What the file commands need besides: the document's file, its history, and the chain of
// windows the document can move into.
class DocumentWindow : public DocumentView {
 public:
  virtual QString fileName() const = 0;
  virtual bool isModified() const = 0;
  // The document is the file's content, as just opened or saved.
  virtual void becomeFileOf(const QString& path) = 0;
  // The title names `path`, whose content the document is not (a merge, a clone).
  virtual void nameFile(const QString& path) = 0;
  // The history as the document starts afresh: from the state of its file, or (when it is not
  // the content of any file) with no state that counts as saved.
  virtual void startHistory(bool fileContent) = 0;
  // What the window shows differs from what its file holds, though it was just saved.
  virtual void keepUnsavedChanges() = 0;
  // A new, untouched document in place of this one.
  virtual void startNewDocument() = 0;

  // A new window at the end of the chain, not yet shown.
  virtual DocumentWindow& appendWindow() = 0;
  virtual DocumentWindow& firstWindow() = 0;
  // Opens `path` into this window, or into a new one: always, or when this one was used.
  // Returns the window it landed in, which also says when it could not be opened.
  virtual DocumentWindow& openFileInWindow(const QString& path, bool reuseWhenUntouched,
                                           bool alwaysNewWindow) = 0;
  // The close procedure behind Close, Quit and the window manager's close button.
  virtual void closeWindow() = 0;
  virtual FileCommands& fileCommands() = 0;
};
