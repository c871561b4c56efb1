#include "cli/MidiVerbs.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

#include "cli/ChosenPorts.h"
#include "cli/ExitStatus.h"
#include "cli/ReceivedToLibrary.h"
#include "cli/StandardStreams.h"
#include "cli/VerbArguments.h"
#include "cli/VerbSupport.h"
#include "files/FileFormat.h"
#include "files/SmartFile.h"
#include "library/LibraryAddition.h"
#include "midi/ports/BankTransfer.h"
#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiTransfer.h"
#include "midi/ports/TransferSummaryText.h"
#include "model/BankLayouts.h"
#include "model/CountText.h"
#include "model/S2A_File.h"

namespace {

// The arguments of a MIDI verb: its positional words and the options among them.
struct MidiArguments {
  std::vector<std::string> words;
  bool buffer = false;
  PortOptions ports;
  std::vector<std::string> formats;  // of "-", with `format`
};

// The options a verb takes beside --in and --out.
struct VerbOptions {
  bool buffer = false;
  bool retries = false;
  bool verify = false;
  bool format = false;
};

constexpr int kMostRetries = 99;

// Usage errors return the status.
std::optional<int> ParseMidiArguments(const char* verb, std::span<const std::string> arguments,
                                      VerbOptions takes, MidiArguments& parsed) {
  std::vector<OptionRule> options{{"--in", "a port number or name"},
                                  {"--out", "a port number or name"}};
  if (takes.buffer)
    options.push_back({"--buffer"});
  if (takes.verify)
    options.push_back({"--verify"});
  if (takes.retries)
    options.push_back({"--retries", "a number from 0 to 99"});
  if (takes.format)
    options.push_back({"--format", "a file format"});
  VerbArguments given;
  if (const int status = given.Parse(verb, arguments, options); status != kExitSuccess)
    return status;
  parsed.words = given.Words();
  parsed.buffer = given.Has("--buffer");
  parsed.ports.verify = given.Has("--verify");
  parsed.formats = given.Values("--format");
  if (const std::optional<std::string> retries = given.Value("--retries")) {
    parsed.ports.retries = DecimalNumber(*retries, 2);
    if (!parsed.ports.retries) {
      return UsageError(std::string(verb) + ": --retries needs a number from 0 to " +
                        std::to_string(kMostRetries));
    }
  }
  for (const char* option : {"--in", "--out"}) {
    const std::optional<std::string> port = given.Value(option);
    if (!port)
      continue;
    const bool numbered = DecimalNumber(*port, 9).has_value();
    if (port->empty() || (numbered && DecimalNumber(*port, 4).value_or(0) < 1)) {
      return UsageError(std::string(verb) + ": " + option + " " + *port +
                        ": expected a port number from 1 or a part of a port's name (see "
                        "corvale-cli ports)");
    }
    (option == std::string("--in") ? parsed.ports.inPort : parsed.ports.outPort) = port;
  }
  return std::nullopt;
}

// The steps of one item's transfer: while standard error is a terminal, each rewrites one line
// there, which the outcome then replaces; elsewhere only the outcome is printed.
class StepLine {
 public:
  StepLine() : onTerminal_(isatty(STDERR_FILENO) != 0 && !Quiet()) {}
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
    if (Quiet())
      return;
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

// Runs a transfer of every slot of `banks`, its progress shown while standard error is a
// terminal; a port error that ended it is printed.
BankTransfer::Summary TransferBanks(const char* verb, BankTransfer::Direction direction,
                                    MidiControl& control, S2A_File& document,
                                    std::span<const BankLayout* const> banks) {
  const bool onTerminal = isatty(STDERR_FILENO) != 0 && !Quiet();
  const std::vector<BankTransfer::Slot> slots = BankTransfer::SlotsOf(document, banks);
  const std::atomic<bool> cancel{false};
  BankTransfer::Summary summary =
      BankTransfer::Run(direction, control, slots,
                        onTerminal ? BankTransfer::Progress(ShowProgress) : nullptr, cancel);
  if (onTerminal) {
    std::fputs("\r\033[K", stderr);
  }
  if (!summary.portError.empty()) {
    std::fprintf(stderr, "corvale-cli: %s: %s\n", verb, summary.portError.c_str());
  }
  return summary;
}

// On standard error: "Received 450 of 452 items; 31 needed a retry; not received: ext-inst:A01,
// ext-inst:A02", "Sent 63 of 64 items; 2 sent again; read back different: int-perf:A07; not read
// back whole: int-perf:A09".
// With -q only a summary that names what failed.
void PrintSummary(BankTransfer::Direction direction, const BankTransfer::Summary& summary) {
  if (Quiet() && summary.Complete())
    return;
  const std::string line =
      TransferSummaryText::Of(summary, direction, [](const BankTransfer::Slot& slot) {
        return ItemSlot{slot.layout, slot.index}.Label();
      }).Line();
  std::fprintf(stderr, "%s\n", line.c_str());
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
      TransferBanks(verb, BankTransfer::Direction::kReceive, control, document, banks);
  PrintSummary(BankTransfer::Direction::kReceive, summary);
  if (summary.transferred == 0) {
    return Failure(verb, "nothing was received; nothing written");
  }
  std::vector<ReceivedProgram> received;
  for (const BankTransfer::Slot& slot :
       BankTransfer::Arrived(BankTransfer::SlotsOf(document, banks), summary)) {
    received.push_back(ReceivedProgram::CopyOf(*slot.item, slot.layout->word, slot.index));
  }
  KeepReceived(verb, received);
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
      TransferBanks("send", BankTransfer::Direction::kSend, control, document, banks);
  PrintSummary(BankTransfer::Direction::kSend, summary);
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
    return Failure(
        "send", report.differs ? "the item read back from the synthesizer differs from the one "
                                 "sent, also after sending it again"
                : report.unreadable ? "the item could not be read back whole from the synthesizer, "
                                      "also after sending it again"
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
        report.retries > 0 ? ", also after " + CountText(report.retries, "retry", "retries") : "";
    return Failure("receive", "the answer was cut short: " + std::to_string(report.missingBlocks) +
                                  " of " + std::to_string(report.totalBlocks) +
                                  " blocks did not arrive" + retried + "; nothing written");
  }
  if (const int status = SaveDocument("receive", document, out); status != kExitSuccess) {
    return status;
  }
  steps.Succeeded(report.retries > 0 ? " after " + CountText(report.retries, "retry", "retries")
                                     : "");
  const ReceivedProgram received[] = {
      fromBuffer ? ReceivedProgram::CopyOf(item)
                 : ReceivedProgram::CopyOf(item, slot.layout->word, slot.index)};
  KeepReceived("receive", received);
  return kExitSuccess;
}

std::optional<int> RefuseBufferForBanks(const char* verb, const MidiArguments& arguments,
                                        const TransferItems& items) {
  if (arguments.buffer && !items.slot) {
    return UsageError(std::string(verb) + ": --buffer takes one item (BANK:SLOT), not a bank");
  }
  return std::nullopt;
}

// Takes the --format values and replaces a DOC of "-" by a file holding standard input.
int TakeStandardInput(StandardStreams& streams, const MidiArguments& parsed, std::string& path) {
  std::string listing;
  if (const int status = streams.TakeFormats(parsed.formats, {}, listing); status != kExitSuccess) {
    return status;
  }
  return streams.Input(path);
}

}  // namespace

int PortsVerb(std::span<const std::string> arguments) {
  MidiArguments parsed;
  if (const auto status = ParseMidiArguments("ports", arguments, {}, parsed)) {
    return *status;
  }
  if (!parsed.words.empty()) {
    return UsageError("ports: expected no arguments but --in PORT and --out PORT");
  }
  return WithPorts("ports", parsed.ports, PortsNeeded::None, [](MidiControl& control) {
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
          "send", arguments, {.buffer = true, .retries = true, .verify = true, .format = true},
          parsed)) {
    return *status;
  }
  if (parsed.words.size() != 2) {
    return UsageError("send: expected DOC ITEM [--buffer] [--verify] [--retries N]");
  }
  StandardStreams streams("send");
  std::string documentPath = parsed.words[0];
  if (const int status = TakeStandardInput(streams, parsed, documentPath); status != kExitSuccess) {
    return status;
  }
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
  return WithPorts("send", parsed.ports, PortsNeeded::Output, [&](MidiControl& control) {
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
  if (const auto status = ParseMidiArguments(
          "receive", arguments, {.buffer = true, .retries = true, .format = true}, parsed)) {
    return *status;
  }
  if (parsed.words.size() != 2 && parsed.words.size() != 3) {
    return UsageError("receive: expected DOC ITEM [--buffer] [--retries N] [OUT]");
  }
  StandardStreams streams("receive");
  std::string documentPath = parsed.words[0];
  // OUT is DOC when not given: "-" then is standard output.
  std::string out = parsed.words.size() == 3 ? parsed.words[2] : documentPath;
  if (const int status = TakeStandardInput(streams, parsed, documentPath); status != kExitSuccess) {
    return status;
  }
  if (const int status = streams.Output(out); status != kExitSuccess) {
    return status;
  }
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
  return streams.Finish(
      WithPorts("receive", parsed.ports, PortsNeeded::InputAndOutput, [&](MidiControl& control) {
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
      }));
}

int BackupVerb(std::span<const std::string> arguments) {
  MidiArguments parsed;
  if (const auto status =
          ParseMidiArguments("backup", arguments, {.retries = true, .format = true}, parsed)) {
    return *status;
  }
  if (parsed.words.size() != 1) {
    return UsageError("backup: expected OUT [--retries N] [--in PORT] [--out PORT]");
  }
  StandardStreams streams("backup");
  std::string listing;
  if (const int status = streams.TakeFormats(parsed.formats, {}, listing); status != kExitSuccess) {
    return status;
  }
  // An incomplete backup to standard output goes there all the same, as receive's would.
  const bool toFile = parsed.words[0] != "-";
  std::string out = parsed.words[0];
  if (const int status = streams.Output(out); status != kExitSuccess) {
    return status;
  }
  if (!IsBankFile(out)) {
    return WrongKind("backup", out, kBankFileKinds);
  }
  TransferItems items;
  if (const auto status = CheckTransferItems("backup", std::span(&out, 1), "all", items)) {
    return *status;
  }
  return streams.Finish(
      WithPorts("backup", parsed.ports, PortsNeeded::InputAndOutput, [&](MidiControl& control) {
        if (const int status = CheckSavable("backup", out); status != kExitSuccess) {
          return status;
        }
        if (const int status = CheckSavable("backup", PartialName(out)); status != kExitSuccess) {
          return status;
        }
        S2A_File document;
        return ReceiveBanks("backup", control, document, items.banks, out, toFile);
      }));
}

int SendDocumentItem(const char* verb, std::span<const std::string> options, S2A_File& document,
                     const ItemSlot& slot, bool toBuffer) {
  MidiArguments parsed;
  if (const auto status =
          ParseMidiArguments(verb, options, {.retries = true, .verify = true}, parsed)) {
    return *status;
  }
  if (!parsed.words.empty()) {
    return UsageError(std::string(verb) + ": unexpected " + parsed.words.front());
  }
  return WithPorts(verb, parsed.ports, PortsNeeded::Output, [&](MidiControl& control) {
    return SendItem(control, document, slot, toBuffer);
  });
}
