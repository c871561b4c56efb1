#pragma once

#include <QString>

class ElidingLabel;
class QStatusBar;

// A window's status bar: the outcome of the last command, and the file layer's reason for a
// failure beside it. Each shows what fits; the whole of both is the outcome's tooltip.
class StatusLine {
 public:
  explicit StatusLine(QStatusBar& bar);

  QString text() const;
  QString reason() const;
  void set(const QString& text, const QString& reason);
  // Shares the bar between the outcome and its reason, as the window's width changed.
  void fit();

 private:
  QStatusBar& bar_;
  ElidingLabel* message_;
  ElidingLabel* reason_;
};
