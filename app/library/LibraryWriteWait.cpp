#include "app/library/LibraryWriteWait.h"

#include <QProgressDialog>
#include <QTimer>
#include <utility>

#include "library/LibraryStore.h"

QString LibraryWriteWait::text() {
  return tr("Waiting for another program using the library…");
}

LibraryWriteWait::LibraryWriteWait(QWidget* window)
    : QObject(window), window_(window), timer_(new QTimer(this)) {
  timer_->setInterval(kRetryMs);
  connect(timer_, &QTimer::timeout, this, &LibraryWriteWait::tryAgain);
}

LibraryWriteWait::~LibraryWriteWait() = default;

bool LibraryWriteWait::run(LibraryStore& store, std::function<void()> change) {
  if (isWaiting())
    return false;
  store_ = &store;
  change_ = std::move(change);
  if (store.ReserveChange() == 0 || !store.IsBusy()) {
    runChange();
    return true;
  }
  auto* dialog = new QProgressDialog(text(), tr("Cancel"), 0, 0, window_);
  dialog->setObjectName(QStringLiteral("LibraryWait"));
  dialog->setWindowTitle(window_->windowTitle());
  dialog->setWindowModality(Qt::WindowModal);
  dialog->setMinimumDuration(0);
  dialog->setAutoReset(false);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  // Its Cancel button, Esc and its close box.
  connect(dialog, &QProgressDialog::canceled, this, &LibraryWriteWait::giveUp);
  connect(dialog, &QDialog::rejected, this, &LibraryWriteWait::giveUp);
  dialog_ = dialog;
  dialog->show();
  timer_->start();
  emit waitStarted(dialog);
  return true;
}

void LibraryWriteWait::giveUp() {
  if (!isWaiting())
    return;
  stopWaiting();
  change_ = nullptr;
  emit cancelled();
}

void LibraryWriteWait::tryAgain() {
  if (store_->ReserveChange() != 0 && store_->IsBusy())
    return;
  stopWaiting();
  runChange();
}

void LibraryWriteWait::runChange() {
  const std::function<void()> change = std::exchange(change_, nullptr);
  if (change)
    change();
  // A change that began none lets the reservation go.
  store_->RollBackChange();
}

void LibraryWriteWait::stopWaiting() {
  timer_->stop();
  if (dialog_) {
    const QSignalBlocker quiet(dialog_.data());
    dialog_->close();
  }
  dialog_ = nullptr;
}
