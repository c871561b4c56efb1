#include "app/commands/FileCommands.h"

#include <QFileInfo>
#include <QWidget>
#include <algorithm>

#include "app/commands/CommandTexts.h"
#include "app/commands/DocumentWindow.h"
#include "app/dialogs/UserDialogs.h"
#include "files/DocumentFiles.h"
#include "files/DumpFiles.h"
#include "files/FileFormat.h"
#include "files/SmartFilename.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"
#include "settings/SettingsStore.h"

namespace {

constexpr const char* kUntitledName = QT_TRANSLATE_NOOP("FileCommands", "<Untitled>");

// The file layer's names of the banks a format holds and leaves out, as the questions say them.
[[maybe_unused]] constexpr const char* kBankGroupNames[] = {
    QT_TRANSLATE_NOOP("FileCommands", "voice banks"),
    QT_TRANSLATE_NOOP("FileCommands", "performance banks"),
    QT_TRANSLATE_NOOP("FileCommands", "external banks"),
    QT_TRANSLATE_NOOP("FileCommands", "internal banks"),
};

QString Translated(const char* text) {
  return FileCommands::tr(text);
}

// What a file of `path`'s format leaves out of a document: the programs of the banks it does
// not hold that differ from the defaults, and how the user knows those banks and the others.
struct LeftOut {
  int changedPrograms = 0;
  const char* heldBanks = "";
  const char* otherBanks = "";
};

LeftOut LeftOutOfSave(S2A_File& document, const QString& path) {
  const FileFormat* format = FileFormatOf(SystemPath(path));
  if (format == nullptr || format->holds == nullptr)
    return {};
  LeftOut leftOut{0, format->heldBanks, format->otherBanks};
  S2A_File defaults;
  for (const BankLayout& layout : kBankLayouts) {
    if (format->HoldsBank(layout))
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

FileCommands::Unsaved FileCommands::settleUnsavedChanges(const char* questionEnding) {
  const QString name =
      window_.fileName().isEmpty() ? Translated(kUntitledName) : window_.fileName();
  const LeftOut leftOut = window_.fileName().isEmpty()
                              ? LeftOut{}
                              : LeftOutOfSave(*window_.document(), window_.fileName());
  // After a save to a file that holds only some banks, "has not been saved" would be untrue, and
  // saving to that file again would leave the same programs out.
  const bool offerSaveAs = leftOut.changedPrograms > 0;
  const QString question =
      offerSaveAs ? tr("%1\nholds only the %2, not the %3 of the %4.\nDo you wish to save the "
                       "document as another file before %5")
                        .arg(name, Translated(leftOut.heldBanks),
                             CountText(leftOut.changedPrograms,
                                       QT_TRANSLATE_NOOP("CountText", "changed program"),
                                       QT_TRANSLATE_NOOP("CountText", "changed programs")),
                             Translated(leftOut.otherBanks), Translated(questionEnding))
                  : tr("%1\nhas not been saved, do you wish to save this before\n%2")
                        .arg(name, Translated(questionEnding));
  switch (userDialogs().askYesNoCancel(window_.widget(), tr("Unsaved File"), question,
                                       offerSaveAs ? tr("Save &As...") : QString())) {
    case Answer::Cancel:
      return Unsaved::Cancel;
    case Answer::No:
      return Unsaved::Discarded;
    case Answer::Yes:
      break;
  }
  return (offerSaveAs ? saveAs() : save()) ? Unsaved::Saved : Unsaved::NotSaved;
}

bool FileCommands::saveChangesBefore(const char* questionEnding) {
  if (!window_.isModified())
    return true;
  switch (settleUnsavedChanges(questionEnding)) {
    case Unsaved::Saved:
    case Unsaved::Discarded:
      return true;
    case Unsaved::Cancel:
    case Unsaved::NotSaved:
      // Going on after a save that did not happen would lose the document.
      return false;
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
    window_.setStatus(tr("Canceled Open"));
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
  if (const QString path = chooseFileToOpen(tr("Open...")); !path.isEmpty())
    window_.openFileInWindow(path, false, false);
}

void FileCommands::openInNewWindow() {
  const QString path = chooseFileToOpen(tr("Open in New Window..."));
  if (path.isEmpty())
    return;
  DocumentWindow& opened = window_.openFileInWindow(path, true, true);
  if (opened.widget()->isHidden())
    window_.setStatus(opened.statusText(), opened.statusReason());
}

void FileCommands::openHere(const QString& path) {
  const BankFileLoad load = OpenBankFile(*window_.document(), SystemPath(path));
  if (!load.Succeeded()) {
    window_.setStatus(tr("Error opening file"), WhyNotOpened(path, load));
    return;
  }
  window_.startHistory(true);
  window_.becomeFileOf(path);
  window_.refreshList();
  window_.widget()->show();
  window_.setStatus(tr("Open successful"), LoadWarning(path, load));
  window_.widget()->repaint();
}

bool FileCommands::save() {
  return window_.fileName().isEmpty() ? saveAs() : saveDocumentTo(window_.fileName());
}

bool FileCommands::saveAs() {
  const QString offered =
      window_.fileName().isEmpty() ? QStringLiteral("untitled.s2a") : window_.fileName();
  const auto path = userDialogs().saveFileName(
      window_.widget(), {tr("Save As..."), SaveDialogFilters(),
                         RememberedFolder(Settings::kLastOpenDirectory), offered});
  if (!path) {
    window_.setStatus(tr("Canceled Save"));
    return false;
  }
  RememberFolder(window_.widget(), Settings::kLastOpenDirectory, *path);
  return saveDocumentTo(*path);
}

bool FileCommands::confirmLeavingOut(const QString& path, int changedPrograms,
                                     const char* heldBanks, const char* otherBanks) {
  const QString question =
      tr("%1 holds only the %2. The %3 of the %4 will not be saved. Save anyway?")
          .arg(QFileInfo(path).fileName(), Translated(heldBanks),
               CountText(changedPrograms, QT_TRANSLATE_NOOP("CountText", "changed program"),
                         QT_TRANSLATE_NOOP("CountText", "changed programs")),
               Translated(otherBanks));
  return userDialogs().askYesNo(window_.widget(), tr("Save"), question) == Answer::Yes;
}

bool FileCommands::confirmReplacingDump(const QString& path) {
  const std::size_t notKept = DumpFileContentNotKept(SystemPath(path));
  if (notKept == 0)
    return true;
  const QString question =
      tr("%1 holds %2 that no document keeps: dumps to an edit buffer, other messages or "
         "MIDI events. Saving replaces the file with the document's programs only. Save anyway?")
          .arg(QFileInfo(path).fileName(),
               CountText(static_cast<qsizetype>(notKept),
                         QT_TRANSLATE_NOOP("CountText", "message or event"),
                         QT_TRANSLATE_NOOP("CountText", "messages and events")));
  return userDialogs().askYesNo(window_.widget(), tr("Save"), question) == Answer::Yes;
}

bool FileCommands::saveDocumentTo(const QString& path) {
  // A format that holds only some banks would drop the others' changes without a word.
  if (!confirmReplacingDump(path)) {
    window_.setStatus(tr("Canceled Save"));
    return false;
  }
  const LeftOut leftOut = LeftOutOfSave(*window_.document(), path);
  if (leftOut.changedPrograms > 0 &&
      !confirmLeavingOut(path, leftOut.changedPrograms, leftOut.heldBanks, leftOut.otherBanks)) {
    window_.setStatus(tr("Canceled Save"));
    return false;
  }
  const FileSave save = SaveBankFile(*window_.document(), SystemPath(path));
  if (!save.Succeeded()) {
    window_.setStatus(tr("Error writing file"), WhyNotSaved(path, save));
    return false;
  }
  const std::size_t sevenBitBytes = save.sevenBitBytes;
  window_.becomeFileOf(path);
  if (sevenBitBytes > 0) {
    // A dump carries seven bits a byte: the file holds less than the window shows.
    window_.keepUnsavedChanges();
    window_.setStatus(tr("Save successful"),
                      tr("%1 written in seven bits; the window keeps them")
                          .arg(CountText(static_cast<qsizetype>(sevenBitBytes),
                                         QT_TRANSLATE_NOOP("CountText", "item byte"),
                                         QT_TRANSLATE_NOOP("CountText", "item bytes"))));
    return true;
  }
  if (leftOut.changedPrograms > 0) {
    // What the window shows is not what the file holds.
    window_.keepUnsavedChanges();
    window_.setStatus(tr("Save successful"), tr("%1 changed programs of the %2 are in no file")
                                                 .arg(leftOut.changedPrograms)
                                                 .arg(Translated(leftOut.otherBanks)));
    return true;
  }
  window_.setStatus(tr("Save successful"));
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
  const QString path = askOpenPath(tr("Merge..."));
  if (path.isEmpty()) {
    window_.setStatus(tr("Canceled Merge"));
    return;
  }
  const BankFileLoad load = MergeBankFile(*window_.document(), SystemPath(path));
  if (!load.Succeeded()) {
    window_.setStatus(tr("Error merging file"), WhyNotOpened(path, load));
    return;
  }
  window_.nameFile(path);
  window_.startHistory(false);
  window_.refreshList();
  window_.markEdited();
  window_.setStatus(tr("Merge successful"), LoadWarning(path, load));
}

void FileCommands::exportSupportingFile() {
  SmartFilename name;
  name.SetPath(window_.fileName().isEmpty() ? std::string("untitled")
                                            : SystemPath(window_.fileName()));
  name.SetExtension("ins");
  const QString offered = QFileInfo(QString::fromStdString(name.Path())).fileName();
  const auto path = userDialogs().saveFileName(
      window_.widget(), {tr("Export Supporting Files..."), ExportSuppDialogFilters(),
                         RememberedFolder(Settings::kLastSuppDirectory), offered});
  if (!path) {
    window_.setStatus(tr("Canceled Save"));
    return;
  }
  RememberFolder(window_.widget(), Settings::kLastSuppDirectory, *path);
  if (!confirmReplacingDump(*path)) {
    window_.setStatus(tr("Canceled Save"));
    return;
  }
  if (const FileSave save = SaveBankFile(*window_.document(), SystemPath(*path)); !save.Succeeded())
    window_.setStatus(tr("Error writing file"), WhyNotSaved(*path, save));
  else
    window_.setStatus(tr("Save successful"));
}
