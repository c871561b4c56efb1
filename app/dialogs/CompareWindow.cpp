#include "app/dialogs/CompareWindow.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "model/ItemComparison.h"

CompareWindow* CompareWindow::showComparison(QWidget* parent, const Item& a, const QString& aPlace,
                                             const Item& b, const QString& bPlace) {
  QStringList lines;
  for (const std::string& line :
       ItemComparison(a, b).Lines(aPlace.toStdString(), bPlace.toStdString()))
    lines.append(QString::fromStdString(line));
  auto* window = new CompareWindow(parent, lines);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
  return window;
}

CompareWindow::CompareWindow(QWidget* parent, const QStringList& lines) : QDialog(parent) {
  setObjectName(QStringLiteral("CompareWindow"));
  setWindowTitle(tr("Compare"));
  setModal(false);

  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("Lines"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text_->setPlainText(lines.join(QLatin1Char('\n')));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("CloseButton"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addWidget(buttons);
  fitToLines(lines);
}

QStringList CompareWindow::lines() const {
  return text_->toPlainText().split(QLatin1Char('\n'));
}

void CompareWindow::fitToLines(const QStringList& lines) {
  const QFontMetrics metrics(text_->font());
  int widest = 0;
  for (const QString& line : lines)
    widest = std::max(widest, metrics.horizontalAdvance(line));
  const int shown = std::min(static_cast<int>(lines.size()), kMostLinesShown);
  // The text's frame and document margins, and room for the scroll bar of a long list.
  const int textMargins =
      2 * (text_->frameWidth() + static_cast<int>(text_->document()->documentMargin()));
  const int textWidth = widest + textMargins + text_->verticalScrollBar()->sizeHint().width() +
                        metrics.averageCharWidth();
  const int textHeight = (shown + 1) * metrics.lineSpacing() + textMargins;
  text_->setMinimumSize(textWidth, textHeight);
  QSize size = sizeHint();
  text_->setMinimumSize(0, 0);
  if (const QScreen* screen = this->screen())
    size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
  resize(size);
}
