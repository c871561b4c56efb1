#include "app/list/ItemListView.h"

#include <QCoreApplication>
#include <QDrag>
#include <QDropEvent>
#include <QFontDatabase>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QScrollBar>

#include "app/commands/CommandTexts.h"
#include "app/commands/DocumentView.h"
#include "app/commands/ItemCommands.h"
#include "app/commands/ItemImagesCommand.h"
#include "app/commands/SharedEditingState.h"
#include "app/list/NameEditor.h"
#include "app/list/ProgramDragData.h"
#include "model/Item.h"

const char* const ItemListView::kDragMimeType = "application/x-corvale-item";

namespace {

// A drag's data names the process it started in: the item it carries is only known there.
QByteArray ThisProcess() {
  return QByteArray::number(QCoreApplication::applicationPid());
}

using DragMode = SharedEditingState::DragMode;

Qt::DropAction DropActionOf(DragMode dragMode) {
  return dragMode == DragMode::Swap ? Qt::MoveAction : Qt::CopyAction;
}

QPixmap DragCursorOf(DragMode dragMode) {
  return QPixmap(dragMode == DragMode::Swap ? QStringLiteral(":/cursors/swap.png")
                                            : QStringLiteral(":/cursors/copy.png"));
}

}  // namespace

ItemListView::ItemListView(QWidget* parent, DocumentView& view) : QListWidget(parent), view_(view) {
  setObjectName(QStringLiteral("InstLB"));
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setDragEnabled(false);
  setAcceptDrops(true);
  setDropIndicatorShown(false);
}

ItemListView::~ItemListView() {
  // Ended while the list can still take its end: the editor's focus would end it later.
  finishRename(false);
}

bool ItemListView::showLines(int tab, const QString& filter) {
  const int topLine = verticalScrollBar()->value();
  const int oldLine = selectedLine();
  const bool sameTab = listed_.tab() == tab;
  int position = 0;
  const BankLayout* selectedBank = listed_.bankOfLine(view_.document(), oldLine, &position);
  const QStringList shown = listed_.collect(view_.document(), tab, filter);
  const int line = !sameTab ? oldLine : selectedBank ? listed_.lineOf(selectedBank, position) : -1;
  {
    const QSignalBlocker quiet(this);
    setUpdatesEnabled(false);
    clear();
    addItems(shown);
    if (line >= 0 && line < count())
      setCurrentRow(line);
    verticalScrollBar()->setValue(topLine);
    setUpdatesEnabled(true);
  }
  viewport()->update();
  return sameTab ? line >= 0 : oldLine >= 0;
}

int ItemListView::selectedLine() const {
  const QListWidgetItem* current = currentItem();
  return current && current->isSelected() ? row(current) : -1;
}

Item* ItemListView::itemAtLine(int line) const {
  return listed_.itemAtLine(view_.document(), line);
}

const BankLayout* ItemListView::bankOfLine(int line) const {
  return listed_.bankOfLine(view_.document(), line);
}

QStringList ItemListView::lines() const {
  QStringList all;
  for (int line = 0; line < count(); ++line)
    all << item(line)->text();
  return all;
}

int ItemListView::lineAt(const QPoint& point) const {
  const QModelIndex index = indexAt(point);
  return index.isValid() ? index.row() : -1;
}

void ItemListView::startRename(Item& item) {
  if (!nameEditor_) {
    nameEditor_ = new NameEditor(viewport(), [this](bool commit) { finishRename(commit); });
    nameEditor_->setFont(font());
  }
  renamedItem_ = &item;
  // Over the name only: the rest of the line stays as it is shown.
  QListWidgetItem* line = currentItem();
  scrollToItem(line);
  const QString name = QString::fromStdString(item.Name());
  const QString lead = line->text().left(line->text().size() - name.size());
  QRect place = visualItemRect(line);
  place.setLeft(place.left() + QFontMetrics(font()).horizontalAdvance(lead));
  nameEditor_->setGeometry(place);
  nameEditor_->setText(name);
  nameEditor_->selectAll();
  nameEditor_->show();
  nameEditor_->setFocus();
}

void ItemListView::finishRename(bool commit) {
  Item* const item = renamedItem_;
  if (!item)
    return;
  // Hiding the editor takes its focus away, which finishes the rename again.
  renamedItem_ = nullptr;
  nameEditor_->hide();
  setFocus();
  if (commit)
    emit renamed(item, nameEditor_->text());
}

void ItemListView::handleMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                                   const QPoint& point) {
  armed_ = false;
  const int line = lineAt(point);
  if (button != Qt::LeftButton || line < 0)
    return;
  SharedEditingState& editing = sharedEditing();
  Item* item = itemAtLine(line);
  const DragMode mode = modifiers.testFlag(Qt::ControlModifier) ? DragMode::Swap : DragMode::Copy;
  editing.startDrag(item, view_, *this, item ? mode : editing.dragMode());
  if (!item)
    return;
  armed_ = true;
  pressPoint_ = point;
}

