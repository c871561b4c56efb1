#include "midi/ports/MidiTransfer.h"

#include <thread>
#include <vector>

#include "midi/MidiWire.h"
#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiDevice.h"
#include "midi/ports/MidiErrorReport.h"
#include "midi/sysex/BulkDump.h"
#include "midi/sysex/ProgramSelection.h"
#include "midi/sysex/SYX_File.h"
#include "model/Item.h"

namespace MidiTransfer {
namespace {

using namespace MidiErrors;

void Say(const StatusText& status, const char* text) {
  if (status) {
    status(text);
  }
}

void TellSevenBitBytes(const SYX_File& dump, std::size_t* sevenBitBytes) {
  if (sevenBitBytes) {
    *sevenBitBytes = dump.SevenBitBytes();
  }
}

// The current output device, or none after reporting that there is none.
MidiDevice* OutputOrReport(MidiControl& control) {
  MidiDevice* output = control.CurrentOutputDevice();
  if (!output) {
    ReportMidiError(kOpenOutputFirst, kSendCaption);
  }
  return output;
}

int SendLong(MidiControl& control, std::span<const std::uint8_t> bytes) {
  MidiDevice* output = OutputOrReport(control);
  return output ? output->SendLongMsg(bytes) : -1;
}

int SendShort(MidiControl& control, std::span<const std::uint8_t> message) {
  MidiDevice* output = OutputOrReport(control);
  if (!output) {
    return -1;
  }
  const std::uint8_t status = message[0];
  return output->SendMessage(status & MidiWire::kChannelStatusMask, status & MidiWire::kChannelMask,
                             message.size() > 1 ? message[1] : 0,
                             message.size() > 2 ? message[2] : 0);
}

// Asks for the dump at `location` and loads whatever of the item's blocks arrived.
int ReceiveAt(MidiControl& control, Item& item, BulkDump::Location location,
              const char* completedText, const StatusText& status, MissingBlocks* missing) {
  Say(status, "Receiving Data");
  MidiDevice* input = control.CurrentInputDevice();
  std::vector<std::uint8_t> received(kReceiveBufferSize, 0);
  int count = 0;
  if (input) {
    const auto request = BulkDump::DumpRequest(BulkDump::HeaderAddress(location));
    count = input->DoSysxDump(request, received);
  } else {
    ReportMidiError(kOpenInputFirst, kDumpCaption);
  }
  if (count <= 0) {
    Say(status, "No Data Received");
    return -1;
  }
  Say(status, "Converting Data");
  SYX_File dump;
  dump.AppendBytes(std::span(received).first(static_cast<std::size_t>(count)));
  // Bytes that hold none of the item's blocks (all damaged, or another kind's dump) would
  // otherwise zero the whole item.
  const SysxMemoryCore& memory = dump.Memory();  // parses the bytes once
  if (!item.HasBulkDataIn(memory)) {
    Say(status, "No Data Received");
    return -1;
  }
  if (missing != nullptr) {
    *missing = {item.MissingBulkBlockCount(memory), item.BlockCount()};
  }
  item.LoadFromBulk(memory);
  Say(status, completedText);
  return 0;
}

}  // namespace

int SwitchBank(MidiControl& control, const Item& item) {
  const ProgramSelection selection = ProgramSelectionFor(item);
  int result = 0;
  if (!selection.parameterChanges.empty()) {
    result |= SendLong(control, selection.parameterChanges);
    std::this_thread::sleep_for(selection.pause);
  }
  for (const std::vector<std::uint8_t>& message : selection.shortMessages) {
    result |= SendShort(control, message);
  }
  return result == 0 ? 0 : -1;
}

int SendDump(MidiControl& control, const Item& item, std::size_t* sevenBitBytes) {
  SYX_File dump;
  int result = dump.StoreToMemory(item);
  if (result == 0) {
    result = SendLong(control, dump.Bytes());
  }
  TellSevenBitBytes(dump, sevenBitBytes);
  return result;
}

int Send(MidiControl& control, const Item& item, const StatusText& status,
         std::size_t* sevenBitBytes) {
  Say(status, "Sending Data");
  int result = SendDump(control, item, sevenBitBytes);
  Say(status, "Switching Bank");
  result |= SwitchBank(control, item);
  Say(status, "Send Completed");
  return result == 0 ? 0 : -1;
}

int SendToBuffer(MidiControl& control, const Item& item, const StatusText& status,
                 std::size_t* sevenBitBytes) {
  Say(status, "Switching Bank");
  int result = SwitchBank(control, item);
  Say(status, "Sending Data");
  SYX_File dump;
  if (dump.StoreToEditBuffer(item) == 0) {
    result |= SendLong(control, dump.Bytes());
  } else {
    result = -1;
  }
  TellSevenBitBytes(dump, sevenBitBytes);
  Say(status, "Send to Buffer Completed");
  return result == 0 ? 0 : -1;
}

int Receive(MidiControl& control, Item& item, const StatusText& status, MissingBlocks* missing) {
  const std::optional<BulkDump::Location> location = BulkDump::MemoryLocation(item);
  if (!location) {
    Say(status, "Receiving Data");
    Say(status, "No Data Received");
    return -1;
  }
  return ReceiveAt(control, item, *location, "Receive Completed", status, missing);
}

int ReceiveFromBuffer(MidiControl& control, Item& item, const StatusText& status,
                      MissingBlocks* missing) {
  return ReceiveAt(control, item, BulkDump::EditBufferLocation(item.Kind()),
                   "Receive From Buffer Completed", status, missing);
}

}  // namespace MidiTransfer
