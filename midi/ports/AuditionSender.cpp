#include "midi/ports/AuditionSender.h"

#include <utility>

#include "midi/ports/MidiErrorReport.h"
#include "midi/ports/MidiTransfer.h"
#include "midi/sysex/BulkDump.h"
#include "model/BankLayouts.h"
#include "model/Item.h"
#include "model/S2A_File.h"

namespace {

// The bank the item is a slot of; none for a free-standing item.
const BankLayout* LayoutOf(const Item& item) {
  const std::optional<BulkDump::Location> location = BulkDump::MemoryLocation(item);
  const std::optional<BulkDump::LocationMeaning> meaning =
      location ? BulkDump::DescribeLocation(*location) : std::nullopt;
  return meaning ? meaning->bank : nullptr;
}

AuditionSender::Send SendToBufferThrough(MidiControl& control) {
  return [&control](const Item& item, std::string& error) {
    const ThreadMidiErrorHandler keep([&error](const std::string& text, const std::string&) {
      if (error.empty()) {
        error = text;
      }
    });
    const int result = MidiTransfer::SendToBuffer(control, item, {});
    if (result != 0 && error.empty()) {
      error = "Send to Buffer Failed";
    }
    return result;
  };
}

}  // namespace

AuditionSender::AuditionSender(MidiControl& control, Failure failure)
    : AuditionSender(SendToBufferThrough(control), std::move(failure)) {}

AuditionSender::AuditionSender(Send send, Failure failure)
    : send_(std::move(send)),
      failure_(std::move(failure)),
      placed_(std::make_unique<S2A_File>()),
      thread_([this] { Run(); }) {}

AuditionSender::~AuditionSender() {
  {
    const std::lock_guard lock(mutex_);
    ending_ = true;
    waiting_.reset();
  }
  changed_.notify_all();
  thread_.join();
}

void AuditionSender::Choose(const Item& item) {
  Choice choice{CreateItem(item.Kind()), LayoutOf(item), item.SlotIndex(), Clock::now()};
  choice.item->Assign(item);
  {
    const std::lock_guard lock(mutex_);
    if (stopped_ || ending_) {
      return;
    }
    waiting_ = std::move(choice);
  }
  changed_.notify_all();
}

void AuditionSender::Resume() {
  const std::lock_guard lock(mutex_);
  stopped_ = false;
}

void AuditionSender::WaitUntilIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return !busy_ && !waiting_; });
}

int AuditionSender::SendCount() const {
  const std::lock_guard lock(mutex_);
  return sendCount_;
}

void AuditionSender::Run() {
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return ending_ || waiting_; });
    // Chosen while a dump was under way: the arrows may not have stopped yet.
    if (ending_ || (busy_ && !WaitForRest(lock))) {
      return;
    }
    const Choice choice = std::move(*waiting_);
    waiting_.reset();
    busy_ = true;
    ++sendCount_;
    lock.unlock();
    std::string error;
    const bool sent = send_(Placed(choice), error) == 0;
    lock.lock();
    if (!sent) {
      stopped_ = true;
      waiting_.reset();
      lock.unlock();
      failure_(error);
      lock.lock();
    }
    busy_ = waiting_.has_value();
    if (!busy_) {
      idle_.notify_all();
    }
  }
}

bool AuditionSender::WaitForRest(std::unique_lock<std::mutex>& lock) {
  while (!ending_ && Clock::now() < waiting_->chosenAt + kSettleTime) {
    changed_.wait_until(lock, waiting_->chosenAt + kSettleTime);
  }
  return !ending_;
}

const Item& AuditionSender::Placed(const Choice& choice) {
  if (choice.layout == nullptr) {
    return *choice.item;
  }
  Item& placed = *choice.layout->bankIn(*placed_).ItemAt(choice.slot);
  placed.Assign(*choice.item);
  return placed;
}
