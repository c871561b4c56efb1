#include "midi/ports/MidiTransfer.h"

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "midi/MidiWire.h"
#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiDevice.h"
#include "midi/ports/MidiErrorReport.h"
#include "midi/sysex/BulkDump.h"
#include "midi/sysex/BulkMessageScanner.h"
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

// One request for the dump at `location`; what arrives is added to `collected`. False when
// nothing could be asked, for want of an input port (reported).
bool AskOnce(MidiControl& control, BulkDump::Location location, CollectedAnswer& collected) {
  MidiDevice* input = control.CurrentInputDevice();
  if (input == nullptr) {
    ReportMidiError(kOpenInputFirst, kDumpCaption);
    return false;
  }
  std::vector<std::uint8_t> received(kReceiveBufferSize, 0);
  const auto request = BulkDump::DumpRequest(BulkDump::HeaderAddress(location));
  const int count = input->DoSysxDump(request, control.CurrentOutputDevice(), received);
  if (count <= 0) {
    return true;
  }
  collected.anythingArrived = true;
  // From the header of the requested dump to its footer, or to the header of another.
  bool withinDump = false;
  ScanBulkMessages(
      std::span(received).first(static_cast<std::size_t>(count)), [&](const BulkMessage& message) {
        const std::uint8_t high = message.address.High();
        if (high == BulkDump::kHeaderHigh || high == BulkDump::kFooterHigh) {
          withinDump = high == BulkDump::kHeaderHigh &&
                       BulkDump::Location{message.address.Mid(), message.address.Low()} == location;
        } else if (withinDump) {
          collected.blocks.WriteBytes(message.address, message.data);
        }
      });
  return true;
}

// Not after a cancel, nor once a port is closed or has lost what it was connected to.
// After a receive that brought nothing: which end has gone, said once. An output says so as a
// request cannot go out; one that went while the request was already out (a server noticed
// stopping only then) is said here.
void ReportGonePort(const MidiControl& control) {
  const MidiDevice* output = control.CurrentOutputDevice();
  if (control.CurrentOutputGone()) {
    if (!output->SaidDisconnected()) {
      ReportMidiError(NothingConnected("output", output->Name()), kLongMessageCaption);
    }
  } else if (control.CurrentInputGone()) {
    ReportMidiError(NothingConnected("input", control.CurrentInputDevice()->Name()), kDumpCaption);
  }
}

bool WorthAskingAgain(const MidiControl& control) {
  const MidiDevice* input = control.CurrentInputDevice();
  const MidiDevice* output = control.CurrentOutputDevice();
  return !MidiControl::CancelRequested() && input != nullptr && input->IsOpen() &&
         output != nullptr && output->IsOpen() && !input->Disconnected() && !output->Disconnected();
}

// Asks for the dump at `location` until every block of the item has arrived or the retries
// are spent, and loads whatever of the item's blocks arrived.
// `command` names the transfer in its last text: "Receive Completed", or "Receive Incomplete"
// when blocks are still missing (they are 0 in the item).
int ReceiveAt(MidiControl& control, Item& item, BulkDump::Location location,
              const std::string& command, const StatusText& status, ReceiveReport* report) {
  Say(status, "Receiving Data");
  ReceiveReport result;
  result.totalBlocks = item.BlockCount();
  CollectedAnswer collected;
  for (int attempt = 0; AskOnce(control, location, collected); ++attempt) {
    if (item.MissingBulkBlockCount(collected.blocks) == 0 ||
        attempt >= MidiControl::ReceiveRetries() || !WorthAskingAgain(control)) {
      break;
    }
    ++result.retries;
    const std::string again = "Receiving Data Again (" + std::to_string(result.retries) + " of " +
                              std::to_string(MidiControl::ReceiveRetries()) + ")";
    Say(status, again.c_str());
  }
  if (!collected.anythingArrived) {
    ReportGonePort(control);
  }
  // Bytes that hold none of the item's blocks (all damaged, or another kind's dump) would
  // otherwise zero the whole item.
  const bool received = item.HasBulkDataIn(collected.blocks);
  if (received) {
    result.missingBlocks = item.MissingBulkBlockCount(collected.blocks);
  }
  if (report != nullptr) {
    *report = result;
  }
  if (!received) {
    Say(status, "No Data Received");
    return -1;
  }
  Say(status, "Converting Data");
  item.LoadFromBulk(collected.blocks);
  Say(status, (command + (result.missingBlocks == 0 ? " Completed" : " Incomplete")).c_str());
  return 0;
}

// The item's bytes as the synthesizer holds them once its dump has arrived: seven bits each.
std::vector<std::uint8_t> AsStored(const Item& item) {
  std::vector<std::uint8_t> bytes(item.Data().begin(), item.Data().end());
  for (std::uint8_t& byte : bytes) {
    byte &= BulkDump::kDataBits;
  }
  return bytes;
}

