// Times `corvale-cli backup` of every bank of the simulated synthesizer at the DIN wire rate,
// run in this process as the tool runs it, and sets it beside the wire time of its requests
// and answers (bytes / 3125 per second); then checks that the saved file holds the
// synthesizer's memory byte for byte.
//
//   corvale-bench-backup [BANK] [--jack] [--drop P] [--corrupt P] [--seed N]
//
// BANK, such as int-perc, times `receive` of that bank alone into a new file for a quick look
// (every bank when not given). --jack goes through the system's port layer to the simulator's
// ports on a JACK server of the benchmark's own (256-frame periods), as corvale-sim opens them;
// otherwise through the simulator inside the process. --drop, --corrupt and --seed make the
// simulator's link lose and damage messages, as corvale-sim's options do.
//
// The settings file and the bank files are in a fresh folder under $TMPDIR, removed at the end.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/ItemSlot.h"
#include "cli/MidiVerbs.h"
#include "demo/DemoBank.h"
#include "files/DefaultFiles.h"
#include "files/FileExtension.h"
#include "midi/MidiWire.h"
#include "midi/ports/BankTransfer.h"
#include "midi/ports/MidiPortLayer.h"
#include "midi/sysex/BulkDump.h"
#include "midi/sysex/SYX_File.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"
#include "settings/SettingsStore.h"
#include "simulator/JackServerProcess.h"
#include "simulator/LinkFaultOptions.h"
#include "simulator/LoopbackPortLayer.h"
#include "simulator/SimulatedS80.h"
#include "simulator/SimulatorPorts.h"

namespace {

using Seconds = std::chrono::duration<double>;

// The bytes on the wire in both directions: each item's dump request and its answer.
std::size_t WireBytes(std::span<const BankTransfer::Slot> slots) {
  std::size_t bytes = 0;
  for (const BankTransfer::Slot& slot : slots) {
    SYX_File answer;
    answer.AppendItemDump(*slot.item);
    const auto request =
        BulkDump::DumpRequest(BulkDump::HeaderAddress(*BulkDump::MemoryLocation(*slot.item)));
    bytes += request.size() + answer.Bytes().size();
  }
  return bytes;
}

// The slots of `saved` whose image differs from the same slot in `memory`.
int CountDifferences(std::span<const BankTransfer::Slot> memory,
                     std::span<const BankTransfer::Slot> saved) {
  int differences = 0;
  for (std::size_t i = 0; i < memory.size(); ++i) {
    const auto expected = memory[i].item->Data();
    const auto got = saved[i].item->Data();
    if (!std::equal(expected.begin(), expected.end(), got.begin(), got.end()))
      ++differences;
  }
  return differences;
}

// The benchmark's choices from its command line; false with `error` for one it does not take.
struct Choices {
  std::string word = "all";
  bool jack = false;
  SimulatedS80::Faults faults;
  std::string faultWords;
};

bool ReadChoices(int argc, char** argv, Choices& choices, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--jack") {
      choices.jack = true;
    } else if (LinkFaultOptions::IsOption(argument)) {
      if (i + 1 == argc) {
        error = argument + " needs a value";
        return false;
      }
      choices.faultWords += (choices.faultWords.empty() ? "" : " ") + argument + " " + argv[i + 1];
      if (!LinkFaultOptions::Set(argument, argv[++i], choices.faults, error))
        return false;
    } else {
      choices.word = argument;
    }
  }
  return true;
}

// The simulator's ports on a JACK server of the benchmark's own, for as long as it lives.
struct JackSimulator {
  std::unique_ptr<JackServerProcess> server;
  std::shared_ptr<SimulatedS80> synthesizer;
  std::unique_ptr<SimulatorPorts> ports;
};

}  // namespace

