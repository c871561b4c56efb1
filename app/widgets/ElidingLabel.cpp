#include "app/widgets/ElidingLabel.h"

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

QString ElideAtWord(const QString& text, const QFontMetrics& metrics, int width) {
  const QString cut = metrics.elidedText(text, Qt::ElideRight, std::max(width, 0));
  if (cut == text || cut.isEmpty())
    return cut;
  // The characters kept, without the ellipsis (three dots where the font lacks "…"); a word
  // ends where a blank follows it.
  qsizetype end = 0;
  while (end < cut.size() && end < text.size() && cut.at(end) == text.at(end))
    ++end;
  const QStringView kept = QStringView(text).first(end);
  if (end < text.size() && !text.at(end).isSpace()) {
    const qsizetype blank = kept.lastIndexOf(u' ');
    if (blank <= 0)
      return cut;
    end = blank;
  }
  QStringView words = kept.first(end).trimmed();
  while (!words.isEmpty() && (words.back() == u',' || words.back() == u';'))
    words.chop(1);
  return words.isEmpty() ? cut : words.toString() + u'…';
}

QString ElideKeepingLastWord(const QString& text, const QFontMetrics& metrics, int width) {
  const qsizetype blank = text.lastIndexOf(u' ');
  if (blank <= 0 || metrics.horizontalAdvance(text) <= width)
    return ElideAtWord(text, metrics, width);
  const QString last = text.mid(blank);
  const QString head =
      ElideAtWord(text.left(blank), metrics, width - metrics.horizontalAdvance(last));
  return head.isEmpty() ? ElideAtWord(text, metrics, width) : head + last;
}

void ElidingLabel::elide() {
  const int room = contentsRect().width() - 2 * margin();
  setText(ElideAtWord(fullText_, fontMetrics(), room));
}
