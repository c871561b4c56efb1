// A document's files by extension: what opening and merging each format replaces, resets or
// keeps, what the outcome says and reports, that a failed load leaves everything as it was, and
// what saving each format writes.

#include "files/DocumentFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "demo/DemoBank.h"
#include "files/FileFormat.h"
#include "files/INS_File.h"
#include "files/S2E_File.h"
#include "files/S2I_File.h"
#include "files/S2V_File.h"
#include "midi/sysex/ItemDumpList.h"
#include "midi/sysex/SYX_File.h"
#include "midi/sysex/StandardMidiFile.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"
#include "model/SharedDefaults.h"
#include "tests/files/FormatTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using test::HeaderBlockOf;
using test::ImageOf;
using test::Said;
using test::Slice;
using test::StderrOf;
using Bytes = std::vector<std::uint8_t>;
using Path = std::optional<std::string>;

std::string TextOf(std::span<const std::uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

enum BankIndex { kIntVoice, kIntDrums, kExtVoice, kExtDrums, kIntPerf, kExtPerf, kBankCount };
constexpr const char* kBankNames[kBankCount] = {"internal instrument",  "internal percussion",
                                                "external instrument",  "external percussion",
                                                "internal performance", "external performance"};
constexpr ItemKind kBankKinds[kBankCount] = {ItemKind::Instrument,  ItemKind::Percussion,
                                             ItemKind::Instrument,  ItemKind::Percussion,
                                             ItemKind::Performance, ItemKind::Performance};

const Bank& BankOf(const S2A_File& document, int index) {
  switch (index) {
    case kIntVoice:
      return document.InternalInstrumentBank();
    case kIntDrums:
      return document.InternalPercussionBank();
    case kExtVoice:
      return document.ExternalInstrumentBank();
    case kExtDrums:
      return document.ExternalPercussionBank();
    case kIntPerf:
      return document.InternalPerformanceBank();
    default:
      return document.ExternalPerformanceBank();
  }
}

// Everything a document holds, copied out so that it can be compared after a load.
struct DocumentState {
  std::array<std::vector<Bytes>, kBankCount> items;
  std::array<bool, kBankCount> content{};
  std::array<Bytes, 4> blocks;
  bool hasClp = false;
  std::optional<std::string> fileName;
};

DocumentState StateOf(const S2A_File& document) {
  DocumentState state;
  for (int bank = 0; bank < kBankCount; ++bank) {
    BankOf(document, bank).ForEachItem([&](const Item& item) {
      state.items[bank].push_back(ImageOf(item));
    });
    state.content[bank] = BankOf(document, bank).HasContent();
  }
  const std::span<const std::uint8_t> blocks[] = {document.SysBlock(), document.ChnBlock(),
                                                  document.PlvBlock(), document.ClpBlock()};
  for (int i = 0; i < 4; ++i)
    state.blocks[i].assign(blocks[i].begin(), blocks[i].end());
  state.hasClp = document.HasClpBlock();
  state.fileName = document.FileName();
  return state;
}

void ExpectSameBanks(const DocumentState& actual, const DocumentState& expected,
                     std::initializer_list<int> banks, const std::string& what) {
  for (const int bank : banks) {
    EXPECT_TRUE(actual.items[bank] == expected.items[bank]) << what << ": " << kBankNames[bank];
    EXPECT_EQ(actual.content[bank], expected.content[bank]) << what << ": " << kBankNames[bank];
  }
}

void ExpectSameBlocks(const DocumentState& actual, const DocumentState& expected,
                      const std::string& what) {
  constexpr const char* kBlockNames[] = {"SYS", "CHN", "PLV", "CLP"};
  for (int i = 0; i < 4; ++i)
    EXPECT_TRUE(actual.blocks[i] == expected.blocks[i]) << what << ": " << kBlockNames[i];
  EXPECT_EQ(actual.hasClp, expected.hasClp) << what;
}

void ExpectSameDocument(const DocumentState& actual, const DocumentState& expected,
                        const std::string& what) {
  ExpectSameBanks(actual, expected,
                  {kIntVoice, kIntDrums, kExtVoice, kExtDrums, kIntPerf, kExtPerf}, what);
  ExpectSameBlocks(actual, expected, what);
  EXPECT_EQ(actual.fileName, expected.fileName) << what;
}

// Every slot a copy of the shared default item, and the bank marked as holding no content.
void ExpectDefaultBank(const DocumentState& actual, int bank, const std::string& what) {
  const Bytes defaultImage = ImageOf(SharedDefaults::DefaultItem(kBankKinds[bank]));
  ASSERT_FALSE(actual.items[bank].empty());
  for (std::size_t slot = 0; slot < actual.items[bank].size(); ++slot) {
    EXPECT_EQ(actual.items[bank][slot], defaultImage)
        << what << ": " << kBankNames[bank] << " slot " << slot;
  }
  EXPECT_FALSE(actual.content[bank]) << what << ": " << kBankNames[bank];
}

// Each block is marked so that two documents' blocks differ (the demo pattern is the same for
// every seed).
void MarkBlocks(S2A_File& document, std::uint8_t mark) {
  document.SysBlock()[0] = mark;
  document.ChnBlock()[5] = mark;
  document.PlvBlock()[100] = mark;
  document.ClpBlock()[200] = mark;
}

// Default item files of our own making, so that an item reset to the default is told apart
// from one that was zeroed or left alone. There is no default set file: a new document's items
// are copies of these default items.
void UseFilledDefaults(const test::TempDir& home) {
  test::UseNoConfiguration(home);
  testing::internal::CaptureStderr();
  const std::string config = home.File("config");
  std::filesystem::create_directory(config);
  const struct {
    int kind;
    const char* name;
    int category;
  } defaults[] = {{0, "Init Voice", 1}, {1, "Init Drums", 17}, {2, "Init Perf", 12}};
  for (const auto& d : defaults) {
    S2I_File file;
    DemoBank::FillItem(*file.GetItem(d.kind), d.name, d.category, 900 + d.kind);
    const ItemKind kind = *ItemKindFromCode(d.kind);
    EXPECT_EQ(file.Save(config + "/" + KindInfo(kind).defaultFileName), 0);
  }
  test::UseConfiguration(home, config);
  for (const auto& d : defaults)
    SharedDefaults::DefaultItem(*ItemKindFromCode(d.kind));
  SharedDefaults::DefaultSet();
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(SharedDefaults::DefaultItem(ItemKind::Performance).Name(), "Init Perf");
  EXPECT_EQ(SharedDefaults::DefaultItem(ItemKind::Percussion).Name(), "Init Drums");
  EXPECT_EQ(SharedDefaults::DefaultItem(ItemKind::Instrument).Name(), "Init Voice");
}

using BankEntry = BankFileLoad (*)(S2A_File&, const Path&);
constexpr BankEntry kOpen = &OpenBankFile;
constexpr BankEntry kMerge = &MergeBankFile;

class ByExtensionBanks : public testing::Test {
 protected:
  void SetUp() override {
    UseFilledDefaults(home_);
    source_ = std::make_unique<S2A_File>();
    DemoBank::FillDocument(*source_, 3);
    MarkBlocks(*source_, 0x31);
    ASSERT_EQ(source_->Save(File("source.s2a")), 0);
    S2V_File voices;
    voices.CopyBanksFrom(*source_);
    ASSERT_EQ(voices.Save(File("source.s2v")), 0);
    S2E_File externals;
    externals.CopyBanksFrom(*source_);
    ASSERT_EQ(externals.Save(File("source.s2e")), 0);
    document_ = MakeDocument();
  }

  void TearDown() override { test::UseNoConfiguration(home_); }

  // A full document unlike the source: other items, other block marks, no CLP section, and a
  // file name of its own.
  static std::unique_ptr<S2A_File> MakeDocument() {
    auto document = std::make_unique<S2A_File>();
    DemoBank::FillDocument(*document, 2);
    MarkBlocks(*document, 0x52);
    document->SetHasClpBlock(false);
    document->SetFileName("/earlier/session.s2a");
    return document;
  }

  std::string File(const std::string& name) const { return dir_.File(name); }

  template <class Entry>
  int Run(Entry entry, S2A_File& document, const Path& path, std::string& messages) {
    return Said([&] { return entry(document, path); }, messages);
  }

  test::TempDir home_;
  test::TempDir dir_;
  std::unique_ptr<S2A_File> source_;
  std::unique_ptr<S2A_File> document_;
};

const struct {
  const char* name;
  BankEntry entry;
} kLoadEntries[] = {{"open", kOpen}, {"merge", kMerge}};

TEST_F(ByExtensionBanks, AnAbsentPathOrUnknownExtensionFailsSilentlyAndChangesNothing) {
  // The same bytes as a good S2A file: the extension decides, never the content.
  const Bytes s2a = test::ReadBytes(File("source.s2a"));
  const char* names[] = {"source.txt",     "source.ins",     "source.s2i", "source.syx.old",
                         "source.s2v.old", "source.s2a.bak", "s2a",        "xs2a"};
  for (const char* name : names)
    test::WriteBytes(File(name), s2a);
  std::vector<Path> paths = {std::nullopt, std::string("")};
  for (const char* name : names)
    paths.push_back(File(name));

  const DocumentState before = StateOf(*document_);
  for (const auto& load : kLoadEntries) {
    for (const Path& path : paths) {
      const std::string what = std::string(load.name) + " " + path.value_or("(none)");
      std::string messages;
      EXPECT_EQ(Run(load.entry, *document_, path, messages), -1) << what;
      EXPECT_EQ(messages, "") << what;
      ExpectSameDocument(StateOf(*document_), before, what);
    }
  }
}

TEST_F(ByExtensionBanks, ExtensionsInCapitalsOpenAsTheirKind) {
  ASSERT_TRUE(std::filesystem::create_directory(File("DIR")));
  std::filesystem::copy_file(File("source.s2v"), File("DIR/Name.S2V"));
  std::filesystem::copy_file(File("source.s2e"), File("DIR/Ext.S2e"));
  std::filesystem::copy_file(File("source.s2a"), File("DIR/All.S2A"));
  const DocumentState source = StateOf(*source_);
  std::string messages;

  auto voices = MakeDocument();
  EXPECT_EQ(Run(kOpen, *voices, File("DIR/Name.S2V"), messages), 0);
  EXPECT_EQ(messages, "");
  ExpectSameBanks(StateOf(*voices), source, {kIntVoice, kIntDrums, kExtVoice, kExtDrums}, ".S2V");

  auto externals = MakeDocument();
  EXPECT_EQ(Run(kOpen, *externals, File("DIR/Ext.S2e"), messages), 0);
  EXPECT_EQ(messages, "");
  ExpectSameBanks(StateOf(*externals), source, {kExtVoice, kExtDrums, kExtPerf}, ".S2e");

  auto all = MakeDocument();
  EXPECT_EQ(Run(kOpen, *all, File("DIR/All.S2A"), messages), 0);
  EXPECT_EQ(messages, "");
  DocumentState expected = source;
  expected.fileName = File("DIR/All.S2A");
  ExpectSameDocument(StateOf(*all), expected, ".S2A");
}

// The banks a bank file is said to hold are exactly the ones opening it takes from the file.
TEST_F(ByExtensionBanks, ABankFileHoldsExactlyTheBanksOpeningTakesFromIt) {
  for (const char* name : {"source.s2a", "source.s2v", "source.s2e"}) {
    auto opened = MakeDocument();
    ASSERT_TRUE(OpenBankFile(*opened, File(name)).Succeeded()) << name;
    for (const BankLayout& bank : kBankLayouts) {
      std::vector<Bytes> taken;
      std::vector<Bytes> source;
      bank.bankIn(*opened).ForEachItem([&](const Item& item) { taken.push_back(ImageOf(item)); });
      bank.bankIn(*source_).ForEachItem([&](const Item& item) { source.push_back(ImageOf(item)); });
      EXPECT_EQ(BankFileHolds(File(name), bank), taken == source) << name << " " << bank.word;
    }
  }
  EXPECT_FALSE(BankFileHolds("X.S2V", kInternalPerformanceLayout));
  EXPECT_FALSE(BankFileHolds("X.S2E", kInternalInstrumentLayout));
}

// A voice file replaces the voice banks and an external file the external banks: opening one
// resets the other banks and the blocks to the defaults, merging one keeps them as they were.
TEST_F(ByExtensionBanks, APartialFileReplacesItsBanksOpeningResetsTheRestAndMergingKeepsIt) {
  const DocumentState source = StateOf(*source_);
  const DocumentState before = StateOf(*document_);
  const DocumentState defaults = StateOf(SharedDefaults::DefaultSet());
  const struct {
    const char* file;
    std::initializer_list<int> held;
    std::initializer_list<int> rest;
  } cases[] = {
      {"source.s2v", {kIntVoice, kIntDrums, kExtVoice, kExtDrums}, {kIntPerf, kExtPerf}},
      {"source.s2e", {kExtVoice, kExtDrums, kExtPerf}, {kIntVoice, kIntDrums, kIntPerf}},
  };
  for (const auto& c : cases) {
    for (const auto command : {kOpen, kMerge}) {
      const std::string what = std::string(command == kOpen ? "open " : "merge ") + c.file;
      auto document = MakeDocument();
      std::string messages;
      ASSERT_EQ(Run(command, *document, File(c.file), messages), 0) << what;
      EXPECT_EQ(messages, "") << what;
      const DocumentState after = StateOf(*document);
      ExpectSameBanks(after, source, c.held, what);
      if (command == kOpen) {
        for (const int bank : c.rest)
          ExpectDefaultBank(after, bank, what);
      } else {
        ExpectSameBanks(after, before, c.rest, what);
      }
      ExpectSameBlocks(after, command == kOpen ? defaults : before, what);
    }
  }
}

TEST_F(ByExtensionBanks, AnAllBankFileReplacesEverythingAndTakesTheName) {
  DocumentState expected = StateOf(*source_);
  ASSERT_EQ(expected.fileName, File("source.s2a"));
  for (const auto& load : kLoadEntries) {
    auto document = MakeDocument();
    std::string messages;
    EXPECT_EQ(Run(load.entry, *document, File("source.s2a"), messages), 0) << load.name;
    EXPECT_EQ(messages, "") << load.name;
    ExpectSameDocument(StateOf(*document), expected, load.name);
  }
}

// A bank file cut short opens (0) and reports the item records it lacked: their slots come from
// a fresh document on Open, from the document itself on Merge.
TEST_F(ByExtensionBanks, AFileThatEndsEarlyOpensAndCountsTheItemsItLacked) {
  const struct {
    const char* source;
    std::size_t length;
    int missing;
    int notHeld;  // slots of banks the file kind lacks
  } cases[] = {
      {"source.s2a", 548864, 0, 0},
      {"source.s2a", 100000, 1 + 1 + 128 + 2 + 192, 0},  // in the first kit
      {"source.s2a", 209472 + 32, 192, 0},               // in the performance section header
      {"source.s2v", 100000, 1 + 1 + 128 + 2, 192},
      {"source.s2e", 60000, 53 + 2 + 64, 258},  // in the 76th instrument
  };
  const DocumentState source = StateOf(*source_);
  for (const auto& c : cases) {
    const std::string cut = File(std::string("cut") + (c.source + 6));
    test::WriteBytes(cut, Slice(test::ReadBytes(File(c.source)), 0, c.length));
    for (const auto& load : kLoadEntries) {
      const bool opening = load.entry == kOpen;
      auto document = MakeDocument();
      const DocumentState base = opening ? StateOf(S2A_File()) : StateOf(*document);
      const BankFileLoad loaded = load.entry(*document, cut);
      ASSERT_TRUE(loaded.Succeeded());
      EXPECT_EQ(loaded.Reason(), "");
      EXPECT_EQ(loaded.report.missingItems, c.missing)
          << load.name << " " << cut << " " << c.length;
      // Each slot holds the file's item or the base's, but for a record the cut runs through.
      const DocumentState state = StateOf(*document);
      int fromFile = 0, fromBase = 0;
      for (int bank = 0; bank < kBankCount; ++bank) {
        for (std::size_t slot = 0; slot < state.items[bank].size(); ++slot) {
          fromFile += state.items[bank][slot] == source.items[bank][slot];
          fromBase += state.items[bank][slot] == base.items[bank][slot];
        }
      }
      EXPECT_EQ(fromFile, 452 - c.notHeld - c.missing) << load.name << " " << c.length;
      EXPECT_GE(fromBase, c.notHeld + c.missing - 1) << load.name << " " << c.length;
      ExpectSameBlocks(state, c.length == 548864 ? source : base, load.name);
    }
  }
}

// A failing .s2a load used to leave the document half loaded and renamed; it now loads into a
// working copy that takes over only on success.
TEST_F(ByExtensionBanks, AFailedAllBankLoadLeavesTheDocumentExactlyAsItWas) {
  const Bytes good = test::ReadBytes(File("source.s2a"));
  ASSERT_EQ(good.size(), 548864u);
  Bytes badMark = good;
  badMark[0] = 'B';
  test::WriteBytes(File("mark.s2a"), badMark);
  Bytes badVersion = good;
  badVersion[14] = '1';
  test::WriteBytes(File("version.s2a"), badVersion);
  // Voice and performance sections, then a section nobody knows.
  Bytes unknown = Slice(good, 0, 420352);
  const Bytes bogus = HeaderBlockOf("ZZZ");
  unknown.insert(unknown.end(), bogus.begin(), bogus.end());
  unknown.insert(unknown.end(), bogus.begin(), bogus.end());
  unknown.insert(unknown.end(), 400, 0);
  test::WriteBytes(File("unknown.s2a"), unknown);
  // Every section read, the last one (CLP) renamed.
  Bytes lastUnknown = good;
  std::copy_n("ZZZ", 3, lastUnknown.begin() + 459840 + 6);
  test::WriteBytes(File("last.s2a"), lastUnknown);

  const auto quoted = [&](const char* format, const std::string& name) {
    char text[4096];
    std::snprintf(text, sizeof text, format, File(name).c_str());
    return std::string(text);
  };
  const struct {
    std::string name;
    std::string message;
    bool readsSections;
  } cases[] = {
      {"missing.s2a", "Error opening file: No such file or directory\n", false},
      {"mark.s2a", quoted("Error: \"%s\" Has Unknown format.\n", "mark.s2a"), false},
      {"version.s2a", quoted("Error: \"%s\" Has Unknown version.\n", "version.s2a"), false},
      {"unknown.s2a", quoted("Error: Encountered unknown section in file \"%s\"\n", "unknown.s2a"),
       true},
      {"last.s2a", quoted("Error: Encountered unknown section in file \"%s\"\n", "last.s2a"), true},
  };

  const DocumentState before = StateOf(*document_);
  const Bytes sourceFirstVoice = ImageOf(*source_->InternalInstrumentBank().ItemAt(0));
  for (const auto& c : cases) {
    if (c.readsSections) {
      // The case is a real one: a plain load reads sections into the document before failing.
      S2A_File plain;
      plain.CopyFrom(*document_);
      int result = 0;
      StderrOf([&] { return plain.Load(File(c.name)); }, result);
      ASSERT_EQ(result, -1) << c.name;
      EXPECT_EQ(ImageOf(*plain.InternalInstrumentBank().ItemAt(0)), sourceFirstVoice) << c.name;
    }
    for (const auto& load : kLoadEntries) {
      const std::string what = std::string(load.name) + " " + c.name;
      std::string messages;
      EXPECT_EQ(Run(load.entry, *document_, File(c.name), messages), -1) << what;
      EXPECT_EQ(messages, c.message) << what;
      ExpectSameDocument(StateOf(*document_), before, what);
    }
  }
  S2A_File plain;
  plain.CopyFrom(*document_);
  int result = 0;
  StderrOf([&] { return plain.Load(File("last.s2a")); }, result);
  EXPECT_EQ(plain.SysBlock()[0], 0x31) << "the plain load read the blocks before the unknown one";
  EXPECT_FALSE(test::Exists(File("missing.s2a")));
}

TEST_F(ByExtensionBanks, AFailedVoiceOrExternalLoadLeavesTheDocumentAsItWas) {
  std::filesystem::copy_file(File("source.s2a"), File("wrong.s2v"));
  std::filesystem::copy_file(File("source.s2v"), File("wrong.s2e"));
  // An external file whose voice section loads, followed by an unknown section.
  Bytes partial = Slice(test::ReadBytes(File("source.s2e")), 0, 107008);
  const Bytes bogus = HeaderBlockOf("SYS");
  partial.insert(partial.end(), bogus.begin(), bogus.end());
  partial.insert(partial.end(), bogus.begin(), bogus.end());
  test::WriteBytes(File("partial.s2e"), partial);
  const struct {
    std::string name;
    std::string message;
  } cases[] = {
      {"missing.s2v", "Error opening file: No such file or directory\n"},
      {"wrong.s2v", "Error: Improper file type.\n"},
      {"missing.s2e", "Error opening file: No such file or directory\n"},
      {"wrong.s2e", "Error: \"" + File("wrong.s2e") + "\" Has Improper file type.\n"},
      {"partial.s2e",
       "Error: Encountered unknown section in file \"" + File("partial.s2e") + "\"\n"},
  };
  const DocumentState before = StateOf(*document_);
  for (const auto& c : cases) {
    for (const auto& load : kLoadEntries) {
      const std::string what = std::string(load.name) + " " + c.name;
      std::string messages;
      EXPECT_EQ(Run(load.entry, *document_, File(c.name), messages), -1) << what;
      EXPECT_EQ(messages, c.message) << what;
      ExpectSameDocument(StateOf(*document_), before, what);
    }
  }
}

TEST_F(ByExtensionBanks, SavingAsInsWritesTheInstrumentDefinition) {
  const DocumentState before = StateOf(*document_);
  for (const char* name : {"Set.ins", "Upper.INS"}) {
    const std::string path = File(name);
    std::string messages;
    ASSERT_EQ(Run(&SaveBankFile, *document_, path, messages), 0) << name;
    EXPECT_EQ(messages, "");
    const std::string text = TextOf(test::ReadBytes(path));
    EXPECT_TRUE(text.starts_with("; File Auto-generated using Corvale\r\n")) << name;
    INS_File definition;
    definition.SetFileName(path);
    definition.BuildInstrumentDefinition(*document_);
    EXPECT_EQ(text, TextOf(definition.Text().Contents())) << name;
    const std::string base = std::string(name).substr(0, std::string(name).find('.'));
    EXPECT_NE(text.find("\r\n[Yamaha S80 - " + base + " - Internal Instrument]\r\n0="),
              std::string::npos)
        << name;
    EXPECT_TRUE(
        text.ends_with("\r\nPatch[8104]=Yamaha S80 - " + base + " - Internal Percussion\r\n"))
        << name;
    ExpectSameDocument(StateOf(*document_), before, name);

    for (const auto& load : kLoadEntries) {
      EXPECT_EQ(Run(load.entry, *document_, path, messages), -1) << load.name << " " << name;
      EXPECT_EQ(messages, "");
      ExpectSameDocument(StateOf(*document_), before, std::string(load.name) + " " + name);
    }
  }
}

TEST_F(ByExtensionBanks, SavedBankFilesOpenWithIdenticalItems) {
  std::string messages;
  const DocumentState saved = StateOf(*document_);

  ASSERT_EQ(Run(&SaveBankFile, *document_, File("out.s2v"), messages), 0);
  EXPECT_EQ(messages, "");
  EXPECT_EQ(Slice(test::ReadBytes(File("out.s2v")), 0, 64), HeaderBlockOf("VCE"));
  S2A_File voices;
  ASSERT_EQ(Run(kOpen, voices, File("out.s2v"), messages), 0);
  ExpectSameBanks(StateOf(voices), saved, {kIntVoice, kIntDrums, kExtVoice, kExtDrums}, ".s2v");

  ASSERT_EQ(Run(&SaveBankFile, *document_, File("out.s2e"), messages), 0);
  EXPECT_EQ(messages, "");
  EXPECT_EQ(Slice(test::ReadBytes(File("out.s2e")), 0, 64), HeaderBlockOf("EXT"));
  S2A_File externals;
  ASSERT_EQ(Run(kOpen, externals, File("out.s2e"), messages), 0);
  ExpectSameBanks(StateOf(externals), saved, {kExtVoice, kExtDrums, kExtPerf}, ".s2e");

  document_->SetHasClpBlock(true);
  const std::string all = File("out.s2a");
  ASSERT_EQ(Run(&SaveBankFile, *document_, all, messages), 0);
  EXPECT_EQ(messages, "");
  EXPECT_EQ(test::ReadBytes(all).size(), 548864u);
  EXPECT_EQ(document_->FileName(), all);
  S2A_File reopened;
  ASSERT_EQ(Run(kOpen, reopened, all, messages), 0);
  ExpectSameDocument(StateOf(reopened), StateOf(*document_), ".s2a");
}

TEST_F(ByExtensionBanks, SavingUnderAnUnknownExtensionWritesNothing) {
  const DocumentState before = StateOf(*document_);
  const std::vector<std::string> entries = dir_.Entries();
  const Path paths[] = {std::nullopt,      File("x.txt"), File("x.s2i"), File("x.midi"),
                        File("x.s2a.bak"), File("x"),     File("xs2a"),  File("x.insx")};
  for (const Path& path : paths) {
    std::string messages;
    EXPECT_EQ(Run(&SaveBankFile, *document_, path, messages), -1) << path.value_or("(none)");
    EXPECT_EQ(messages, "");
  }
  EXPECT_EQ(dir_.Entries(), entries);
  ExpectSameDocument(StateOf(*document_), before, "unknown extensions");
}

// ---------------------------------------------------------------------------------------------
// The document as .syx and .mid files of item dumps.

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes joined;
  for (const Bytes& part : parts)
    joined.insert(joined.end(), part.begin(), part.end());
  return joined;
}

