#include "cli/MidiVerbs.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

#include "cli/VerbSupport.h"
#include "cli/Verbs.h"
#include "files/FileExtension.h"
#include "midi/ports/BankTransfer.h"
#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiDevice.h"
#include "midi/ports/MidiErrorReport.h"
#include "midi/ports/MidiTransfer.h"
#include "model/S2A_File.h"
#include "simulator/MidiSimulatorSetup.h"

namespace {

// The arguments of a MIDI verb: its positional words and the options among them.
struct MidiArguments {
  std::vector<std::string> words;
  bool buffer = false;
  std::optional<int> inPort;  // 1-based, as `ports` numbers them
  std::optional<int> outPort;
};

std::optional<int> ParsePortNumber(const std::string& text) {
  if (text.empty() || text.size() > 4 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const int number = std::stoi(text);
  return number >= 1 ? std::optional<int>(number) : std::nullopt;
}

// Usage errors return the status.
std::optional<int> ParseMidiArguments(const char* verb, std::span<const std::string> arguments,
                                      bool takesBuffer, MidiArguments& parsed) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--buffer" && takesBuffer) {
      parsed.buffer = true;
    } else if (argument == "--in" || argument == "--out") {
      if (i + 1 == arguments.size()) {
        return UsageError(std::string(verb) + ": " + argument + " needs a port number");
      }
      const std::optional<int> number = ParsePortNumber(arguments[++i]);
      if (!number) {
        return UsageError(std::string(verb) + ": " + argument + " " + arguments[i] +
                          ": expected a port number from 1 (see corvale-cli ports)");
      }
      (argument == "--in" ? parsed.inPort : parsed.outPort) = number;
    } else if (argument.starts_with("--")) {
      return UsageError(std::string(verb) + ": unknown option " + argument);
    } else {
      parsed.words.push_back(argument);
    }
  }
  return std::nullopt;
}

// Port errors become one line on standard error, like every other error of the tool.
class CommandLineMidiErrors {
 public:
  CommandLineMidiErrors()
      : previous_(SetMidiErrorHandler([](const std::string& text, const std::string& caption) {
          std::fprintf(stderr, "corvale-cli: %s: %s\n", caption.c_str(), text.c_str());
        })) {}
  ~CommandLineMidiErrors() { SetMidiErrorHandler(std::move(previous_)); }

 private:
  MidiErrorHandler previous_;
};

int SetUpPorts(const char* verb) {
  std::string error;
  if (InstallMidiPortLayerFromEnvironment(error) != 0) {
    return Failure(verb, error);
  }
  return kExitSuccess;
}

// Makes the ports chosen by --in and --out current for this run; usage errors return the
// status.
std::optional<int> UseChosenPorts(const char* verb, MidiControl& control,
                                  const MidiArguments& arguments) {
  if (arguments.inPort) {
    if (*arguments.inPort > control.InputDeviceCount()) {
      return UsageError(std::string(verb) + ": there is no input port " +
                        std::to_string(*arguments.inPort) + " (see corvale-cli ports)");
    }
    control.UseInputDevice(*arguments.inPort - 1);
  }
  if (arguments.outPort) {
    if (*arguments.outPort > control.OutputDeviceCount()) {
      return UsageError(std::string(verb) + ": there is no output port " +
                        std::to_string(*arguments.outPort) + " (see corvale-cli ports)");
    }
    control.UseOutputDevice(*arguments.outPort - 1);
  }
  return std::nullopt;
}

int NeedPort(const char* verb, const MidiDevice* device, const char* direction) {
  if (device == nullptr) {
    return Failure(verb,
                   std::string("there is no MIDI ") + direction + " port (see corvale-cli ports)");
  }
  if (!device->IsOpen()) {
    return Failure(verb, std::string("the MIDI ") + direction + " port \"" + device->Name() +
                             "\" could not be opened");
  }
  return kExitSuccess;
}

enum class PortsNeeded { None, Output, InputAndOutput };

// Sets up the port layer, makes the chosen ports current, checks that the ones the verb needs
// are open, then runs `work`; port errors on the way become lines on standard error.
int WithPorts(const char* verb, const MidiArguments& arguments, PortsNeeded needed,
              const std::function<int(MidiControl& control)>& work) {
  const CommandLineMidiErrors errors;
  if (const int status = SetUpPorts(verb); status != kExitSuccess) {
    return status;
  }
  MidiControl control;
  if (const auto status = UseChosenPorts(verb, control, arguments)) {
    return *status;
  }
  if (needed == PortsNeeded::InputAndOutput) {
    if (const int status = NeedPort(verb, control.CurrentInputDevice(), "input");
        status != kExitSuccess) {
      return status;
    }
  }
  if (needed != PortsNeeded::None) {
    if (const int status = NeedPort(verb, control.CurrentOutputDevice(), "output");
        status != kExitSuccess) {
      return status;
    }
  }
  return work(control);
}

