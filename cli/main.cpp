// corvale-cli: the bank files of the Yamaha S80 from the command line.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/VerbArguments.h"
#include "cli/VerbSupport.h"
#include "cli/Verbs.h"
#include "files/DefaultFiles.h"
#include "files/SafeSave.h"

namespace {

// The options every verb takes, for the whole help and each verb's.
constexpr const char* kCommonOptions =
    "Options, anywhere among the arguments (\"--\" ends them: what follows is a word or file name\n"
    "even when it starts with -; a value as --name VALUE or --name=VALUE):\n"
    "  -q, --quiet       no transfer steps or progress on standard error; errors still print\n"
    "  -h, --help        this verb's usage (corvale-cli help VERB says the same)\n"
    "  --format FORMAT   what a file argument - (standard input or output) holds: s2a, s2v, s2e,\n"
    "                    s2i, syx, mid, ins or midnam; given twice, the first is standard\n"
    "                    input's, the second standard output's. list and library find also take\n"
    "                    --format tsv or json: one record a program for another program to read\n"
    "  --in PORT, --out PORT  the MIDI ports of a MIDI verb, by number or by a part of the name\n"
    "                    that only one port's name holds (in any letter case)\n";

void PrintVerb(std::FILE* out, const Verb& verb) {
  std::fprintf(out, "  %s\n      %s\n      Example: %s\n", verb.usage, verb.summary, verb.example);
}

void PrintHelp(std::FILE* out) {
  std::fprintf(out,
               "Usage: corvale-cli VERB [ARGUMENTS...] [OPTIONS...]\n"
               "       corvale-cli help [VERB] | --help | --version\n\n"
               "Verbs:\n");
  for (const Verb& verb : Verbs())
    PrintVerb(out, verb);
  std::fprintf(
      out,
      "\n%s"
      "\nExit status: 0 success, 1 failure (a file could not be loaded or saved, an item file\n"
      "holds an item of another kind, a MIDI port is missing or fails, no data was received,\n"
      "or an item of a bank transfer did not arrive or was not sent), 2 usage error.\n"
      "Results (listings, differences, the ports, what library find found, a file written to\n"
      "-) go to standard output; messages, the transfer steps and their outcome, and the\n"
      "progress of a bank transfer (while standard error is a terminal) to standard error.\n"
      "\nEnvironment:\n"
      "  CORVALE_SETTINGS          the settings file (default ~/.config/corvale/settings.conf)\n"
      "  CORVALE_LIBRARY           the library file (default\n"
      "                            $XDG_DATA_HOME/corvale/library.sqlite, ~/.local/share/...)\n"
      "  CORVALE_MIDI_SIMULATOR    1, or an .s2a file: adds the ports of a simulated S80 whose\n"
      "                            memory holds the example bank, or that file's banks\n"
      "  CORVALE_MIDI_SIMULATOR_RATE  the simulator's wire in bytes per second (default 3125;\n"
      "                            0: no pacing)\n"
      "  CORVALE_MIDI_SIMULATOR_SILENT  slots whose requests the simulator leaves unanswered,\n"
      "                            such as int-inst:A03,ext-perf:A01\n",
      kCommonOptions);
}

void PrintVerbHelp(const Verb& verb) {
  std::printf("Usage: corvale-cli %s\n      %s\n      Example: %s\n\n%s", verb.usage, verb.summary,
              verb.example, kCommonOptions);
}

const Verb* FindVerb(const std::string& name) {
  for (const Verb& verb : Verbs()) {
    if (name == verb.name)
      return &verb;
  }
  return nullptr;
}

int RunVerb(const Verb& verb, std::span<const std::string> arguments, const char*& verbName) {
  verbName = verb.name;
  CollectFileDiagnostics();
  const int status = verb.run(arguments);
  // What the file layers said without the verb failing (a file read only in part).
  if (const std::string rest = TakeFileDiagnostics(); !rest.empty())
    std::fprintf(stderr, "corvale-cli: %s: %s\n", verb.name, rest.c_str());
  return status;
}

// Runs the tool; `verbName` becomes the name of the verb that ran.
int Run(const std::vector<std::string>& given, const char*& verbName) {
  if (!given.empty() && given.front() == "--version") {
    std::printf("corvale-cli %s\n%s", CORVALE_VERSION, CORVALE_NOTICE);
    return kExitSuccess;
  }
  // The tool's own options, anywhere before "--".
  std::vector<std::string> arguments;
  bool help = false;
  bool optionsEnded = false;
  for (const std::string& argument : given) {
    optionsEnded = optionsEnded || argument == "--";
    if (optionsEnded || !IsToolOption(argument))
      arguments.push_back(argument);
    else if (argument == "-q" || argument == "--quiet")
      SetQuiet(true);
    else
      help = true;
  }
  if (arguments.empty()) {
    PrintHelp(help ? stdout : stderr);
    return help ? kExitSuccess : kExitUsage;
  }
  const std::string& first = arguments.front();
  if (first == "help") {
    if (arguments.size() == 1) {
      PrintHelp(stdout);
      return kExitSuccess;
    }
    help = true;
    arguments.erase(arguments.begin());
  }
  const Verb* verb = FindVerb(arguments.front());
  if (verb == nullptr) {
    if (arguments.front().starts_with("-") && arguments.front() != "-")
      return UsageError("unknown option " + arguments.front() + " (see corvale-cli --help)");
    return UsageError("unknown verb '" + arguments.front() + "' (see corvale-cli --help)");
  }
  if (help) {
    PrintVerbHelp(*verb);
    return kExitSuccess;
  }
  return RunVerb(*verb, std::span(arguments).subspan(1), verbName);
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
