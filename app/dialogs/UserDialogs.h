#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <span>

#include "app/dialogs/FileFilters.h"

class QWidget;

// What a file dialog is opened with.
struct FileDialogRequest {
  QString title;
  std::span<const FileFilter> filters;
  // The folder it starts in; empty leaves the choice to the dialog.
  QString folder;
  // The name it offers (save dialogs).
  QString fileName;
};

enum class Answer { Yes, No, Cancel };

// Every dialog and question of the windows goes through here, so that the tests can answer
// them. The program's own implementation shows the toolkit's dialogs.
class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  // The chosen path, or none when the user canceled.
  virtual std::optional<QString> openFileName(QWidget* parent,
                                              const FileDialogRequest& request) = 0;
  // A folder to open (the request's filters unused), or none when the user canceled.
  virtual std::optional<QString> folderName(QWidget* parent, const FileDialogRequest& request) = 0;
  // As above; the dialog asks before an existing file is replaced.
  virtual std::optional<QString> saveFileName(QWidget* parent,
                                              const FileDialogRequest& request) = 0;
  // A warning with Yes, No and Cancel, Cancel the default; Yes reads `yesText` where that is
  // given ("Save &As...").
  virtual Answer askYesNoCancel(QWidget* parent, const QString& title, const QString& text,
                                const QString& yesText) = 0;
  // A question with Yes and No, No the default (and the answer when the dialog is closed).
  virtual Answer askYesNo(QWidget* parent, const QString& title, const QString& text) = 0;
  // A line of text, starting as `text`; none when the user canceled.
  virtual std::optional<QString> askText(QWidget* parent, const QString& title,
                                         const QString& label, const QString& text) = 0;
  // One of `choices`, starting at `current`; none when the user canceled.
  virtual std::optional<QString> askChoice(QWidget* parent, const QString& title,
                                           const QString& label, const QStringList& choices,
                                           int current) = 0;
  virtual void showError(QWidget* parent, const QString& caption, const QString& text) = 0;
  // An outcome too long for the status bar: its text, and the whole of it behind a button.
  virtual void showMessage(QWidget* parent, const QString& title, const QString& text,
                           const QString& details) = 0;
  // The same for an outcome that fell short, with the warning icon.
  virtual void showWarning(QWidget* parent, const QString& title, const QString& text,
                           const QString& details) = 0;
};

// The dialogs in use: the toolkit's unless replaced (kept beside them, in QtUserDialogs.cpp).
UserDialogs& userDialogs();
// Replaces the dialogs in use and returns the previous ones (none: back to the toolkit's).
std::unique_ptr<UserDialogs> setUserDialogs(std::unique_ptr<UserDialogs> dialogs);
