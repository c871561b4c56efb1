#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class DocumentView;
class Item;
class S2I_File;

// What every window shares while the user edits, so that items move between documents: the
// item clipboard and the drag under way.
class SharedEditingState : public QObject {
  Q_OBJECT

 public:
  enum class DragMode { Copy, Swap };

  SharedEditingState();
  ~SharedEditingState() override;

  // The cut or copied item, an independent copy; none until the first Cut or Copy.
  const Item* clipboardItem() const;
  void keepOnClipboard(const Item& item);
  // Empties the clipboard, as at the start of a run.
  void clearClipboard();

  // The drag under way: the item pressed on, the window it belongs to, and Copy or Swap.
  void startDrag(Item* item, DocumentView& view, QObject& window, DragMode mode);
  Item* dragSourceItem() const { return dragItem_; }
  // The window the drag came from; none once it has closed.
  DocumentView* dragSourceView() const { return dragWindow_ ? dragView_ : nullptr; }
  DragMode dragMode() const { return dragMode_; }
  // The drag has been dropped, or the item pressed on is no longer dragged.
  void endDrag() { dragItem_ = nullptr; }
  // Forgets a drag that started in `view`, whose document is going away.
  void forgetDragFrom(const DocumentView& view);

  // Compare With: the first program chosen waits here, a copy with where it was, for the
  // second, chosen in any window.
  void markForComparing(const Item& item, const QString& place);
  // The program marked, and forgets it; none when none is.
  std::unique_ptr<Item> takeMarkedForComparing(QString& place);

 signals:
  // Something was cut or copied: Paste follows in every window.
  void clipboardChanged();

 private:
  std::unique_ptr<S2I_File> clipboard_;
  bool clipboardEmpty_ = true;
  Item* dragItem_ = nullptr;
  DocumentView* dragView_ = nullptr;
  QPointer<QObject> dragWindow_;
  DragMode dragMode_ = DragMode::Copy;
  std::unique_ptr<Item> compared_;
  QString comparedPlace_;
};

// The one state of the process.
SharedEditingState& sharedEditing();
