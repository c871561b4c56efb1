#include "app/window/ElidingLabel.h"

#include <QFontMetrics>

ElidingLabel::ElidingLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidingLabel::setFullText(const QString& text) {
  fullText_ = text;
  setToolTip(text);
  elide();
  updateGeometry();
}

QSize ElidingLabel::minimumSizeHint() const {
  return {fontMetrics().averageCharWidth() * 4, QLabel::minimumSizeHint().height()};
}

QSize ElidingLabel::sizeHint() const {
  return {fontMetrics().horizontalAdvance(fullText_) + 2 * margin() + 4,
          QLabel::sizeHint().height()};
}

void ElidingLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  elide();
}

void ElidingLabel::elide() {
  const int room = contentsRect().width() - 2 * margin();
  setText(fontMetrics().elidedText(fullText_, Qt::ElideRight, std::max(room, 0)));
}
