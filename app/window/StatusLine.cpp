#include "app/window/StatusLine.h"

#include <QStatusBar>
#include <algorithm>

#include "app/widgets/ElidingLabel.h"

StatusLine::StatusLine(QStatusBar& bar)
    : bar_(bar), message_(new ElidingLabel(&bar)), reason_(new ElidingLabel(&bar)) {
  // The outcome first; the reason beside it takes the room that is left.
  message_->setObjectName(QStringLiteral("StatusMessage"));
  message_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  reason_->setObjectName(QStringLiteral("StatusReason"));
  bar.setObjectName(QStringLiteral("StatusBar1"));
  bar.addWidget(message_);
  bar.addWidget(reason_, 1);
}

QString StatusLine::text() const {
  return message_->fullText();
}

QString StatusLine::reason() const {
  return reason_->fullText();
}

void StatusLine::set(const QString& text, const QString& reason) {
  message_->setFullText(text);
  reason_->setFullText(reason);
  message_->setToolTip(reason.isEmpty() ? text : text + u'\n' + reason);
  fit();
}

void StatusLine::fit() {
  // The outcome keeps its whole width where the reason leaves room, and at least half the bar
  // when both are long; the reason takes the rest.
  constexpr int kGripAndMargins = 28;
  const int room = std::max(bar_.width() - kGripAndMargins, 0);
  const QFontMetrics metrics(message_->font());
  const int textWidth = metrics.horizontalAdvance(message_->fullText()) + 8;
  const int reasonWidth =
      reason_->fullText().isEmpty() ? 0 : metrics.horizontalAdvance(reason_->fullText()) + 8;
  message_->setFixedWidth(std::min(textWidth, std::max(room / 2, room - reasonWidth)));
}
