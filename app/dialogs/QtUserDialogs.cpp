#include "app/dialogs/QtUserDialogs.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QTreeView>
#include <utility>
#include <vector>

#include "app/dialogs/WindowPlacement.h"

namespace {

constexpr int kFileDialogWidth = 760;
constexpr int kFileDialogHeight = 480;

// Shows the folders and the files the selected filter matches.
class FileFilterProxy : public QSortFilterProxyModel {
 public:
  FileFilterProxy(std::span<const FileFilter> filters, QObject* parent)
      : QSortFilterProxyModel(parent), filters_(filters.begin(), filters.end()) {}

  void SelectFilter(int index) {
    selected_ = index;
    invalidateFilter();
  }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (!files || selected_ < 0 || selected_ >= static_cast<int>(filters_.size()))
      return true;
    const QModelIndex index = files->index(row, 0, parent);
    return files->isDir(index) || FilterMatches(filters_[selected_], files->fileName(index));
  }

 private:
  std::vector<FileFilter> filters_;
  int selected_ = 0;
};

// The dialog's own name filtering reads patterns out of the descriptions, which these are not
// written for; the proxy filters instead, and the typed name is put back after Qt has changed
// its extension to the filter's.
void FilterThroughProxy(QFileDialog& dialog, std::span<const FileFilter> filters) {
  auto* proxy = new FileFilterProxy(filters, &dialog);
  dialog.setProxyModel(proxy);
  auto* files = dialog.findChild<QFileSystemModel*>();
  auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (!files || !types || !name)
    return;
  files->setNameFilters({});
  // Qt simplifies the blanks of the filters it is given; the list shows them as written.
  for (int i = 0; i < types->count() && i < static_cast<int>(filters.size()); ++i)
    types->setItemText(i, FilterDescription(filters[i]));
  auto typedName = std::make_shared<QString>();
  QObject::connect(types, &QComboBox::currentIndexChanged, &dialog,
                   [name, typedName] { *typedName = name->text(); });
  QObject::connect(types, &QComboBox::activated, &dialog,
                   [files, proxy, name, typedName](int index) {
                     files->setNameFilters({});
                     proxy->SelectFilter(index);
                     name->setText(*typedName);
                   });
}

}  // namespace

QString OneNameFileDialog::chosenFile() const {
  if (!typedChoice_.isEmpty())
    return typedChoice_;
  const QStringList files = selectedFiles();
  return files.isEmpty() ? QString() : files.constFirst();
}

void OneNameFileDialog::accept() {
  const auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  typedChoice_.clear();
  if (name != nullptr && name->text().contains(u'"'))
    acceptTypedName(name->text());
  else
    QFileDialog::accept();
}

void OneNameFileDialog::acceptTypedName(const QString& typed) {
  const QString path = directory().absoluteFilePath(typed);
  const QFileInfo file(path);
  if (file.isDir()) {
    setDirectory(path);
    findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->clear();
    return;
  }
  if (acceptMode() == AcceptOpen && !file.exists()) {
    QMessageBox::warning(this, windowTitle(),
                         tr("%1\nFile not found.\nPlease verify the correct file name "
                            "was given.")
                             .arg(file.fileName()));
    return;
  }
  if (acceptMode() == AcceptSave && file.exists() &&
      QMessageBox::warning(
          this, windowTitle(),
          tr("%1 already exists.\nDo you want to replace it?").arg(file.fileName()),
          QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
    return;
  typedChoice_ = path;
  QDialog::accept();
}

std::unique_ptr<OneNameFileDialog> QtUserDialogs::makeFileDialog(QWidget* parent,
                                                                 const FileDialogRequest& request,
                                                                 QFileDialog::AcceptMode mode) {
  auto dialog = std::make_unique<OneNameFileDialog>(parent, request.title, request.folder);
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setAcceptMode(mode);
  dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                      : QFileDialog::AnyFile);
  dialog->setNameFilters(FilterDescriptions(request.filters));
  FilterThroughProxy(*dialog, request.filters);
  // Room for the size, type and date columns: at the toolkit's small default size they read
  // "536...KiB".
  dialog->resize(kFileDialogWidth, kFileDialogHeight);
  if (auto* details = dialog->findChild<QTreeView*>(QStringLiteral("treeView"))) {
    details->header()->setStretchLastSection(false);
    details->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < details->header()->count(); ++column)
      details->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  }
  if (!request.fileName.isEmpty())
    dialog->selectFile(request.fileName);
  return dialog;
}

