// The Library window's commands on the programs chosen in its table: marks and tags, the
// synthesizer, files, and comparing.

#include <QItemSelectionModel>
#include <QTableView>
#include <QUndoStack>
#include <algorithm>
#include <set>

#include "app/commands/CommandTexts.h"
#include "app/commands/CompareCommand.h"
#include "app/commands/ItemCommands.h"
#include "app/commands/ProgramMidi.h"
#include "app/dialogs/UserDialogs.h"
#include "app/library/LibraryWindow.h"
#include "app/library/LibraryWriteWait.h"
#include "app/library/ProgramTableModel.h"
#include "app/library/ReceivedToLibrary.h"
#include "app/widgets/BusyCursor.h"
#include "files/ItemFiles.h"
#include "files/S2I_File.h"
#include "library/LibraryAddition.h"
#include "library/LibraryStore.h"
#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiTransfer.h"
#include "model/BankLayouts.h"
#include "model/Item.h"
#include "model/S2A_File.h"
#include "settings/SettingsStore.h"

namespace {

QStringList TagsOf(const QString& typed) {
  return typed.split(u' ', Qt::SkipEmptyParts);
}

std::vector<std::string> StdStrings(const QStringList& texts) {
  std::vector<std::string> strings;
  for (const QString& text : texts)
    strings.push_back(text.toStdString());
  return strings;
}

}  // namespace

std::vector<std::int64_t> LibraryWindow::chosenPrograms() const {
  std::vector<int> rows;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows())
    rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  std::vector<std::int64_t> programs;
  for (const int row : rows) {
    if (const std::int64_t program = model_->programId(row); program != 0)
      programs.push_back(program);
  }
  return programs;
}

std::unique_ptr<Item> LibraryWindow::programItem(std::int64_t programId) {
  ProgramImage image;
  if (!store_ || store_->ReadImage(programId, image) != 0) {
    setStatus(store_ ? QString::fromStdString(store_->LastError()) : QString());
    return nullptr;
  }
  std::unique_ptr<Item> item = CreateItem(image.kind);
  LibraryStore::FillItem(*item, image);
  return item;
}

QString LibraryWindow::programPlace(std::int64_t programId) {
  return QStringLiteral("library:%1").arg(programId);
}

std::optional<std::int64_t> LibraryWindow::oneChosenProgram() {
  const std::vector<std::int64_t> programs = chosenPrograms();
  if (programs.empty()) {
    setStatus(tr("Choose a program first"));
    return std::nullopt;
  }
  return programs.front();
}

LibraryWindow::ChosenItem LibraryWindow::oneChosenItem() {
  const std::optional<std::int64_t> program = oneChosenProgram();
  if (!program)
    return {};
  return {*program, programItem(*program)};
}

void LibraryWindow::markChosen(bool favourite, const std::vector<std::int64_t>& programs) {
  whenWritable([this, favourite, programs] {
    if (store_->SetFavourite(programs, favourite) != 0) {
      userDialogs().showError(this, windowTitle(), QString::fromStdString(store_->LastError()));
      return;
    }
    showChangesKeepingView();
    setStatus(QStringLiteral("%1 %2")
                  .arg(favourite ? tr("Marked as favourite:") : tr("No longer favourite:"))
                  .arg(CountText(static_cast<qsizetype>(programs.size()), "program", "programs")));
  });
}

void LibraryWindow::toggleFavourite() {
  const std::vector<std::int64_t> programs = chosenPrograms();
  if (programs.empty()) {
    setStatus(tr("Choose the programs to mark first"));
    return;
  }
  // Marks them all unless all of them are marked already.
  bool allMarked = true;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
    const ListedProgram* listed = model_->listed(index.row());
    allMarked = allMarked && listed != nullptr && listed->favourite;
  }
  markChosen(!allMarked, programs);
}

void LibraryWindow::toggleFavouriteAt(int row) {
  const ListedProgram* listed = model_->listed(row);
  if (listed != nullptr)
    markChosen(!listed->favourite, {listed->program.id});
}

