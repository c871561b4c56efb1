// Times `corvale-cli backup` of every bank of the simulated synthesizer at the DIN wire rate,
// run in this process as the tool runs it, and sets it beside the wire time of its requests
// and answers (bytes / 3125 per second); then checks that the saved file holds the
// synthesizer's memory byte for byte.
//
//   corvale-bench-backup [BANK]    (BANK, such as int-perc, times `receive` of that bank alone
//                                   into a new file for a quick look; every bank when not given)
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
#include "files/FileExtension.h"
#include "midi/MidiWire.h"
#include "midi/ports/BankTransfer.h"
#include "midi/ports/MidiPortLayer.h"
#include "midi/settings/SettingsStore.h"
#include "midi/sysex/BulkDump.h"
#include "midi/sysex/SYX_File.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"
#include "simulator/LoopbackPortLayer.h"

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

}  // namespace

int main(int argc, char** argv) {
  const std::string word = argc > 1 ? argv[1] : "all";
  std::string error;
  const std::vector<const BankLayout*> banks = ParseBanks(word, error);
  if (banks.empty()) {
    std::fprintf(stderr, "corvale-bench-backup: %s\n", error.c_str());
    return 2;
  }
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("corvale-bench-backup-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  setenv("CORVALE_SETTINGS", (folder / "settings.conf").c_str(), 1);
  SettingsStore::WriteSettingString(Settings::kMidiInputDeviceName, LoopbackPortLayer::kPortName);
  SettingsStore::WriteSettingString(Settings::kMidiOutputDeviceName, LoopbackPortLayer::kPortName);
  const std::string memoryPath = folder / "memory.s2a";
  const std::string freshPath = folder / "fresh.s2a";
  const std::string out = folder / "backup.s2a";
  int status = 0;
  {
    S2A_File memory;
    DemoBank::FillDocument(memory);
    if (memory.Save(memoryPath) != 0 || S2A_File().Save(freshPath) != 0)
      return 1;
    setenv("CORVALE_MIDI_SIMULATOR", memoryPath.c_str(), 1);
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
    std::printf("%s of %s at %d bytes/s: %zu items, %zu bytes of requests and answers\n",
                word == "all" ? "backup" : "receive", word.c_str(), MidiWire::kDinBytesPerSecond,
                memorySlots.size(), bytes);
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