void PrintStatus(const char* text) {
  std::printf("%s\n", text);
  std::fflush(stdout);
}

void PrintPorts(const char* heading, const std::vector<std::string>& names, int current) {
  std::printf("%s\n", heading);
  if (names.empty()) {
    std::printf("  (none)\n");
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::printf("  %zu%s %s\n", i + 1, static_cast<int>(i) == current ? "*" : " ",
                names[i].c_str());
  }
}

// --- Whole banks ---

// "item 5 of 452: int-inst:A05 Grand Pno", each item rewriting the line of the one before.
void ShowProgress(int position, int count, const BankTransfer::Slot& slot) {
  const std::string name = slot.item->Name();
  std::fprintf(stderr, "\r\033[Kitem %d of %d: %s%s%s", position + 1, count,
               ItemSlot{slot.layout, slot.index}.Label().c_str(), name.empty() ? "" : " ",
               name.c_str());
  std::fflush(stderr);
}

using BankTransferRun = BankTransfer::Summary (*)(MidiControl&, std::span<const BankTransfer::Slot>,
                                                  const BankTransfer::Progress&,
                                                  const std::atomic<bool>&);

// Runs a transfer of every slot of `banks`, its progress shown while standard error is a
// terminal; a port error that ended it is printed.
BankTransfer::Summary TransferBanks(const char* verb, BankTransferRun run, MidiControl& control,
                                    S2A_File& document, std::span<const BankLayout* const> banks) {
  const bool onTerminal = isatty(STDERR_FILENO) != 0;
  const std::vector<BankTransfer::Slot> slots = BankTransfer::SlotsOf(document, banks);
  const std::atomic<bool> cancel{false};
  BankTransfer::Summary summary =
      run(control, slots, onTerminal ? BankTransfer::Progress(ShowProgress) : nullptr, cancel);
  if (onTerminal) {
    std::fputs("\r\033[K", stderr);
  }
  if (!summary.portError.empty()) {
    std::fprintf(stderr, "corvale-cli: %s: %s\n", verb, summary.portError.c_str());
  }
  return summary;
}

// "Received 447 of 452 items; no answer for ext-inst:A01, ext-inst:A02" on standard error.
void PrintSummary(const char* done, const BankTransfer::Summary& summary, const char* missing) {
  std::string text = std::string(done) + " " + std::to_string(summary.transferred) + " of " +
                     std::to_string(summary.count) + " items";
  for (std::size_t i = 0; i < summary.missing.size(); ++i) {
    const BankTransfer::Slot& slot = summary.missing[i];
    text += (i == 0 ? std::string("; ") + missing + " " : std::string(", ")) +
            ItemSlot{slot.layout, slot.index}.Label();
  }
  std::fprintf(stderr, "%s\n", text.c_str());
}

int TransferStatus(const BankTransfer::Summary& summary) {
  return summary.missing.empty() && summary.portError.empty() ? kExitSuccess : kExitFailure;
}

// What arrived is saved to `out`, also when some items did not.
int ReceiveBanks(const char* verb, MidiControl& control, S2A_File& document,
                 std::span<const BankLayout* const> banks, const std::string& out) {
  const BankTransfer::Summary summary =
      TransferBanks(verb, &BankTransfer::Receive, control, document, banks);
  PrintSummary("Received", summary, summary.portError.empty() ? "no answer for" : "not received:");
  if (summary.transferred == 0) {
    return Failure(verb, "nothing was received; nothing written");
  }
  if (const int status = SaveDocument(verb, document, out); status != kExitSuccess) {
    return status;
  }
  return TransferStatus(summary);
}

int SendBanks(MidiControl& control, S2A_File& document, std::span<const BankLayout* const> banks) {
  const BankTransfer::Summary summary =
      TransferBanks("send", &BankTransfer::Send, control, document, banks);
  PrintSummary("Sent", summary, "not sent:");
  return TransferStatus(summary);
}

// --- One item ---

int SendItem(MidiControl& control, S2A_File& document, const ItemSlot& slot, bool toBuffer) {
  const Item& item = slot.ItemIn(document);
  std::size_t sevenBitBytes = 0;
  const int result = toBuffer
                         ? MidiTransfer::SendToBuffer(control, item, PrintStatus, &sevenBitBytes)
                         : MidiTransfer::Send(control, item, PrintStatus, &sevenBitBytes);
  if (result != 0) {
    return Failure("send", "a message could not be sent");
  }
  ReportSevenBitBytes("send", slot.Label(), item, sevenBitBytes);
  return kExitSuccess;
}

