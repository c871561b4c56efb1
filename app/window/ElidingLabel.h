#pragma once

#include <QLabel>

// A one-line label that shows as much of its text as fits, ending in "…" where it is cut, and
// the whole text as its tooltip. It never asks for more room than a few characters, so that
// two of them can share a status bar without one covering the other.
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
