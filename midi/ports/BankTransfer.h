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
// A receive takes an item only when every one of its blocks arrived with a right checksum.
// Items that did not are asked for again after the last slot, in up to
// MidiControl::ReceiveRetries() more rounds, each answer adding to what the earlier ones
// brought (no rounds when nothing at all answered). After those, while the last round still
// brought something (an item whole, or a block one still lacked), up to kRoundsWhileBringing
// rounds more (none when the retries are 0). A send, with
// MidiControl::VerifyAfterSending(), reads each item back and sends one that differs, or whose
// read-back did not arrive whole, once more.
//
// A transfer runs on one thread, which uses the MidiControl for its whole length; `cancel` may
// be set from any thread and stops it soon (a wait for an answer ends at once, a long send at
// the next message), leaving the item under way unchanged.
namespace BankTransfer {

// On a link that loses one message in a hundred, a whole-synthesizer backup still lacks a block
// of one or two of its 452 items after the default retries; a round more brings most of them.
// Bounded, so that a link that brings a little each time still ends.
inline constexpr int kRoundsWhileBringing = 8;

// One item of a transfer and where it lives.
struct Slot {
  const BankLayout* layout;
  int index;   // 0-based position in its bank
  Item* item;  // received into, or sent from
};

// Every slot of the banks, in the order given, each bank in slot order.
std::vector<Slot> SlotsOf(S2A_File& document, std::span<const BankLayout* const> banks);

// Where a transfer is: the slot under way, its 0-based position among `count` slots of this
// round, and the round (0 the first; 1 and on asking again for what had not arrived).
struct Step {
  int position = 0;
  int count = 0;
  int round = 0;
  const Slot* slot = nullptr;
};
// Called before each item.
using Progress = std::function<void(const Step& step)>;

struct Summary {
  int count = 0;        // items asked for
  int transferred = 0;  // items received whole (or sent, and read back the same when verifying)
  // Items that needed more than one request (receive) or a second dump (verified send).
  int retried = 0;
  // Receive: the slots whose items did not arrive whole, and those not reached after a stop;
  // each keeps its content. Send: the slots not sent.
  std::vector<Slot> missing;
  // Verified send: the slots sent twice that still read back different, and those whose second
  // read-back did not arrive whole.
  std::vector<Slot> differing;
  std::vector<Slot> unreadable;
  bool cancelled = false;
  // The first port error, which stopped the transfer after its item; empty when none.
  std::string portError;

  bool Complete() const {
    return missing.empty() && differing.empty() && unreadable.empty() && portError.empty();
  }
};

// The slots of `slots` the transfer brought whole.
std::vector<Slot> Arrived(std::span<const Slot> slots, const Summary& summary);

// Port errors during a transfer are not passed to the error handler in force (which may belong
// to another thread): the first one ends the transfer and is returned in the summary.
Summary Receive(MidiControl& control, std::span<const Slot> slots, const Progress& progress,
                const std::atomic<bool>& cancel);
Summary Send(MidiControl& control, std::span<const Slot> slots, const Progress& progress,
             const std::atomic<bool>& cancel);

enum class Direction { kReceive, kSend };
// Receive or Send.
Summary Run(Direction direction, MidiControl& control, std::span<const Slot> slots,
            const Progress& progress, const std::atomic<bool>& cancel);

}  // namespace BankTransfer
