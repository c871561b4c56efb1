#include "app/library/CollectionTree.h"

#include <QDropEvent>

#include "app/list/ProgramDragData.h"
#include "app/widgets/WordElidingDelegate.h"

CollectionTree::CollectionTree(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("TreeView1"));
  setHeaderHidden(true);
  setAcceptDrops(true);
  setItemDelegate(new WordElidingDelegate(this));
}

std::int64_t CollectionTree::collectionAt(const QPoint& point) const {
  const QTreeWidgetItem* item = itemAt(point);
  return item ? item->data(0, kCollectionRole).toLongLong() : 0;
}

bool CollectionTree::handleDragOver(const QMimeData* data, const QPoint& point) const {
  return ProgramDragData::carriesPrograms(data) && collectionAt(point) != 0;
}

void CollectionTree::dragEnterEvent(QDragEnterEvent* event) {
  // Taken here so that moves follow; each move says whether its line takes the drop.
  if (ProgramDragData::carriesPrograms(event->mimeData()))
    event->acceptProposedAction();
  else
    event->ignore();
}

void CollectionTree::dragMoveEvent(QDragMoveEvent* event) {
  if (handleDragOver(event->mimeData(), event->position().toPoint()))
    event->acceptProposedAction();
  else
    event->ignore();
}

void CollectionTree::dropEvent(QDropEvent* event) {
  const QPoint point = event->position().toPoint();
  if (!handleDragOver(event->mimeData(), point)) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  emit programsDropped(collectionAt(point), event->mimeData());
}
