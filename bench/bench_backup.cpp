// Times `corvale-cli backup` of every bank of the simulated synthesizer at the DIN wire rate,
// run in this process as the tool runs it, and sets it beside the wire time of its requests
// and answers (bytes / 3125 per second); then checks that the saved file holds the
// synthesizer's memory byte for byte.
//
//   corvale-bench-backup [BANK] [--jack] [--drop P] [--corrupt P] [--seed N] [--runs N]
//                        [--rate B]
//
// BANK, such as int-perc, times `receive` of that bank alone into a new file for a quick look
// (every bank when not given). --jack goes through the system's port layer to the simulator's
// ports on a JACK server of the benchmark's own (256-frame periods), as corvale-sim opens them;
// otherwise through the simulator inside the process. --drop, --corrupt and --seed make the
// simulator's link lose and damage messages, as corvale-sim's options do. --runs N times one
// transfer over a clean link, then N over the lossy one, the seed one higher each run, and
// counts how many brought every item. --rate sets the simulator's wire rate in bytes per
// second (inside the process only), for a quicker count.
//
// The settings file, the library and the bank files are in a fresh folder under $TMPDIR, removed at
// the end.

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
#include "files/DocumentFiles.h"
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
  int runs = 0;
  std::string rate;
  SimulatedS80::Faults faults;
  std::string faultWords;
};

bool ReadChoices(int argc, char** argv, Choices& choices, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--jack") {
      choices.jack = true;
    } else if ((argument == "--runs" || argument == "--rate") && i + 1 < argc) {
      char* end = nullptr;
      const long value = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || value < 1 || value > 100'000'000) {
        error = argument + " needs a positive whole number";
        return false;
      }
      if (argument == "--runs")
        choices.runs = static_cast<int>(value);
      else
        choices.rate = argv[i];
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

// One transfer as the tool makes it, timed, and whether the saved file holds every item of the
// simulator's memory.
struct Run {
  double seconds = 0;
  bool complete = false;
  int differences = 0;
};

Run TimeOne(const std::string& word, std::span<const BankTransfer::Slot> memorySlots,
            std::span<const BankLayout* const> banks, const std::string& freshPath,
            const std::string& out) {
  // Where an incomplete transfer leaves what arrived.
  const std::string partial = std::filesystem::path(out).replace_extension(".partial.s2a");
  std::filesystem::remove(out);
  std::filesystem::remove(partial);
  const auto start = std::chrono::steady_clock::now();
  const std::string backup[] = {out};
  const std::string receive[] = {freshPath, word, out};
  const int verbStatus = word == "all" ? BackupVerb(backup) : ReceiveVerb(receive);
  Run run;
  run.seconds = Seconds(std::chrono::steady_clock::now() - start).count();
  S2A_File saved;
  const std::string& written = std::filesystem::exists(out) ? out : partial;
  run.differences =
      std::filesystem::exists(written) && OpenBankFile(saved, written).PassOn().Succeeded()
          ? CountDifferences(memorySlots, BankTransfer::SlotsOf(saved, banks))
          : static_cast<int>(memorySlots.size());
  run.complete = verbStatus == 0 && run.differences == 0;
  return run;
}

// The link's faults for one run, on the simulator in use.
void UseFaults(const Choices& choices, SimulatedS80::Faults faults, JackSimulator& jack) {
  if (jack.synthesizer) {
    jack.synthesizer->SetFaults(faults);
    return;
  }
  std::string words;
  if (faults.dropProbability > 0 || faults.corruptProbability > 0)
    words = choices.faultWords + " --seed " + std::to_string(faults.seed);
  setenv("CORVALE_MIDI_SIMULATOR_FAULTS", words.c_str(), 1);
}

