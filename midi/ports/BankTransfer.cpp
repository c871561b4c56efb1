#include "midi/ports/BankTransfer.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiErrorReport.h"
#include "midi/ports/MidiTransfer.h"
#include "model/BankLayouts.h"
#include "model/Item.h"
#include "model/S2A_File.h"

namespace BankTransfer {
namespace {

// For a transfer's length: the ports watch `cancel`, and the port errors of the transfer's
// thread are kept (the first one's text) instead of reaching the handler in force, which may
// belong to another thread (the window's, while the transfer runs on a worker).
class TransferScope {
 public:
  TransferScope(MidiControl& control, const std::atomic<bool>& cancel)
      : control_(control), keptErrors_([this](const std::string& text, const std::string&) {
          if (firstError_.empty()) {
            firstError_ = text;
          }
        }) {
    control_.SetCancelFlag(&cancel);
  }
  ~TransferScope() { control_.SetCancelFlag(nullptr); }
  TransferScope(const TransferScope&) = delete;
  TransferScope& operator=(const TransferScope&) = delete;

  const std::string& FirstError() const { return firstError_; }

 private:
  MidiControl& control_;
  std::string firstError_;
  ThreadMidiErrorHandler keptErrors_;
};

bool Stopped(const std::atomic<bool>& cancel, const TransferScope& scope) {
  return cancel.load() || !scope.FirstError().empty();
}

// How the transfer ended. A cancel may also have cut short the last item.
Summary Finished(Summary summary, const std::atomic<bool>& cancel, const TransferScope& scope) {
  summary.cancelled = cancel.load() && !summary.missing.empty();
  summary.portError = scope.FirstError();
  return summary;
}

void AddSlots(std::vector<Slot>& list, std::span<const Slot> slots,
              std::span<const std::size_t> indexes) {
  for (const std::size_t index : indexes) {
    list.push_back(slots[index]);
  }
}

}  // namespace

std::vector<Slot> SlotsOf(S2A_File& document, std::span<const BankLayout* const> banks) {
  std::vector<Slot> slots;
  for (const BankLayout* layout : banks) {
    int index = 0;
    layout->bankIn(document).ForEachItem([&](Item& item) {
      slots.push_back({layout, index++, &item});
    });
  }
  return slots;
}

Summary Receive(MidiControl& control, std::span<const Slot> slots, const Progress& progress,
                const std::atomic<bool>& cancel) {
  Summary summary;
  summary.count = static_cast<int>(slots.size());
  const TransferScope scope(control, cancel);
  // What the requests for each slot brought so far; a later round adds to it.
  std::vector<MidiTransfer::CollectedAnswer> collected(slots.size());
  // The blocks each slot still lacks.
  std::vector<int> lacking(slots.size());
  std::ranges::transform(slots, lacking.begin(),
                         [](const Slot& slot) { return slot.item->BlockCount(); });
  std::vector<std::size_t> pending(slots.size());
  std::iota(pending.begin(), pending.end(), std::size_t{0});
  bool anyAnswer = false;
  bool brought = true;
  const int retries = MidiControl::ReceiveRetries();
  const int lastRound = retries + (retries > 0 ? kRoundsWhileBringing : 0);
  for (int round = 0; !pending.empty() && !Stopped(cancel, scope); ++round) {
    // Asking again is no use while nothing answers at all, nor, after the retries, once a
    // round brought nothing.
    if (round > 0 && (round > lastRound || !anyAnswer || (round > retries && !brought))) {
      break;
    }
    if (round == 1) {
      summary.retried = static_cast<int>(pending.size());
    }
    brought = false;
    std::vector<std::size_t> failed;
    std::size_t next = 0;
    for (; next < pending.size() && !Stopped(cancel, scope); ++next) {
      const std::size_t index = pending[next];
      if (progress) {
        progress({static_cast<int>(next), static_cast<int>(pending.size()), round, &slots[index]});
      }
      MidiTransfer::CollectedAnswer& answer = collected[index];
      int stillLacking = 0;
      const bool taken =
          MidiTransfer::RequestOnce(control, *slots[index].item, answer, &stillLacking) == 0;
      anyAnswer = anyAnswer || answer.anythingArrived;
      brought = brought || stillLacking < lacking[index];
      lacking[index] = stillLacking;
      if (taken) {
        ++summary.transferred;
        answer.blocks.Clear();
      } else {
        failed.push_back(index);
      }
    }
    failed.insert(failed.end(), pending.begin() + static_cast<std::ptrdiff_t>(next), pending.end());
    std::ranges::sort(failed);
    pending = std::move(failed);
  }
  AddSlots(summary.missing, slots, pending);
  return Finished(std::move(summary), cancel, scope);
}

Summary Send(MidiControl& control, std::span<const Slot> slots, const Progress& progress,
             const std::atomic<bool>& cancel) {
  Summary summary;
  summary.count = static_cast<int>(slots.size());
  const TransferScope scope(control, cancel);
  std::size_t next = 0;
  for (; next < slots.size() && !Stopped(cancel, scope); ++next) {
    const Slot& slot = slots[next];
    if (progress) {
      progress({static_cast<int>(next), summary.count, 0, &slot});
    }
    MidiTransfer::SendReport report;
    if (MidiTransfer::StoreItem(control, *slot.item, {}, &report) == 0) {
      ++summary.transferred;
    } else if (report.differs) {
      summary.differing.push_back(slot);
    } else if (report.unreadable) {
      summary.unreadable.push_back(slot);
    } else {
      summary.missing.push_back(slot);
    }
    summary.retried += report.resends > 0 ? 1 : 0;
  }
  summary.missing.insert(summary.missing.end(), slots.begin() + static_cast<std::ptrdiff_t>(next),
                         slots.end());
  return Finished(std::move(summary), cancel, scope);
}

Summary Run(Direction direction, MidiControl& control, std::span<const Slot> slots,
            const Progress& progress, const std::atomic<bool>& cancel) {
  return direction == Direction::kReceive ? Receive(control, slots, progress, cancel)
                                          : Send(control, slots, progress, cancel);
}

std::vector<Slot> Arrived(std::span<const Slot> slots, const Summary& summary) {
  std::vector<Slot> arrived;
  for (const Slot& slot : slots) {
    const bool missing = std::any_of(summary.missing.begin(), summary.missing.end(),
                                     [&](const Slot& each) { return each.item == slot.item; });
    if (!missing)
      arrived.push_back(slot);
  }
  return arrived;
}

}  // namespace BankTransfer
