#pragma once

#include <QLineEdit>
#include <functional>

// The filter field over the list, where Esc puts the filter away, and Undo and Redo work on its
// own text rather than reaching the window's history.
class FindField : public QLineEdit {
  Q_OBJECT

 public:
  FindField(QWidget* parent, std::function<void()> onEscape);

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::function<void()> onEscape_;
};
