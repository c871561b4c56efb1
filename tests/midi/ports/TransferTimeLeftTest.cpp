#include "midi/ports/TransferTimeLeft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "midi/sysex/SYX_File.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"

namespace {

using namespace std::chrono_literals;
using BankTransfer::Slot;
using BankTransfer::Step;

std::size_t DumpBytes(const Slot& slot) {
  SYX_File dump;
  dump.AppendItemDump(*slot.item);
  return dump.Bytes().size();
}

// A bank of items of one size: the time left is the time so far, scaled by the items left.
TEST(TransferTimeLeftTest, ItemsOfOneSizeLeaveTimeInProportionToTheirNumber) {
  S2A_File document;
  const BankLayout* banks[] = {&kInternalInstrumentLayout};
  const std::vector<Slot> slots = BankTransfer::SlotsOf(document, banks);
  TransferTimeLeft left(slots);
  const auto step = [&](int position) {
    return Step{position, 128, 0, &slots[static_cast<std::size_t>(position)]};
  };
  // Nothing is known before the first item has ended.
  EXPECT_EQ(left.At(step(0), 0s), std::nullopt);
  EXPECT_EQ(left.At(step(1), 2s), 254s);
  for (int position = 2; position < 32; ++position) {
    left.At(step(position), std::chrono::seconds(2 * position));
  }
  EXPECT_EQ(left.At(step(32), 64s), 192s);
  // Rounded up: 95 items at 67.5 / 33 s each are 194.3 s.
  EXPECT_EQ(left.At(step(33), 67'500ms), 195s);
  // Asking again for 3 items, the first of them (slot 5) under way: all three are yet to come.
  EXPECT_EQ(left.At({0, 3, 1, &slots[5]}, 68s), 6s);
}

// Each item weighs as its dump: after the first kit, the second weighs as much again and each
// performance in proportion to its dump's bytes.
TEST(TransferTimeLeftTest, ItemsWeighAsTheirDumps) {
  S2A_File document;
  const BankLayout* banks[] = {&kInternalPercussionLayout, &kExternalPerformanceLayout};
  const std::vector<Slot> slots = BankTransfer::SlotsOf(document, banks);
  ASSERT_EQ(slots.size(), 66u);
  const std::size_t kit = DumpBytes(slots[0]);
  const std::size_t performance = DumpBytes(slots[2]);
  ASSERT_GT(kit, 4 * performance);
  TransferTimeLeft left(slots);
  left.At({0, 66, 0, &slots[0]}, 0s);
  const auto seconds = static_cast<double>(kit + 64 * performance) / static_cast<double>(kit);
  EXPECT_EQ(left.At({1, 66, 0, &slots[1]}, 1s),
            std::chrono::seconds(static_cast<long>(std::ceil(seconds))));
  // A step of another transfer's slots tells nothing.
  const Slot elsewhere = slots[3];
  EXPECT_EQ(left.At({2, 66, 0, &elsewhere}, 2s), std::nullopt);
}

}  // namespace
