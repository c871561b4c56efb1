// The Library window's changes to collections, each undoable by the window's own Undo.

#include <QItemSelectionModel>
#include <QTableView>
#include <QUndoStack>
#include <optional>
#include <set>
#include <utility>

#include "app/dialogs/UserDialogs.h"
#include "app/library/LibraryWindow.h"
#include "app/library/ProgramTableModel.h"
#include "library/CollectionEditing.h"
#include "library/LibraryStore.h"

// One change of the library's collections: what it replaced, put back by its undo. The change
// itself is made before the command is pushed, so the first redo does nothing.
class CollectionChangeCommand : public QUndoCommand {
 public:
  CollectionChangeCommand(LibraryWindow& window, const QString& text, CollectionSnapshot before)
      : QUndoCommand(text), window_(window), before_(std::move(before)) {}

  void undo() override { window_.restore(before_, text()); }
  // The library window offers no Redo: nothing to make again.
  void redo() override {}

 private:
  LibraryWindow& window_;
  CollectionSnapshot before_;
};

void LibraryWindow::recordChange(const QString& text, const CollectionSnapshot& before) {
  undoStack_->push(new CollectionChangeCommand(*this, text, before));
  reloadTree();
  setStatus(text);
}

void LibraryWindow::restore(const CollectionSnapshot& before, const QString& text) {
  if (!store_)
    return;
  CollectionEditing editing(*store_);
  if (editing.Restore(before) != 0) {
    userDialogs().showError(this, windowTitle(), QString::fromStdString(editing.LastError()));
    return;
  }
  reloadTree();
  if (!before.collections.empty())
    selectCollection(before.collections.front().id);
  setStatus(QStringLiteral("Undone: %1").arg(text));
}

void LibraryWindow::undo() {
  if (undoStack_->canUndo())
    undoStack_->undo();
}

void LibraryWindow::deleteCollection() {
  const std::int64_t collection = currentCollection();
  if (!store_ || collection == 0) {
    setStatus(QStringLiteral("Choose a collection first"));
    return;
  }
  const QString name = currentCollectionName();
  const QString question =
      QStringLiteral(
          "Delete \"%1\" and the collections under it? Its programs stay in the library.")
          .arg(name);
  if (userDialogs().askYesNo(this, QStringLiteral("Delete Collection"), question) != Answer::Yes)
    return;
  CollectionEditing editing(*store_);
  CollectionSnapshot before;
  if (editing.Delete(collection, before) != 0) {
    userDialogs().showError(this, windowTitle(), QString::fromStdString(editing.LastError()));
    return;
  }
  recordChange(QStringLiteral("Deleted collection %1").arg(name), before);
}

void LibraryWindow::renameCollection() {
  const std::int64_t collection = currentCollection();
  if (!store_ || collection == 0) {
    setStatus(QStringLiteral("Choose a collection first"));
    return;
  }
  const QString name = currentCollectionName();
  const std::optional<QString> typed = userDialogs().askText(
      this, QStringLiteral("Rename Collection"), QStringLiteral("New name:"), name);
  if (!typed || typed->trimmed().isEmpty() || *typed == name)
    return;
  CollectionEditing editing(*store_);
  CollectionSnapshot before;
  if (editing.Rename(collection, typed->toStdString(), before) != 0) {
    userDialogs().showError(this, windowTitle(), QString::fromStdString(editing.LastError()));
    return;
  }
  recordChange(QStringLiteral("Renamed collection %1 to %2").arg(name, *typed), before);
}

void LibraryWindow::removeFromCollection() {
  const std::int64_t collection = currentCollection();
  if (!store_ || collection == 0) {
    setStatus(QStringLiteral("Choose a collection first"));
    return;
  }
  std::set<std::int64_t> chosen;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows())
    chosen.insert(model_->programId(index.row()));
  chosen.erase(0);
  if (chosen.empty()) {
    setStatus(QStringLiteral("Choose the programs to remove first"));
    return;
  }
  const std::vector<std::int64_t> programs(chosen.begin(), chosen.end());
  CollectionEditing editing(*store_);
  CollectionSnapshot before;
  if (editing.RemovePrograms(collection, programs, before) != 0) {
    userDialogs().showError(this, windowTitle(), QString::fromStdString(editing.LastError()));
    return;
  }
  recordChange(QStringLiteral("Removed %1 programs from %2, %3 of them from the library")
                   .arg(programs.size())
                   .arg(currentCollectionName())
                   .arg(before.programs.size()),
               before);
}