bool ItemListView::isOwnLineDrag(const QMimeData* data) {
  return data && data->hasFormat(QLatin1String(kDragMimeType)) &&
         data->data(QLatin1String(kDragMimeType)) == ThisProcess();
}

bool ItemListView::handleDragOver(const QMimeData* data) const {
  return isOwnLineDrag(data) || ProgramDragData::carriesProgram(data);
}

void ItemListView::handleDragDrop(const QPoint& point) {
  SharedEditingState& editing = sharedEditing();
  Item* const source = editing.dragSourceItem();
  Item* const target = itemAtLine(lineAt(point));
  if (target == source)
    return;
  if (!target || !source) {
    view_.setStatus(tr("Unknown Internal Error"));
    return;
  }
  if (target->Kind() != source->Kind()) {
    view_.setStatus(tr("Drag'n'drop types didn't match"));
    return;
  }
  if (editing.dragMode() == DragMode::Swap) {
    swapWith(*target, *source);
  } else {
    auto edit = view_.startEdit(QT_TRANSLATE_NOOP("EditStep", "Drop"), {target});
    target->Assign(source);
    view_.record(std::move(edit));
  }
  view_.markEdited();
  view_.refreshList();
  const QString from = PlaceText(*source);
  const QString to = PlaceText(*target);
  view_.setStatus(editing.dragMode() == DragMode::Swap ? tr("Swapped %1 and %2").arg(from, to)
                                                       : tr("Copied %1 to %2").arg(from, to));
}

void ItemListView::handleProgramDrop(const QMimeData* data, const QPoint& point) {
  Item* const target = itemAtLine(lineAt(point));
  const std::unique_ptr<Item> program = ProgramDragData::decode(data);
  if (!target || !program) {
    view_.setStatus(tr("Unknown Internal Error"));
    return;
  }
  ItemCommands commands(view_);
  if (commands.takeItemOfSameKind(*target, *program, QT_TRANSLATE_NOOP("EditStep", "Drop")))
    view_.setStatus(tr("Copied %1 to %2")
                        .arg(QString::fromStdString(program->PrintableName()), PlaceText(*target)));
}

void ItemListView::swapWith(Item& target, Item& source) {
  SharedEditingState& editing = sharedEditing();
  // Each window's history holds only its own document's item.
  DocumentView* const sourceView = editing.dragSourceView();
  const bool between = sourceView && sourceView != &view_;
  auto edit = view_.startEdit(QT_TRANSLATE_NOOP("EditStep", "Swap"),
                              between ? std::vector{&target} : std::vector{&target, &source});
  auto sourceEdit =
      between ? sourceView->startEdit(QT_TRANSLATE_NOOP("EditStep", "Swap"), {&source}) : nullptr;
  const auto spare = CreateItem(target.Kind());
  spare->Assign(source);
  source.Assign(target);
  target.Assign(*spare);
  editing.endDrag();
  view_.record(std::move(edit));
  // The source document changed too: its window must ask before that change is lost.
  if (between) {
    sourceView->record(std::move(sourceEdit));
    sourceView->markEdited();
  }
}

void ItemListView::handleEndDrag() {
  SharedEditingState& editing = sharedEditing();
  if (editing.dragSourceItem())
    editing.endDrag();
  else
    view_.refreshList();
}

QDrag* ItemListView::makeDrag() {
  // The item's program travels too, for a collection of the library to take.
  Item* const item = sharedEditing().dragSourceItem();
  auto* data = item ? ProgramDragData::mimeDataOf(*item) : new QMimeData;
  data->setData(QLatin1String(kDragMimeType), ThisProcess());
  auto* drag = new QDrag(this);
  drag->setMimeData(data);
  const DragMode mode = sharedEditing().dragMode();
  drag->setDragCursor(DragCursorOf(mode), DropActionOf(mode));
  return drag;
}

void ItemListView::startDrag() {
  const Qt::DropAction action = DropActionOf(sharedEditing().dragMode());
  // One action only, so that the toolkit's own modifier keys cannot turn a copy into a swap.
  // The drag runs a loop of its own, in which the window may close and be deleted.
  const QPointer<ItemListView> self(this);
  makeDrag()->exec(action, action);
  if (self)
    handleEndDrag();
}

void ItemListView::mousePressEvent(QMouseEvent* event) {
  handleMouseDown(event->button(), event->modifiers(), event->position().toPoint());
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
    startDrag();
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
  if (handleDragOver(event->mimeData()))
    event->acceptProposedAction();
  else
    event->ignore();
}

void ItemListView::dropEvent(QDropEvent* event) {
  if (!handleDragOver(event->mimeData())) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  if (isOwnLineDrag(event->mimeData()))
    handleDragDrop(event->position().toPoint());
  else
    handleProgramDrop(event->mimeData(), event->position().toPoint());
}