namespace {

std::optional<QString> RunFileDialog(OneNameFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.chosenFile().isEmpty())
    return std::nullopt;
  return dialog.chosenFile();
}

}  // namespace

std::optional<QString> QtUserDialogs::openFileName(QWidget* parent,
                                                   const FileDialogRequest& request) {
  return RunFileDialog(*makeFileDialog(parent, request, QFileDialog::AcceptOpen));
}

std::optional<QString> QtUserDialogs::folderName(QWidget* parent,
                                                 const FileDialogRequest& request) {
  OneNameFileDialog dialog(parent, request.title, request.folder);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  return RunFileDialog(dialog);
}

std::optional<QString> QtUserDialogs::saveFileName(QWidget* parent,
                                                   const FileDialogRequest& request) {
  return RunFileDialog(*makeFileDialog(parent, request, QFileDialog::AcceptSave));
}

Answer QtUserDialogs::askYesNoCancel(QWidget* parent, const QString& title, const QString& text,
                                     const QString& yesText) {
  QMessageBox box(QMessageBox::Warning, title, text,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
  box.setDefaultButton(QMessageBox::Cancel);
  if (!yesText.isEmpty())
    box.button(QMessageBox::Yes)->setText(yesText);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      return Answer::Cancel;
  }
}

Answer QtUserDialogs::askYesNo(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

namespace {

// A dialog that asks for a line of text or a choice, wide enough for the window manager to show
// its title whole.
std::optional<QString> RunInputDialog(QInputDialog& dialog, const QString& title,
                                      const QString& label) {
  dialog.setWindowTitle(title);
  dialog.setLabelText(label);
  // The dialog's layout sets its least width from what it holds: the label's decides it.
  if (auto* text = dialog.findChild<QLabel*>()) {
    const int margins = dialog.style()->pixelMetric(QStyle::PM_LayoutLeftMargin) +
                        dialog.style()->pixelMetric(QStyle::PM_LayoutRightMargin);
    text->setMinimumWidth(WidthForTitle(title) - margins);
  }
  if (dialog.exec() != QDialog::Accepted)
    return std::nullopt;
  return dialog.textValue();
}

}  // namespace

std::optional<QString> QtUserDialogs::askText(QWidget* parent, const QString& title,
                                              const QString& label, const QString& text) {
  QInputDialog dialog(parent);
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setTextValue(text);
  return RunInputDialog(dialog, title, label);
}

std::optional<QString> QtUserDialogs::askChoice(QWidget* parent, const QString& title,
                                                const QString& label, const QStringList& choices,
                                                int current) {
  QInputDialog dialog(parent);
  dialog.setComboBoxItems(choices);
  dialog.setComboBoxEditable(false);
  dialog.setTextValue(choices.value(current));
  return RunInputDialog(dialog, title, label);
}

namespace {

void ShowOutcome(QMessageBox::Icon icon, QWidget* parent, const QString& title, const QString& text,
                 const QString& details) {
  QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
  box.setDetailedText(details);
  box.exec();
}

}  // namespace

void QtUserDialogs::showMessage(QWidget* parent, const QString& title, const QString& text,
                                const QString& details) {
  ShowOutcome(QMessageBox::Information, parent, title, text, details);
}

void QtUserDialogs::showWarning(QWidget* parent, const QString& title, const QString& text,
                                const QString& details) {
  ShowOutcome(QMessageBox::Warning, parent, title, text, details);
}

void QtUserDialogs::showError(QWidget* parent, const QString& caption, const QString& text) {
  QMessageBox::critical(parent, caption, text);
}

// The one place that knows the toolkit's dialogs are the default.
namespace {

std::unique_ptr<UserDialogs>& InstalledDialogs() {
  static std::unique_ptr<UserDialogs> dialogs = std::make_unique<QtUserDialogs>();
  return dialogs;
}

}  // namespace

UserDialogs& userDialogs() {
  return *InstalledDialogs();
}

std::unique_ptr<UserDialogs> setUserDialogs(std::unique_ptr<UserDialogs> dialogs) {
  if (!dialogs)
    dialogs = std::make_unique<QtUserDialogs>();
  return std::exchange(InstalledDialogs(), std::move(dialogs));
}
