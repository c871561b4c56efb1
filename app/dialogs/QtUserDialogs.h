#pragma once

#include <QFileDialog>
#include <memory>

#include "app/dialogs/UserDialogs.h"

// The toolkit's dialogs. File dialogs are Qt's own (the same on every desktop): they list each
// filter by its description exactly as written and show the files its patterns match in any
// letter case; the name the user typed stays when the filter changes, since the typed
// extension decides the format.
class QtUserDialogs : public UserDialogs {
 public:
  std::optional<QString> openFileName(QWidget* parent, const FileDialogRequest& request) override;
  std::optional<QString> folderName(QWidget* parent, const FileDialogRequest& request) override;
  std::optional<QString> saveFileName(QWidget* parent, const FileDialogRequest& request) override;
  Answer askYesNoCancel(QWidget* parent, const QString& title, const QString& text) override;
  Answer askYesNo(QWidget* parent, const QString& title, const QString& text) override;
  std::optional<QString> askText(QWidget* parent, const QString& title, const QString& label,
                                 const QString& text) override;
  void showMessage(QWidget* parent, const QString& title, const QString& text,
                   const QString& details) override;
  void showError(QWidget* parent, const QString& caption, const QString& text) override;

  // The dialog these show, ready to run.
  static std::unique_ptr<QFileDialog> makeFileDialog(QWidget* parent,
                                                     const FileDialogRequest& request,
                                                     QFileDialog::AcceptMode mode);
};
