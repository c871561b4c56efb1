#pragma once

#include <QPoint>
#include <QTabBar>
#include <functional>
#include <vector>

class Item;
class QDrag;

// The tabs over a window's list (TabControl1): Instrument, Percussion, Performance and Plugin,
// in the order of the item kinds. A tab dragged away carries all its programs, for a
// collection of the library to take.
class BankTabBar : public QTabBar {
  Q_OBJECT

 public:
  using TabItems = std::function<std::vector<const Item*>(int tab)>;

  BankTabBar(QWidget* parent, TabItems tabItems);

  // A copying drag of the tab's programs; the bar owns it until the toolkit disposes of it.
  QDrag* makeDrag(int tab);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TabItems tabItems_;
  // The tab the left button went down on, while a drag may still begin.
  int pressedTab_ = -1;
  QPoint pressPoint_;
};
