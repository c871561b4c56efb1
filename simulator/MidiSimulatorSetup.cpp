#include "simulator/MidiSimulatorSetup.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "demo/DemoBank.h"
#include "files/DocumentFiles.h"
#include "files/FileFormat.h"
#include "midi/MidiWire.h"
#include "midi/ports/RtMidiPortLayer.h"
#include "midi/sysex/BulkDump.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"
#include "simulator/CombinedMidiPortLayer.h"
#include "simulator/LinkFaultOptions.h"
#include "simulator/LoopbackPortLayer.h"
#include "simulator/SimulatedS80.h"

namespace {

constexpr const char* kSimulatorVariable = "CORVALE_MIDI_SIMULATOR";
constexpr const char* kRateVariable = "CORVALE_MIDI_SIMULATOR_RATE";
constexpr const char* kSilentVariable = "CORVALE_MIDI_SIMULATOR_SILENT";
constexpr const char* kFaultsVariable = "CORVALE_MIDI_SIMULATOR_FAULTS";

std::weak_ptr<SimulatedS80>& Installed() {
  static std::weak_ptr<SimulatedS80> installed;
  return installed;
}

int ReadRate(int& rate, std::string& error) {
  const char* text = std::getenv(kRateVariable);
  rate = MidiWire::kDinBytesPerSecond;
  if (text == nullptr || *text == '\0') {
    return 0;
  }
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (*end != '\0' || value < 0 || value > 100'000'000) {
    error = std::string(kRateVariable) + "=" + text + " is no rate in bytes per second";
    return -1;
  }
  rate = static_cast<int>(value);
  return 0;
}

int ReadMemory(const std::string& source, S2A_File& memory, std::string& error) {
  if (source == "1") {
    DemoBank::FillDocument(memory);
    return 0;
  }
  if (!HasExtension(source, "s2a") || !OpenBankFile(memory, source).PassOn().Succeeded()) {
    error =
        std::string(kSimulatorVariable) + ": " + source + " could not be loaded as an .s2a file";
    return -1;
  }
  return 0;
}

// The memory location of a slot such as "int-inst:A03".
std::optional<BulkDump::Location> ReadSlot(std::string_view text, S2A_File& memory) {
  const std::size_t colon = text.find(':');
  const BankLayout* bank =
      colon == std::string_view::npos ? nullptr : FindBankLayoutByWord(text.substr(0, colon));
  const int index = bank == nullptr ? -1 : Bank::SlotIndexOfLabel(text.substr(colon + 1));
  if (index < 0 || index >= bank->capacity) {
    return std::nullopt;
  }
  return BulkDump::MemoryLocation(*bank->bankIn(memory).ItemAt(index));
}

int ReadSilentSlots(S2A_File& memory, std::vector<BulkDump::Location>& slots, std::string& error) {
  const char* text = std::getenv(kSilentVariable);
  std::string_view rest = text == nullptr ? "" : text;
  while (!rest.empty()) {
    const std::size_t comma = rest.find(',');
    const std::string_view slot = rest.substr(0, comma);
    const std::optional<BulkDump::Location> location = ReadSlot(slot, memory);
    if (!location) {
      error = std::string(kSilentVariable) + ": " + std::string(slot) +
              " is no slot such as int-inst:A03";
      return -1;
    }
    slots.push_back(*location);
    rest = comma == std::string_view::npos ? "" : rest.substr(comma + 1);
  }
  return 0;
}

int ReadLinkFaults(SimulatedS80::Faults& faults, std::string& error) {
  const char* text = std::getenv(kFaultsVariable);
  if (text == nullptr || LinkFaultOptions::SetAll(text, faults, error)) {
    return 0;
  }
  error = std::string(kFaultsVariable) + ": " + error;
  return -1;
}

}  // namespace

int InstallMidiPortLayerFromEnvironment(std::string& error) {
  const char* source = std::getenv(kSimulatorVariable);
  Installed().reset();
  // The system's ports, also when the simulator's variables cannot be used.
  InstallMidiPortLayer(MakeRtMidiPortLayer());
  if (source == nullptr || *source == '\0') {
    return 0;
  }
  int rate = 0;
  S2A_File memory;
  SimulatedS80::Faults faults;
  if (ReadRate(rate, error) != 0 || ReadMemory(source, memory, error) != 0 ||
      ReadSilentSlots(memory, faults.unanswered, error) != 0 ||
      ReadLinkFaults(faults, error) != 0) {
    return -1;
  }
  auto synthesizer = std::make_shared<SimulatedS80>(rate);
  synthesizer->LoadMemory(memory);
  synthesizer->SetFaults(faults);
  Installed() = synthesizer;
  InstallMidiPortLayer(std::make_unique<CombinedMidiPortLayer>(
      MakeRtMidiPortLayer(), std::make_unique<LoopbackPortLayer>(std::move(synthesizer))));
  return 0;
}

std::shared_ptr<SimulatedS80> InstalledSimulator() {
  return Installed().lock();
}
