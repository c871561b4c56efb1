#include "cli/ChosenPorts.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "cli/ExitStatus.h"
#include "cli/VerbSupport.h"
#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiDevice.h"
#include "midi/ports/MidiErrorReport.h"
#include "simulator/MidiSimulatorSetup.h"

namespace {

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

// "1 \"Midi Through\", 2 \"Simulated S80\"", the ports `numbers` picks of `names`.
std::string PortList(const std::vector<std::string>& names, const std::vector<int>& numbers) {
  std::string list;
  for (const int number : numbers)
    list += (list.empty() ? "" : ", ") + std::to_string(number + 1) + " \"" + names[number] + "\"";
  return list;
}

// Makes the ports chosen by --in and --out current for this run; usage errors return the
// status.
std::optional<int> UseChosenPorts(const char* verb, MidiControl& control,
                                  const PortOptions& options) {
  std::vector<std::string> names;
  if (options.inPort) {
    control.ListInputDevices(names);
    const std::optional<int> index = FindPort(verb, "input", *options.inPort, names);
    if (!index)
      return kExitUsage;
    control.UseInputDevice(*index);
  }
  if (options.outPort) {
    control.ListOutputDevices(names);
    const std::optional<int> index = FindPort(verb, "output", *options.outPort, names);
    if (!index)
      return kExitUsage;
    control.UseOutputDevice(*index);
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

}  // namespace

std::optional<int> FindPort(const char* verb, const char* direction, const std::string& text,
                            const std::vector<std::string>& names) {
  if (const std::optional<int> number = DecimalNumber(text, 4)) {
    if (*number <= static_cast<int>(names.size()))
      return *number - 1;
    UsageError(std::string(verb) + ": there is no " + direction + " port " + text +
               " (see corvale-cli ports)");
    return std::nullopt;
  }
  const auto lower = [](std::string word) {
    std::transform(word.begin(), word.end(), word.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return word;
  };
  const std::string part = lower(text);
  std::vector<int> holding;
  std::vector<int> all;
  for (int i = 0; i < static_cast<int>(names.size()); ++i) {
    all.push_back(i);
    const std::string name = lower(names[i]);
    if (name == part)
      return i;
    if (name.find(part) != std::string::npos)
      holding.push_back(i);
  }
  if (holding.size() == 1)
    return holding.front();
  if (holding.empty()) {
    UsageError(
        std::string(verb) + ": no " + direction + " port's name holds \"" + text + "\" (" +
        (all.empty() ? std::string("there are none") : "the ports: " + PortList(names, all)) + ")");
  } else {
    UsageError(std::string(verb) + ": the names of several " + direction + " ports hold \"" + text +
               "\": " + PortList(names, holding) + "; give more of the name, or its number");
  }
  return std::nullopt;
}

int WithPorts(const char* verb, const PortOptions& options, PortsNeeded needed,
              const std::function<int(MidiControl& control)>& work) {
  const CommandLineMidiErrors errors;
  if (const int status = SetUpPorts(verb); status != kExitSuccess) {
    return status;
  }
  MidiControl control;
  if (const auto status = UseChosenPorts(verb, control, options)) {
    return *status;
  }
  if (options.retries) {
    control.UseReceiveRetries(*options.retries);
  }
  if (options.verify) {
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
