// corvale-cli: the bank files of the Yamaha S80 from the command line.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/VerbSupport.h"
#include "cli/Verbs.h"
#include "files/DefaultFiles.h"
#include "files/SafeSave.h"

namespace {

void PrintHelp(std::FILE* out) {
  std::fprintf(out,
               "Usage: corvale-cli VERB [ARGUMENTS...]\n"
               "       corvale-cli --help | --version\n\n"
               "Verbs:\n");
  for (const Verb& verb : Verbs()) {
    std::fprintf(out, "  %s\n      %s\n      Example: %s\n", verb.usage, verb.summary,
                 verb.example);
  }
  std::fprintf(
      out,
      "\nExit status: 0 success, 1 failure (a file could not be loaded or saved, an item file\n"
      "holds an item of another kind, a MIDI port is missing or fails, no data was received,\n"
      "or an item of a bank transfer did not arrive or was not sent), 2 usage error.\n"
      "Loader messages go to standard error, listings and transfer steps to standard output;\n"
      "a bank transfer shows its progress on standard error while that is a terminal.\n"
      "\nEnvironment:\n"
      "  CORVALE_SETTINGS          the settings file (default ~/.config/corvale/settings.conf)\n"
      "  CORVALE_LIBRARY           the library file (default\n"
      "                            $XDG_DATA_HOME/corvale/library.sqlite, ~/.local/share/...)\n"
      "  CORVALE_MIDI_SIMULATOR    1, or an .s2a file: adds the ports of a simulated S80 whose\n"
      "                            memory holds the example bank, or that file's banks\n"
      "  CORVALE_MIDI_SIMULATOR_RATE  the simulator's wire in bytes per second (default 3125;\n"
      "                            0: no pacing)\n"
      "  CORVALE_MIDI_SIMULATOR_SILENT  slots whose requests the simulator leaves unanswered,\n"
      "                            such as int-inst:A03,ext-perf:A01\n");
}

// Runs the tool; `verbName` becomes the name of the verb that ran.
int Run(const std::vector<std::string>& arguments, const char*& verbName) {
  if (arguments.empty()) {
    PrintHelp(stderr);
    return kExitUsage;
  }
  const std::string& first = arguments.front();
  if (first == "--help" || first == "-h") {
    PrintHelp(stdout);
    return kExitSuccess;
  }
  if (first == "--version") {
    std::printf("corvale-cli %s\n", CORVALE_VERSION);
    return kExitSuccess;
  }
  for (const Verb& verb : Verbs()) {
    if (first == verb.name) {
      verbName = verb.name;
      CollectFileDiagnostics();
      const int status = verb.run(std::span(arguments).subspan(1));
      // What the file layers said without the verb failing (a file read only in part).
      if (const std::string rest = TakeFileDiagnostics(); !rest.empty())
        std::fprintf(stderr, "corvale-cli: %s: %s\n", verb.name, rest.c_str());
      return status;
    }
  }
  return UsageError("unknown verb '" + first + "' (see corvale-cli --help)");
}

// Output that did not reach standard output (a reader that went away, a full disk) fails the
// run with one line, as any other failure does.
int FinishOutput(const char* verbName, int status) {
  FlushOutput();
  if (OutputError() == 0)
    return status;
  std::fprintf(stderr, "corvale-cli: %s%sstandard output: %s\n", verbName ? verbName : "",
               verbName ? ": " : "", std::strerror(OutputError()));
  return status == kExitSuccess ? kExitFailure : status;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed pipe or the file size limit then fails a write instead of ending the tool.
  PrepareProcessForSaving();
  DefaultFiles::Use();
  const char* verbName = nullptr;
  const int status = Run(std::vector<std::string>(argv + 1, argv + argc), verbName);
  return FinishOutput(verbName, status);
}
