#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "midi/ports/BankTransfer.h"

// How long a bank transfer has left, judged by how fast it has gone so far: each item weighs as
// the bytes of its dump, and the time per byte so far stands for the rest. Told of each step as
// it begins, in order, on the thread that has the items.
class TransferTimeLeft {
 public:
  explicit TransferTimeLeft(std::span<const BankTransfer::Slot> slots);

  // At the start of `step` (one of the slots given), `elapsed` after the transfer began: the
  // time left, rounded up; none before an item has ended. In a round that asks again, each item
  // left weighs as the one under way, since which of them fail is not known ahead; rounds after
  // the one under way are not foreseen.
  std::optional<std::chrono::seconds> At(const BankTransfer::Step& step,
                                         std::chrono::steady_clock::duration elapsed);

 private:
  std::span<const BankTransfer::Slot> slots_;
  std::vector<std::size_t> weights_;
  std::vector<std::size_t> weightFrom_;  // of the slots from each one to the last
  std::size_t done_ = 0;
  std::optional<std::size_t> underWay_;
};
