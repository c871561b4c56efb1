#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "midi/sysex/BulkDump.h"
#include "midi/sysex/SysxMemoryCore.h"

class Item;
class MidiControl;

// The four transfers of one item between a document and the synthesizer, and the program
// selection they use. The window's commands and the command line run these same sequences.
// Each step's text goes to `status` as the step begins ("Switching Bank", "Sending Data", ...).
//
// A MIDI link can lose or damage messages. A receive whose answer lacks a block (lost, or
// dropped for a wrong checksum) asks again, MidiControl::ReceiveRetries() more times at most;
// each answer adds the blocks it brought to those of the answers before, so a retry needs only
// to bring what is still missing. Only blocks that follow the header of the requested location
// count, so that the late end of another answer is never taken for this item. With
// MidiControl::VerifyAfterSending(), an item stored in the synthesizer's memory is read back and
// compared; one that differs, or whose read-back does not arrive whole, is sent once more.
namespace MidiTransfer {

using StatusText = std::function<void(const char* text)>;

// Enough for the largest answer, a percussion dump of 7889 bytes.
inline constexpr std::size_t kReceiveBufferSize = 16384;

// How a receive went.
struct ReceiveReport {
  int missingBlocks = 0;  // of the item's blocks, still missing after the last request
  int totalBlocks = 0;
  int retries = 0;  // requests beyond the first
};

// How a send went.
struct SendReport {
  // How many of the item's bytes the dump carried as their low seven bits (bytes of 80 or
  // more; the item itself keeps them), for the caller to show.
  std::size_t sevenBitBytes = 0;
  bool verified = false;  // read back and found the same
  int resends = 0;        // dumps sent again because the read-back differed or was not whole
  // After the resend: read back whole and different, or not read back whole (nothing came, or
  // blocks were still missing after the retries), while the ports stayed.
  bool differs = false;
  bool unreadable = false;
};

// Selects the item's program on the synthesizer: for a voice the voice-select parameter
// switch and a 60 ms pause, then bank select and program change. 0, or -1 when a message could
// not be sent (the port has already reported it; nothing more is sent then).
int SwitchBank(MidiControl& control, const Item& item);

// The item's dump to its own memory location alone, without selecting a program: 0, or -1 for
// an item outside any bank or a dump the port did not take (the port has reported it).
int SendDump(MidiControl& control, const Item& item, std::size_t* sevenBitBytes = nullptr);
// SendDump, then, when verifying, the item read back and compared: a difference or a read-back
// that did not arrive whole is sent once more and read back again. 0 when stored (and,
// verifying, read back the same); -1 when the port failed or the second read-back still differs
// (`report->differs`) or did not arrive whole (`report->unreadable`).
int StoreItem(MidiControl& control, const Item& item, const StatusText& status,
              SendReport* report = nullptr);
// Send: StoreItem, then the item's program selected: "Send Completed", or "Send Failed" /
// "Verify Failed" (and -1) when the port failed or the read-back differs or is not whole.
int Send(MidiControl& control, const Item& item, const StatusText& status,
         SendReport* report = nullptr);
// Send to Buffer: the item's program selected, then its dump to the edit buffer of its kind:
// "Send to Buffer Completed", or "Send to Buffer Failed" (and -1) when the port failed.
int SendToBuffer(MidiControl& control, const Item& item, const StatusText& status,
                 SendReport* report = nullptr);

// Receive: asks for the item's own memory location, again while blocks are missing, and takes
// what arrived into the item: "Receive Completed" when every block arrived; "Receive
// Incomplete" when some never did (they become 0; `report` tells how many). 0 when data
// arrived; -1 with "No Data Received" when none did, the item unchanged.
int Receive(MidiControl& control, Item& item, const StatusText& status,
            ReceiveReport* report = nullptr);
// Receive From Buffer: the same with the edit buffer of the item's kind.
int ReceiveFromBuffer(MidiControl& control, Item& item, const StatusText& status,
                      ReceiveReport* report = nullptr);

// What the answers to the requests for one item brought so far, kept between requests: the
// blocks of the requested dump (those after its header; anything before it may be the late end
// of an earlier answer, whose blocks have the same addresses), and whether anything came at all.
struct CollectedAnswer {
  SysxMemoryCore blocks;
  bool anythingArrived = false;
};

// One request for the item's memory location; its answer is added to `collected`. When the
// collected blocks are all there, the item takes them: 0. Otherwise the item stays as it was:
// -1, and `missingBlocks` (when given) tells how many of its blocks are still missing.
int RequestOnce(MidiControl& control, Item& item, CollectedAnswer& collected,
                int* missingBlocks = nullptr);

}  // namespace MidiTransfer
