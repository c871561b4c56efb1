#include "app/list/NameEditor.h"

#include <QKeyEvent>
#include <utility>

NameEditor::NameEditor(QWidget* parent, std::function<void(bool commit)> finish)
    : QLineEdit(parent), finish_(std::move(finish)) {
  setObjectName(QStringLiteral("RenameEditor"));
}

void NameEditor::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      finish_(true);
      return;
    case Qt::Key_Escape:
      finish_(false);
      return;
    default:
      QLineEdit::keyPressEvent(event);
  }
}

void NameEditor::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  finish_(false);
}