// kNotWhole: nothing came back, or blocks were still missing after the retries.
enum class ReadBack { kSame, kDifferent, kNotWhole, kUnreachable };

// The item's memory location read back, whole, and compared with the item.
ReadBack ReadBackAndCompare(MidiControl& control, const Item& item) {
  const std::unique_ptr<Item> stored = CreateItem(item.Kind());
  ReceiveReport report;
  if (ReceiveAt(control, *stored, *BulkDump::MemoryLocation(item), "Read-back", {}, &report) != 0 ||
      report.missingBlocks > 0) {
    return WorthAskingAgain(control) ? ReadBack::kNotWhole : ReadBack::kUnreachable;
  }
  const std::span<const std::uint8_t> readBack = stored->Data();
  return std::ranges::equal(readBack, AsStored(item)) ? ReadBack::kSame : ReadBack::kDifferent;
}

}  // namespace

int SwitchBank(MidiControl& control, const Item& item) {
  const ProgramSelection selection = ProgramSelectionFor(item);
  if (!selection.parameterChanges.empty()) {
    if (SendLong(control, selection.parameterChanges) != 0) {
      return -1;
    }
    std::this_thread::sleep_for(selection.pause);
  }
  for (const std::vector<std::uint8_t>& message : selection.shortMessages) {
    if (SendShort(control, message) != 0) {
      return -1;
    }
  }
  return 0;
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

int StoreItem(MidiControl& control, const Item& item, const StatusText& status,
              SendReport* report) {
  SendReport result;
  int stored = SendDump(control, item, &result.sevenBitBytes);
  // Sent at most twice: a second difference is no accident of the link.
  for (int sent = 1; stored == 0 && MidiControl::VerifyAfterSending(); ++sent) {
    Say(status, "Verifying Data");
    const ReadBack readBack = ReadBackAndCompare(control, item);
    if (readBack == ReadBack::kSame) {
      result.verified = true;
      break;
    }
    if (readBack == ReadBack::kUnreachable || sent == 2) {
      result.differs = readBack == ReadBack::kDifferent;
      result.unreadable = readBack == ReadBack::kNotWhole;
      stored = -1;
      break;
    }
    Say(status, "Sending Data Again");
    ++result.resends;
    stored = SendDump(control, item);
  }
  if (report != nullptr) {
    *report = result;
  }
  return stored;
}

int Send(MidiControl& control, const Item& item, const StatusText& status, SendReport* report) {
  SendReport result;
  Say(status, "Sending Data");
  const int stored = StoreItem(control, item, status, &result);
  if (report != nullptr) {
    *report = result;
  }
  if (stored != 0) {
    Say(status, result.differs || result.unreadable ? "Verify Failed" : "Send Failed");
    return -1;
  }
  Say(status, "Switching Bank");
  if (SwitchBank(control, item) != 0) {
    Say(status, "Send Failed");
    return -1;
  }
  Say(status, "Send Completed");
  return 0;
}

int SendToBuffer(MidiControl& control, const Item& item, const StatusText& status,
                 SendReport* report) {
  Say(status, "Switching Bank");
  int result = SwitchBank(control, item);
  SYX_File dump;
  if (result == 0) {
    Say(status, "Sending Data");
    result = dump.StoreToEditBuffer(item) == 0 ? SendLong(control, dump.Bytes()) : -1;
  }
  if (report != nullptr) {
    *report = {};
    TellSevenBitBytes(dump, &report->sevenBitBytes);
  }
  Say(status, result == 0 ? "Send to Buffer Completed" : "Send to Buffer Failed");
  return result == 0 ? 0 : -1;
}

int Receive(MidiControl& control, Item& item, const StatusText& status, ReceiveReport* report) {
  const std::optional<BulkDump::Location> location = BulkDump::MemoryLocation(item);
  if (!location) {
    Say(status, "Receiving Data");
    Say(status, "No Data Received");
    return -1;
  }
  return ReceiveAt(control, item, *location, "Receive", status, report);
}

int ReceiveFromBuffer(MidiControl& control, Item& item, const StatusText& status,
                      ReceiveReport* report) {
  return ReceiveAt(control, item, BulkDump::EditBufferLocation(item.Kind()), "Receive From Buffer",
                   status, report);
}

int RequestOnce(MidiControl& control, Item& item, CollectedAnswer& collected, int* missingBlocks) {
  const std::optional<BulkDump::Location> location = BulkDump::MemoryLocation(item);
  int missing = item.BlockCount();
  if (location && AskOnce(control, *location, collected)) {
    missing = item.MissingBulkBlockCount(collected.blocks);
  }
  if (missingBlocks != nullptr) {
    *missingBlocks = missing;
  }
  if (missing > 0) {
    return -1;
  }
  item.LoadFromBulk(collected.blocks);
  return 0;
}

}  // namespace MidiTransfer
