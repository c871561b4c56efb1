#pragma once

#include <functional>
#include <string>
#include <vector>

#include "midi/ports/BankTransfer.h"

// What a bank transfer's summary says, in the window and on the command line alike: the
// outcome, "Received 450 of 452 items; 31 needed a retry" or "Sent 64 of 64 items; 2 sent
// again", and each list of slots that did not make it, "read back different: ...", "not read
// back whole: ...", then "not received: ..." ("not sent: ..."), its slots named as the caller
// names them.
struct TransferSummaryText {
  using SlotName = std::function<std::string(const BankTransfer::Slot& slot)>;

  std::string outcome;
  std::vector<std::string> failures;

  static TransferSummaryText Of(const BankTransfer::Summary& summary,
                                BankTransfer::Direction direction, const SlotName& name);
  // The outcome, then each list after "; ".
  std::string Line() const;
};
