#include "app/list/ItemListView.h"

#include <QCoreApplication>
#include <QDrag>
#include <QDropEvent>
#include <QFontDatabase>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>

#include "app/commands/ItemImagesCommand.h"
#include "app/commands/SharedEditingState.h"
#include "app/window/EditorWindow.h"
#include "model/Item.h"

const char* const ItemListView::kDragMimeType = "application/x-corvale-item";

namespace {

// A drag's data names the process it started in: the item it carries is only known there.
QByteArray ThisProcess() {
  return QByteArray::number(QCoreApplication::applicationPid());
}

Qt::DropAction DropActionOf(std::uint8_t dragMode) {
  return dragMode == SharedEditingState::kDragSwap ? Qt::MoveAction : Qt::CopyAction;
}

QPixmap DragCursorOf(std::uint8_t dragMode) {
  return QPixmap(dragMode == SharedEditingState::kDragSwap ? QStringLiteral(":/cursors/swap.png")
                                                           : QStringLiteral(":/cursors/copy.png"));
}

}  // namespace

ItemListView::ItemListView(EditorWindow& window) : QListWidget(&window), window_(window) {
  setObjectName(QStringLiteral("InstLB"));
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setDragEnabled(false);
  setAcceptDrops(true);
  setDropIndicatorShown(false);
}

int ItemListView::LineAt(const QPoint& point) const {
  const QModelIndex index = indexAt(point);
  return index.isValid() ? index.row() : -1;
}

void ItemListView::HandleMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                                   const QPoint& point) {
  armed_ = false;
  const int line = LineAt(point);
  if (button != Qt::LeftButton || line < 0)
    return;
  SharedEditingState& editing = Editing();
  editing.DragSourceItem = window_.ItemAtLine(line);
  editing.DragSourceWindow = &window_;
  if (!editing.DragSourceItem)
    return;
  editing.DragMode = modifiers.testFlag(Qt::ControlModifier) ? SharedEditingState::kDragSwap
                                                             : SharedEditingState::kDragCopy;
  armed_ = true;
  pressPoint_ = point;
}

bool ItemListView::HandleDragOver(const QMimeData* data) const {
  return data && data->hasFormat(QLatin1String(kDragMimeType)) &&
         data->data(QLatin1String(kDragMimeType)) == ThisProcess();
}

void ItemListView::HandleDragDrop(const QPoint& point) {
  SharedEditingState& editing = Editing();
  Item* const source = editing.DragSourceItem;
  Item* const target = window_.ItemAtLine(LineAt(point));
  if (target == source)
    return;
  if (!target || !source) {
    window_.SetStatus(QStringLiteral("Unknown Internal Error"));
    return;
  }
  if (target->Kind() != source->Kind()) {
    window_.SetStatus(QStringLiteral("Drag'n'drop types didn't match"));
    return;
  }
  if (editing.DragMode == SharedEditingState::kDragSwap) {
    // Each window's history holds only its own document's item.
    EditorWindow* const sourceWindow = editing.DragSourceWindow;
    const bool between = sourceWindow && sourceWindow != &window_;
    auto edit =
        window_.StartEdit("Swap", between ? std::vector{target} : std::vector{target, source});
    auto sourceEdit = between ? sourceWindow->StartEdit("Swap", {source}) : nullptr;
    const auto spare = CreateItem(target->Kind());
    spare->Assign(source);
    source->Assign(target);
    target->Assign(*spare);
    editing.DragSourceItem = nullptr;
    window_.Record(std::move(edit));
    // The source document changed too: its window must ask before that change is lost.
    if (between) {
      sourceWindow->Record(std::move(sourceEdit));
      sourceWindow->MarkEdited();
    }
  } else {
    auto edit = window_.StartEdit("Drop", {target});
    target->Assign(source);
    window_.Record(std::move(edit));
  }
  window_.MarkEdited();
  window_.RefreshList();
  const QString from = EditorWindow::PlaceText(*source);
  const QString to = EditorWindow::PlaceText(*target);
  window_.SetStatus(editing.DragMode == SharedEditingState::kDragSwap
                        ? QStringLiteral("Swapped %1 and %2").arg(from, to)
                        : QStringLiteral("Copied %1 to %2").arg(from, to));
}

void ItemListView::HandleEndDrag() {
  SharedEditingState& editing = Editing();
  if (editing.DragSourceItem)
    editing.DragSourceItem = nullptr;
  else
    window_.RefreshList();
}

QDrag* ItemListView::MakeDrag() {
  auto* data = new QMimeData;
  data->setData(QLatin1String(kDragMimeType), ThisProcess());
  auto* drag = new QDrag(this);
  drag->setMimeData(data);
  const std::uint8_t mode = Editing().DragMode;
  drag->setDragCursor(DragCursorOf(mode), DropActionOf(mode));
  return drag;
}

void ItemListView::StartDrag() {
  const Qt::DropAction action = DropActionOf(Editing().DragMode);
  // One action only, so that the toolkit's own modifier keys cannot turn a copy into a swap.
  MakeDrag()->exec(action, action);
  HandleEndDrag();
}

void ItemListView::mousePressEvent(QMouseEvent* event) {
  HandleMouseDown(event->button(), event->modifiers(), event->position().toPoint());
  QListWidget::mousePressEvent(event);
}

void ItemListView::mouseMoveEvent(QMouseEvent* event) {
  if (!armed_) {
    QListWidget::mouseMoveEvent(event);
    return;
  }
  // While a drag may begin, moving does not select other lines.
  if (!event->buttons().testFlag(Qt::LeftButton)) {
    armed_ = false;
    return;
  }
  if ((event->position().toPoint() - pressPoint_).manhattanLength() >= kDragDistance) {
    armed_ = false;
    StartDrag();
  }
}

void ItemListView::mouseReleaseEvent(QMouseEvent* event) {
  armed_ = false;
  QListWidget::mouseReleaseEvent(event);
}

void ItemListView::dragEnterEvent(QDragEnterEvent* event) {
  dragMoveEvent(event);
}

void ItemListView::dragMoveEvent(QDragMoveEvent* event) {
  if (HandleDragOver(event->mimeData()))
    event->acceptProposedAction();
  else
    event->ignore();
}

void ItemListView::dropEvent(QDropEvent* event) {
  if (!HandleDragOver(event->mimeData())) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  HandleDragDrop(event->position().toPoint());
}
