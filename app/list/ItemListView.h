#pragma once

#include <QListWidget>
#include <QPoint>

class QDrag;
class EditorWindow;

// The item list of a window (InstLB): one line per item of the current tab, in a fixed-pitch
// font, and the drag of one item onto another, in one list or between two windows. A drag
// copies the item, or swaps the two when Ctrl was held as the button went down.
class ItemListView : public QListWidget {
  Q_OBJECT

 public:
  // Mouse movement, in pixels, with the button held that turns a press into a drag.
  static constexpr int kDragDistance = 10;
  // Marks the data of a drag this process started.
  static const char* const kDragMimeType;

  explicit ItemListView(EditorWindow& window);

  // The line at a point of the list, or -1 below the last one.
  int LineAt(const QPoint& point) const;

  // The drag, as the list's mouse and drag events run it; callable directly.
  void HandleMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                       const QPoint& point);
  // Whether a drag over the list is taken: one that this process started.
  bool HandleDragOver(const QMimeData* data) const;
  void HandleDragDrop(const QPoint& point);
  void HandleEndDrag();

  // A drag of the current mode, with its data and cursor; the list owns it until the toolkit
  // disposes of it after the drag.
  QDrag* MakeDrag();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void StartDrag();

  EditorWindow& window_;
  // Where the left button went down over an item, while a drag may still begin.
  bool armed_ = false;
  QPoint pressPoint_;
};
