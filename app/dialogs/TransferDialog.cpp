#include "app/dialogs/TransferDialog.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <atomic>
#include <mutex>
#include <thread>

#include "model/Bank.h"
#include "model/BankLayouts.h"
#include "model/Item.h"

namespace {

std::atomic<bool> running = false;
std::atomic<bool> cancelRequested = false;

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

// "Item 5 of 128", then "Instrument INT:005(A05) Grand Pno"; "Asking again: item 2 of 7" in a
// round for what had not arrived. Made on the transfer's own thread, which owns the item.
QString StepText(const BankTransfer::Step& step) {
  const BankTransfer::Slot& slot = *step.slot;
  return QStringLiteral("%1 %2 of %3\n%4 %5")
      .arg(step.round > 0 ? QStringLiteral("Asking again: item") : QStringLiteral("Item"))
      .arg(step.position + 1)
      .arg(step.count)
      .arg(TransferDialog::slotName(slot), QString::fromStdString(slot.item->Name()));
}

}  // namespace

QString TransferDialog::slotName(const BankTransfer::Slot& slot) {
  return QString::fromStdString(std::string(KindInfo(slot.layout->kind).name) + " " +
                                SlotPlace(*slot.layout, slot.index));
}

TransferDialog::TransferDialog(QWidget* parent, const QString& title) : QDialog(parent) {
  setWindowTitle(title);
  setWindowModality(Qt::ApplicationModal);
  stepLabel_ = new QLabel(this);
  stepLabel_->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
  progressBar_ = new QProgressBar(this);
  cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
  connect(cancelButton_, &QPushButton::clicked, this, &TransferDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(stepLabel_);
  layout->addWidget(progressBar_);
  layout->addWidget(cancelButton_, 0, Qt::AlignRight);
  stepLabel_->setObjectName(QStringLiteral("StepLabel"));
  progressBar_->setObjectName(QStringLiteral("ProgressBar"));
  cancelButton_->setObjectName(QStringLiteral("CancelButton"));
}

TransferDialog::~TransferDialog() = default;

bool TransferDialog::isRunning() {
  return running;
}

void TransferDialog::reject() {
  // The dialog closes when the transfer has stopped, not before.
  cancelRequested = true;
  cancelButton_->setEnabled(false);
  stepLabel_->setText(stepLabel_->text() + QStringLiteral("\nCancelling..."));
}

bool TransferDialog::eventFilter(QObject* watched, QEvent* event) {
  // Before the dialog shows, and around it, the windows take no input: the transfer owns the
  // ports and will write into the document.
  if (!IsUserInput(event->type()) || belongsToDialog(watched))
    return false;
  event->ignore();
  return true;
}

bool TransferDialog::belongsToDialog(const QObject* watched) const {
  if (const auto* widget = qobject_cast<const QWidget*>(watched))
    return widget == this || isAncestorOf(widget);
  // The window system's input (a click, a key, the close box) reaches the dialog's window
  // first, which hands it on to the widget under the pointer or with the focus.
  const auto* window = qobject_cast<const QWindow*>(watched);
  return window != nullptr && window == windowHandle();
}

BankTransfer::Summary TransferDialog::run(Direction direction, MidiControl& control,
                                          std::span<const BankTransfer::Slot> places) {
  const int count = static_cast<int>(places.size());
  progressBar_->setRange(0, count);
  progressBar_->setValue(0);
  cancelButton_->setEnabled(true);
  cancelRequested = false;
  running = true;
  qApp->installEventFilter(this);

  std::mutex stepMutex;
  QString step;
  int position = 0;
  int total = count;
  BankTransfer::Summary summary;
  QEventLoop loop;
  std::thread transfer([&] {
    const BankTransfer::Progress progress = [&](const BankTransfer::Step& at) {
      const QString text = StepText(at);
      const std::lock_guard lock(stepMutex);
      step = text;
      position = at.position;
      total = at.count;
    };
    summary = direction == Direction::Receive
                  ? BankTransfer::Receive(control, places, progress, cancelRequested)
                  : BankTransfer::Send(control, places, progress, cancelRequested);
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });

  QTimer poll;
  connect(&poll, &QTimer::timeout, this, [&] {
    const std::lock_guard lock(stepMutex);
    if (!cancelRequested)
      stepLabel_->setText(step);
    progressBar_->setRange(0, total);
    progressBar_->setValue(position);
  });
  poll.start(kPollMs);
  QTimer showLater;
  showLater.setSingleShot(true);
  connect(&showLater, &QTimer::timeout, this, &QDialog::show);
  showLater.start(kShowAfterMs);
  loop.exec();
  transfer.join();

  poll.stop();
  showLater.stop();
  hide();
  qApp->removeEventFilter(this);
  running = false;
  return summary;
}
