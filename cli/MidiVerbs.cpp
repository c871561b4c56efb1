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
#include "files/SmartFile.h"
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
  std::optional<int> retries;  // for this run, instead of the setting
  bool verify = false;
};

// The options a verb takes beside --in and --out.
struct VerbOptions {
  bool buffer = false;
  bool retries = false;
  bool verify = false;
};

constexpr int kMostRetries = 99;

std::optional<int> ParsePortNumber(const std::string& text) {
  const std::optional<int> number = DecimalNumber(text, 4);
  return number && *number >= 1 ? number : std::nullopt;
}

// Usage errors return the status.
std::optional<int> ParseMidiArguments(const char* verb, std::span<const std::string> arguments,
                                      VerbOptions takes, MidiArguments& parsed) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--buffer" && takes.buffer) {
      parsed.buffer = true;
    } else if (argument == "--verify" && takes.verify) {
      parsed.verify = true;
    } else if (argument == "--retries" && takes.retries) {
      parsed.retries = i + 1 < arguments.size() ? DecimalNumber(arguments[++i], 2) : std::nullopt;
      if (!parsed.retries) {
        return UsageError(std::string(verb) + ": --retries needs a number from 0 to " +
                          std::to_string(kMostRetries));
      }
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
          // Over a step or progress line, when standard error is a terminal.
          std::fprintf(stderr, "%scorvale-cli: %s: %s\n", isatty(STDERR_FILENO) ? "\r\033[K" : "",
                       caption.c_str(), text.c_str());
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
  if (arguments.retries) {
    control.UseReceiveRetries(*arguments.retries);
  }
  if (arguments.verify) {
    control.UseVerifyAfterSending(true);
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

// The steps of one item's transfer: while standard error is a terminal, each rewrites one line
// there, which the outcome then replaces; elsewhere only the outcome is printed.
class StepLine {
 public:
  StepLine() : onTerminal_(isatty(STDERR_FILENO) != 0) {}
  ~StepLine() { Clear(); }
  StepLine(const StepLine&) = delete;
  StepLine& operator=(const StepLine&) = delete;

  MidiTransfer::StatusText Show() {
    return [this](const char* text) {
      last_ = text;
      if (onTerminal_) {
        std::fprintf(stderr, "\r\033[K%s", text);
        std::fflush(stderr);
      }
    };
  }
  // The outcome of a transfer that succeeded, with what it took.
  void Succeeded(const std::string& detail = "") {
    Clear();
    std::fprintf(stderr, "%s%s\n", last_.c_str(), detail.c_str());
  }
  // Takes the step off the terminal, for an error line to take its place.
  void Clear() {
    if (onTerminal_ && !last_.empty()) {
      std::fputs("\r\033[K", stderr);
    }
    onTerminal_ = false;
  }

 private:
  bool onTerminal_;
  std::string last_;
};

std::string Counted(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
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

// "item 5 of 452: int-inst:A05 Grand Pno", each item rewriting the line of the one before;
// "again, item 2 of 7: ..." in a round that asks again for what had not arrived.
void ShowProgress(const BankTransfer::Step& step) {
  const BankTransfer::Slot& slot = *step.slot;
  const std::string name = slot.item->PrintableName();
  std::fprintf(stderr, "\r\033[K%sitem %d of %d: %s%s%s", step.round > 0 ? "again, " : "",
               step.position + 1, step.count, ItemSlot{slot.layout, slot.index}.Label().c_str(),
               name.empty() ? "" : " ", name.c_str());
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

// "; not received: ext-inst:A01, ext-inst:A02", or nothing for no slots.
std::string SlotList(const char* heading, const std::vector<BankTransfer::Slot>& slots) {
  std::string text;
  for (const BankTransfer::Slot& slot : slots) {
    text += (text.empty() ? std::string("; ") + heading + " " : std::string(", ")) +
            ItemSlot{slot.layout, slot.index}.Label();
  }
  return text;
}

// On standard error: "Received 450 of 452 items; 31 needed a retry; not received: ext-inst:A01,
// ext-inst:A02", "Sent 63 of 64 items; 2 sent again; read back different: int-perf:A07".
void PrintSummary(bool received, const BankTransfer::Summary& summary) {
  std::string text = std::string(received ? "Received " : "Sent ") +
                     std::to_string(summary.transferred) + " of " + std::to_string(summary.count) +
                     " items";
  if (summary.retried > 0) {
    text += "; " + std::to_string(summary.retried) + (received ? " needed a retry" : " sent again");
  }
  text += SlotList("read back different:", summary.differing);
  text += SlotList(received ? "not received:" : "not sent:", summary.missing);
  std::fprintf(stderr, "%s\n", text.c_str());
}

int TransferStatus(const BankTransfer::Summary& summary) {
  return summary.Complete() ? kExitSuccess : kExitFailure;
}

// "mybackup.partial.s2e" beside "mybackup.s2e".
std::string PartialName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return path + ".partial";
  }
  return path.substr(0, dot) + ".partial" + path.substr(dot);
}

// What arrived is saved to `out`, also when some items did not: the slots that did not arrive
// keep what `document` held. A backup starts from the defaults, so an incomplete one never
// replaces `out` (the last complete backup, perhaps): it goes beside it (PartialName).
int ReceiveBanks(const char* verb, MidiControl& control, S2A_File& document,
                 std::span<const BankLayout* const> banks, const std::string& out, bool backup) {
  const BankTransfer::Summary summary =
      TransferBanks(verb, &BankTransfer::Receive, control, document, banks);
  PrintSummary(true, summary);
  if (summary.transferred == 0) {
    return Failure(verb, "nothing was received; nothing written");
  }
  if (backup && !summary.Complete()) {
    const std::string partial = PartialName(out);
    if (const int status = SaveDocument(verb, document, partial); status != kExitSuccess) {
      return status;
    }
    return Failure(verb, "the backup is incomplete: what arrived is in " + partial + "; " + out +
                             " was not written");
  }
  if (const int status = SaveDocument(verb, document, out); status != kExitSuccess) {
    return status;
  }
  return TransferStatus(summary);
}

int SendBanks(MidiControl& control, S2A_File& document, std::span<const BankLayout* const> banks) {
  const BankTransfer::Summary summary =
      TransferBanks("send", &BankTransfer::Send, control, document, banks);
  PrintSummary(false, summary);
  return TransferStatus(summary);
}

// A transfer that ends in a save finds out first whether the file can be written.
int CheckSavable(const char* verb, const std::string& path) {
  if (!SmartFile::CanSaveTo(path)) {
    return Failure(verb, path + ": cannot be written");
  }
  return kExitSuccess;
}

// --- One item ---

// ", read back the same" after a verified send's outcome.
std::string ReadBackNote(const MidiTransfer::SendReport& report) {
  if (!report.verified) {
    return "";
  }
  return report.resends > 0 ? ", read back the same after sending it again"
                            : ", read back the same";
}

int SendItem(MidiControl& control, S2A_File& document, const ItemSlot& slot, bool toBuffer) {
  const Item& item = slot.ItemIn(document);
  MidiTransfer::SendReport report;
  StepLine steps;
  const int result = toBuffer ? MidiTransfer::SendToBuffer(control, item, steps.Show(), &report)
                              : MidiTransfer::Send(control, item, steps.Show(), &report);
  steps.Clear();
  if (result != 0) {
    return Failure("send", report.differs ? "the item read back from the synthesizer differs from "
                                            "the one sent, also after sending it again"
                                          : "a message could not be sent");
  }
  steps.Succeeded(ReadBackNote(report));
  ReportSevenBitBytes("send", slot.Label(), item, report.sevenBitBytes);
  return kExitSuccess;
}

int ReceiveItem(MidiControl& control, S2A_File& document, const ItemSlot& slot, bool fromBuffer,
                const std::string& out) {
  Item& item = slot.ItemIn(document);
  MidiTransfer::ReceiveReport report;
  StepLine steps;
  const int result = fromBuffer
                         ? MidiTransfer::ReceiveFromBuffer(control, item, steps.Show(), &report)
                         : MidiTransfer::Receive(control, item, steps.Show(), &report);
  steps.Clear();
  if (result != 0) {
    return Failure("receive", "nothing was received; nothing written");
  }
  // Saved, the zeroed blocks would replace the item's own in the file.
  if (report.missingBlocks > 0) {
    const std::string retried =
        report.retries > 0 ? ", also after " + Counted(report.retries, "retry", "retries") : "";
    return Failure("receive", "the answer was cut short: " + std::to_string(report.missingBlocks) +
                                  " of " + std::to_string(report.totalBlocks) +
                                  " blocks did not arrive" + retried + "; nothing written");
  }
  if (const int status = SaveDocument("receive", document, out); status != kExitSuccess) {
    return status;
  }
  steps.Succeeded(report.retries > 0 ? " after " + Counted(report.retries, "retry", "retries")
                                     : "");
  return kExitSuccess;
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
  if (const auto status = ParseMidiArguments("ports", arguments, {}, parsed)) {
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
  if (const auto status = ParseMidiArguments(
          "send", arguments, {.buffer = true, .retries = true, .verify = true}, parsed)) {
    return *status;
  }
  if (parsed.words.size() != 2) {
    return UsageError("send: expected DOC ITEM [--buffer] [--verify] [--retries N]");
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
  if (const auto status =
          ParseMidiArguments("receive", arguments, {.buffer = true, .retries = true}, parsed)) {
    return *status;
  }
  if (parsed.words.size() != 2 && parsed.words.size() != 3) {
    return UsageError("receive: expected DOC ITEM [--buffer] [--retries N] [OUT]");
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
    if (const int status = CheckSavable("receive", out); status != kExitSuccess) {
      return status;
    }
    return items.slot ? ReceiveItem(control, document, *items.slot, parsed.buffer, out)
                      : ReceiveBanks("receive", control, document, items.banks, out, false);
  });
}

int BackupVerb(std::span<const std::string> arguments) {
  MidiArguments parsed;
  if (const auto status = ParseMidiArguments("backup", arguments, {.retries = true}, parsed)) {
    return *status;
  }
  if (parsed.words.size() != 1) {
    return UsageError("backup: expected OUT [--retries N] [--in N] [--out N]");
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
    if (const int status = CheckSavable("backup", out); status != kExitSuccess) {
      return status;
    }
    if (const int status = CheckSavable("backup", PartialName(out)); status != kExitSuccess) {
      return status;
    }
    S2A_File document;
    return ReceiveBanks("backup", control, document, items.banks, out, true);
  });
}
