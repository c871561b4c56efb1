#pragma once

#include <atomic>
#include <functional>
#include <span>
#include <string>
#include <vector>

class Item;
class MidiControl;
class S2A_File;
struct BankLayout;

// Whole banks between a document and the synthesizer: every item of the banks, one after
// another, each at its own memory location, with the single-item sequences (the dump request
// and its answer; the dump addressed to memory, without selecting a program).
//
// A transfer runs on one thread, which uses the MidiControl for its whole length; `cancel` may
// be set from any thread and stops it soon (a wait for an answer ends at once, a long send at
// the next message), leaving the item under way unchanged.
namespace BankTransfer {

// One item of a transfer and where it lives.
struct Slot {
  const BankLayout* layout;
  int index;   // 0-based position in its bank
  Item* item;  // received into, or sent from
};

// Every slot of the banks, in the order given, each bank in slot order.
std::vector<Slot> SlotsOf(S2A_File& document, std::span<const BankLayout* const> banks);

// Called before each item: its 0-based position among `count`.
using Progress = std::function<void(int position, int count, const Slot& slot)>;

struct Summary {
  int count = 0;        // items asked for
  int transferred = 0;  // items received (or sent)
  // Receive: the slots that got no answer, and those not reached after a stop; each keeps its
  // content. Send: the slots not sent.
  std::vector<Slot> missing;
  bool cancelled = false;
  // The first port error, which stopped the transfer after its item; empty when none.
  std::string portError;
};

// Port errors during a transfer are not passed to the error handler in force (which may belong
// to another thread): the first one ends the transfer and is returned in the summary.
Summary Receive(MidiControl& control, std::span<const Slot> slots, const Progress& progress,
                const std::atomic<bool>& cancel);
Summary Send(MidiControl& control, std::span<const Slot> slots, const Progress& progress,
             const std::atomic<bool>& cancel);

}  // namespace BankTransfer
