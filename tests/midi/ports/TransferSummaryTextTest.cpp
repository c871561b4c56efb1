#include "midi/ports/TransferSummaryText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/BankLayouts.h"
#include "model/S2A_File.h"

namespace {

using BankTransfer::Direction;
using BankTransfer::Slot;

// The caller's names for the slots, used as they are.
std::string Named(const Slot& slot) {
  return std::string(slot.layout->word) + "#" + std::to_string(slot.index);
}

TEST(TransferSummaryTextTest, TheOutcomeAndEachListOfSlotsReadAsTheWindowAndTheToolShowThem) {
  S2A_File document;
  const BankLayout* banks[] = {&kExternalPerformanceLayout};
  const std::vector<Slot> slots = BankTransfer::SlotsOf(document, banks);
  const auto summary = [&](int transferred, int retried, std::vector<Slot> differing,
                           std::vector<Slot> missing, std::vector<Slot> unreadable = {}) {
    BankTransfer::Summary made;
    made.count = 64;
    made.transferred = transferred;
    made.retried = retried;
    made.differing = std::move(differing);
    made.missing = std::move(missing);
    made.unreadable = std::move(unreadable);
    return made;
  };
  const std::string perf = std::string(kExternalPerformanceLayout.word) + "#";
  const struct {
    Direction direction;
    BankTransfer::Summary summary;
    std::string outcome;
    std::vector<std::string> failures;
  } cases[] = {
      {Direction::kReceive, summary(64, 0, {}, {}), "Received 64 of 64 items", {}},
      {Direction::kSend, summary(64, 2, {}, {}), "Sent 64 of 64 items; 2 sent again", {}},
      {Direction::kReceive,
       summary(62, 31, {}, {slots[0], slots[63]}),
       "Received 62 of 64 items; 31 needed a retry",
       {"not received: " + perf + "0, " + perf + "63"}},
      {Direction::kSend,
       summary(61, 1, {slots[6]}, {slots[62], slots[63]}),
       "Sent 61 of 64 items; 1 sent again",
       {"read back different: " + perf + "6", "not sent: " + perf + "62, " + perf + "63"}},
      {Direction::kSend,
       summary(60, 3, {slots[6]}, {slots[63]}, {slots[1], slots[2]}),
       "Sent 60 of 64 items; 3 sent again",
       {"read back different: " + perf + "6", "not read back whole: " + perf + "1, " + perf + "2",
        "not sent: " + perf + "63"}},
      {Direction::kSend,
       summary(0, 0, {}, {slots[5]}),
       "Sent 0 of 64 items",
       {"not sent: " + perf + "5"}},
  };
  for (const auto& [direction, made, outcome, failures] : cases) {
    SCOPED_TRACE(outcome);
    const TransferSummaryText text = TransferSummaryText::Of(made, direction, Named);
    EXPECT_EQ(text.outcome, outcome);
    EXPECT_EQ(text.failures, failures);
    std::string line = outcome;
    for (const std::string& failure : failures) {
      line += "; " + failure;
    }
    EXPECT_EQ(text.Line(), line);
  }
}

}  // namespace
