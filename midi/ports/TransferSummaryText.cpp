#include "midi/ports/TransferSummaryText.h"

namespace {

// "not received: ext-inst:A01, ext-inst:A02"
std::string SlotList(const char* heading, const std::vector<BankTransfer::Slot>& slots,
                     const TransferSummaryText::SlotName& name) {
  std::string text = heading;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    text += (i == 0 ? " " : ", ") + name(slots[i]);
  }
  return text;
}

}  // namespace

TransferSummaryText TransferSummaryText::Of(const BankTransfer::Summary& summary,
                                            BankTransfer::Direction direction,
                                            const SlotName& name) {
  const bool received = direction == BankTransfer::Direction::kReceive;
  TransferSummaryText text;
  text.outcome = std::string(received ? "Received " : "Sent ") +
                 std::to_string(summary.transferred) + " of " + std::to_string(summary.count) +
                 " items";
  if (summary.retried > 0) {
    text.outcome +=
        "; " + std::to_string(summary.retried) + (received ? " needed a retry" : " sent again");
  }
  if (!summary.differing.empty()) {
    text.failures.push_back(SlotList("read back different:", summary.differing, name));
  }
  if (!summary.unreadable.empty()) {
    text.failures.push_back(SlotList("not read back whole:", summary.unreadable, name));
  }
  if (!summary.missing.empty()) {
    text.failures.push_back(
        SlotList(received ? "not received:" : "not sent:", summary.missing, name));
  }
  return text;
}

std::string TransferSummaryText::Line() const {
  std::string line = outcome;
  for (const std::string& failure : failures) {
    line += "; " + failure;
  }
  return line;
}
