#include "cli/MidiVerbs.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "cli/VerbSupport.h"
#include "cli/Verbs.h"
#include "files/FileExtension.h"
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

// Opens DOC and checks ITEM; the MIDI work comes after, so nothing is sent for bad arguments.
struct TransferTarget {
  S2A_File document;
  std::optional<ItemSlot> slot;
};

}  // namespace

int PortsVerb(std::span<const std::string> arguments) {
  MidiArguments parsed;
  if (const auto status = ParseMidiArguments("ports", arguments, false, parsed)) {
    return *status;
  }
  if (!parsed.words.empty()) {
    return UsageError("ports: expected no arguments but --in N and --out N");
  }
  const CommandLineMidiErrors errors;
  if (const int status = SetUpPorts("ports"); status != kExitSuccess) {
    return status;
  }
  MidiControl control;
  if (const auto status = UseChosenPorts("ports", control, parsed)) {
    return *status;
  }
  std::vector<std::string> names;
  control.ListInputDevices(names);
  PrintPorts("Input ports:", names, control.InputDeviceIndex());
  control.ListOutputDevices(names);
  PrintPorts("Output ports:", names, control.OutputDeviceIndex());
  return kExitSuccess;
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
  TransferTarget target;
  if (const auto status = CheckSlot("send", documentPath, parsed.words[1], target.slot)) {
    return *status;
  }
  const CommandLineMidiErrors errors;
  if (const int status = SetUpPorts("send"); status != kExitSuccess) {
    return status;
  }
  MidiControl control;
  if (const auto status = UseChosenPorts("send", control, parsed)) {
    return *status;
  }
  if (const int status = NeedPort("send", control.CurrentOutputDevice(), "output");
      status != kExitSuccess) {
    return status;
  }
  if (const int status = OpenDocument("send", documentPath, target.document);
      status != kExitSuccess) {
    return status;
  }
  const Item& item = target.slot->ItemIn(target.document);
  std::size_t sevenBitBytes = 0;
  const int result = parsed.buffer
                         ? MidiTransfer::SendToBuffer(control, item, PrintStatus, &sevenBitBytes)
                         : MidiTransfer::Send(control, item, PrintStatus, &sevenBitBytes);
  if (result != 0) {
    return Failure("send", "a message could not be sent");
  }
  ReportSevenBitBytes("send", target.slot->Label(), item, sevenBitBytes);
  return kExitSuccess;
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
  TransferTarget target;
  if (const auto status = CheckSlot("receive", documentPath, parsed.words[1], target.slot)) {
    return *status;
  }
  if (!IsBankFile(out)) {
    return WrongKind("receive", out, kBankFileKinds);
  }
  const CommandLineMidiErrors errors;
  if (const int status = SetUpPorts("receive"); status != kExitSuccess) {
    return status;
  }
  MidiControl control;
  if (const auto status = UseChosenPorts("receive", control, parsed)) {
    return *status;
  }
  for (const auto& [device, direction] : {std::pair{control.CurrentInputDevice(), "input"},
                                          std::pair{control.CurrentOutputDevice(), "output"}}) {
    if (const int status = NeedPort("receive", device, direction); status != kExitSuccess) {
      return status;
    }
  }
  if (const int status = OpenDocument("receive", documentPath, target.document);
      status != kExitSuccess) {
    return status;
  }
  Item& item = target.slot->ItemIn(target.document);
  const int result = parsed.buffer ? MidiTransfer::ReceiveFromBuffer(control, item, PrintStatus)
                                   : MidiTransfer::Receive(control, item, PrintStatus);
  if (result != 0) {
    return Failure("receive", "nothing was received; nothing written");
  }
  return SaveDocument("receive", target.document, out);
}
