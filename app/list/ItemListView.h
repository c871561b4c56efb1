#pragma once

#include <QListWidget>
#include <QPoint>

#include "app/list/ListedLines.h"

class DocumentView;
class NameEditor;
class QDrag;
struct BankLayout;

// The item list of a window (InstLB): one line per item of the current tab, in a fixed-pitch
// font; the rename of an item over its line; and the drag of one item onto another, in one list
// or between two windows, and of a program from the library onto a line. A drag copies the
// item, or swaps the two when Ctrl was held as the button went down.
class ItemListView : public QListWidget {
  Q_OBJECT

 public:
  // Mouse movement, in pixels, with the button held that turns a press into a drag.
  static constexpr int kDragDistance = 10;
  // Marks the data of a drag this process started.
  static const char* const kDragMimeType;

  ItemListView(QWidget* parent, DocumentView& view);
  ~ItemListView() override;

  // Lists a tab's items that pass the filter. On the same tab the selection stays with its
  // item; on another, at its line number. True when a line counts as selected.
  bool showLines(int tab, const QString& filter);
  int shownTab() const { return listed_.tab(); }
  // The line selected, -1 when none is.
  int selectedLine() const;
  Item* itemAtLine(int line) const;
  // The bank a line lists; none below the last line.
  const BankLayout* bankOfLine(int line) const;
  // The list's lines, as shown.
  QStringList lines() const;
  // The line at a point of the list, or -1 below the last one.
  int lineAt(const QPoint& point) const;

  // Edits the name of `item`, on the current line, over that line; Enter takes it (renamed),
  // Esc drops it.
  void startRename(Item& item);
  void finishRename(bool commit);
  bool isRenaming() const { return renamedItem_ != nullptr; }

  // The drag, as the list's mouse and drag events run it; callable directly.
  void handleMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                       const QPoint& point);
  // A line's drag that this process started (it also carries the line's program).
  static bool isOwnLineDrag(const QMimeData* data);
  // Whether a drag over the list is taken: one that this process started, or a program from
  // the library.
  bool handleDragOver(const QMimeData* data) const;
  void handleDragDrop(const QPoint& point);
  // A library program onto a line: copied there as Paste does, one undoable step.
  void handleProgramDrop(const QMimeData* data, const QPoint& point);
  void handleEndDrag();
  // A drag of the current mode, with its data and cursor; the list owns it until the toolkit
  // disposes of it after the drag.
  QDrag* makeDrag();

 signals:
  void renamed(Item* item, const QString& name);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void startDrag();
  void swapWith(Item& target, Item& source);

  DocumentView& view_;
  ListedLines listed_;
  // Where the left button went down over an item, while a drag may still begin.
  bool armed_ = false;
  QPoint pressPoint_;
  // The name being edited over the current line, and the item it is for.
  NameEditor* nameEditor_ = nullptr;
  Item* renamedItem_ = nullptr;
};
