#include "app/dialogs/TransferDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

TransferDialog::TransferDialog(QWidget* parent, const QString& title, int count) : QDialog(parent) {
  setWindowTitle(title);
  setWindowModality(Qt::ApplicationModal);
  stepLabel_ = new QLabel(this);
  // Wide enough for "Asking again: item 12 of 30, about 40 seconds left".
  stepLabel_->setMinimumWidth(fontMetrics().averageCharWidth() * 52);
  progressBar_ = new QProgressBar(this);
  progressBar_->setRange(0, count);
  progressBar_->setValue(0);
  cancelButton_ = new QPushButton(tr("Cancel"), this);
  connect(cancelButton_, &QPushButton::clicked, this, &TransferDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(stepLabel_);
  layout->addWidget(progressBar_);
  layout->addWidget(cancelButton_, 0, Qt::AlignRight);
  stepLabel_->setObjectName(QStringLiteral("StepLabel"));
  progressBar_->setObjectName(QStringLiteral("ProgressBar"));
  cancelButton_->setObjectName(QStringLiteral("CancelButton"));
}

QString TransferDialog::timeLeftText(int seconds) {
  if (seconds >= 90)
    return tr("about %1 minutes left").arg((seconds + 30) / 60);
  if (seconds >= 60)
    return tr("about a minute left");
  // In steps of five seconds, which the estimate does not outdo.
  return tr("about %1 seconds left").arg(std::max((seconds + 4) / 5 * 5, 5));
}

QString TransferDialog::progressText(int position, int count, int round, int secondsLeft) {
  QString text = (round > 0 ? tr("Asking again: item %1 of %2") : tr("Item %1 of %2"))
                     .arg(position + 1)
                     .arg(count);
  if (secondsLeft >= 0)
    text = tr("%1, %2").arg(text, timeLeftText(secondsLeft));
  return text;
}

void TransferDialog::showStep(int position, int count, int round, const QString& item,
                              int secondsLeft) {
  if (!cancelling_)
    stepLabel_->setText(progressText(position, count, round, secondsLeft) + u'\n' + item);
  progressBar_->setRange(0, count);
  progressBar_->setValue(position);
}

void TransferDialog::reject() {
  // The dialog closes when the transfer has stopped, not before.
  if (cancelling_)
    return;
  cancelling_ = true;
  cancelButton_->setEnabled(false);
  stepLabel_->setText(tr("%1\nCancelling...").arg(stepLabel_->text()));
  emit cancelRequested();
}
