#include "app/commands/FileCommands.h"

#include <QFileInfo>
#include <QWidget>
#include <algorithm>

#include "app/commands/CommandTexts.h"
#include "app/commands/DocumentWindow.h"
#include "app/dialogs/UserDialogs.h"
#include "files/FileDiagnostics.h"
#include "files/FileExtension.h"
#include "files/SmartFilename.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"
#include "settings/SettingsStore.h"

namespace {

constexpr const char* kUntitledName = "<Untitled>";

QString Text(const char* text) {
  return QString::fromUtf8(text);
}

// What a file of `path`'s format leaves out of a document: the programs of the banks it does
// not hold that differ from the defaults, and how the user knows those banks and the others.
struct LeftOut {
  int changedPrograms = 0;
  const char* heldBanks = "";
  const char* otherBanks = "";
};

LeftOut LeftOutOfSave(S2A_File& document, const QString& path) {
  LeftOut leftOut;
  if (HasExtension(SystemPath(path), "s2v")) {
    leftOut = {0, "voice banks", "performance banks"};
  } else if (HasExtension(SystemPath(path), "s2e")) {
    leftOut = {0, "external banks", "internal banks"};
  } else {
    return leftOut;
  }
  S2A_File defaults;
  for (const BankLayout& layout : kBankLayouts) {
    if (BankFileHolds(SystemPath(path), layout))
      continue;
    for (int slot = 0; slot < layout.capacity; ++slot) {
      const auto image = layout.bankIn(document).ItemAt(slot)->Data();
      const auto original = layout.bankIn(defaults).ItemAt(slot)->Data();
      if (!std::equal(image.begin(), image.end(), original.begin(), original.end()))
        ++leftOut.changedPrograms;
    }
  }
  return leftOut;
}

}  // namespace

Answer FileCommands::askUnsavedChanges(const char* questionFormat) {
  const QString name = window_.fileName().isEmpty() ? Text(kUntitledName) : window_.fileName();
  return userDialogs().askYesNoCancel(window_.widget(), QStringLiteral("Unsaved File"),
                                      Text(questionFormat).arg(name));
}

bool FileCommands::saveChangesBefore(const char* questionFormat) {
  if (!window_.isModified())
    return true;
  switch (askUnsavedChanges(questionFormat)) {
    case Answer::Cancel:
      return false;
    case Answer::No:
      return true;
    case Answer::Yes:
      // Going on after a save that did not happen would lose the document.
      return save();
  }
  return false;
}

QString FileCommands::askOpenPath(const QString& title) {
  const auto path = userDialogs().openFileName(window_.widget(),
                                               {title, OpenDialogFilters(), openDialogFolder_, {}});
  return path.value_or(QString());
}

QString FileCommands::chooseFileToOpen(const QString& title) {
  openDialogFolder_ = RememberedFolder(Settings::kLastOpenDirectory);
  const QString path = askOpenPath(title);
  if (path.isEmpty()) {
    window_.setStatus(QStringLiteral("Canceled Open"));
    return path;
  }
  RememberFolder(window_.widget(), Settings::kLastOpenDirectory, path);
  return path;
}

void FileCommands::newDocument() {
  if (saveChangesBefore(kNewQuestion))
    window_.startNewDocument();
}

void FileCommands::newWindow() {
  window_.appendWindow().widget()->show();
}

void FileCommands::open() {
  if (!saveChangesBefore(kOpenQuestion))
    return;
  if (const QString path = chooseFileToOpen(QStringLiteral("Open...")); !path.isEmpty())
    window_.openFileInWindow(path, false, false);
}

void FileCommands::openInNewWindow() {
  const QString path = chooseFileToOpen(QStringLiteral("Open in New Window..."));
  if (path.isEmpty())
    return;
  DocumentWindow& opened = window_.openFileInWindow(path, true, true);
  if (opened.widget()->isHidden())
    window_.setStatus(opened.statusText(), opened.statusReason());
}

void FileCommands::openHere(const QString& path) {
  FileDiagnosticCapture diagnostics;
  BankLoadReport report;
  if (OpenBankFile(*window_.document(), SystemPath(path), &report) != 0) {
    window_.setStatus(QStringLiteral("Error opening file"),
                      WhyNotOpened(path, diagnostics, report));
    return;
  }
  window_.startHistory(true);
  window_.becomeFileOf(path);
  window_.refreshList();
  window_.widget()->show();
  window_.setStatus(QStringLiteral("Open successful"), LoadWarning(path, report));
  window_.widget()->repaint();
}

bool FileCommands::save() {
  return window_.fileName().isEmpty() ? saveAs() : saveDocumentTo(window_.fileName());
}

bool FileCommands::saveAs() {
  const QString offered =
      window_.fileName().isEmpty() ? QStringLiteral("untitled.s2a") : window_.fileName();
  const auto path = userDialogs().saveFileName(
      window_.widget(), {QStringLiteral("Save As..."), SaveDialogFilters(),
                         RememberedFolder(Settings::kLastOpenDirectory), offered});
  if (!path) {
    window_.setStatus(QStringLiteral("Canceled Save"));
    return false;
  }
  RememberFolder(window_.widget(), Settings::kLastOpenDirectory, *path);
  return saveDocumentTo(*path);
}