int main(int argc, char** argv) {
  DefaultFiles::Use();
  Choices choices;
  std::string error;
  if (!ReadChoices(argc, argv, choices, error)) {
    std::fprintf(stderr, "corvale-bench-backup: %s\n", error.c_str());
    return 2;
  }
  const std::string& word = choices.word;
  const std::vector<const BankLayout*> banks = ParseBanks(word, error);
  if (banks.empty()) {
    std::fprintf(stderr, "corvale-bench-backup: %s\n", error.c_str());
    return 2;
  }
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("corvale-bench-backup-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  setenv("CORVALE_SETTINGS", (folder / "settings.conf").c_str(), 1);
  const std::string portName = choices.jack ? std::string(SimulatorPorts::kPortName) + " (JACK)"
                                            : std::string(LoopbackPortLayer::kPortName);
  SettingsStore::WriteSettingString(Settings::kMidiInputDeviceName, portName);
  SettingsStore::WriteSettingString(Settings::kMidiOutputDeviceName, portName);
  const std::string memoryPath = folder / "memory.s2a";
  const std::string freshPath = folder / "fresh.s2a";
  const std::string out = folder / "backup.s2a";
  int status = 0;
  {
    S2A_File memory;
    DemoBank::FillDocument(memory);
    if (memory.Save(memoryPath) != 0 || S2A_File().Save(freshPath) != 0)
      return 1;
    JackSimulator jack;
    if (choices.jack) {
      jack.server = JackServerProcess::Start("corvale-bench-backup", error, 256);
      if (!jack.server) {
        std::fprintf(stderr, "corvale-bench-backup: %s\n", error.c_str());
        return 1;
      }
      jack.synthesizer = std::make_shared<SimulatedS80>();
      jack.synthesizer->LoadMemory(memory);
      jack.synthesizer->SetFaults(choices.faults);
      jack.ports = std::make_unique<SimulatorPorts>(jack.synthesizer, nullptr);
      if (jack.ports->Open().empty()) {
        std::fprintf(stderr, "corvale-bench-backup: the simulator's ports did not open\n");
        return 1;
      }
      unsetenv("CORVALE_MIDI_SIMULATOR");
    } else {
      setenv("CORVALE_MIDI_SIMULATOR", memoryPath.c_str(), 1);
      setenv("CORVALE_MIDI_SIMULATOR_FAULTS", choices.faultWords.c_str(), 1);
    }
    unsetenv("CORVALE_MIDI_SIMULATOR_RATE");
    const std::vector<BankTransfer::Slot> memorySlots = BankTransfer::SlotsOf(memory, banks);
    const std::size_t bytes = WireBytes(memorySlots);
    const double wire = Seconds(MidiWire::WireTime(bytes, MidiWire::kDinBytesPerSecond)).count();

    const auto start = std::chrono::steady_clock::now();
    const std::string backup[] = {out};
    const std::string receive[] = {freshPath, word, out};
    const int verbStatus = word == "all" ? BackupVerb(backup) : ReceiveVerb(receive);
    const double elapsed = Seconds(std::chrono::steady_clock::now() - start).count();

    S2A_File saved;
    const int differences = OpenBankFile(saved, out) == 0
                                ? CountDifferences(memorySlots, BankTransfer::SlotsOf(saved, banks))
                                : static_cast<int>(memorySlots.size());
    const auto items = static_cast<double>(memorySlots.size());
    std::printf(
        "%s of %s at %d bytes/s through %s%s%s: %zu items, %zu bytes of requests and "
        "answers\n",
        word == "all" ? "backup" : "receive", word.c_str(), MidiWire::kDinBytesPerSecond,
        choices.jack ? "JACK" : "the simulator in the process",
        choices.faultWords.empty() ? "" : ", link ", choices.faultWords.c_str(), memorySlots.size(),
        bytes);
    std::printf("  wire time     %9.1f s\n", wire);
    std::printf("  %-13s %9.1f s\n", word == "all" ? "backup" : "receive", elapsed);
    std::printf("  overhead      %9.1f s  (%.1f %%; %.1f ms per item)\n", elapsed - wire,
                100.0 * (elapsed - wire) / wire, 1000.0 * (elapsed - wire) / items);
    std::printf("  saved items differing from the synthesizer's memory: %d\n", differences);
    status = verbStatus == 0 && differences == 0 ? 0 : 1;
  }
  InstallMidiPortLayer(nullptr);
  std::filesystem::remove_all(folder);
  return status;
}
