#pragma once

#include <QDialog>
#include <QStringList>

class Item;
class QPlainTextEdit;

// Two programs of one kind side by side: the lines of ItemComparison, with where each program
// is on top, in a read-only text in a fixed-width font. It stays open beside the windows, and
// is freed when closed.
class CompareWindow : public QDialog {
  Q_OBJECT

 public:
  // At most this many lines show without scrolling.
  static constexpr int kMostLinesShown = 40;

  // Shows a new window comparing `a` (at `aPlace`, such as "INT:017(B01)") and `b`. The items
  // are compared at once: later changes to them do not show.
  static CompareWindow* showComparison(QWidget* parent, const Item& a, const QString& aPlace,
                                       const Item& b, const QString& bPlace);

  CompareWindow(QWidget* parent, const QStringList& lines);

  QStringList lines() const;

 private:
  // Wide enough for the longest line, tall enough for them all up to kMostLinesShown, and no
  // larger than the screen.
  void fitToLines(const QStringList& lines);

  QPlainTextEdit* text_ = nullptr;  // "Lines"
};