int ReceiveItem(MidiControl& control, S2A_File& document, const ItemSlot& slot, bool fromBuffer,
                const std::string& out) {
  Item& item = slot.ItemIn(document);
  MidiTransfer::MissingBlocks missing;
  const int result = fromBuffer
                         ? MidiTransfer::ReceiveFromBuffer(control, item, PrintStatus, &missing)
                         : MidiTransfer::Receive(control, item, PrintStatus, &missing);
  if (result != 0) {
    return Failure("receive", "nothing was received; nothing written");
  }
  // Saved, the zeroed blocks would replace the item's own in the file.
  if (missing.missing > 0) {
    return Failure("receive", "the answer was cut short: " + std::to_string(missing.missing) +
                                  " of " + std::to_string(missing.total) +
                                  " blocks did not arrive; nothing written");
  }
  return SaveDocument("receive", document, out);
}

std::optional<int> RefuseBufferForBanks(const char* verb, const MidiArguments& arguments,
                                        const TransferItems& items) {
  if (arguments.buffer && !items.slot) {
    return UsageError(std::string(verb) + ": --buffer takes one item (BANK:SLOT), not a bank");
  }
  return std::nullopt;
}

}  // namespace

int PortsVerb(std::span<const std::string> arguments) {
  MidiArguments parsed;
  if (const auto status = ParseMidiArguments("ports", arguments, false, parsed)) {
    return *status;
  }
  if (!parsed.words.empty()) {
    return UsageError("ports: expected no arguments but --in N and --out N");
  }
  return WithPorts("ports", parsed, PortsNeeded::None, [](MidiControl& control) {
    std::vector<std::string> names;
    control.ListInputDevices(names);
    PrintPorts("Input ports:", names, control.InputDeviceIndex());
    control.ListOutputDevices(names);
    PrintPorts("Output ports:", names, control.OutputDeviceIndex());
    return kExitSuccess;
  });
}

int SendVerb(std::span<const std::string> arguments) {
  MidiArguments parsed;
  if (const auto status = ParseMidiArguments("send", arguments, true, parsed)) {
    return *status;
  }
  if (parsed.words.size() != 2) {
    return UsageError("send: expected DOC ITEM [--buffer]");
  }
  const std::string& documentPath = parsed.words[0];
  if (!IsBankFile(documentPath)) {
    return WrongKind("send", documentPath, kBankFileKinds);
  }
  TransferItems items;
  if (const auto status =
          CheckTransferItems("send", std::span(&documentPath, 1), parsed.words[1], items)) {
    return *status;
  }
  if (const auto status = RefuseBufferForBanks("send", parsed, items)) {
    return *status;
  }
  return WithPorts("send", parsed, PortsNeeded::Output, [&](MidiControl& control) {
    S2A_File document;
    if (const int status = OpenDocument("send", documentPath, document); status != kExitSuccess) {
      return status;
    }
    return items.slot ? SendItem(control, document, *items.slot, parsed.buffer)
                      : SendBanks(control, document, items.banks);
  });
}

int ReceiveVerb(std::span<const std::string> arguments) {
  MidiArguments parsed;
  if (const auto status = ParseMidiArguments("receive", arguments, true, parsed)) {
    return *status;
  }
  if (parsed.words.size() != 2 && parsed.words.size() != 3) {
    return UsageError("receive: expected DOC ITEM [--buffer] [OUT]");
  }
  const std::string& documentPath = parsed.words[0];
  const std::string& out = parsed.words.size() == 3 ? parsed.words[2] : documentPath;
  if (!IsBankFile(documentPath)) {
    return WrongKind("receive", documentPath, kBankFileKinds);
  }
  TransferItems items;
  const std::string files[] = {documentPath, out};
  if (const auto status = CheckTransferItems("receive", files, parsed.words[1], items)) {
    return *status;
  }
  if (!IsBankFile(out)) {
    return WrongKind("receive", out, kBankFileKinds);
  }
  if (const auto status = RefuseBufferForBanks("receive", parsed, items)) {
    return *status;
  }
  return WithPorts("receive", parsed, PortsNeeded::InputAndOutput, [&](MidiControl& control) {
    S2A_File document;
    if (const int status = OpenDocument("receive", documentPath, document);
        status != kExitSuccess) {
      return status;
    }
    return items.slot ? ReceiveItem(control, document, *items.slot, parsed.buffer, out)
                      : ReceiveBanks("receive", control, document, items.banks, out);
  });
}

int BackupVerb(std::span<const std::string> arguments) {
  MidiArguments parsed;
  if (const auto status = ParseMidiArguments("backup", arguments, false, parsed)) {
    return *status;
  }
  if (parsed.words.size() != 1) {
    return UsageError("backup: expected OUT [--in N] [--out N]");
  }
  const std::string& out = parsed.words[0];
  if (!IsBankFile(out)) {
    return WrongKind("backup", out, kBankFileKinds);
  }
  TransferItems items;
  if (const auto status = CheckTransferItems("backup", std::span(&out, 1), "all", items)) {
    return *status;
  }
  return WithPorts("backup", parsed, PortsNeeded::InputAndOutput, [&](MidiControl& control) {
    S2A_File document;
    return ReceiveBanks("backup", control, document, items.banks, out);
  });
}
