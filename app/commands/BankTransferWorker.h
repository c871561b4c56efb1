#pragma once

#include <QObject>
#include <atomic>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "midi/ports/BankTransfer.h"

class MidiControl;

// A whole-bank transfer on a thread of its own, which has the ports from start() until the
// transfer has ended. Each item it begins and its end are signals, emitted on the thread the
// worker was made on; cancel() stops it within the item under way.
class BankTransferWorker : public QObject {
  Q_OBJECT

 public:
  BankTransferWorker(BankTransfer::Direction direction, MidiControl& control,
                     std::span<const BankTransfer::Slot> places);
  ~BankTransferWorker() override;
  BankTransferWorker(const BankTransferWorker&) = delete;
  BankTransferWorker& operator=(const BankTransferWorker&) = delete;

  void start();
  // From any thread.
  void cancel();
  // Cancels a transfer still running and waits for its thread to end, as the destructor does.
  void stop();
  // Whether finished() was emitted.
  bool hasFinished() const { return finished_; }
  // Once the thread has ended (finished() or stop()).
  const BankTransfer::Summary& summary() const { return summary_; }

 signals:
  // An item begins: its 0-based position among `count` items of this round (round 0 the
  // first; 1 and on asking again for what had not arrived), where and what it is,
  // "Instrument INT:005(A05) Grand Pno", and the seconds the transfer has left by the
  // estimate (TransferTimeLeft), -1 before there is one.
  void stepStarted(int position, int count, int round, const std::string& item, int secondsLeft);
  void finished();

 private:
  struct StepText {
    int position;
    int count;
    int round;
    std::string item;
    int secondsLeft;
  };

  void transfer();
  // On the worker's own thread: stepStarted for each step handed over so far.
  void deliverSteps();
  void end();

  const BankTransfer::Direction direction_;
  MidiControl& control_;
  const std::span<const BankTransfer::Slot> places_;
  std::atomic<bool> cancel_ = false;
  std::thread thread_;
  // The transfer's thread hands each step over here, under a lock of our own that
  // ThreadSanitizer follows; what Qt copies into a queued call crosses under Qt's own locks,
  // which it cannot see.
  std::mutex stepsMutex_;
  std::deque<StepText> steps_;
  // Written by the transfer's thread, read once it has ended.
  BankTransfer::Summary summary_;
  bool finished_ = false;
};
