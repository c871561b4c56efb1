#pragma once

#include <QSet>
#include <QStyledItemDelegate>

// Draws a cell's text cut after its last whole word that fits, ending in "…", as the window's
// labels are cut; where a cut cell has no tooltip of its own, its tooltip holds the whole text.
class WordElidingDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // The cells of `column` keep their last word whole (ElideKeepingLastWord).
  void keepLastWordIn(int column) { keepingLastWord_.insert(column); }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;

  // The text the cell shows, cut to its room.
  QString shownText(const QStyleOptionViewItem& option, const QModelIndex& index) const;

 private:
  QString cut(const QStyleOptionViewItem& cell, int column) const;

  QSet<int> keepingLastWord_;
};
