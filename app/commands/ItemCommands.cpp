#include "app/commands/ItemCommands.h"

#include <QFileInfo>
#include <QStringList>
#include <string_view>

#include "app/commands/CommandTexts.h"
#include "app/commands/CompareCommand.h"
#include "app/commands/DocumentView.h"
#include "app/commands/ItemImagesCommand.h"
#include "app/commands/SharedEditingState.h"
#include "app/dialogs/UserDialogs.h"
#include "files/ItemFiles.h"
#include "files/S2I_File.h"
#include "model/BankLayouts.h"
#include "model/Item.h"
#include "settings/SettingsStore.h"

void ItemCommands::cut() {
  Item* item = view_.currentItem();
  if (!item)
    return;
  sharedEditing().keepOnClipboard(*item);
  auto edit = view_.startEdit(QT_TRANSLATE_NOOP("EditStep", "Cut"), {item});
  item->Reset();
  view_.record(std::move(edit));
  view_.setModified(true);
  view_.refreshList();
  view_.setStatus(tr("Cut %1").arg(PlaceText(*item)));
}

void ItemCommands::copy() {
  if (const Item* item = view_.currentItem()) {
    sharedEditing().keepOnClipboard(*item);
    view_.refreshList();
    view_.setStatus(tr("Copied %1").arg(PlaceText(*item)));
  }
}

void ItemCommands::paste() {
  Item* item = view_.currentItem();
  const Item* held = sharedEditing().clipboardItem();
  if (!item || !held)
    return;
  if (takeItemOfSameKind(*item, *held, QT_TRANSLATE_NOOP("EditStep", "Paste")))
    view_.setStatus(tr("Pasted into %1").arg(PlaceText(*item)));
}

bool ItemCommands::takeItemOfSameKind(Item& item, const Item& source, const char* what) {
  if (source.Kind() != item.Kind()) {
    view_.setStatus(tr("Couldn't %1, unmatched types").arg(StepText(what)));
    return false;
  }
  auto edit = view_.startEdit(what, {&item});
  item.Assign(source);
  view_.record(std::move(edit));
  view_.markEdited();
  view_.refreshList();
  return true;
}

void ItemCommands::clear() {
  Item* item = view_.currentItem();
  if (item) {
    auto edit = view_.startEdit(QT_TRANSLATE_NOOP("EditStep", "Clear"), {item});
    item->Reset();
    view_.record(std::move(edit));
    view_.setModified(true);
  }
  view_.refreshList();
  if (item)
    view_.setStatus(tr("Cleared %1").arg(PlaceText(*item)));
}

void ItemCommands::rename(Item& item, const QString& name) {
  auto edit = view_.startEdit(QT_TRANSLATE_NOOP("EditStep", "Rename"), {&item});
  if (item.SetName(name.toStdString()) != 0) {
    view_.setStatus(tr("Name refused: at most %1 printable ASCII characters").arg(kItemNameLength));
    return;
  }
  view_.record(std::move(edit));
  view_.markEdited();
  view_.refreshList();
  view_.setStatus(tr("Renamed %1").arg(PlaceText(item)));
}

QString ItemCommands::exportFileNameFor(const std::string& itemName) {
  QString name;
  for (const char c : itemName.substr(0, kItemNameLength)) {
    const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      std::string_view(" ()-+").find(c) != std::string_view::npos;
    if (kept)
      name += QLatin1Char(c);
  }
  return name.trimmed() + QStringLiteral(".s2i");
}

void ItemCommands::importItem() {
  Item* item = view_.currentItem();
  if (!item) {
    view_.setStatus(tr("Unknown Internal Error"));
    return;
  }
  const auto path =
      userDialogs().openFileName(view_.widget(), {tr("Import..."),
                                                  ImportDialogFilters(),
                                                  RememberedFolder(Settings::kLastImportDirectory),
                                                  {}});
  if (!path) {
    view_.setStatus(tr("Canceled Import"));
    return;
  }
  RememberFolder(view_.widget(), Settings::kLastImportDirectory, *path);
  S2I_File held;
  held.GetItem(static_cast<int>(item->Kind()));
  const std::string kind = KindInfo(item->Kind()).name;
  const QString name = QFileInfo(*path).fileName();
  const ItemFileImport import = ImportItemFile(held, SystemPath(*path));
  const ItemImportReport& report = import.report;
  if (!import.Succeeded()) {
    if (report.itemDumps > 0 && report.dumpsOfKind == 0) {
      view_.setStatus(tr("Couldn't Import, unmatched types"),
                      tr("%1 holds no %2 dump among its %3 item dumps")
                          .arg(name, QString::fromStdString(kind))
                          .arg(report.itemDumps));
      return;
    }
    view_.setStatus(tr("Error importing from file"), FailureReason(*path, import));
    return;
  }
  // An .s2i file brings its own kind, and an item takes nothing from another kind.
  if (!takeItemOfSameKind(*item, *held.GetItem(S2I_File::kAnyKind),
                          QT_TRANSLATE_NOOP("EditStep", "Import")))
    return;
  QStringList notes;
  for (const std::string& note : report.Notes(kind))
    notes << name + u' ' + QString::fromStdString(note);
  view_.setStatus(tr("Import successful"), notes.join(QStringLiteral("; ")));
}

void ItemCommands::exportItem() {
  const Item* item = view_.currentItem();
  if (!item) {
    view_.setStatus(tr("Unknown Internal Error"));
    return;
  }
  const auto path =
      userDialogs().saveFileName(view_.widget(), {tr("Export..."), ExportDialogFilters(),
                                                  RememberedFolder(Settings::kLastImportDirectory),
                                                  exportFileNameFor(item->Name())});
  if (!path) {
    view_.setStatus(tr("Canceled Export"));
    return;
  }
  RememberFolder(view_.widget(), Settings::kLastImportDirectory, *path);
  S2I_File held;
  held.SetItem(*item);
  if (const FileSave save = ExportItemFile(held, SystemPath(*path)); !save.Succeeded())
    view_.setStatus(tr("Error exporting to file"), FailureReason(*path, save));
  else
    view_.setStatus(tr("Export successful"));
}

void ItemCommands::compareWith() {
  const Item* item = view_.currentItem();
  if (!item)
    return;
  view_.setStatus(
      CompareCommand::compareWith(view_.widget(), *item, QString::fromStdString(SlotPlace(*item))));
}
