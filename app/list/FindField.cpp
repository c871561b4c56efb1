#include "app/list/FindField.h"

#include <QKeyEvent>
#include <utility>

FindField::FindField(QWidget* parent, std::function<void()> onEscape)
    : QLineEdit(parent), onEscape_(std::move(onEscape)) {
  setObjectName(QStringLiteral("FindEdit"));
  setPlaceholderText(tr("Find name or category"));
  setClearButtonEnabled(true);
  hide();
}

bool FindField::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
      event->accept();
      return true;
    }
  }
  return QLineEdit::event(event);
}

void FindField::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    onEscape_();
    return;
  }
  QLineEdit::keyPressEvent(event);
}
