#include "midi/ports/TransferTimeLeft.h"

#include "midi/sysex/SYX_File.h"

TransferTimeLeft::TransferTimeLeft(std::span<const BankTransfer::Slot> slots)
    : slots_(slots), weights_(slots.size()), weightFrom_(slots.size() + 1, 0) {
  for (std::size_t i = 0; i < slots.size(); ++i) {
    SYX_File dump;
    dump.AppendItemDump(*slots[i].item);
    weights_[i] = dump.Bytes().size();
  }
  for (std::size_t i = slots.size(); i-- > 0;) {
    weightFrom_[i] = weightFrom_[i + 1] + weights_[i];
  }
}

std::optional<std::chrono::seconds> TransferTimeLeft::At(
    const BankTransfer::Step& step, std::chrono::steady_clock::duration elapsed) {
  if (underWay_) {
    done_ += weights_[*underWay_];
  }
  underWay_.reset();
  if (step.slot < slots_.data() || step.slot >= slots_.data() + slots_.size()) {
    return std::nullopt;
  }
  const auto index = static_cast<std::size_t>(step.slot - slots_.data());
  underWay_ = index;
  if (done_ == 0) {
    return std::nullopt;
  }
  const std::size_t left =
      step.round == 0 ? weightFrom_[index]
                      : static_cast<std::size_t>(step.count - step.position) * weights_[index];
  const std::chrono::duration<double> perByte =
      std::chrono::duration<double>(elapsed) / static_cast<double>(done_);
  return std::chrono::ceil<std::chrono::seconds>(perByte * static_cast<double>(left));
}