// The slots whose items differ between two documents, as "word:index".
std::vector<std::string> ChangedSlots(S2A_File& a, S2A_File& b) {
  std::vector<std::string> changed;
  for (const BankLayout& layout : kBankLayouts) {
    for (int slot = 0; slot < layout.capacity; ++slot) {
      if (ImageOf(*layout.bankIn(a).ItemAt(slot)) != ImageOf(*layout.bankIn(b).ItemAt(slot)))
        changed.push_back(std::string(layout.word) + ":" + std::to_string(slot));
    }
  }
  return changed;
}

TEST_F(ByExtensionBanks, ADumpFileHoldsEveryItemInBankOrderAndOpensToTheSameBytes) {
  std::string messages;
  for (const char* name : {"all.syx", "all.MID"}) {
    ASSERT_EQ(Run(&SaveBankFile, *source_, File(name), messages), 0) << name;
    EXPECT_EQ(messages, "");
  }
  const Bytes syx = test::ReadBytes(File("all.syx"));
  Bytes carried;
  StandardMidiFile::ReadCounts damaged;
  ASSERT_EQ(StandardMidiFile::ReadSysEx(test::ReadBytes(File("all.MID")), carried, damaged), 0);
  EXPECT_EQ(carried, syx);

  // Each dump complete and addressed to its slot, bank by bank in the document's order.
  const ItemDumpList list = FindItemDumps(syx);
  EXPECT_EQ(list.dropped + list.outside, 0u);
  std::size_t next = 0;
  source_->ForEachBank([&](const Bank& bank) {
    bank.ForEachItem([&](const Item& item) {
      ASSERT_LT(next, list.dumps.size());
      const FoundItemDump& dump = list.dumps[next++];
      ASSERT_TRUE(dump.meaning && dump.meaning->bank != nullptr && dump.complete);
      EXPECT_EQ(dump.meaning->bank->lsb, bank.BankSelectLsb());
      EXPECT_EQ(dump.meaning->slot, item.SlotIndex());
      EXPECT_EQ(dump.missingBlocks, 0);
      EXPECT_EQ(ImageOf(*dump.item), ImageOf(item));
    });
  });
  EXPECT_EQ(next, 452u);
  EXPECT_EQ(list.dumps.size(), 452u);

  // Every item comes back; the system, channel, plug-in voice and CLP blocks are not in a dump
  // file and stay the fresh document's.
  DocumentState expected = StateOf(*source_);
  const DocumentState fresh = StateOf(S2A_File());
  expected.blocks = fresh.blocks;
  expected.hasClp = fresh.hasClp;
  for (const char* name : {"all.syx", "all.MID"}) {
    auto document = MakeDocument();
    const BankFileLoad load = OpenBankFile(*document, File(name));
    ASSERT_TRUE(load.Succeeded()) << name;
    EXPECT_EQ(load.report.placedDumps, 452u);
    EXPECT_EQ(load.report.Warning(), "") << name;
    expected.fileName = File(name);
    ExpectSameDocument(StateOf(*document), expected, name);
    ASSERT_TRUE(SaveBankFile(*document, File(std::string("again-") + name)).Succeeded());
    EXPECT_EQ(test::ReadBytes(File(std::string("again-") + name)), test::ReadBytes(File(name)));
  }
}

