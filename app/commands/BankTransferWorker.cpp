#include "app/commands/BankTransferWorker.h"

#include "app/commands/CommandTexts.h"
#include "midi/ports/TransferTimeLeft.h"
#include "model/Item.h"

BankTransferWorker::BankTransferWorker(BankTransfer::Direction direction, MidiControl& control,
                                       std::span<const BankTransfer::Slot> places)
    : direction_(direction), control_(control), places_(places) {}

BankTransferWorker::~BankTransferWorker() {
  stop();
}

void BankTransferWorker::start() {
  cancel_ = false;
  finished_ = false;
  thread_ = std::thread([this] { transfer(); });
}

void BankTransferWorker::cancel() {
  cancel_ = true;
}

void BankTransferWorker::stop() {
  if (!thread_.joinable())
    return;
  cancel();
  thread_.join();
}

void BankTransferWorker::transfer() {
  // The texts and the estimate are made here, on the thread that has the items.
  const auto start = std::chrono::steady_clock::now();
  TransferTimeLeft timeLeft(places_);
  const BankTransfer::Progress progress = [&](const BankTransfer::Step& step) {
    const BankTransfer::Slot& slot = *step.slot;
    const std::optional<std::chrono::seconds> left =
        timeLeft.At(step, std::chrono::steady_clock::now() - start);
    {
      const std::lock_guard lock(stepsMutex_);
      steps_.push_back({step.position, step.count, step.round,
                        TransferSlotName(slot) + ' ' + slot.item->Name(),
                        left ? static_cast<int>(left->count()) : -1});
    }
    QMetaObject::invokeMethod(this, &BankTransferWorker::deliverSteps, Qt::QueuedConnection);
  };
  summary_ = BankTransfer::Run(direction_, control_, places_, progress, cancel_);
  QMetaObject::invokeMethod(this, &BankTransferWorker::end, Qt::QueuedConnection);
}

void BankTransferWorker::deliverSteps() {
  std::deque<StepText> steps;
  {
    const std::lock_guard lock(stepsMutex_);
    steps.swap(steps_);
  }
  for (const StepText& step : steps)
    emit stepStarted(step.position, step.count, step.round, step.item, step.secondsLeft);
}

void BankTransferWorker::end() {
  if (thread_.joinable())  // stop() may have joined it
    thread_.join();
  finished_ = true;
  emit finished();
}
