#pragma once

#include <QTabBar>

// The tabs over a window's list (TabControl1): Instrument, Percussion, Performance and Plugin,
// in the order of the item kinds.
class BankTabBar : public QTabBar {
  Q_OBJECT

 public:
  explicit BankTabBar(QWidget* parent);
};
