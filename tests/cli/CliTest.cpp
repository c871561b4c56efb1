#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>

#include "cli/MidiVerbs.h"
#include "cli/Verbs.h"
#include "demo/DemoBank.h"
#include "files/DocumentFiles.h"
#include "files/FileFormat.h"
#include "files/INS_File.h"
#include "files/ItemFiles.h"
#include "files/MIDNAM_File.h"
#include "files/S2I_File.h"
#include "files/S2V_File.h"
#include "library/LibraryStore.h"
#include "midi/MidiWire.h"
#include "midi/ports/MidiPortLayer.h"
#include "midi/sysex/BulkDump.h"
#include "midi/sysex/SYX_File.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"
#include "settings/SettingsStore.h"
#include "simulator/MidiSimulatorSetup.h"
#include "simulator/SimulatedS80.h"
#include "tests/support/TestSupport.h"

namespace {

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

class CorvaleCli : public testing::Test {
 protected:
  void SetUp() override {
    const char* cli = std::getenv("CORVALE_CLI");
    if (cli == nullptr)
      GTEST_SKIP() << "CORVALE_CLI names the tool; ctest sets it";
    cli_ = cli;
    test::UseNoConfiguration(dir_);
    DemoBank::FillDocument(demo_);
    ASSERT_EQ(demo_.Save(dir_.File("demo.s2a")), 0);
  }

  ToolRun Invoke(const std::string& arguments) { return RunCommand("'" + cli_ + "' " + arguments); }

  // Runs a shell command line, collecting its output and its error stream.
  ToolRun RunCommand(const std::string& line) {
    const std::string errPath = dir_.File("stderr.txt");
    const std::string command = line + " 2>'" + errPath + "'";
    ToolRun run{};
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
      run.out.append(buffer, count);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const auto err = test::ReadBytes(errPath);
    run.err.assign(err.begin(), err.end());
    return run;
  }

  std::string Quoted(const std::string& name) { return "'" + dir_.File(name) + "'"; }

  test::TempDir dir_;
  std::string cli_;
  S2A_File demo_;
};

TEST_F(CorvaleCli, ListPrintsTheListingOfEveryFile) {
  S2V_File voices;
  voices.CopyBanksFrom(demo_);
  ASSERT_EQ(voices.Save(dir_.File("voices.S2V")), 0);
  S2I_File item;
  item.SetItem(*demo_.InternalInstrumentBank().ItemAt(0));
  ASSERT_EQ(item.Save(dir_.File("piano.s2i")), 0);

  const ToolRun run =
      Invoke("list " + Quoted("demo.s2a") + " " + Quoted("voices.S2V") + " " + Quoted("piano.s2i"));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("File \"" + dir_.File("demo.s2a") +
                         "\" (S2A File):\n  Voice:\n"
                         "\tint-inst:A01 Pf:Grand Pno\n"),
            std::string::npos);
  EXPECT_NE(run.out.find("\tint-perc:A01 Dr:Std Kit\n"), std::string::npos);
  EXPECT_NE(run.out.find("(S2V File):\n"), std::string::npos);
  EXPECT_NE(run.out.find("File " + dir_.File("piano.s2i") + " (S2I File):\n\tPf:Grand Pno\n"),
            std::string::npos);
}

