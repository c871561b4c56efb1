#include "midi/ports/BankTransfer.h"

#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiErrorReport.h"
#include "midi/ports/MidiTransfer.h"
#include "model/BankLayouts.h"
#include "model/Item.h"
#include "model/S2A_File.h"

namespace BankTransfer {
namespace {

// For a transfer's length: the ports watch `cancel`, and port errors are kept (the first one's
// text) instead of reaching the handler in force, which comes back at the end.
class TransferScope {
 public:
  TransferScope(MidiControl& control, const std::atomic<bool>& cancel)
      : control_(control),
        previousHandler_(SetMidiErrorHandler([this](const std::string& text, const std::string&) {
          if (firstError_.empty()) {
            firstError_ = text;
          }
        })) {
    control_.SetCancelFlag(&cancel);
  }
  ~TransferScope() {
    control_.SetCancelFlag(nullptr);
    SetMidiErrorHandler(std::move(previousHandler_));
  }
  TransferScope(const TransferScope&) = delete;
  TransferScope& operator=(const TransferScope&) = delete;

  const std::string& FirstError() const { return firstError_; }

 private:
  MidiControl& control_;
  std::string firstError_;
  MidiErrorHandler previousHandler_;
};

using ItemStep = int (*)(MidiControl& control, const Slot& slot);

// Runs `step` for each slot until the end, a cancel or a port error.
Summary Run(MidiControl& control, std::span<const Slot> slots, const Progress& progress,
            const std::atomic<bool>& cancel, ItemStep step) {
  Summary summary;
  summary.count = static_cast<int>(slots.size());
  const TransferScope scope(control, cancel);
  std::size_t next = 0;
  for (; next < slots.size(); ++next) {
    if (cancel.load() || !scope.FirstError().empty()) {
      break;
    }
    const Slot& slot = slots[next];
    if (progress) {
      progress(static_cast<int>(next), summary.count, slot);
    }
    if (step(control, slot) == 0) {
      ++summary.transferred;
    } else {
      summary.missing.push_back(slot);
    }
  }
  summary.missing.insert(summary.missing.end(), slots.begin() + static_cast<std::ptrdiff_t>(next),
                         slots.end());
  // A cancel may also have cut short the last item.
  summary.cancelled = cancel.load() && !summary.missing.empty();
  summary.portError = scope.FirstError();
  return summary;
}

// An answer cut short counts as none: the slot keeps what it held rather than an item with
// zeroed blocks.
int ReceiveItem(MidiControl& control, const Slot& slot) {
  const std::unique_ptr<Item> before = CreateItem(slot.item->Kind());
  before->Assign(*slot.item);
  MidiTransfer::MissingBlocks missing;
  if (MidiTransfer::Receive(control, *slot.item, {}, &missing) != 0) {
    return -1;
  }
  if (missing.missing > 0) {
    slot.item->Assign(*before);
    return -1;
  }
  return 0;
}

int SendItem(MidiControl& control, const Slot& slot) {
  return MidiTransfer::SendDump(control, *slot.item);
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
  return Run(control, slots, progress, cancel, &ReceiveItem);
}

Summary Send(MidiControl& control, std::span<const Slot> slots, const Progress& progress,
             const std::atomic<bool>& cancel) {
  return Run(control, slots, progress, cancel, &SendItem);
}

}  // namespace BankTransfer
