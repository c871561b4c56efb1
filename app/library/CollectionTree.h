#pragma once

#include <QTreeWidget>
#include <cstdint>

class QMimeData;

// The collections of the library (TreeView1), each line holding its collection's number. A
// collection takes programs dropped on it: a bank window's line or whole tab, or programs of
// the library's table.
class CollectionTree : public QTreeWidget {
  Q_OBJECT

 public:
  // The role of a line's collection number; 0 on "All Programs".
  static constexpr int kCollectionRole = Qt::UserRole;

  explicit CollectionTree(QWidget* parent = nullptr);

  // The collection of the line at a point of the tree's viewport; 0 for none or "All Programs".
  std::int64_t collectionAt(const QPoint& point) const;
  // Whether a drag over the point is taken: programs over a collection.
  bool handleDragOver(const QMimeData* data, const QPoint& point) const;

 signals:
  // Programs were dropped on a collection; the data lives while the signal is handled.
  void programsDropped(qint64 collectionId, const QMimeData* data);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};
