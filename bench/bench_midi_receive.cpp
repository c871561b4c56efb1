// Times one receive of an item of each kind from the simulated synthesizer at the DIN wire
// rate, through the real devices and the built-in receive settings: over the in-process
// loopback, then over the system's port layer to the simulator's ports on a JACK server of its
// own (at two period sizes; skipped where jackd is not installed). Prints how much longer each
// takes than it must: the wire time of the request and the answer (bytes / 3125 per
// second). A receive ends at its answer's footer; the quiet limit, printed beside, ends only
// answers that never complete.
//
//   corvale-bench-midi [RUNS]      (median of RUNS receives per kind, 3 when not given)
//
// The settings file the program reads is in a fresh folder under $TMPDIR, removed at the end.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "demo/DemoBank.h"
#include "files/DefaultFiles.h"
#include "midi/MidiWire.h"
#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiDevice.h"
#include "midi/ports/MidiTransfer.h"
#include "midi/ports/RtMidiPortLayer.h"
#include "midi/sysex/SYX_File.h"
#include "model/S2A_File.h"
#include "simulator/JackServerProcess.h"
#include "simulator/LoopbackPortLayer.h"
#include "simulator/SimulatedS80.h"
#include "simulator/SimulatorPorts.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

struct Figures {
  std::size_t bytes;
  double wireMs;
  double quietMs;
  double elapsedMs;
};

Figures TimeReceive(MidiControl& control, Item& target, int runs) {
  SYX_File answer;
  answer.StoreToMemory(target);
  const std::size_t bytes = answer.Bytes().size();
  const std::size_t requestBytes = 8;
  std::vector<double> elapsed;
  for (int run = 0; run < runs; ++run) {
    const Clock::time_point start = Clock::now();
    if (MidiTransfer::Receive(control, target, {}) != 0) {
      std::fprintf(stderr, "corvale-bench-midi: a receive brought no data\n");
      std::exit(1);
    }
    elapsed.push_back(Milliseconds(Clock::now() - start).count());
  }
  std::sort(elapsed.begin(), elapsed.end());
  const auto& input = static_cast<const MidiInDevice&>(*control.CurrentInputDevice());
  return {
      bytes,
      Milliseconds(MidiWire::WireTime(bytes + requestBytes, MidiWire::kDinBytesPerSecond)).count(),
      static_cast<double>(input.QuietLimit()), elapsed[elapsed.size() / 2]};
}

// One row per kind: the same first items of a fresh document, received over `path`.
void PrintRows(const char* path, MidiControl& control, int runs) {
  S2A_File fresh;
  for (Item* item : {static_cast<Item*>(fresh.InternalInstrumentBank().ItemAt(0)),
                     static_cast<Item*>(fresh.InternalPercussionBank().ItemAt(0)),
                     static_cast<Item*>(fresh.InternalPerformanceBank().ItemAt(0))}) {
    const Figures figures = TimeReceive(control, *item, runs);
    std::printf("%-24s %-12s %7zu %10.1f %10.1f %10.1f %10.1f\n", path, KindInfo(item->Kind()).name,
                figures.bytes, figures.wireMs, figures.quietMs, figures.elapsedMs,
                figures.elapsedMs - figures.wireMs);
  }
}

// The simulator's ports on a JACK server of the benchmark's own that passes data on every
// `framesPerPeriod` frames at 48 kHz, reached through the system's port layer.
void PrintJackRows(const S2A_File& document, int framesPerPeriod, int runs) {
  std::string error;
  const auto server = JackServerProcess::Start("corvale-bench-midi", error, framesPerPeriod);
  if (!server) {
    std::printf("JACK: %s\n", error.c_str());
    return;
  }
  auto synthesizer = std::make_shared<SimulatedS80>(MidiWire::kDinBytesPerSecond);
  synthesizer->LoadMemory(document);
  SimulatorPorts ports(synthesizer, nullptr);
  if (ports.Open().empty()) {
    std::printf("JACK: the simulator's ports did not open\n");
    return;
  }
  InstallMidiPortLayer(MakeRtMidiPortLayer());
  {
    MidiControl control;
    std::vector<std::string> inputs;
    control.ListInputDevices(inputs);
    const auto found = std::ranges::find(inputs, "Simulated S80 (JACK)");
    if (found == inputs.end() || inputs.size() != 1) {
      std::printf("JACK: the simulator's ports are not the only ones listed\n");
      return;
    }
    control.SelectInputDevice(0);
    control.SelectOutputDevice(0);
    const std::string path = "JACK, " + std::to_string(framesPerPeriod) + "-frame period";
    PrintRows(path.c_str(), control, runs);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("corvale-bench-midi-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  setenv("CORVALE_SETTINGS", (folder / "settings.conf").c_str(), 1);
  DefaultFiles::Use();
  {
    S2A_File document;
    DemoBank::FillDocument(document);
    auto synthesizer = std::make_shared<SimulatedS80>(MidiWire::kDinBytesPerSecond);
    synthesizer->LoadMemory(document);
    InstallMidiPortLayer(std::make_unique<LoopbackPortLayer>(synthesizer));
    {
      MidiControl control;
      std::printf("Receive at %d bytes/s, median of %d (timeout %d ms, %d buffers of %d bytes)\n",
                  MidiWire::kDinBytesPerSecond, runs, MidiControl::InputTimeout(),
                  MidiControl::InputBufferCount(), MidiControl::InputBufferSize());
      std::printf("%-24s %-12s %7s %10s %10s %10s %10s\n", "path", "kind", "bytes", "wire ms",
                  "quiet lim", "total ms", "beyond ms");
      PrintRows("in-process loopback", control, runs);
    }
    for (const int framesPerPeriod : {256, 1024}) {
      PrintJackRows(document, framesPerPeriod, runs);
    }
  }
  InstallMidiPortLayer(nullptr);
  std::filesystem::remove_all(folder);
  return 0;
}
