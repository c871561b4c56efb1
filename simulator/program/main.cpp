// corvale-sim: the simulated S80 on the system's MIDI ports, for trying Corvale without an
// instrument and for testing it through a real MIDI server.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "files/DefaultFiles.h"
#include "files/DocumentFiles.h"
#include "files/FileFormat.h"
#include "model/S2A_File.h"
#include "simulator/LinkFaultOptions.h"
#include "simulator/SimulatedS80.h"
#include "simulator/SimulatorPorts.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: corvale-sim [-v] [--drop P] [--corrupt P] [--seed N] FILE.s2a\n"
               "       corvale-sim --help | --version\n\n"
               "Opens an input and an output MIDI port named \"Simulated S80\" on the running\n"
               "JACK server and on the ALSA sequencer, whichever are there, and answers them as\n"
               "an S80 whose memory holds the banks of FILE.s2a: dump requests are answered at\n"
               "the MIDI wire's rate, dumps sent to it are stored, bank select and program\n"
               "change select a program. Runs until interrupted (Ctrl-C).\n\n"
               "  -v           print one line for each request, stored dump and program\n"
               "               selection, and at the end what the link lost and changed\n"
               "%s",
               LinkFaultOptions::kHelp);
}

const char* SystemName(MidiSystem system) {
  return system == MidiSystem::kJack ? "JACK" : "ALSA";
}

// Ctrl-C and requests to end are blocked before any thread starts, so that only the wait in
// main receives them.
sigset_t BlockEndingSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  return signals;
}

// Until a signal ends the program (0), or every system's ports are gone (1). The simulator
// keeps what it receives for tests to look at; this program has no use for it.
int WaitForTheEnd(const sigset_t& endingSignals, const SimulatorPorts& ports,
                  SimulatedS80& synthesizer) {
  const timespec checkEvery{0, 200'000'000};
  while (sigtimedwait(&endingSignals, nullptr, &checkEvery) < 0) {
    synthesizer.ClearReceivedMessages();
    if (ports.AllSystemsLost()) {
      std::fprintf(stderr, "corvale-sim: the MIDI server has stopped\n");
      return kExitFailure;
    }
  }
  return kExitSuccess;
}

}  // namespace

int main(int argc, char** argv) {
  DefaultFiles::Use();
  bool verbose = false;
  std::string file;
  SimulatedS80::Faults faults;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "-h" || argument == "--help") {
      PrintUsage(stdout);
      return kExitSuccess;
    }
    if (argument == "--version") {
      std::printf("corvale-sim %s\n%s", CORVALE_VERSION, CORVALE_NOTICE);
      return kExitSuccess;
    }
    if (LinkFaultOptions::IsOption(argument)) {
      std::string error;
      if (i + 1 == argc) {
        std::fprintf(stderr, "corvale-sim: %s needs a value\n", argument.c_str());
        return kExitUsage;
      }
      if (!LinkFaultOptions::Set(argument, argv[++i], faults, error)) {
        std::fprintf(stderr, "corvale-sim: %s\n", error.c_str());
        return kExitUsage;
      }
    } else if (argument == "-v") {
      verbose = true;
    } else if (file.empty() && !argument.starts_with("-")) {
      file = argument;
    } else {
      PrintUsage(stderr);
      return kExitUsage;
    }
  }
  if (file.empty()) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  S2A_File memory;
  if (!HasExtension(file, "s2a") || !OpenBankFile(memory, file).PassOn().Succeeded()) {
    std::fprintf(stderr, "corvale-sim: %s could not be loaded as an .s2a file\n", file.c_str());
    return kExitFailure;
  }
  const sigset_t endingSignals = BlockEndingSignals();
  auto synthesizer = std::make_shared<SimulatedS80>();
  synthesizer->LoadMemory(memory);
  synthesizer->SetFaults(faults);
  SimulatorPorts::Log log;
  if (verbose) {
    log = [](const std::string& line) {
      std::printf("%s\n", line.c_str());
      std::fflush(stdout);
    };
  }
  SimulatorPorts ports(synthesizer, log);
  const std::vector<MidiSystem> systems = ports.Open();
  if (systems.empty()) {
    std::fprintf(stderr,
                 "corvale-sim: no MIDI system to open ports on (no JACK server is running and "
                 "there is no ALSA sequencer)\n");
    return kExitFailure;
  }
  for (const MidiSystem system : systems) {
    std::printf("Simulated S80 ready on %s\n", SystemName(system));
  }
  std::fflush(stdout);
  const int status = WaitForTheEnd(endingSignals, ports, *synthesizer);
  if (verbose) {
    const SimulatedS80::LinkFaultCounts counts = synthesizer->LinkFaults();
    std::printf("link: %zu messages lost, %zu changed\n", counts.dropped, counts.corrupted);
  }
  return status;
}