TEST_F(ByExtensionBanks, ADumpFilePlacesItsMemoryDumpsAndCountsWhatItSkips) {
  const Item& voice = *source_->InternalInstrumentBank().ItemAt(5);
  const Item& perf = *source_->ExternalPerformanceBank().ItemAt(7);
  const auto dumpOf = [](const Item& item, bool toMemory) {
    SYX_File dump;
    EXPECT_EQ(toMemory ? dump.StoreToMemory(item) : dump.StoreToEditBuffer(item), 0);
    return Bytes(dump.Bytes().begin(), dump.Bytes().end());
  };
  const Bytes voiceDump = dumpOf(voice, true);
  const Bytes perfDump = dumpOf(perf, true);
  const Bytes editDump = dumpOf(perf, false);
  const Bytes foreign{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
  Bytes badChecksum = voiceDump;
  badChecksum[11 + 20] ^= 0x01;  // in the first block message
  const Bytes cutDump = Slice(perfDump, 0, perfDump.size() / 2);
  // The voice's blocks between a header and footer no bank uses.
  const auto emptyMessage = [](SysxAddress address) {
    const auto message = BulkDump::EmptyMessage(address);
    return Bytes(message.begin(), message.end());
  };
  const BulkDump::Location nowhere{0x7A, 0x00};
  const Bytes unknownPlace = Join({emptyMessage(BulkDump::HeaderAddress(nowhere)),
                                   Slice(voiceDump, 11, voiceDump.size() - 22),
                                   emptyMessage(BulkDump::FooterAddress(nowhere))});

  const std::string voiceSlot = "int-inst:5", perfSlot = "ext-perf:7";
  const auto itemAt = [&](S2A_File& document, const std::string& slot) -> Item& {
    if (slot == voiceSlot)
      return *document.InternalInstrumentBank().ItemAt(5);
    return *document.ExternalPerformanceBank().ItemAt(7);
  };
  const struct {
    const char* name;
    Bytes bytes;
    int result;
    std::vector<std::string> whole;  // slots that take the source's item
    std::vector<std::string> partial;
    BankLoadReport report;
    std::string warning;
  } cases[] = {
      {"placed.syx",
       Join({voiceDump, editDump, foreign, perfDump}),
       0,
       {voiceSlot, perfSlot},
       {},
       {.placedDumps = 2, .editBufferDumps = 1, .skippedMessages = 1},
       "1 dump to an edit buffer placed nowhere; 1 message skipped (not item dumps or a bad "
       "checksum)"},
      {"checksum.syx",
       Join({badChecksum, foreign, foreign}),
       0,
       {},
       {voiceSlot},
       {.placedDumps = 1, .incompleteDumps = 1, .skippedMessages = 3},
       "1 dump lacks blocks, read as 0; 3 messages skipped (not item dumps or a bad checksum)"},
      {"cut.syx",
       Join({voiceDump, cutDump}),
       0,
       {voiceSlot},
       {perfSlot},
       {.placedDumps = 2, .incompleteDumps = 1, .skippedMessages = 1},
       "1 dump lacks blocks, read as 0; 1 message skipped (not item dumps or a bad checksum)"},
      {"unknown.syx",
       Join({unknownPlace, editDump, editDump, perfDump}),
       0,
       {perfSlot},
       {},
       {.placedDumps = 1, .editBufferDumps = 2, .unknownLocationDumps = 1},
       "2 dumps to an edit buffer placed nowhere; 1 dump to an unknown location placed nowhere"},
      {"twice.syx",
       Join({voiceDump, voiceDump}),
       0,
       {voiceSlot},
       {},
       {.placedDumps = 2, .replacedDumps = 1},
       "1 slot filled twice: the later dump is kept"},
      {"edit.syx", Join({editDump, foreign}), -1, {}, {}, {}, ""},
      {"empty.syx", {}, -1, {}, {}, {}, ""},
      {"bank.syx", test::ReadBytes(File("source.s2a")), -1, {}, {}, {}, ""},
      {"bank.mid", test::ReadBytes(File("source.s2a")), -1, {}, {}, {}, ""},
      {"nothing.mid", StandardMidiFile::WriteSysEx(foreign), -1, {}, {}, {}, ""},
      {"damaged.mid",
       [&] {
         const Bytes midi = StandardMidiFile::WriteSysEx(Join({voiceDump, perfDump}));
         return Slice(midi, 0, midi.size() - perfDump.size() / 2);
       }(),
       0,
       {voiceSlot},
       {perfSlot},
       {.placedDumps = 2, .incompleteDumps = 1, .damagedMidiParts = 2},
       "1 dump lacks blocks, read as 0; 2 damaged MIDI file parts skipped"},
  };
  for (const auto& c : cases) {
    test::WriteBytes(File(c.name), c.bytes);
    for (const auto& load : kLoadEntries) {
      const std::string what = std::string(load.name) + " " + c.name;
      const bool opening = load.entry == kOpen;
      auto document = MakeDocument();
      auto base = opening ? std::make_unique<S2A_File>() : MakeDocument();
      const DocumentState before = StateOf(*document);
      BankFileLoad loaded;
      std::string said;
      const int result = Said([&] { return loaded = load.entry(*document, File(c.name)); }, said);
      const BankLoadReport& report = loaded.report;
      ASSERT_EQ(result, c.result) << what;
      if (c.result != 0) {
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << what << ": " << said;
        ExpectSameDocument(StateOf(*document), before, what);
        EXPECT_EQ(report.missingItems, 0) << what;
        continue;
      }
      EXPECT_EQ(said, "") << what;
      std::vector<std::string> placed = c.whole;
      placed.insert(placed.end(), c.partial.begin(), c.partial.end());
      std::sort(placed.begin(), placed.end());
      std::vector<std::string> changed = ChangedSlots(*document, *base);
      std::sort(changed.begin(), changed.end());
      EXPECT_EQ(changed, placed) << what;
      for (const std::string& slot : c.whole)
        EXPECT_EQ(ImageOf(itemAt(*document, slot)), ImageOf(itemAt(*source_, slot))) << what;
      ExpectSameBlocks(StateOf(*document), StateOf(*base), what);
      EXPECT_EQ(document->FileName(), opening ? Path(File(c.name)) : before.fileName) << what;
      EXPECT_EQ(
          std::tie(report.placedDumps, report.editBufferDumps, report.unknownLocationDumps,
                   report.incompleteDumps, report.skippedMessages, report.damagedMidiParts,
                   report.replacedDumps),
          std::tie(c.report.placedDumps, c.report.editBufferDumps, c.report.unknownLocationDumps,
                   c.report.incompleteDumps, c.report.skippedMessages, c.report.damagedMidiParts,
                   c.report.replacedDumps))
          << what;
      EXPECT_EQ(report.Warning(), c.warning) << what;
    }
  }
}

}  // namespace
