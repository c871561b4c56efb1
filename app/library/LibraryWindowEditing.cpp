// The Library window's changes to collections, each undoable by the window's own Undo.

#include <QItemSelectionModel>
#include <QTableView>
#include <QTimer>
#include <QUndoStack>
#include <memory>
#include <optional>
#include <set>
#include <utility>

#include "app/commands/CommandTexts.h"
#include "app/dialogs/UserDialogs.h"
#include "app/library/LibraryWindow.h"
#include "app/library/LibraryWriteWait.h"
#include "app/library/ProgramTableModel.h"
#include "app/list/ProgramDragData.h"
#include "library/CollectionEditing.h"
#include "library/LibraryStore.h"
#include "model/Item.h"

// One change of the library's collections and what it replaced, put back by its undo. The
// change itself is made before the command is pushed, so the first redo does nothing.
class CollectionChangeCommand : public QUndoCommand {
 public:
  CollectionChangeCommand(LibraryWindow& window, const QString& text,
                          LibraryWindow::CollectionChange change, CollectionSnapshot before)
      : QUndoCommand(text),
        window_(window),
        change_(std::move(change)),
        before_(std::move(before)) {}

  void undo() override { window_.restore(before_, text()); }
  void redo() override {
    if (std::exchange(made_, false))
      return;
    window_.remake(change_, before_, text());
  }

 private:
  LibraryWindow& window_;
  LibraryWindow::CollectionChange change_;
  CollectionSnapshot before_;
  bool made_ = true;
};

bool LibraryWindow::makeChange(const CollectionChange& change, CollectionSnapshot& before) {
  CollectionEditing editing(*store_);
  if (change(editing, before) == 0)
    return true;
  userDialogs().showError(this, windowTitle(), QString::fromStdString(editing.LastError()));
  return false;
}

void LibraryWindow::recordChange(const QString& text, CollectionChange change,
                                 CollectionSnapshot before) {
  undoStack_->push(new CollectionChangeCommand(*this, text, std::move(change), std::move(before)));
  reloadTree();
  setStatus(text);
}

void LibraryWindow::remake(const CollectionChange& change, CollectionSnapshot& before,
                           const QString& text) {
  if (!store_)
    return;
  if (!makeChange(change, before)) {
    // Nothing recorded for this change any more: the history ends here.
    QTimer::singleShot(0, undoStack_, &QUndoStack::clear);
    return;
  }
  reloadTree();
  setStatus(tr("Redone: %1").arg(text));
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
  setStatus(tr("Undone: %1").arg(text));
}

void LibraryWindow::whenWritable(std::function<void()> change) {
  if (store_ && !writeWait_->run(*store_, std::move(change)))
    setStatus(tr("Still waiting for another program using the library"));
}

void LibraryWindow::undo() {
  if (undoStack_->canUndo())
    whenWritable([this] { undoStack_->undo(); });
}

void LibraryWindow::redo() {
  if (undoStack_->canRedo())
    whenWritable([this] { undoStack_->redo(); });
}

void LibraryWindow::addToCollection(qint64 collectionId, const QMimeData* data) {
  if (!store_ || collectionId == 0)
    return;
  auto items =
      std::make_shared<std::vector<std::unique_ptr<Item>>>(ProgramDragData::decodeAll(data));
  if (items->empty()) {
    setStatus(tr("Couldn't Drop, no whole program"));
    return;
  }
  const CollectionChange change = [collectionId, items](CollectionEditing& editing,
                                                        CollectionSnapshot& before) {
    std::vector<const Item*> programs;
    for (const std::unique_ptr<Item>& item : *items)
      programs.push_back(item.get());
    return editing.AppendPrograms(collectionId, programs, before);
  };
  whenWritable([this, change, collectionId, count = items->size()] {
    CollectionSnapshot before;
    if (!makeChange(change, before))
      return;
    const QString name = before.collections.empty()
                             ? QString()
                             : QString::fromStdString(before.collections.front().name);
    const QString text =
        tr("Added %1 to %2 (%3 new to the library)")
            .arg(CountText(static_cast<qsizetype>(count), QT_TRANSLATE_NOOP("CountText", "program"),
                           QT_TRANSLATE_NOOP("CountText", "programs")),
                 name)
            .arg(before.addedPrograms.size());
    recordChange(text, change, std::move(before));
    selectCollection(collectionId);
  });
}

void LibraryWindow::deleteCollection() {
  const std::int64_t collection = currentCollection();
  if (!store_ || collection == 0) {
    setStatus(tr("Choose a collection first"));
    return;
  }
  const QString name = currentCollectionName();
  const QString question =
      tr("Delete \"%1\" and the collections under it? Its programs stay in the library.").arg(name);
  if (userDialogs().askYesNo(this, tr("Delete Collection"), question) != Answer::Yes)
    return;
  const CollectionChange change = [collection](CollectionEditing& editing,
                                               CollectionSnapshot& before) {
    return editing.Delete(collection, before);
  };
  whenWritable([this, change, name] {
    CollectionSnapshot before;
    if (makeChange(change, before))
      recordChange(tr("Deleted collection %1").arg(name), change, std::move(before));
  });
}

void LibraryWindow::renameCollection() {
  const std::int64_t collection = currentCollection();
  if (!store_ || collection == 0) {
    setStatus(tr("Choose a collection first"));
    return;
  }
  const QString name = currentCollectionName();
  const std::optional<QString> typed =
      userDialogs().askText(this, tr("Rename Collection"), tr("New name:"), name);
  if (!typed || typed->trimmed().isEmpty() || *typed == name)
    return;
  const CollectionChange change = [collection, newName = typed->toStdString()](
                                      CollectionEditing& editing, CollectionSnapshot& before) {
    return editing.Rename(collection, newName, before);
  };
  whenWritable([this, change, text = tr("Renamed collection %1 to %2").arg(name, *typed)] {
    CollectionSnapshot before;
    if (makeChange(change, before))
      recordChange(text, change, std::move(before));
  });
}

void LibraryWindow::removeFromCollection() {
  const std::int64_t collection = currentCollection();
  if (!store_ || collection == 0) {
    setStatus(tr("Choose a collection first"));
    return;
  }
  std::set<std::int64_t> chosen;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows())
    chosen.insert(model_->programId(index.row()));
  chosen.erase(0);
  if (chosen.empty()) {
    setStatus(tr("Choose the programs to remove first"));
    return;
  }
  const std::vector<std::int64_t> programs(chosen.begin(), chosen.end());
  const CollectionChange change = [collection, programs](CollectionEditing& editing,
                                                         CollectionSnapshot& before) {
    return editing.RemovePrograms(collection, programs, before);
  };
  whenWritable([this, change, count = programs.size(), name = currentCollectionName()] {
    CollectionSnapshot before;
    if (!makeChange(change, before))
      return;
    const QString text =
        tr("Removed %1 from %2 (%3 gone from the library)")
            .arg(CountText(static_cast<qsizetype>(count), QT_TRANSLATE_NOOP("CountText", "program"),
                           QT_TRANSLATE_NOOP("CountText", "programs")),
                 name)
            .arg(before.programs.size());
    recordChange(text, change, std::move(before));
  });
}