double Median(std::vector<double> seconds) {
  std::ranges::sort(seconds);
  return seconds[seconds.size() / 2];
}

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
  // What arrives joins a library, as the tool's does: this one, not the user's.
  setenv("CORVALE_LIBRARY", (folder / "library.sqlite").c_str(), 1);
  const std::string portName = choices.jack ? std::string(SimulatorPorts::kPortName) + " (JACK)"
                                            : std::string(LoopbackPortLayer::kPortName);
  SettingsStore::WriteSettingString(Settings::kMidiInputDeviceName, portName);
  SettingsStore::WriteSettingString(Settings::kMidiOutputDeviceName, portName);
  const std::string memoryPath = folder / "memory.s2a";
  const std::string freshPath = folder / "fresh.s2a";
  const std::string out = folder / "backup.s2a";
  const int rate =
      choices.rate.empty() || choices.jack ? MidiWire::kDinBytesPerSecond : std::stoi(choices.rate);
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
      jack.ports = std::make_unique<SimulatorPorts>(jack.synthesizer, nullptr);
      if (jack.ports->Open().empty()) {
        std::fprintf(stderr, "corvale-bench-backup: the simulator's ports did not open\n");
        return 1;
      }
      unsetenv("CORVALE_MIDI_SIMULATOR");
    } else {
      setenv("CORVALE_MIDI_SIMULATOR", memoryPath.c_str(), 1);
    }
    if (choices.rate.empty() || choices.jack)
      unsetenv("CORVALE_MIDI_SIMULATOR_RATE");
    else
      setenv("CORVALE_MIDI_SIMULATOR_RATE", choices.rate.c_str(), 1);
    const std::vector<BankTransfer::Slot> memorySlots = BankTransfer::SlotsOf(memory, banks);
    const std::size_t bytes = WireBytes(memorySlots);
    const double wire = Seconds(MidiWire::WireTime(bytes, rate)).count();
    const auto items = static_cast<double>(memorySlots.size());
    std::printf(
        "%s of %s at %d bytes/s through %s%s%s: %zu items, %zu bytes of requests and "
        "answers\n",
        word == "all" ? "backup" : "receive", word.c_str(), rate,
        choices.jack ? "JACK" : "the simulator in the process",
        choices.faultWords.empty() ? "" : ", link ", choices.faultWords.c_str(), memorySlots.size(),
        bytes);
    std::printf("  wire time     %9.1f s\n", wire);

    if (choices.runs == 0) {
      UseFaults(choices, choices.faults, jack);
      const Run run = TimeOne(word, memorySlots, banks, freshPath, out);
      std::printf("  %-13s %9.1f s\n", word == "all" ? "backup" : "receive", run.seconds);
      std::printf("  overhead      %9.1f s  (%.1f %%; %.1f ms per item)\n", run.seconds - wire,
                  100.0 * (run.seconds - wire) / wire, 1000.0 * (run.seconds - wire) / items);
      std::printf("  saved items differing from the synthesizer's memory: %d\n", run.differences);
      status = run.complete ? 0 : 1;
    } else {
      UseFaults(choices, {}, jack);
      const Run clean = TimeOne(word, memorySlots, banks, freshPath, out);
      std::printf("  clean link    %9.1f s%s\n", clean.seconds,
                  clean.complete ? "" : "  (incomplete)");
      std::vector<double> seconds;
      int complete = 0;
      for (int i = 1; i <= choices.runs; ++i) {
        SimulatedS80::Faults faults = choices.faults;
        faults.seed = choices.faults.seed + static_cast<std::uint64_t>(i);
        UseFaults(choices, faults, jack);
        const Run run = TimeOne(word, memorySlots, banks, freshPath, out);
        std::printf("  run %2d (seed %llu) %7.1f s  %s\n", i,
                    static_cast<unsigned long long>(faults.seed), run.seconds,
                    run.complete ? "complete"
                                 : (std::to_string(run.differences) + " items missing").c_str());
        std::fflush(stdout);
        seconds.push_back(run.seconds);
        complete += run.complete ? 1 : 0;
      }
      const double median = Median(seconds);
      std::printf("  complete      %d of %d\n", complete, choices.runs);
      std::printf("  lossy link    %9.1f s median (%.2f times the clean link), %.1f s to %.1f s\n",
                  median, median / clean.seconds, *std::ranges::min_element(seconds),
                  *std::ranges::max_element(seconds));
      status = complete == choices.runs && clean.complete ? 0 : 1;
    }
  }
  InstallMidiPortLayer(nullptr);
  std::filesystem::remove_all(folder);
  return status;
}