void LibraryWindow::editTags() {
  const std::vector<std::int64_t> programs = chosenPrograms();
  if (programs.empty()) {
    setStatus(tr("Choose the programs to tag first"));
    return;
  }
  // The tags every chosen program has: those the user may keep or take off.
  std::set<QString> common;
  bool first = true;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
    const ListedProgram* listed = model_->listed(index.row());
    std::set<QString> tags;
    for (const std::string& tag : listed ? listed->tags : std::vector<std::string>{})
      tags.insert(QString::fromStdString(tag));
    if (first)
      common = tags;
    else
      std::erase_if(common, [&tags](const QString& tag) { return !tags.contains(tag); });
    first = false;
  }
  QStringList before(common.begin(), common.end());
  before.sort(Qt::CaseInsensitive);
  const std::optional<QString> typed = userDialogs().askText(
      this, tr("Tags"),
      tr("Tags of %1, separated by blanks:")
          .arg(CountText(static_cast<qsizetype>(programs.size()), "program", "programs")),
      before.join(u' '));
  if (!typed)
    return;
  const QStringList after = TagsOf(*typed);
  for (const QString& tag : after) {
    if (const std::string refusal = LibraryStore::TagRefusal(tag.toStdString()); !refusal.empty()) {
      userDialogs().showError(
          this, windowTitle(),
          QStringLiteral("\"%1\": %2").arg(tag, QString::fromStdString(refusal)));
      return;
    }
  }
  QStringList added;
  QStringList removed;
  for (const QString& tag : after) {
    if (!before.contains(tag))
      added << tag;
  }
  for (const QString& tag : before) {
    if (!after.contains(tag))
      removed << tag;
  }
  if (added.isEmpty() && removed.isEmpty())
    return;
  whenWritable([this, programs, added = StdStrings(added), removed = StdStrings(removed)] {
    if ((!added.empty() && store_->AddTags(programs, added) != 0) ||
        (!removed.empty() && store_->RemoveTags(programs, removed) != 0)) {
      userDialogs().showError(this, windowTitle(), QString::fromStdString(store_->LastError()));
      return;
    }
    showChangesKeepingView();
    setStatus(tr("Tagged %1")
                  .arg(CountText(static_cast<qsizetype>(programs.size()), "program", "programs")));
  });
}

bool LibraryWindow::hasOutputPort() {
  MidiControl* control = ProgramMidi::control();
  if (control != nullptr && control->CurrentOutputDevice())
    return true;
  ReportMidiError(MidiErrors::kOpenOutputFirst, MidiErrors::kSendCaption);
  setStatus(QString::fromUtf8(MidiErrors::kOpenOutputFirst));
  return false;
}

bool LibraryWindow::hasInputPort() {
  MidiControl* control = ProgramMidi::control();
  if (control != nullptr && control->CurrentInputDevice())
    return hasOutputPort();
  ReportMidiError(MidiErrors::kOpenInputFirst, MidiErrors::kDumpCaption);
  setStatus(QString::fromUtf8(MidiErrors::kOpenInputFirst));
  return false;
}

// The edit buffer of the kind asked for comes in as a program of the chosen collection, or of
// "Received" when none is chosen.
void LibraryWindow::receiveEditBuffer() {
  const QString title = tr("Receive Edit Buffer to Library");
  if (!store_)
    return;
  QStringList kinds;
  for (int code = 0; code < kItemKindCount; ++code)
    kinds << QString::fromLatin1(KindInfo(static_cast<ItemKind>(code)).name);
  const std::optional<QString> kind =
      userDialogs().askChoice(this, title, tr("The edit buffer of the kind:"), kinds, 0);
  if (!kind || !hasInputPort())
    return;
  const std::unique_ptr<Item> item = CreateItem(static_cast<ItemKind>(kinds.indexOf(*kind)));
  MidiTransfer::ReceiveReport report;
  {
    const BusyCursor busy;
    if (MidiTransfer::ReceiveFromBuffer(
            *ProgramMidi::control(), *item,
            [this](const char* text) { setStatus(QString::fromUtf8(text)); }, &report) != 0 ||
        report.missingBlocks > 0) {
      setStatus(tr("Nothing received: nothing added"));
      return;
    }
  }
  const std::int64_t chosen = currentCollection();
  const ReceivedProgram received[] = {ReceivedProgram::CopyOf(*item)};
  const ReceivedToLibrary::Outcome outcome = ReceivedToLibrary::keep(
      this, received, chosen != 0 ? chosen : LibraryAddition::kReceivedCollection);
  if (!outcome.kept) {
    setStatus(tr("Nothing added"));
    userDialogs().showError(this, title, outcome.text);
    return;
  }
  // As after every addition: the history would put back collections without the program.
  undoStack_->clear();
  reloadTree();
  if (chosen != 0)
    selectCollection(chosen);
  setStatus(tr("Received %1 into %2")
                .arg(QString::fromStdString(item->PrintableName()))
                .arg(chosen != 0 ? currentCollectionName() : tr("Received")),
            outcome.text);
}