bool FileCommands::confirmLeavingOut(const QString& path, int changedPrograms,
                                     const char* heldBanks, const char* otherBanks) {
  const QString question =
      QStringLiteral(
          "%1 holds only the %2. The %3 changed %4 of the %5 will not be saved. "
          "Save anyway?")
          .arg(QFileInfo(path).fileName(), Text(heldBanks))
          .arg(changedPrograms)
          .arg(changedPrograms == 1 ? QStringLiteral("program") : QStringLiteral("programs"),
               Text(otherBanks));
  return userDialogs().askYesNo(window_.widget(), QStringLiteral("Save"), question) == Answer::Yes;
}

bool FileCommands::confirmReplacingDump(const QString& path) {
  const std::size_t notKept = DumpFileContentNotKept(SystemPath(path));
  if (notKept == 0)
    return true;
  const QString question =
      QStringLiteral(
          "%1 holds %2 that no document keeps: dumps to an edit buffer, other messages or "
          "MIDI events. Saving replaces the file with the document's programs only. Save anyway?")
          .arg(QFileInfo(path).fileName(), CountText(static_cast<qsizetype>(notKept),
                                                     "message or event", "messages and events"));
  return userDialogs().askYesNo(window_.widget(), QStringLiteral("Save"), question) == Answer::Yes;
}

bool FileCommands::saveDocumentTo(const QString& path) {
  // A format that holds only some banks would drop the others' changes without a word.
  if (!confirmReplacingDump(path)) {
    window_.setStatus(QStringLiteral("Canceled Save"));
    return false;
  }
  const LeftOut leftOut = LeftOutOfSave(*window_.document(), path);
  if (leftOut.changedPrograms > 0 &&
      !confirmLeavingOut(path, leftOut.changedPrograms, leftOut.heldBanks, leftOut.otherBanks)) {
    window_.setStatus(QStringLiteral("Canceled Save"));
    return false;
  }
  FileDiagnosticCapture diagnostics;
  std::size_t sevenBitBytes = 0;
  if (SaveBankFile(*window_.document(), SystemPath(path), sevenBitBytes) != 0) {
    window_.setStatus(QStringLiteral("Error writing file"), WhyNotSaved(path, diagnostics));
    return false;
  }
  window_.becomeFileOf(path);
  if (sevenBitBytes > 0) {
    // A dump carries seven bits a byte: the file holds less than the window shows.
    window_.keepUnsavedChanges();
    window_.setStatus(
        QStringLiteral("Save successful"),
        QStringLiteral("%1 written in seven bits; the window keeps them")
            .arg(CountText(static_cast<qsizetype>(sevenBitBytes), "item byte", "item bytes")));
    return true;
  }
  if (leftOut.changedPrograms > 0) {
    // What the window shows is not what the file holds.
    window_.keepUnsavedChanges();
    window_.setStatus(QStringLiteral("Save successful"),
                      QStringLiteral("%1 changed programs of the %2 are in no file")
                          .arg(leftOut.changedPrograms)
                          .arg(Text(leftOut.otherBanks)));
    return true;
  }
  window_.setStatus(QStringLiteral("Save successful"));
  return true;
}

void FileCommands::cloneToNewWindow() {
  DocumentWindow& clone = window_.appendWindow();
  clone.document()->CopyFrom(*window_.document());
  clone.nameFile(window_.fileName());
  clone.refreshList();
  clone.widget()->show();
  clone.startHistory(false);
  clone.markEdited();
}

void FileCommands::merge() {
  const QString path = askOpenPath(QStringLiteral("Merge..."));
  if (path.isEmpty()) {
    window_.setStatus(QStringLiteral("Canceled Merge"));
    return;
  }
  FileDiagnosticCapture diagnostics;
  BankLoadReport report;
  if (MergeBankFile(*window_.document(), SystemPath(path), &report) != 0) {
    window_.setStatus(QStringLiteral("Error merging file"),
                      WhyNotOpened(path, diagnostics, report));
    return;
  }
  window_.nameFile(path);
  window_.startHistory(false);
  window_.refreshList();
  window_.markEdited();
  window_.setStatus(QStringLiteral("Merge successful"), LoadWarning(path, report));
}

void FileCommands::exportSupportingFile() {
  SmartFilename name;
  name.SetPath(window_.fileName().isEmpty() ? std::string("untitled")
                                            : SystemPath(window_.fileName()));
  name.SetExtension("ins");
  const QString offered = QFileInfo(QString::fromStdString(name.Path())).fileName();
  const auto path = userDialogs().saveFileName(
      window_.widget(), {QStringLiteral("Export Supporting Files..."), ExportSuppDialogFilters(),
                         RememberedFolder(Settings::kLastSuppDirectory), offered});
  if (!path) {
    window_.setStatus(QStringLiteral("Canceled Save"));
    return;
  }
  RememberFolder(window_.widget(), Settings::kLastSuppDirectory, *path);
  if (!confirmReplacingDump(*path)) {
    window_.setStatus(QStringLiteral("Canceled Save"));
    return;
  }
  FileDiagnosticCapture diagnostics;
  if (SaveBankFile(*window_.document(), SystemPath(*path)) != 0)
    window_.setStatus(QStringLiteral("Error writing file"), WhyNotSaved(*path, diagnostics));
  else
    window_.setStatus(QStringLiteral("Save successful"));
}
