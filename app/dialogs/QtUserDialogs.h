#pragma once

#include <QFileDialog>
#include <memory>

#include "app/dialogs/UserDialogs.h"

// Qt's file dialog taking the name typed as one name, whatever it holds: the toolkit reads
// double quotes in it as the marks of several names ("a" "b") even where one name is asked
// for, and so opens or replaces another file than the one typed (`"new bank.s2v` became
// `new bank.s2v`).
class OneNameFileDialog : public QFileDialog {
  Q_OBJECT

 public:
  using QFileDialog::QFileDialog;
  // The file chosen: the name typed, against the folder shown, or the one picked.
  QString chosenFile() const;
  // Open or Save, or Return in the name field.
  void accept() override;

 private:
  // The typed name as one name, asked about as the toolkit asks about a name it reads itself.
  void acceptTypedName(const QString& typed);

  QString typedChoice_;
};

// The toolkit's dialogs. File dialogs are Qt's own (the same on every desktop): they list each
// filter by its description exactly as written and show the files its patterns match in any
// letter case; the name the user typed stays when the filter changes, since the typed
// extension decides the format.
class QtUserDialogs : public UserDialogs {
 public:
  std::optional<QString> openFileName(QWidget* parent, const FileDialogRequest& request) override;
  std::optional<QString> folderName(QWidget* parent, const FileDialogRequest& request) override;
  std::optional<QString> saveFileName(QWidget* parent, const FileDialogRequest& request) override;
  Answer askYesNoCancel(QWidget* parent, const QString& title, const QString& text,
                        const QString& yesText) override;
  Answer askYesNo(QWidget* parent, const QString& title, const QString& text) override;
  std::optional<QString> askText(QWidget* parent, const QString& title, const QString& label,
                                 const QString& text) override;
  std::optional<QString> askChoice(QWidget* parent, const QString& title, const QString& label,
                                   const QStringList& choices, int current) override;
  void showMessage(QWidget* parent, const QString& title, const QString& text,
                   const QString& details) override;
  void showWarning(QWidget* parent, const QString& title, const QString& text,
                   const QString& details) override;
  void showError(QWidget* parent, const QString& caption, const QString& text) override;

  // The dialog these show, ready to run.
  static std::unique_ptr<OneNameFileDialog> makeFileDialog(QWidget* parent,
                                                           const FileDialogRequest& request,
                                                           QFileDialog::AcceptMode mode);
};
