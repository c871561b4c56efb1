#include "simulator/MidiSimulatorSetup.h"

#include <cstdlib>
#include <memory>

#include "demo/DemoBank.h"
#include "files/FileExtension.h"
#include "midi/MidiWire.h"
#include "midi/ports/RtMidiPortLayer.h"
#include "model/S2A_File.h"
#include "simulator/CombinedMidiPortLayer.h"
#include "simulator/LoopbackPortLayer.h"
#include "simulator/SimulatedS80.h"

namespace {

constexpr const char* kSimulatorVariable = "CORVALE_MIDI_SIMULATOR";
constexpr const char* kRateVariable = "CORVALE_MIDI_SIMULATOR_RATE";

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
  if (!HasExtension(source, "s2a") || OpenBankFile(memory, source) != 0) {
    error =
        std::string(kSimulatorVariable) + ": " + source + " could not be loaded as an .s2a file";
    return -1;
  }
  return 0;
}

}  // namespace

int InstallMidiPortLayerFromEnvironment(std::string& error) {
  const char* source = std::getenv(kSimulatorVariable);
  if (source == nullptr || *source == '\0') {
    InstallMidiPortLayer(MakeRtMidiPortLayer());
    return 0;
  }
  int rate = 0;
  S2A_File memory;
  if (ReadRate(rate, error) != 0 || ReadMemory(source, memory, error) != 0) {
    return -1;
  }
  auto synthesizer = std::make_shared<SimulatedS80>(rate);
  synthesizer->LoadMemory(memory);
  InstallMidiPortLayer(std::make_unique<CombinedMidiPortLayer>(
      MakeRtMidiPortLayer(), std::make_unique<LoopbackPortLayer>(std::move(synthesizer))));
  return 0;
}
