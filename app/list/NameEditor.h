#pragma once

#include <QLineEdit>
#include <functional>

// The line edit of a rename, over the name on its line: Enter takes the name; Esc, or leaving
// it, drops it.
class NameEditor : public QLineEdit {
  Q_OBJECT

 public:
  NameEditor(QWidget* parent, std::function<void(bool commit)> finish);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  std::function<void(bool)> finish_;
};
