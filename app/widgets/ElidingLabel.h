#pragma once

#include <QLabel>

// As much of `text` as fits in `width`, cut after its last whole word that fits and ending in
// "…"; cut within a word only where not even the first word fits.
QString ElideAtWord(const QString& text, const QFontMetrics& metrics, int width);

// As ElideAtWord, but the last word stays whole where the text has more than one: "set 6.s2a
// INT:017" becomes "set… INT:017", so that texts alike but for their ends stay apart.
QString ElideKeepingLastWord(const QString& text, const QFontMetrics& metrics, int width);

// A one-line label that shows as much of its text as fits, cut at a word and ending in "…"
// where it is cut, and the whole text as its tooltip. It never asks for more room than a few
// characters, so that two of them can share a status bar without one covering the other.
class ElidingLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ElidingLabel(QWidget* parent = nullptr);

  void setFullText(const QString& text);
  const QString& fullText() const { return fullText_; }
  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void elide();

  QString fullText_;
};
