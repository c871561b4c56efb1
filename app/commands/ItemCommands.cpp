#include "app/commands/ItemCommands.h"

#include <QFileInfo>
#include <QStringList>
#include <string_view>

#include "app/commands/CommandTexts.h"
#include "app/commands/DocumentView.h"
#include "app/commands/ItemImagesCommand.h"
#include "app/commands/SharedEditingState.h"
#include "app/dialogs/UserDialogs.h"
#include "files/FileDiagnostics.h"
#include "files/FileExtension.h"
#include "files/S2I_File.h"
#include "model/Item.h"
#include "settings/SettingsStore.h"

void ItemCommands::cut() {
  Item* item = view_.currentItem();
  if (!item)
    return;
  sharedEditing().keepOnClipboard(*item);
  auto edit = view_.startEdit("Cut", {item});
  item->Reset();
  view_.record(std::move(edit));
  view_.setModified(true);
  view_.refreshList();
  view_.setStatus(QStringLiteral("Cut ") + PlaceText(*item));
}

void ItemCommands::copy() {
  if (const Item* item = view_.currentItem()) {
    sharedEditing().keepOnClipboard(*item);
    view_.refreshList();
    view_.setStatus(QStringLiteral("Copied ") + PlaceText(*item));
  }
}

void ItemCommands::paste() {
  Item* item = view_.currentItem();
  const Item* held = sharedEditing().clipboardItem();
  if (!item || !held)
    return;
  if (takeItemOfSameKind(*item, *held, "Paste"))
    view_.setStatus(QStringLiteral("Pasted into ") + PlaceText(*item));
}

bool ItemCommands::takeItemOfSameKind(Item& item, const Item& source, const char* what) {
  if (source.Kind() != item.Kind()) {
    view_.setStatus(QStringLiteral("Couldn't %1, unmatched types").arg(QLatin1String(what)));
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
    auto edit = view_.startEdit("Clear", {item});
    item->Reset();
    view_.record(std::move(edit));
    view_.setModified(true);
  }
  view_.refreshList();
  if (item)
    view_.setStatus(QStringLiteral("Cleared ") + PlaceText(*item));
}

void ItemCommands::rename(Item& item, const QString& name) {
  auto edit = view_.startEdit("Rename", {&item});
  if (item.SetName(name.toStdString()) != 0) {
    view_.setStatus(
        QStringLiteral("Name refused: at most %1 printable ASCII characters").arg(kItemNameLength));
    return;
  }
  view_.record(std::move(edit));
  view_.markEdited();
  view_.refreshList();
  view_.setStatus(QStringLiteral("Renamed ") + PlaceText(item));
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
    view_.setStatus(QStringLiteral("Unknown Internal Error"));
    return;
  }
  const auto path =
      userDialogs().openFileName(view_.widget(), {QStringLiteral("Import..."),
                                                  ImportDialogFilters(),
                                                  RememberedFolder(Settings::kLastImportDirectory),
                                                  {}});
  if (!path) {
    view_.setStatus(QStringLiteral("Canceled Import"));
    return;
  }
  RememberFolder(view_.widget(), Settings::kLastImportDirectory, *path);
  S2I_File held;
  held.GetItem(static_cast<int>(item->Kind()));
  FileDiagnosticCapture diagnostics;
  ItemImportReport report;
  const std::string kind = KindInfo(item->Kind()).name;
  const QString name = QFileInfo(*path).fileName();
  if (ImportItemFile(held, SystemPath(*path), &report) != 0) {
    if (report.itemDumps > 0 && report.dumpsOfKind == 0) {
      view_.setStatus(QStringLiteral("Couldn't Import, unmatched types"),
                      QStringLiteral("%1 holds no %2 dump among its %3 item dumps")
                          .arg(name, QString::fromStdString(kind))
                          .arg(report.itemDumps));
      return;
    }
    view_.setStatus(QStringLiteral("Error importing from file"), FailureReason(*path, diagnostics));
    return;
  }
  // An .s2i file brings its own kind, and an item takes nothing from another kind.
  if (!takeItemOfSameKind(*item, *held.GetItem(S2I_File::kAnyKind), "Import"))
    return;
  QStringList notes;
  for (const std::string& note : ItemImportNotes(report, kind))
    notes << name + u' ' + QString::fromStdString(note);
  view_.setStatus(QStringLiteral("Import successful"), notes.join(QStringLiteral("; ")));
}

void ItemCommands::exportItem() {
  const Item* item = view_.currentItem();
  if (!item) {
    view_.setStatus(QStringLiteral("Unknown Internal Error"));
    return;
  }
  const auto path = userDialogs().saveFileName(
      view_.widget(),
      {QStringLiteral("Export..."), ExportDialogFilters(),
       RememberedFolder(Settings::kLastImportDirectory), exportFileNameFor(item->Name())});
  if (!path) {
    view_.setStatus(QStringLiteral("Canceled Export"));
    return;
  }
  RememberFolder(view_.widget(), Settings::kLastImportDirectory, *path);
  S2I_File held;
  held.SetItem(*item);
  FileDiagnosticCapture diagnostics;
  if (ExportItemFile(held, SystemPath(*path)) != 0)
    view_.setStatus(QStringLiteral("Error exporting to file"), FailureReason(*path, diagnostics));
  else
    view_.setStatus(QStringLiteral("Export successful"));
}