void LibraryWindow::sendToBuffer() {
  const auto [program, item] = oneChosenItem();
  if (!item || !hasOutputPort())
    return;
  const BusyCursor busy;
  MidiTransfer::SendToBuffer(*ProgramMidi::control(), *item,
                             [this](const char* text) { setStatus(QString::fromUtf8(text)); });
}

void LibraryWindow::sendToSlot() {
  const auto [program, item] = oneChosenItem();
  if (!item)
    return;
  // Every slot of the program's kind, its first place's slot chosen first.
  QStringList choices;
  std::vector<std::pair<const BankLayout*, int>> places;
  int current = 0;
  const ListedProgram* listed = nullptr;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
    if (model_->programId(index.row()) == program)
      listed = model_->listed(index.row());
  }
  for (const BankLayout& layout : kBankLayouts) {
    if (layout.kind != item->Kind())
      continue;
    for (int slot = 0; slot < layout.capacity; ++slot) {
      if (listed && listed->firstPlace && listed->firstPlace->bank == layout.word &&
          listed->firstPlace->slot == slot)
        current = static_cast<int>(choices.size());
      choices << QString::fromStdString(SlotPlace(layout, slot));
      places.emplace_back(&layout, slot);
    }
  }
  const std::optional<QString> chosen = userDialogs().askChoice(
      this, tr("Send to Slot"), tr("The slot on the S80:"), choices, current);
  if (!chosen)
    return;
  const auto& [layout, slot] = places[static_cast<std::size_t>(choices.indexOf(*chosen))];
  const QString question = tr("Replace %1:%2 %3 on the S80?")
                               .arg(QString::fromLatin1(layout->shortName))
                               .arg(slot + 1, 3, 10, QLatin1Char('0'))
                               .arg(QString::fromStdString(item->PrintableName()));
  if (userDialogs().askYesNo(this, tr("Send to Slot"), question) != Answer::Yes || !hasOutputPort())
    return;
  // The program in its slot of a document of the moment, so that it goes to that place.
  S2A_File document;
  Item& placed = *layout->bankIn(document).ItemAt(slot);
  placed.Assign(*item);
  const BusyCursor busy;
  MidiTransfer::Send(*ProgramMidi::control(), placed,
                     [this](const char* text) { setStatus(QString::fromUtf8(text)); });
}

void LibraryWindow::exportProgram() {
  const auto [program, item] = oneChosenItem();
  if (!item)
    return;
  // The bank window's file name for the program, so that no character of the name makes a folder.
  const QString named = ItemCommands::exportFileNameFor(item->Name());
  const auto path = userDialogs().saveFileName(
      this,
      {tr("Export..."), ExportDialogFilters(), RememberedFolder(Settings::kLastImportDirectory),
       named == QStringLiteral(".s2i") ? tr("program") + named : named});
  if (!path) {
    setStatus(tr("Canceled Export"));
    return;
  }
  RememberFolder(this, Settings::kLastImportDirectory, *path);
  S2I_File held;
  held.SetItem(*item);
  if (const FileSave save = ExportItemFile(held, SystemPath(*path)); !save.Succeeded())
    setStatus(tr("Error exporting to file"), FailureReason(*path, save));
  else
    setStatus(tr("Export successful"));
}

void LibraryWindow::showPlaces() {
  const std::optional<std::int64_t> program = oneChosenProgram();
  if (!program || !store_)
    return;
  ProgramRow row;
  if (store_->ReadProgram(*program, row) != 0)
    return;
  const QString places = ProgramTableModel::placesText(*store_, *program);
  userDialogs().showMessage(
      this, tr("Places"),
      tr("%1:%2 was seen in %3.")
          .arg(QString::fromStdString(row.category), QString::fromStdString(row.name),
               places.isEmpty()
                   ? tr("no file and no reception")
                   : CountText(places.count(u'\n') + 1, QT_TRANSLATE_NOOP("CountText", "place"),
                               QT_TRANSLATE_NOOP("CountText", "places"))),
      places);
}

void LibraryWindow::compareWith() {
  const std::vector<std::int64_t> programs = chosenPrograms();
  if (programs.empty()) {
    setStatus(tr("Choose a program first"));
    return;
  }
  const std::unique_ptr<Item> first = programItem(programs[0]);
  if (!first)
    return;
  if (programs.size() >= 2) {
    const std::unique_ptr<Item> second = programItem(programs[1]);
    if (second)
      setStatus(CompareCommand::compare(this, *first, programPlace(programs[0]), *second,
                                        programPlace(programs[1])));
    return;
  }
  setStatus(CompareCommand::compareWith(this, *first, programPlace(programs[0])));
}