TEST_F(CorvaleCli, ExitStatusTellsFailuresFromUsageErrors) {
  test::WriteBytes(dir_.File("broken.s2a"), std::vector<std::uint8_t>(100, 7));
  ToolRun run = Invoke("list " + Quoted("demo.s2a") + " " + Quoted("broken.s2a"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("(S2A File)"), std::string::npos) << "the good file is still listed";
  EXPECT_NE(run.err.find("Has Unknown format."), std::string::npos);

  run = Invoke("list " + Quoted("missing.s2v"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Error opening file: No such file or directory\n"), std::string::npos);
  EXPECT_FALSE(test::Exists(dir_.File("missing.s2v")));

  run = Invoke("list " + Quoted("demo.s2a") + " notes.txt");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "") << "nothing is loaded before the arguments are checked";
  EXPECT_NE(run.err.find("notes.txt: unknown extension"), std::string::npos);
  EXPECT_EQ(Invoke("list").status, 2);
  run = Invoke("frobnicate x.s2a");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("unknown verb 'frobnicate'"), std::string::npos);
}

// A first run (no configuration folder, no default files) lists and says nothing else; every
// failure is one line naming the verb, the file and the reason.
TEST_F(CorvaleCli, AFirstRunIsQuietAndEachFailureIsOneLine) {
  test::WriteBytes(dir_.File("broken.s2a"), std::vector<std::uint8_t>(100, 7));
  const struct {
    std::string arguments;
    std::string err;
  } cases[] = {
      {"list " + Quoted("demo.s2a"), ""},
      {"list " + Quoted("broken.s2a"), "corvale-cli: list: " + dir_.File("broken.s2a") +
                                           ": could not be loaded: Error: \"" +
                                           dir_.File("broken.s2a") + "\" Has Unknown format.\n"},
      {"convert " + Quoted("demo.s2a") + " " + Quoted("no/such/folder/x.s2a"),
       "corvale-cli: convert: " + dir_.File("no/such/folder/x.s2a") +
           ": could not be saved: Error opening file: No such file or directory\n"},
  };
  for (const auto& [arguments, err] : cases)
    EXPECT_EQ(Invoke(arguments).err, err) << arguments;
}

TEST_F(CorvaleCli, HelpAndVersion) {
  const ToolRun help = Invoke("--help");
  EXPECT_EQ(help.status, 0);
  // Each verb's usage line is followed by its example before the next verb begins.
  const char* const usages[] = {"list FILE... [--format text|tsv|json]", "convert IN OUT [--force]",
                                "export DOC ITEM OUT", "import DOC ITEM FILE [OUT]",
                                "\nExit status"};
  for (std::size_t i = 0; i + 1 < std::size(usages); ++i) {
    const std::size_t at = help.out.find(std::string("  ") + usages[i] + "\n");
    const std::size_t next = help.out.find(usages[i + 1]);
    ASSERT_NE(at, std::string::npos) << usages[i];
    const std::size_t example = help.out.find("Example: corvale-cli ", at);
    EXPECT_LT(example, next) << usages[i];
  }
  const ToolRun version = Invoke("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("corvale-cli ") + CORVALE_VERSION + "\n" + CORVALE_NOTICE);
  EXPECT_NE(version.out.find("\nLicense GPLv3+: GNU GPL version 3 or later "
                             "<https://gnu.org/licenses/gpl.html>.\n"),
            std::string::npos);
  EXPECT_NE(version.out.find("\nThere is NO WARRANTY"), std::string::npos);
}

using Bytes = std::vector<std::uint8_t>;

Bytes ImageOf(const Item& item) {
  return {item.Data().begin(), item.Data().end()};
}

Bytes EditBufferDumpOf(const Item& item) {
  SYX_File dump;
  dump.StoreToEditBuffer(item);
  return {dump.Bytes().begin(), dump.Bytes().end()};
}

TEST_F(CorvaleCli, ListShowsTheItemDumpsOfASysExFile) {
  SYX_File dumps;
  // Without the message of block 9, whose page holds block 8 too.
  SYX_File voiceDump;
  voiceDump.AppendItemDump(*demo_.InternalInstrumentBank().ItemAt(4));
  const auto voiceMessages = MidiWire::SysExMessages(voiceDump.Bytes());
  for (std::size_t i = 0; i < voiceMessages.size(); ++i) {
    if (i != 1 + 9)
      dumps.AppendBytes(voiceMessages[i]);
  }
  dumps.AppendItemDump(*demo_.ExternalPercussionBank().ItemAt(1));
  const Bytes damaged = {0xF0, 0x43, 0x00, 0x64, 0x7F};
  dumps.AppendBytes(damaged);
  dumps.AppendBytes(EditBufferDumpOf(*demo_.InternalPerformanceBank().ItemAt(0)));
  ASSERT_EQ(dumps.Save(dir_.File("dumps.syx")), 0);

  const ToolRun run = Invoke("list " + Quoted("dumps.syx"));
  EXPECT_EQ(run.status, 0) << run.err;
  const Item& voice = *demo_.InternalInstrumentBank().ItemAt(4);
  const Item& kit = *demo_.ExternalPercussionBank().ItemAt(1);
  const Item& performance = *demo_.InternalPerformanceBank().ItemAt(0);
  EXPECT_EQ(run.out, "File \"" + dir_.File("dumps.syx") + "\" (SysEx File):\n" +
                         "\tint-inst:A05: Instrument " + voice.CategoryName() + ":" + voice.Name() +
                         " (1 of 32 blocks missing)\n" + "\text-perc:A02: Percussion " +
                         kit.CategoryName() + ":" + kit.Name() + "\n" +
                         "\tPerformance edit buffer: Performance " + performance.CategoryName() +
                         ":" + performance.Name() + "\n" + "  Messages dropped as invalid: 1\n");
}

TEST_F(CorvaleCli, ConvertBetweenBankFilesAndToAnInstrumentDefinition) {
  ToolRun run = Invoke("convert " + Quoted("demo.s2a") + " " + Quoted("voices.s2v"));
  ASSERT_EQ(run.status, 0) << run.err;
  S2V_File voices;
  ASSERT_EQ(voices.Load(dir_.File("voices.s2v")), 0);
  EXPECT_EQ(ImageOf(*voices.ExternalInstrumentBank().ItemAt(127)),
            ImageOf(*demo_.ExternalInstrumentBank().ItemAt(127)));

  INS_File definition;
  definition.SetFileName(dir_.File("Set.INS"));
  definition.BuildInstrumentDefinition(demo_);
  MIDNAM_File names;
  names.SetFileName(dir_.File("Set.midnam"));
  names.BuildNameDocument(demo_);
  for (const SupportingFile* expected :
       std::initializer_list<const SupportingFile*>{&definition, &names}) {
    const std::string& path = *expected->FileName();
    run = Invoke("convert " + Quoted("demo.s2a") + " '" + path + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(test::ReadBytes(path),
              Bytes(expected->Text().Contents().begin(), expected->Text().Contents().end()));
  }

  run = Invoke("convert " + Quoted("demo.s2a") + " " + Quoted("out.s2i"));
  EXPECT_EQ(run.status, 2);
  run = Invoke("convert " + Quoted("demo.s2a") + " " + Quoted("out.txt"));
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("out.txt: unknown extension"), std::string::npos);
  run = Invoke("convert " + Quoted("missing.s2e") + " " + Quoted("out.s2a"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Error opening file: No such file or directory"), std::string::npos);
  EXPECT_EQ(Invoke("convert " + Quoted("demo.s2a")).status, 2);
  EXPECT_EQ(dir_.Entries(),
            (std::vector<std::string>{"Set.INS", "Set.midnam", "demo.s2a", "settings.conf",
                                      "stderr.txt", "voices.s2v"}));
}

TEST_F(CorvaleCli, ConvertCarriesWholeDocumentsThroughSysExAndMidiFiles) {
  const std::vector<std::string> steps = {"demo.s2a All.syx", "All.syx All.mid",
                                          "All.mid Back.syx"};
  for (const std::string& step : steps) {
    const std::size_t space = step.find(' ');
    const ToolRun run =
        Invoke("convert " + Quoted(step.substr(0, space)) + " " + Quoted(step.substr(space + 1)));
    ASSERT_EQ(run.status, 0) << step << ": " << run.err;
    EXPECT_EQ(run.err, "") << step;
  }
  // The document's round trip is the file layer's test; here the process's own part: the
  // messages copied as they are, the listing, and what a load skipped as one line.
  EXPECT_EQ(test::ReadBytes(dir_.File("Back.syx")), test::ReadBytes(dir_.File("All.syx")));
  ToolRun run = Invoke("list " + Quoted("All.mid"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
            "File \"" + dir_.File("All.mid") + "\" (Standard MIDI File):");
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 452 + 2);
  Bytes mixed = test::ReadBytes(dir_.File("All.syx"));
  const Bytes edit = EditBufferDumpOf(*demo_.InternalPerformanceBank().ItemAt(0));
  mixed.insert(mixed.end(), edit.begin(), edit.end());
  test::WriteBytes(dir_.File("mixed.syx"), mixed);
  run = Invoke("convert " + Quoted("mixed.syx") + " " + Quoted("mixed.s2a"));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "corvale-cli: convert: " + dir_.File("mixed.syx") +
                         ": 1 dump to an edit buffer placed nowhere\n");
  EXPECT_EQ(Invoke("convert " + Quoted("All.syx") + " " + Quoted("All.txt")).status, 2);
}

// A .mid that holds a song (notes, and a chunk of a type of its own, which is no damage) is not
// replaced by a conversion unless --force says so; a .mid of dumps is replaced at once.
TEST_F(CorvaleCli, ConvertReplacesASongOnlyWhenForced) {
  const Bytes song = {'M', 'T',  'h',  'd', 0,   0,   0,   6,   0,    0,  0,   1,  0,    96, 'M',
                      'T', 'r',  'k',  0,   0,   0,   12,  0,   0x90, 60, 100, 96, 0x80, 60, 0,
                      0,   0xFF, 0x2F, 0,   'X', 'y', 'z', 'w', 0,    0,  0,   2,  1,    2};
  test::WriteBytes(dir_.File("song.mid"), song);
  ToolRun run = Invoke("list " + Quoted("song.mid"));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.find("damaged"), std::string::npos) << run.out;
  const struct {
    std::string arguments;
    int status;
  } cases[] = {
      {Quoted("demo.s2a") + " " + Quoted("song.mid"), 1},
      {Quoted("demo.s2a") + " " + Quoted("song.syx"), 0},
      {Quoted("song.syx") + " " + Quoted("song.mid"), 1},
      {"--force " + Quoted("song.syx") + " " + Quoted("song.mid"), 0},
      {Quoted("demo.s2a") + " " + Quoted("song.mid"), 0},  // dumps only now
      {Quoted("demo.s2a") + " " + Quoted("song.mid") + " --force --force", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const Bytes before = test::ReadBytes(dir_.File("song.mid"));
    run = Invoke("convert " + c.arguments);
    EXPECT_EQ(run.status, c.status) << run.err;
    if (c.status == 1) {
      EXPECT_EQ(run.err, "corvale-cli: convert: " + dir_.File("song.mid") +
                             " holds 2 messages and events that no document keeps: dumps to an "
                             "edit buffer, other messages or MIDI events; --force replaces it all "
                             "the same\n");
      EXPECT_EQ(test::ReadBytes(dir_.File("song.mid")), before);
    }
  }
  EXPECT_NE(test::ReadBytes(dir_.File("song.mid")), song);
}

TEST_F(CorvaleCli, ConvertSingleItemsTakesTheFirstDumpOfASysExFile) {
  SYX_File dumps;
  dumps.AppendItemDump(*demo_.ExternalPerformanceBank().ItemAt(9));
  dumps.AppendItemDump(*demo_.InternalInstrumentBank().ItemAt(0));
  ASSERT_EQ(dumps.Save(dir_.File("two.syx")), 0);
  ToolRun run = Invoke("convert " + Quoted("two.syx") + " " + Quoted("perf.s2i"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("holds 2 item dumps; the first is used"), std::string::npos);
  S2I_File item;
  ASSERT_EQ(item.Load(dir_.File("perf.s2i")), 0);
  EXPECT_EQ(ImageOf(*item.GetItem(S2I_File::kAnyKind)),
            ImageOf(*demo_.ExternalPerformanceBank().ItemAt(9)));

  run = Invoke("convert " + Quoted("perf.s2i") + " " + Quoted("perf.syx"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(test::ReadBytes(dir_.File("perf.syx")),
            EditBufferDumpOf(*demo_.ExternalPerformanceBank().ItemAt(9)));

  // Bulk data without a header names no kind.
  SYX_File headless;
  headless.AppendMessage(0x40, 0x70, 0x00, Bytes(56, 1));
  ASSERT_EQ(headless.Save(dir_.File("headless.syx")), 0);
  run = Invoke("convert " + Quoted("headless.syx") + " " + Quoted("x.s2i"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("holds no item dump with a known location"), std::string::npos);
  EXPECT_FALSE(test::Exists(dir_.File("x.s2i")));
}

TEST_F(CorvaleCli, ExportWritesOneItemBySlotNumberOrLabel) {
  ToolRun run = Invoke("export " + Quoted("demo.s2a") + " int-inst:a05 " + Quoted("five.s2i"));
  ASSERT_EQ(run.status, 0) << run.err;
  S2I_File item;
  ASSERT_EQ(item.Load(dir_.File("five.s2i")), 0);
  EXPECT_EQ(ImageOf(*item.GetItem(S2I_File::kAnyKind)),
            ImageOf(*demo_.InternalInstrumentBank().ItemAt(4)));

  run = Invoke("export " + Quoted("demo.s2a") + " ext-perf:64 " + Quoted("last.syx"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(test::ReadBytes(dir_.File("last.syx")),
            EditBufferDumpOf(*demo_.ExternalPerformanceBank().ItemAt(63)));

  for (const char* bad : {"ext-perf:65", "int-perc:3", "int-perc:A03", "int-inst:0", "int-inst:I01",
                          "int-inst:A17", "int-inst", "organ:1", "int-inst:x"}) {
    run = Invoke("export " + Quoted("demo.s2a") + " " + bad + " " + Quoted("bad.s2i"));
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_NE(run.err.find("corvale-cli: export: "), std::string::npos) << bad;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << bad << ": one line";
  }
  EXPECT_FALSE(test::Exists(dir_.File("bad.s2i")));

  S2V_File voices;
  voices.CopyBanksFrom(demo_);
  ASSERT_EQ(voices.Save(dir_.File("voices.s2v")), 0);
  run = Invoke("export " + Quoted("voices.s2v") + " int-perf:1 " + Quoted("bad.s2i"));
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("holds no int-perf bank"), std::string::npos);
}

TEST_F(CorvaleCli, ImportReplacesOneItemAndRefusesAnotherKind) {
  const Bytes original = test::ReadBytes(dir_.File("demo.s2a"));
  S2I_File kit;
  kit.SetItem(*demo_.ExternalPercussionBank().ItemAt(1));
  ASSERT_EQ(kit.Save(dir_.File("kit.s2i")), 0);

  ToolRun run = Invoke("import " + Quoted("demo.s2a") + " int-inst:2 " + Quoted("kit.s2i") + " " +
                       Quoted("new.s2a"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("holds a Percussion item, but int-inst:A02"), std::string::npos);
  EXPECT_NE(run.err.find("nothing written"), std::string::npos);
  EXPECT_FALSE(test::Exists(dir_.File("new.s2a")));

  run = Invoke("import " + Quoted("demo.s2a") + " int-perc:1 " + Quoted("kit.s2i") + " " +
               Quoted("new.s2a"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(test::ReadBytes(dir_.File("demo.s2a")), original) << "DOC stays as it was";
  S2A_File changed;
  ASSERT_EQ(changed.Load(dir_.File("new.s2a")), 0);
  EXPECT_EQ(ImageOf(*changed.InternalPercussionBank().ItemAt(0)),
            ImageOf(*demo_.ExternalPercussionBank().ItemAt(1)));
  EXPECT_EQ(ImageOf(*changed.InternalPercussionBank().ItemAt(1)),
            ImageOf(*demo_.InternalPercussionBank().ItemAt(1)));
  EXPECT_TRUE(
      std::equal(changed.ClpBlock().begin(), changed.ClpBlock().end(), demo_.ClpBlock().begin()));

  // From a .syx dump, back into DOC itself.
  SYX_File lead;
  lead.StoreToMemory(*demo_.InternalPerformanceBank().ItemAt(5));
  ASSERT_EQ(lead.Save(dir_.File("lead.syx")), 0);
  run = Invoke("import " + Quoted("demo.s2a") + " ext-perf:H16 " + Quoted("lead.syx"));
  EXPECT_EQ(run.status, 2) << "ext-perf has 64 slots";
  run = Invoke("import " + Quoted("demo.s2a") + " ext-perf:D16 " + Quoted("lead.syx"));
  ASSERT_EQ(run.status, 0) << run.err;
  S2A_File updated;
  ASSERT_EQ(updated.Load(dir_.File("demo.s2a")), 0);
  EXPECT_EQ(ImageOf(*updated.ExternalPerformanceBank().ItemAt(63)),
            ImageOf(*demo_.InternalPerformanceBank().ItemAt(5)));

  run = Invoke("import " + Quoted("demo.s2a") + " int-inst:1 " + Quoted("missing.syx"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Error opening file: No such file or directory"), std::string::npos);
  EXPECT_FALSE(test::Exists(dir_.File("missing.syx")));
  EXPECT_EQ(Invoke("import " + Quoted("demo.s2a") + " int-inst:1").status, 2);
}

// What the tool found worth saying about a file it still used is one line on standard error: a
// bank file cut short, the dump of the slot's kind taken from several (the editor's rule), an
// unreadable settings file, or a pipe in its place, which is never waited for.
TEST_F(CorvaleCli, WhatAFileLackedIsOneLineOnStandardError) {
  const Bytes whole = test::ReadBytes(dir_.File("demo.s2a"));
  test::WriteBytes(dir_.File("cut.s2a"), Bytes(whole.begin(), whole.begin() + 100000));
  SYX_File four;  // an instrument, a kit, a performance, an instrument to the edit buffer
  four.AppendItemDump(*demo_.InternalInstrumentBank().ItemAt(0));
  four.AppendItemDump(*demo_.ExternalPercussionBank().ItemAt(1));
  four.AppendItemDump(*demo_.InternalPerformanceBank().ItemAt(5));
  four.AppendBytes(EditBufferDumpOf(*demo_.ExternalInstrumentBank().ItemAt(7)));
  ASSERT_EQ(four.Save(dir_.File("four.syx")), 0);
  ASSERT_EQ(mkdir(dir_.File("folder.conf").c_str(), 0700), 0);
  ASSERT_EQ(mkfifo(dir_.File("pipe.conf").c_str(), 0600), 0);
  const auto settingsLine = [&](const char* name, const std::string& reason) {
    return "corvale-cli: convert: Settings file \"" + dir_.File(name) +
           "\" could not be read: " + reason + "\n";
  };
  const std::pair<std::string, std::string> cases[] = {
      {"list " + Quoted("cut.s2a"),
       "corvale-cli: list: " + dir_.File("cut.s2a") + ": ends early: 324 items missing\n"},
      {"convert " + Quoted("cut.s2a") + " " + Quoted("out.s2v"),
       "corvale-cli: convert: " + dir_.File("cut.s2a") + ": ends early: 324 items missing\n"},
      {"import " + Quoted("demo.s2a") + " ext-inst:3 " + Quoted("four.syx") + " " +
           Quoted("new.s2a"),
       "corvale-cli: import: " + dir_.File("four.syx") +
           " holds 2 instrument dumps; the first is used\n"},
      {"env CORVALE_SETTINGS=" + Quoted("folder.conf"),
       settingsLine("folder.conf", std::strerror(EISDIR))},
      {"env CORVALE_SETTINGS=" + Quoted("pipe.conf"),
       settingsLine("pipe.conf", "not a regular file (a pipe)")},
  };
  for (const auto& [command, err] : cases) {
    // A settings case runs `convert` under `timeout`, which only turns a tool that would wait
    // for the pipe forever into a failure.
    const ToolRun run = command.starts_with("env ")
                            ? RunCommand("timeout 300 " + command + " '" + cli_ + "' convert " +
                                         Quoted("demo.s2a") + " " + Quoted("copy.s2v"))
                            : Invoke(command);
    EXPECT_EQ(run.status, 0) << command;
    EXPECT_EQ(run.err, err) << command;
  }
}

// Names are listed with their control bytes escaped: no escape sequence reaches the terminal and
// no line break adds a listing line.
TEST_F(CorvaleCli, ListingsEscapeTheControlBytesOfNames) {
  Item& title = *demo_.InternalInstrumentBank().ItemAt(0);
  Item& lines = *demo_.InternalInstrumentBank().ItemAt(1);
  std::memcpy(title.Data().data(), "\x1b]0;Pwn\x07\0\0", 10);  // would retitle the terminal
  std::memcpy(lines.Data().data(), "Two\nLines\0", 10);
  ASSERT_EQ(demo_.Save(dir_.File("names.s2a")), 0);
  S2I_File item;
  item.SetItem(title);
  ASSERT_EQ(item.Save(dir_.File("title.s2i")), 0);
  SYX_File dump;
  dump.StoreToMemory(lines);
  ASSERT_EQ(dump.Save(dir_.File("lines.syx")), 0);
  const std::string shownTitle = ":\\x1b]0;Pwn\\x07\n", shownLines = ":Two\\x0aLines\n";
  const std::pair<const char*, std::string> cases[] = {
      {"names.s2a", "\tint-inst:A01 " + title.CategoryName() + shownTitle},
      {"names.s2a", "\tint-inst:A02 " + lines.CategoryName() + shownLines},
      {"title.s2i", "\t" + title.CategoryName() + shownTitle},
      {"lines.syx", "int-inst:A02: Instrument " + lines.CategoryName() + shownLines}};
  for (const auto& [file, line] : cases) {
    const ToolRun run = Invoke("list " + Quoted(file));
    EXPECT_NE(run.out.find(line), std::string::npos) << file << "\n" << run.out;
  }
  // The paths of the File lines, as the names.
  for (const char* file : {"names.s2a", "lines.syx"}) {
    const std::string named = std::string("x\x1b]0;Pwn\x07\n") + file;
    std::filesystem::rename(dir_.File(file), dir_.File(named));
    const ToolRun run = Invoke("list " + Quoted(named));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("File \"" + dir_.File("x\\x1b]0;Pwn\\x07\\x0a") + file + "\" ("),
              std::string::npos)
        << run.out.substr(0, 200);
  }
}

// Neither a pipe nobody reads nor the file size limit ends a run: each gives one error line,
// exit status 1 and no file left behind.
TEST_F(CorvaleCli, WritesTheSystemRefusesGiveOneErrorLine) {
  // With default files the tool has nothing else to say.
  test::TempDir config;
  ASSERT_EQ(S2A_File().Save(config.File("Default All.s2a")), 0);
  for (const ItemKind kind : {ItemKind::Instrument, ItemKind::Percussion, ItemKind::Performance}) {
    S2I_File item;
    item.GetItem(static_cast<int>(kind));
    ASSERT_EQ(item.Save(config.File(KindInfo(kind).defaultFileName)), 0);
  }
  test::UseConfiguration(dir_, config.Path());

  test::TempDir out;
  const std::string log = dir_.File("child-stderr.txt");
  const std::string saved = out.File("x.s2a");
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"list", dir_.File("demo.s2a")}, "corvale-cli: list: standard output: Broken pipe\n"},
      {{"convert", dir_.File("demo.s2a"), saved},
       "corvale-cli: convert: " + saved +
           ": could not be saved: Error writing file: " + std::strerror(EFBIG) + "\n"},
  };
  for (const auto& [arguments, error] : cases) {
    const int status = test::RunInChild([&] {
      int ends[2];
      const rlimit limit{100 * 1024, 100 * 1024};
      if (std::freopen(log.c_str(), "w", stderr) == nullptr || pipe(ends) != 0 ||
          close(ends[0]) != 0 || dup2(ends[1], STDOUT_FILENO) < 0 ||
          setrlimit(RLIMIT_FSIZE, &limit) != 0) {
        return 90;
      }
      std::signal(SIGPIPE, SIG_DFL);
      std::signal(SIGXFSZ, SIG_DFL);
      std::vector<char*> argv{cli_.data()};
      for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      execv(cli_.c_str(), argv.data());
      return 127;
    });
    EXPECT_EQ(status, 1) << error;
    const auto printed = test::ReadBytes(log);
    EXPECT_EQ(std::string(printed.begin(), printed.end()), error);
    EXPECT_TRUE(out.Entries().empty());
  }
}

}  // namespace

// The MIDI verbs, against the simulated synthesizer whose memory holds demo.s2a.
class CorvaleCliMidi : public CorvaleCli {
 protected:
  void SetUp() override {
    CorvaleCli::SetUp();
    if (cli_.empty())
      return;
    // Pick the simulator's ports even where the system has ports of its own.
    SettingsStore::WriteSettingString("MidiInputDeviceName", "Simulated S80");
    SettingsStore::WriteSettingString("MidiOutputDeviceName", "Simulated S80");
    SettingsStore::WriteSettingInteger(Settings::kMidiInputTimeout, test::kPatientQuietMs);
    // Outcomes are compared whole; the test of the library's part turns it on.
    SettingsStore::WriteSettingInteger(Settings::kAddReceivedToLibrary, 0);
    other_.CopyFrom(demo_);
    DemoBank::FillDocument(other_, 2);
    ASSERT_EQ(other_.Save(dir_.File("other.s2a")), 0);
  }
  // `environment`: more VARIABLE=value words for the tool.
  ToolRun InvokeWithSimulator(const std::string& arguments, const std::string& environment = "") {
    return RunCommand("env CORVALE_MIDI_SIMULATOR=" + Quoted("demo.s2a") +
                      " CORVALE_MIDI_SIMULATOR_RATE=0 " + environment + " '" + cli_ + "' " +
                      arguments);
  }
  S2A_File other_;
};

TEST_F(CorvaleCliMidi, PortsListsTheSimulatorAndMarksTheCurrentPorts) {
  const ToolRun run = InvokeWithSimulator("ports");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Input ports:\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("* Simulated S80\nOutput ports:\n"), std::string::npos) << run.out;
  EXPECT_TRUE(run.out.ends_with("* Simulated S80\n")) << run.out;

  // Without the simulator this machine may have no ports at all; that is no error.
  const ToolRun plain = Invoke("ports");
  EXPECT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.err, "");
}

TEST_F(CorvaleCliMidi, ReceiveTakesTheSynthesizersItemIntoTheSlotAndSavesTheFile) {
  const ToolRun receive =
      InvokeWithSimulator("receive " + Quoted("other.s2a") + " ext-perf:4 " + Quoted("out.s2a"));
  ASSERT_EQ(receive.status, 0) << receive.err;
  EXPECT_EQ(receive.out, "");
  EXPECT_EQ(receive.err, "Receive Completed\n");
  S2A_File out;
  ASSERT_EQ(out.Load(dir_.File("out.s2a")), 0);
  const auto image = [](const Item* item) {
    return std::vector<std::uint8_t>(item->Data().begin(), item->Data().end());
  };
  EXPECT_EQ(image(out.ExternalPerformanceBank().ItemAt(3)),
            image(demo_.ExternalPerformanceBank().ItemAt(3)));
  EXPECT_EQ(image(out.ExternalPerformanceBank().ItemAt(2)),
            image(other_.ExternalPerformanceBank().ItemAt(2)));
  EXPECT_EQ(image(out.InternalInstrumentBank().ItemAt(0)),
            image(other_.InternalInstrumentBank().ItemAt(0)));
}

// Outcomes go to standard error, as every message of the tool; a failure says only the failure.
TEST_F(CorvaleCliMidi, SendAndReceiveSayTheirOutcomeOnStandardError) {
  const struct {
    std::string arguments;
    std::string environment;
    int status;
    std::string err;
  } cases[] = {
      {"send " + Quoted("other.s2a") + " int-inst:6 --buffer", "", 0, "Send to Buffer Completed\n"},
      {"send --out 1 " + Quoted("other.s2a") + " int-perc:2 --verify", "", 0,
       "Send Completed, read back the same\n"},
      {"receive " + Quoted("other.s2a") + " int-inst:6 --retries 0 " + Quoted("cut.s2a"),
       "CORVALE_MIDI_SIMULATOR_FAULTS='--drop 0.1 --seed 2'", 1,
       "corvale-cli: receive: the answer was cut short: 2 of 32 blocks did not arrive; nothing "
       "written\n"},
      {"receive " + Quoted("other.s2a") + " int-inst:6 " + Quoted("whole.s2a"),
       "CORVALE_MIDI_SIMULATOR_FAULTS='--drop 0.1 --seed 2'", 0,
       "Receive Completed after 1 retry\n"},
      {"send " + Quoted("other.s2a") + " int-inst:6 --verify --retries 0",
       "CORVALE_MIDI_SIMULATOR_FAULTS='--corrupt 1'", 1,
       "corvale-cli: send: the item could not be read back whole from the synthesizer, also "
       "after sending it again\n"},
  };
  for (const auto& [arguments, environment, status, err] : cases) {
    const ToolRun run = InvokeWithSimulator(arguments, environment);
    EXPECT_EQ(run.status, status) << arguments;
    EXPECT_EQ(run.out, "") << arguments;
    EXPECT_EQ(run.err, err) << arguments;
  }
  EXPECT_FALSE(test::Exists(dir_.File("cut.s2a")));
  S2A_File whole;
  ASSERT_EQ(whole.Load(dir_.File("whole.s2a")), 0);
  EXPECT_EQ(ImageOf(*whole.InternalInstrumentBank().ItemAt(5)),
            ImageOf(*demo_.InternalInstrumentBank().ItemAt(5)));
}

// What arrives whole joins the library with its slot as its reception; what is cut short does
// not; and a program of the library goes back to a slot or an edit buffer.
TEST_F(CorvaleCliMidi, ReceivedProgramsJoinTheLibraryAndGoBackFromIt) {
  SettingsStore::WriteSettingInteger(Settings::kAddReceivedToLibrary, 1);
  const std::string library = "CORVALE_LIBRARY=" + Quoted("lib.sqlite");
  const std::string drops = library + " CORVALE_MIDI_SIMULATOR_FAULTS='--drop 0.1 --seed 2'";
  const struct {
    std::string arguments;
    std::string environment;
    int status;
    std::string errEnd;
  } receives[] = {
      {"receive " + Quoted("other.s2a") + " int-inst:6 --retries 0 " + Quoted("cut.s2a"), drops, 1,
       "nothing written\n"},
      {"receive " + Quoted("other.s2a") + " int-inst:6 " + Quoted("one.s2a"), library, 0,
       "Kept in the library: 1 new program, 0 already known\n"},
      {"receive " + Quoted("other.s2a") + " int-perc " + Quoted("kits.s2a"), library, 0,
       " already known\n"},
  };
  for (const auto& [arguments, environment, status, errEnd] : receives) {
    const ToolRun run = InvokeWithSimulator(arguments, environment);
    EXPECT_EQ(run.status, status) << arguments;
    EXPECT_TRUE(run.err.ends_with(errEnd)) << run.err;
  }
  std::string error;
  auto store = LibraryStore::Open(dir_.File("lib.sqlite"), error, LibraryStore::Access::Read);
  ASSERT_TRUE(store) << error;
  std::int64_t count = 0;
  ASSERT_EQ(store->CountPrograms({}, count), 0);
  EXPECT_GT(count, 1);
  std::vector<ListedProgram> rows;
  ProgramFilter instruments;
  instruments.kind = ItemKind::Instrument;
  ASSERT_EQ(store->FetchPrograms(instruments, {nullptr, false, 0, 10}, rows), 0);
  ASSERT_EQ(rows.size(), 1u);
  std::vector<ProgramPlace> places;
  ASSERT_EQ(store->Places(rows[0].program.id, places), 0);
  ASSERT_EQ(places.size(), 1u);
  EXPECT_EQ(places[0].origin, ProgramPlace::Origin::Received);
  EXPECT_EQ(places[0].bank, "int-inst");
  EXPECT_EQ(places[0].slot, 5);
  const std::string id = std::to_string(rows[0].program.id);
  store.reset();

  const struct {
    std::string arguments;
    int status;
    std::string err;
  } sends[] = {
      {"library send " + id, 0, "Send to Buffer Completed\n"},
      {"library send " + id + " --slot int-inst:B02 --verify", 0,
       "Send Completed, read back the same\n"},
      {"library send " + id + " --slot int-perf:1", 2,
       "corvale-cli: library send: int-perf:A01 takes Performance programs, not Instrument "
       "ones\n"},
      {"library send 999", 1, ""},
  };
  for (const auto& [arguments, status, err] : sends) {
    const ToolRun run = InvokeWithSimulator(arguments, library);
    EXPECT_EQ(run.status, status) << arguments << run.err;
    if (!err.empty()) {
      EXPECT_EQ(run.err, err) << arguments;
    }
  }

  SettingsStore::WriteSettingInteger(Settings::kAddReceivedToLibrary, 0);
  const ToolRun quiet = InvokeWithSimulator(
      "receive " + Quoted("other.s2a") + " int-inst:7 " + Quoted("two.s2a"), library);
  EXPECT_EQ(quiet.err, "Receive Completed\n");
}

TEST_F(CorvaleCliMidi, BytesSentAsSevenBitValuesAreCountedOnOneLine) {
  Item& two = *other_.InternalInstrumentBank().ItemAt(0);
  two.Data()[kItemCategoryOffset] = 0xFF;
  two.Data().back() = 0x90;
  other_.InternalInstrumentBank().ItemAt(1)->Data()[kItemCategoryOffset] = 0xFF;
  ASSERT_EQ(other_.Save(dir_.File("high.s2a")), 0);
  const std::string doc = Quoted("high.s2a");
  ASSERT_EQ(InvokeWithSimulator("export " + doc + " int-inst:1 " + Quoted("two.s2i")).status, 0);
  const std::string twoBytes = " \"" + two.Name() + "\": 2 bytes sent as seven-bit values\n";
  const std::pair<std::string, std::string> cases[] = {
      {"export " + doc + " int-inst:1 " + Quoted("two.syx"), "export: int-inst:A01" + twoBytes},
      {"convert " + Quoted("two.s2i") + " " + Quoted("again.syx"),
       "convert: " + dir_.File("two.s2i") + twoBytes},
      {"send " + doc + " int-inst:1", "send: int-inst:A01" + twoBytes},
      {"send " + doc + " int-inst:A01 --buffer", "send: int-inst:A01" + twoBytes},
      {"export " + doc + " int-inst:2 " + Quoted("one.syx"),
       "export: int-inst:A02 \"" + other_.InternalInstrumentBank().ItemAt(1)->Name() +
           "\": 1 byte sent as a seven-bit value\n"},
      {"convert " + doc + " " + Quoted("all.mid"),
       "convert: " + dir_.File("all.mid") + ": 3 item bytes written as seven-bit values\n"},
      {"export " + doc + " int-inst:3 " + Quoted("none.syx"), ""}};
  for (const auto& [arguments, line] : cases) {
    const ToolRun run = InvokeWithSimulator(arguments);
    EXPECT_EQ(run.status, 0) << arguments;
    const std::size_t first = run.err.find("seven-bit");
    if (line.empty()) {
      EXPECT_EQ(first, std::string::npos) << run.err;
      continue;
    }
    EXPECT_NE(run.err.find("corvale-cli: " + line), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("seven-bit", first + 1), std::string::npos) << "once: " << run.err;
  }
}

TEST_F(CorvaleCliMidi, BadArgumentsAndMissingPortsTouchNothing) {
  const auto before = test::ReadBytes(dir_.File("other.s2a"));
  const std::string doc = Quoted("other.s2a");
  for (const std::string& arguments :
       {"receive " + doc + " int-inst:1 --in 0", "receive " + doc + " int-inst:1 --in 99",
        "receive " + doc + " int-inst:1 --out", "receive " + doc + " int-inst:1 --fast",
        "receive " + doc + " int-inst:129", "receive " + doc + " int-inst:1 out.ins", "send " + doc,
        "receive " + doc + " int-inst --buffer", "send " + doc + " all --buffer",
        "receive " + doc + " organ", "receive " + doc + " int-perf " + Quoted("out.s2v"),
        "receive " + doc + " int-inst:1 --retries", "receive " + doc + " int-inst:1 --retries x",
        "send " + doc + " int-inst:1 --retries 100", "receive " + doc + " int-inst:1 --verify",
        std::string("backup"), "backup " + Quoted("out.ins"), std::string("ports extra")}) {
    const ToolRun run = InvokeWithSimulator(arguments);
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_EQ(run.out, "") << arguments;
    EXPECT_NE(run.err.find("corvale-cli: "), std::string::npos) << run.err;
  }
  // No simulator: the ports this machine has may not include one that answers.
  SettingsStore::WriteSettingString("MidiInputDeviceName", "");
  const ToolRun bad = RunCommand("env CORVALE_MIDI_SIMULATOR=" + Quoted("missing.s2a") + " '" +
                                 cli_ + "' receive " + doc + " int-inst:1");
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("missing.s2a could not be loaded"), std::string::npos) << bad.err;
  EXPECT_EQ(test::ReadBytes(dir_.File("other.s2a")), before);
  EXPECT_FALSE(test::Exists(dir_.File("out.ins")));
}

namespace {

using Layouts = std::vector<const BankLayout*>;
const Layouts kExternalLayouts{&kExternalInstrumentLayout, &kExternalPercussionLayout,
                               &kExternalPerformanceLayout};

// Each bank `file` holds: the slots of the banks in `transferred` as in `from`, the others as in
// `rest`.
void ExpectBanks(S2A_File& got, const std::string& file, const Layouts& transferred, S2A_File& from,
                 S2A_File& rest) {
  for (const BankLayout& layout : kBankLayouts) {
    if (!BankFileHolds(file, layout))
      continue;
    const bool moved =
        std::find(transferred.begin(), transferred.end(), &layout) != transferred.end();
    for (int slot = 0; slot < layout.capacity; ++slot) {
      EXPECT_EQ(ImageOf(*layout.bankIn(got).ItemAt(slot)),
                ImageOf(*layout.bankIn(moved ? from : rest).ItemAt(slot)))
          << file << " " << layout.word << " " << slot;
    }
  }
}

}  // namespace

TEST_F(CorvaleCliMidi, WholeBanksArriveAsTheSynthesizerHoldsThem) {
  ASSERT_TRUE(SaveBankFile(other_, dir_.File("other.s2e")).Succeeded());
  const struct {
    std::string arguments;
    std::string written;
    Layouts received;
    std::string summary;
  } cases[] = {
      {"receive " + Quoted("other.s2a") + " int-perc " + Quoted("out.s2a"),
       "out.s2a",
       {&kInternalPercussionLayout},
       "Received 2 of 2 items\n"},
      {"receive " + Quoted("other.s2e") + " all", "other.s2e", kExternalLayouts,
       "Received 194 of 194 items\n"},
      {"backup --in 1 " + Quoted("backup.s2a"), "backup.s2a",
       Layouts{&kBankLayouts[0], &kBankLayouts[1], &kBankLayouts[2], &kBankLayouts[3],
               &kBankLayouts[4], &kBankLayouts[5]},
       "Received 452 of 452 items\n"},
  };
  for (const auto& [arguments, written, received, summary] : cases) {
    const ToolRun run = InvokeWithSimulator(arguments);
    EXPECT_EQ(run.status, 0) << arguments;
    EXPECT_EQ(test::WithoutRetryCount(run.err), summary) << arguments;
    EXPECT_EQ(run.out, "") << arguments;
    S2A_File got;
    ASSERT_TRUE(OpenBankFile(got, dir_.File(written)).Succeeded()) << arguments;
    ExpectBanks(got, written, received, demo_, other_);
  }
}

TEST_F(CorvaleCliMidi, SlotsWithoutAnAnswerAreNamedAndWhatArrivedIsSaved) {
  const auto before = test::ReadBytes(dir_.File("other.s2a"));
  ASSERT_TRUE(SaveBankFile(other_, dir_.File("old.s2e")).Succeeded());
  const auto oldBackup = test::ReadBytes(dir_.File("old.s2e"));
  const struct {
    std::string silent;
    std::string arguments;
    std::string err;
  } cases[] = {
      {"int-perc:A02", "receive " + Quoted("other.s2a") + " int-perc " + Quoted("some.s2a"),
       "Received 1 of 2 items; 1 needed a retry; not received: int-perc:A02\n"},
      {"ext-perc:A01,ext-perc:a02",
       "receive " + Quoted("other.s2a") + " ext-perc " + Quoted("none.s2a"),
       "Received 0 of 2 items; not received: ext-perc:A01, ext-perc:A02\n"
       "corvale-cli: receive: nothing was received; nothing written\n"},
      // An incomplete backup leaves the last one as it was and goes beside it.
      {"ext-perc:A02", "backup " + Quoted("old.s2e"),
       "Received 193 of 194 items; 1 needed a retry; not received: ext-perc:A02\n"
       "corvale-cli: backup: the backup is incomplete: what arrived is in " +
           dir_.File("old.partial.s2e") + "; " + dir_.File("old.s2e") + " was not written\n"},
      {"int-perc:A03", "backup " + Quoted("none.s2a"),
       "corvale-cli: backup: CORVALE_MIDI_SIMULATOR_SILENT: int-perc:A03 is no slot such as "
       "int-inst:A03\n"},
  };
  for (const auto& [silent, arguments, err] : cases) {
    const ToolRun run = InvokeWithSimulator(arguments, "CORVALE_MIDI_SIMULATOR_SILENT=" + silent);
    EXPECT_EQ(run.status, 1) << arguments;
    int retries = 0;
    int silentRetries = 0;
    EXPECT_EQ(test::WithoutRetryCount(run.err, &retries),
              test::WithoutRetryCount(err, &silentRetries))
        << arguments;
    EXPECT_GE(retries, silentRetries) << arguments;
  }
  EXPECT_FALSE(test::Exists(dir_.File("none.s2a")));
  EXPECT_EQ(test::ReadBytes(dir_.File("other.s2a")), before);
  EXPECT_EQ(test::ReadBytes(dir_.File("old.s2e")), oldBackup);
  S2A_File partial;
  ASSERT_TRUE(OpenBankFile(partial, dir_.File("old.partial.s2e")).Succeeded());
  EXPECT_EQ(ImageOf(*partial.ExternalPercussionBank().ItemAt(0)),
            ImageOf(*demo_.ExternalPercussionBank().ItemAt(0)));
  S2A_File some;
  ASSERT_EQ(some.Load(dir_.File("some.s2a")), 0);
  EXPECT_EQ(ImageOf(*some.InternalPercussionBank().ItemAt(0)),
            ImageOf(*demo_.InternalPercussionBank().ItemAt(0)));
  EXPECT_EQ(ImageOf(*some.InternalPercussionBank().ItemAt(1)),
            ImageOf(*other_.InternalPercussionBank().ItemAt(1)));
}

namespace {

// The simulator a verb run in the test's process installs, until the end of the test even when
// it fails.
struct SimulatorFromEnvironment {
  explicit SimulatorFromEnvironment(const std::string& memory) {
    setenv("CORVALE_MIDI_SIMULATOR", memory.c_str(), 1);
    setenv("CORVALE_MIDI_SIMULATOR_RATE", "0", 1);
  }
  ~SimulatorFromEnvironment() {
    InstallMidiPortLayer(nullptr);
    unsetenv("CORVALE_MIDI_SIMULATOR");
    unsetenv("CORVALE_MIDI_SIMULATOR_RATE");
  }
  SimulatorFromEnvironment(const SimulatorFromEnvironment&) = delete;
  SimulatorFromEnvironment& operator=(const SimulatorFromEnvironment&) = delete;
};

}  // namespace

// A transfer that ends in a save it cannot make fails before it asks the synthesizer for
// anything (a whole backup takes minutes).
TEST_F(CorvaleCliMidi, AFileThatCannotBeWrittenFailsBeforeAnythingIsAsked) {
  const SimulatorFromEnvironment simulator(dir_.File("demo.s2a"));
  const std::string nowhere = dir_.File("missing/out.s2a");
  const std::vector<std::string> runs[] = {
      {dir_.File("other.s2a"), "int-inst:1", nowhere},
      {dir_.File("other.s2a"), "all", nowhere},
  };
  for (const auto& arguments : runs) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReceiveVerb(arguments), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("corvale-cli: receive: " + nowhere +
                                                          ": cannot be written"),
              std::string::npos);
    EXPECT_TRUE(InstalledSimulator()->ReceivedMessages().empty());
  }
  testing::internal::CaptureStderr();
  EXPECT_EQ(BackupVerb(std::vector<std::string>{nowhere}), 1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot be written"), std::string::npos);
  EXPECT_TRUE(InstalledSimulator()->ReceivedMessages().empty());
}

// In this process, so that the simulator's memory can be looked at after the send.
TEST_F(CorvaleCliMidi, SentBanksLandInTheSynthesizersMemory) {
  ASSERT_TRUE(SaveBankFile(other_, dir_.File("other.s2e")).Succeeded());
  const SimulatorFromEnvironment simulator(dir_.File("demo.s2a"));
  const struct {
    std::string document;
    std::string item;
    Layouts sent;
    std::string summary;
  } cases[] = {
      {"other.s2a", "ext-perc", {&kExternalPercussionLayout}, "Sent 2 of 2 items\n"},
      {"other.s2e", "all", kExternalLayouts, "Sent 194 of 194 items\n"},
  };
  for (const auto& [document, item, sent, summary] : cases) {
    const std::string arguments[] = {dir_.File(document), item};
    testing::internal::CaptureStderr();
    EXPECT_EQ(SendVerb(arguments), 0) << document << " " << item;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), summary);
    const std::shared_ptr<SimulatedS80> synthesizer = InstalledSimulator();
    ASSERT_NE(synthesizer, nullptr);
    ExpectBanks(*synthesizer->MemorySnapshot(), "memory.s2a", sent, other_, demo_);
  }
}

TEST_F(CorvaleCli, DiffComparesFilesSlotsAndLibraryProgramsAndExitsAsCmpDoes) {
  constexpr int kElem2FilterByte5 = 418 + 5;
  Item& piano = *demo_.InternalInstrumentBank().ItemAt(0);
  piano.Data()[kElem2FilterByte5] = 0x0C;
  ASSERT_EQ(demo_.Save(dir_.File("demo.s2a")), 0);
  S2I_File changed;
  changed.SetItem(piano);
  ASSERT_EQ(changed.GetItem(S2I_File::kAnyKind)->SetName("Grand Pn2"), 0);
  changed.GetItem(S2I_File::kAnyKind)->Data()[kElem2FilterByte5] = 0x28;
  ASSERT_TRUE(ExportItemFile(changed, dir_.File("changed.s2i")).Succeeded());
  ASSERT_TRUE(ExportItemFile(changed, dir_.File("changed.syx")).Succeeded());
  const auto run = [&](const std::string& arguments) {
    return RunCommand("CORVALE_LIBRARY=" + Quoted("library.sqlite") + " '" + cli_ + "' " +
                      arguments);
  };

  ToolRun diff = run("diff library:1 " + Quoted("changed.s2i"));
  EXPECT_EQ(diff.status, 2);
  EXPECT_EQ(diff.err, "corvale-cli: diff: " + dir_.File("library.sqlite") + ": no library there\n");
  ASSERT_EQ(run("library add " + Quoted("changed.s2i")).status, 0);
  diff = run("diff " + Quoted("demo.s2a") + " int-inst:1 library:1");
  EXPECT_EQ(diff.status, 1) << diff.err;
  EXPECT_EQ(diff.out, "A: " + dir_.File("demo.s2a") +
                          " int-inst:A01 Pf:Grand Pno\nB: library:1 Pf:Grand Pn2\n"
                          "Name: Grand Pno -> Grand Pn2\nVoice Elem 2 Filter: 1 byte differs\n"
                          "  +5: 0C 28\n");
  diff = run("diff library:1 " + Quoted("changed.syx"));
  EXPECT_EQ(diff.status, 0) << diff.err;
  EXPECT_EQ(diff.out, "A: library:1 Pf:Grand Pn2\nB: " + dir_.File("changed.syx") +
                          " Pf:Grand Pn2\nThe two programs are identical\n");

  const std::pair<std::string, std::string> troubles[] = {
      {Quoted("demo.s2a") + " int-inst:1", "expected A B, each FILE, DOC ITEM or library:ID"},
      {Quoted("none.s2i") + " library:1", "none.s2i: could not be loaded: Error opening file"},
      {Quoted("demo.s2a") + " int-inst:1 " + Quoted("demo.s2a") + " int-perf:1",
       "A is an Instrument program and B a Performance program: only programs of one kind "
       "compare\n"},
  };
  for (const auto& [arguments, error] : troubles) {
    diff = run("diff " + arguments);
    EXPECT_EQ(diff.status, 2) << arguments;
    EXPECT_EQ(diff.out, "");
    EXPECT_NE(diff.err.find("corvale-cli: diff: "), std::string::npos) << diff.err;
    EXPECT_NE(diff.err.find(error), std::string::npos) << diff.err;
  }
}

namespace {

// Every verb of the table, and each action of library, prints its usage on standard output for
// --help, -h and help VERB, wherever the option stands and whatever else is given.
TEST_F(CorvaleCli, EveryVerbPrintsItsUsageForHelp) {
  for (const Verb& verb : Verbs()) {
    const std::string name = verb.name;
    for (const std::string& arguments :
         {name + " --help", name + " -h", "help " + name, name + " no-such.s2a --fast -h",
          "-h " + name, name == "library" ? "library find piano --help" : name + " --help"}) {
      const ToolRun run = Invoke(arguments);
      EXPECT_EQ(run.status, 0) << arguments << ": " << run.err;
      EXPECT_TRUE(run.out.starts_with(std::string("Usage: corvale-cli ") + verb.usage + "\n"))
          << arguments << ": " << run.out.substr(0, 100);
      EXPECT_EQ(run.err, "") << arguments;
    }
  }
  // After "--" it is a file name.
  const ToolRun named = Invoke("list -- --help");
  EXPECT_EQ(named.status, 2);
  EXPECT_NE(named.err.find("--help: unknown extension"), std::string::npos) << named.err;
  EXPECT_EQ(Invoke("help frobnicate").status, 2);
}

// "-" through a real pipe gives the bytes the same verb writes with files.
TEST_F(CorvaleCli, StandardInputAndOutputStandForFiles) {
  S2I_File item;
  item.SetItem(*demo_.ExternalInstrumentBank().ItemAt(6));
  ASSERT_EQ(item.Save(dir_.File("item.s2i")), 0);
  const struct {
    std::string piped;
    std::string withFiles;
  } cases[] = {
      {"convert - " + Quoted("piped.s2v") + " --format s2a <" + Quoted("demo.s2a"),
       "convert " + Quoted("demo.s2a") + " " + Quoted("files.s2v")},
      {"convert --format=syx -- " + Quoted("demo.s2a") + " - >" + Quoted("piped.syx"),
       "convert " + Quoted("demo.s2a") + " " + Quoted("files.syx")},
      {"convert - - --format s2a --format mid <" + Quoted("demo.s2a") + " >" + Quoted("piped.mid"),
       "convert " + Quoted("demo.s2a") + " " + Quoted("files.mid")},
      {"import - int-inst:2 " + Quoted("item.s2i") + " --format s2a <" + Quoted("demo.s2a") + " >" +
           Quoted("piped.s2a"),
       "import " + Quoted("demo.s2a") + " int-inst:2 " + Quoted("item.s2i") + " " +
           Quoted("files.s2a")},
      {"export " + Quoted("demo.s2a") + " ext-perf:3 - --format syx >" + Quoted("piped.x.syx"),
       "export " + Quoted("demo.s2a") + " ext-perf:3 " + Quoted("files.x.syx")},
  };
  for (const auto& c : cases) {
    const ToolRun piped = RunCommand("'" + cli_ + "' " + c.piped);
    ASSERT_EQ(piped.status, 0) << c.piped << ": " << piped.err;
    ASSERT_EQ(Invoke(c.withFiles).status, 0) << c.withFiles;
  }
  for (const char* ending : {".s2v", ".syx", ".mid", ".s2a", ".x.syx"}) {
    const Bytes files = test::ReadBytes(dir_.File(std::string("files") + ending));
    EXPECT_FALSE(files.empty()) << ending;
    EXPECT_EQ(test::ReadBytes(dir_.File(std::string("piped") + ending)), files) << ending;
  }
  // The listing of standard input names it "-".
  const ToolRun listed = RunCommand("'" + cli_ + "' list --format s2i - <" + Quoted("item.s2i"));
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_TRUE(listed.out.starts_with("File - (S2I File):\n\t")) << listed.out;

  const struct {
    std::string arguments;
    int status;
    const char* err;
  } failures[] = {
      {"convert - " + Quoted("x.s2v") + " <" + Quoted("demo.s2a"), 2, "needs --format"},
      {"convert - " + Quoted("x.s2v") + " --format txt", 2, "--format txt: expected one of s2a"},
      {"import - int-inst:1 - --format s2a <" + Quoted("demo.s2a"), 2, "read only once"},
      {"convert - - --format s2a </dev/null", 1, "could not be loaded"},
      {"list - --format json --format s2a </dev/null", 1, "could not be loaded"},
  };
  for (const auto& c : failures) {
    const ToolRun run = RunCommand("'" + cli_ + "' " + c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << c.arguments << ": " << run.err;
    // An empty JSON array at most: no bytes of a file that was not written.
    EXPECT_TRUE(run.out.empty() || run.out == "[]\n") << c.arguments << ": " << run.out;
  }
  EXPECT_FALSE(test::Exists(dir_.File("x.s2v")));
}

// The records of list and library find, read by another program: every name comes back whole
// (a control byte, a byte that is not UTF-8), and every place list gives is an ITEM export takes.
TEST_F(CorvaleCli, ListAndFindWriteRecordsForOtherPrograms) {
  Item& odd = *demo_.InternalPerformanceBank().ItemAt(2);
  std::memcpy(odd.Data().data(), "Tab\t\"\\\xe9\x1b\0\0\0", 10);
  ASSERT_EQ(demo_.Save(dir_.File("odd.s2a")), 0);
  const std::string check = dir_.File("check.py");
  {
    std::FILE* script = std::fopen(check.c_str(), "w");
    ASSERT_NE(script, nullptr);
    std::fputs(
        "import json, sys\n"
        "records = json.load(sys.stdin)\n"
        "assert len(records) == int(sys.argv[1]), len(records)\n"
        "for r in records:\n"
        "    assert sorted(r) == ['category', 'file', 'kind', 'name', 'place'], r\n"
        "odd = [r for r in records if r['place'] == 'int-perf:A03']\n"
        "assert odd[0]['name'] == 'Tab\\t\"\\\\\\u00e9\\x1b', repr(odd[0]['name'])\n"
        "assert odd[0]['kind'] == 'Performance', odd[0]\n"
        "print(records[7]['place'])\n",
        script);
    std::fclose(script);
  }
  const ToolRun json = RunCommand("'" + cli_ + "' list " + Quoted("odd.s2a") +
                                  " --format=json | python3 '" + check + "' 452");
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out, "int-inst:A08\n");
  // The place list names is the one export takes.
  EXPECT_EQ(Invoke("export " + Quoted("odd.s2a") + " int-perf:A03 " + Quoted("odd.s2i")).status, 0);

  const ToolRun tsv = Invoke("list --format tsv " + Quoted("odd.s2a"));
  ASSERT_EQ(tsv.status, 0) << tsv.err;
  EXPECT_TRUE(tsv.out.starts_with("file\tplace\tkind\tcategory\tname\n")) << tsv.out.substr(0, 80);
  EXPECT_EQ(std::count(tsv.out.begin(), tsv.out.end(), '\n'), 453);
  EXPECT_EQ(std::count(tsv.out.begin(), tsv.out.end(), '\t'), 453 * 4) << "a tab in a name";
  EXPECT_NE(tsv.out.find("\tint-perf:A03\tPerformance\t" + odd.CategoryName() +
                         "\tTab\\x09\"\\\\xe9\\x1b\n"),
            std::string::npos);

  ASSERT_EQ(Invoke("library add " + Quoted("demo.s2a")).status, 0);
  const ToolRun found =
      RunCommand("'" + cli_ +
                 "' library find grand pno --format json | python3 -c 'import json, "
                 "sys; r = json.load(sys.stdin); print(len(r), r[0][\"name\"], r[0][\"place\"], "
                 "r[0][\"places\"], type(r[0][\"id\"]).__name__)'");
  EXPECT_EQ(found.status, 0) << found.err;
  EXPECT_EQ(found.out, "2 Grand Pno " + dir_.File("demo.s2a") + " int-inst:A01 1 int\n");
  EXPECT_EQ(Invoke("library find no-such-word --format json").out, "[]\n");
}

}  // namespace

// --in and --out by a part of the port's name, in any letter case; -q keeps the steps back but
// not the errors.
TEST_F(CorvaleCliMidi, PortsByNameAndQuietRuns) {
  SettingsStore::WriteSettingString("MidiInputDeviceName", "");
  SettingsStore::WriteSettingString("MidiOutputDeviceName", "");
  const std::string receive = "receive " + Quoted("other.s2a") + " int-inst:3 " + Quoted("o.s2a");
  for (const char* ports : {"--in simulated --out=S80", "--in 'Simulated S80' --out sIM"}) {
    const ToolRun run = InvokeWithSimulator(receive + " " + ports);
    EXPECT_EQ(run.status, 0) << ports << ": " << run.err;
    EXPECT_EQ(run.err, "Receive Completed\n") << ports;
  }
  const ToolRun quiet = InvokeWithSimulator("-q " + receive + " --in sim --out sim");
  EXPECT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_EQ(quiet.err, "");
  const ToolRun unknown = InvokeWithSimulator(receive + " --quiet --in sim --out korg");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_TRUE(
      unknown.err.starts_with("corvale-cli: receive: no output port's name holds \"korg\" (the "
                              "ports: "))
      << unknown.err;
  EXPECT_NE(unknown.err.find("\"Simulated S80\""), std::string::npos) << unknown.err;
  const ToolRun ports = InvokeWithSimulator("ports --out=simulated");
  EXPECT_EQ(ports.status, 0) << ports.err;
}
