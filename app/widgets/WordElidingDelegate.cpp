#include "app/widgets/WordElidingDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>

#include "app/widgets/ElidingLabel.h"

namespace {

const QStyle* StyleOf(const QStyleOptionViewItem& cell) {
  return cell.widget ? cell.widget->style() : QApplication::style();
}

// The width the style leaves for the text, less the margin it draws on each side of it.
int TextRoom(const QStyleOptionViewItem& cell) {
  const QStyle* style = StyleOf(cell);
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, cell.widget) + 1;
  return style->subElementRect(QStyle::SE_ItemViewItemText, &cell, cell.widget).width() -
         2 * margin;
}

}  // namespace

QString WordElidingDelegate::cut(const QStyleOptionViewItem& cell, int column) const {
  return keepingLastWord_.contains(column)
             ? ElideKeepingLastWord(cell.text, cell.fontMetrics, TextRoom(cell))
             : ElideAtWord(cell.text, cell.fontMetrics, TextRoom(cell));
}

QString WordElidingDelegate::shownText(const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const {
  QStyleOptionViewItem cell = option;
  initStyleOption(&cell, index);
  return cut(cell, index.column());
}

void WordElidingDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  QStyleOptionViewItem cell = option;
  initStyleOption(&cell, index);
  cell.text = cut(cell, index.column());
  StyleOf(cell)->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
}

bool WordElidingDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                    const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (event->type() == QEvent::ToolTip && !index.data(Qt::ToolTipRole).isValid()) {
    const QString whole = index.data(Qt::DisplayRole).toString();
    if (shownText(option, index) != whole) {
      QToolTip::showText(event->globalPos(), whole, view, option.rect);
      return true;
    }
  }
  return QStyledItemDelegate::helpEvent(event, view, option, index);
}
