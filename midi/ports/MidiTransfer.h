#pragma once

#include <cstddef>
#include <functional>

class Item;
class MidiControl;

// The four transfers of one item between a document and the synthesizer, and the program
// selection they use. The window's commands and the command line run these same sequences.
// Each step's text goes to `status` as the step begins ("Switching Bank", "Sending Data", ...).
namespace MidiTransfer {

using StatusText = std::function<void(const char* text)>;

// Enough for the largest answer, a percussion dump of 7889 bytes.
inline constexpr std::size_t kReceiveBufferSize = 16384;

// Selects the item's program on the synthesizer: for a voice the voice-select parameter
// switch and a 60 ms pause, then bank select and program change. 0, or -1 when a message could
// not be sent (the port has already reported it).
int SwitchBank(MidiControl& control, const Item& item);

// The item's dump to its own memory location alone, without selecting a program: 0, or -1 for
// an item outside any bank or a dump the port did not take (the port has reported it).
int SendDump(MidiControl& control, const Item& item, std::size_t* sevenBitBytes = nullptr);
// Send: the item's dump to its own memory location, then its program selected.
// `sevenBitBytes`, when given, receives how many of the item's bytes the dump carried as their
// low seven bits (bytes of 80 or more; the item itself keeps them), for the caller to show.
int Send(MidiControl& control, const Item& item, const StatusText& status,
         std::size_t* sevenBitBytes = nullptr);
// Send to Buffer: the item's program selected, then its dump to the edit buffer of its kind.
int SendToBuffer(MidiControl& control, const Item& item, const StatusText& status,
                 std::size_t* sevenBitBytes = nullptr);

// How many of the item's blocks a receive lacked (an answer cut short), of how many.
struct MissingBlocks {
  int missing = 0;
  int total = 0;
};

// Receive: asks for the item's own memory location and takes the answer into the item.
// 0 when data arrived; -1 with "No Data Received" when none did, the item unchanged. Blocks
// that did not arrive become 0; `missing`, when given, tells how many there were.
int Receive(MidiControl& control, Item& item, const StatusText& status,
            MissingBlocks* missing = nullptr);
// Receive From Buffer: the same with the edit buffer of the item's kind.
int ReceiveFromBuffer(MidiControl& control, Item& item, const StatusText& status,
                      MissingBlocks* missing = nullptr);

}  // namespace MidiTransfer
