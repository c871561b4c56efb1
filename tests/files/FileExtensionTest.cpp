// Loading and saving by file extension: which file kind each entry point picks, what each kind
// replaces, resets or keeps in the document or the held item, and that a failed load leaves
// everything as it was.

#include "files/FileExtension.h"

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
#include "files/INS_File.h"
#include "files/S2E_File.h"
#include "files/S2I_File.h"
#include "files/S2V_File.h"
#include "midi/MidiWire.h"
#include "midi/sysex/BulkDump.h"
#include "midi/sysex/BulkMessageScanner.h"
#include "midi/sysex/ItemDumpList.h"
#include "midi/sysex/SYX_File.h"
#include "midi/sysex/StandardMidiFile.h"
#include "model/BankLayouts.h"
#include "model/ParamBlockTable.h"
#include "model/S2A_File.h"
#include "model/SharedDefaults.h"
#include "tests/files/FormatTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using test::HeaderBlockOf;
using test::ImageOf;
using test::Slice;
using test::StderrOf;
using Bytes = std::vector<std::uint8_t>;
using Path = std::optional<std::string>;

std::string TextOf(std::span<const std::uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// ---------------------------------------------------------------------------------------------
// The extension rule.

TEST(FileExtensionRule, TheTextAfterTheLastDotMatchesWithoutRegardToCase) {
  const struct {
    const char* path;
    const char* extension;
    bool matches;
  } cases[] = {
      {"x.s2a", "s2a", true},        {"X.S2A", "s2a", true},      {"x.s2a", "S2A", true},
      {"x.S2a", "s2A", true},        {".s2a", "s2a", true},       {"/d/x.tar.s2v", "s2v", true},
      {"x..s2a", "s2a", true},       {"s2a", "s2a", false},       {"xs2a", "s2a", false},
      {"x_s2a", "s2a", false},       {"x.s2a.bak", "s2a", false}, {"x.s2ab", "s2a", false},
      {"x.2a", "s2a", false},        {"", "s2a", false},          {"a", "s2a", false},
      {"/d.s2a/file", "s2a", false}, {"x.s2a ", "s2a", false},    {"x.s2i", "s2a", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HasExtension(std::string(c.path), std::string(c.extension)), c.matches)
        << '"' << c.path << "\" with \"" << c.extension << '"';
  }
}

TEST(FileExtensionRule, AnEmptyExtensionNeedsALastDotAndAnAbsentOneOnlyAPath) {
  // Empty extension: shorter than any non-empty path, so the last character must be the dot.
  EXPECT_TRUE(HasExtension(std::string("name."), std::string("")));
  EXPECT_TRUE(HasExtension(std::string("."), std::string("")));
  EXPECT_FALSE(HasExtension(std::string("name"), std::string("")));
  EXPECT_FALSE(HasExtension(std::string(""), std::string("")));
  EXPECT_FALSE(HasExtension(std::string(".s2a"), std::string("")));

  EXPECT_FALSE(HasExtension(std::nullopt, std::string("s2a")));
  EXPECT_FALSE(HasExtension(std::nullopt, std::nullopt));
  EXPECT_TRUE(HasExtension(std::string("x.s2a"), std::nullopt));
  EXPECT_TRUE(HasExtension(std::string("plain"), std::nullopt));
  EXPECT_TRUE(HasExtension(std::string(""), std::nullopt));
}

TEST(FileExtensionRule, BankItemAndDumpFilesAreKnownByTheirExtensionInAnyCase) {
  const struct {
    const char* path;
    bool bank;
    bool item;
    bool dump;
  } cases[] = {
      {"x.s2a", true, false, false},    {"X.S2V", true, false, false},
      {"/d/x.S2e", true, false, false}, {"x.s2i", false, true, false},
      {"x.SYX", false, true, true},     {"x.Syx", false, true, true},
      {"x.mid", false, true, true},     {"x.MID", false, true, true},
      {"x.midi", false, false, false},  {"x.midnam", false, false, false},
      {"x.ins", false, false, false},   {"x.s2a.bak", false, false, false},
      {"s2a", false, false, false},     {"syx", false, false, false},
      {"x.s2", false, false, false},    {"", false, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsBankFile(c.path), c.bank) << c.path;
    EXPECT_EQ(IsItemFile(c.path), c.item) << c.path;
    EXPECT_EQ(IsDumpFile(c.path), c.dump) << c.path;
    EXPECT_EQ(OpensAsDocument(c.path), c.bank || c.dump) << c.path;
  }
}

// ---------------------------------------------------------------------------------------------
// The document: what each bank file replaces, resets and keeps.

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

using BankEntry = int (*)(S2A_File&, const Path&);
// The by-extension entry points without their reports.
constexpr BankEntry kOpen = [](S2A_File& document, const Path& path) {
  return OpenBankFile(document, path);
};
constexpr BankEntry kMerge = [](S2A_File& document, const Path& path) {
  return MergeBankFile(document, path);
};

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

  int Run(BankEntry entry, S2A_File& document, const Path& path, std::string& messages) {
    int result = 0;
    messages = StderrOf([&] { return entry(document, path); }, result);
    return result;
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
    ASSERT_EQ(OpenBankFile(*opened, File(name)), 0) << name;
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

TEST_F(ByExtensionBanks, AVoiceFileReplacesTheVoiceBanksAndOpeningResetsThePerformances) {
  const DocumentState source = StateOf(*source_);
  const DocumentState before = StateOf(*document_);
  std::string messages;
  ASSERT_EQ(Run(kOpen, *document_, File("source.s2v"), messages), 0);
  EXPECT_EQ(messages, "");
  const DocumentState opened = StateOf(*document_);
  ExpectSameBanks(opened, source, {kIntVoice, kIntDrums, kExtVoice, kExtDrums}, "open .s2v");
  ExpectDefaultBank(opened, kIntPerf, "open .s2v");
  ExpectDefaultBank(opened, kExtPerf, "open .s2v");
  ExpectSameBlocks(opened, StateOf(SharedDefaults::DefaultSet()), "open .s2v");

  auto merged = MakeDocument();
  ASSERT_EQ(Run(kMerge, *merged, File("source.s2v"), messages), 0);
  EXPECT_EQ(messages, "");
  const DocumentState mergedState = StateOf(*merged);
  ExpectSameBanks(mergedState, source, {kIntVoice, kIntDrums, kExtVoice, kExtDrums}, "merge .s2v");
  ExpectSameBanks(mergedState, before, {kIntPerf, kExtPerf}, "merge .s2v");
  ExpectSameBlocks(mergedState, before, "merge .s2v");
}

TEST_F(ByExtensionBanks, AnExternalFileReplacesTheExternalBanksAndOpeningResetsTheInternal) {
  const DocumentState source = StateOf(*source_);
  const DocumentState before = StateOf(*document_);
  std::string messages;
  ASSERT_EQ(Run(kOpen, *document_, File("source.s2e"), messages), 0);
  EXPECT_EQ(messages, "");
  const DocumentState opened = StateOf(*document_);
  ExpectSameBanks(opened, source, {kExtVoice, kExtDrums, kExtPerf}, "open .s2e");
  ExpectDefaultBank(opened, kIntVoice, "open .s2e");
  ExpectDefaultBank(opened, kIntDrums, "open .s2e");
  ExpectDefaultBank(opened, kIntPerf, "open .s2e");
  ExpectSameBlocks(opened, StateOf(SharedDefaults::DefaultSet()), "open .s2e");

  auto merged = MakeDocument();
  ASSERT_EQ(Run(kMerge, *merged, File("source.s2e"), messages), 0);
  EXPECT_EQ(messages, "");
  const DocumentState mergedState = StateOf(*merged);
  ExpectSameBanks(mergedState, source, {kExtVoice, kExtDrums, kExtPerf}, "merge .s2e");
  ExpectSameBanks(mergedState, before, {kIntVoice, kIntDrums, kIntPerf}, "merge .s2e");
  ExpectSameBlocks(mergedState, before, "merge .s2e");
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
      BankLoadReport report{-1};
      testing::internal::CaptureStderr();
      ASSERT_EQ(
          opening ? OpenBankFile(*document, cut, &report) : MergeBankFile(*document, cut, &report),
          0);
      EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
      EXPECT_EQ(report.missingItems, c.missing) << load.name << " " << cut << " " << c.length;
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
    EXPECT_TRUE(text.ends_with("\r\nPatch[*]=General MIDI\r\n")) << name;
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
    BankLoadReport report;
    ASSERT_EQ(OpenBankFile(*document, File(name), &report), 0) << name;
    EXPECT_EQ(report.placedDumps, 452u);
    EXPECT_EQ(BankLoadWarning(report), "") << name;
    expected.fileName = File(name);
    ExpectSameDocument(StateOf(*document), expected, name);
    ASSERT_EQ(SaveBankFile(*document, File(std::string("again-") + name)), 0);
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
      BankLoadReport report{-1};
      int result = 0;
      const std::string said = StderrOf(
          [&] {
            return opening ? OpenBankFile(*document, File(c.name), &report)
                           : MergeBankFile(*document, File(c.name), &report);
          },
          result);
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
      EXPECT_EQ(BankLoadWarning(report), c.warning) << what;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Single items: .s2i, .syx and .mid.

struct DumpMessage {
  std::size_t offset;
  std::array<std::uint8_t, 3> address;
  Bytes data;
};

// Splits bytes into bulk dump messages (F0 43 00 64, count high and low, three address bytes,
// the data, the checksum, F7), checking the frame and the checksum of each.
std::vector<DumpMessage> SplitDump(const Bytes& bytes) {
  std::vector<DumpMessage> messages;
  std::size_t at = 0;
  while (at < bytes.size()) {
    if (bytes.size() - at < 11 || bytes[at] != 0xF0 || bytes[at + 1] != 0x43 ||
        bytes[at + 2] != 0x00 || bytes[at + 3] != 0x64) {
      ADD_FAILURE() << "no bulk dump message at " << at;
      break;
    }
    const std::size_t end = at + 11 + bytes[at + 4] * std::size_t{128} + bytes[at + 5];
    if (end > bytes.size() || bytes[end - 1] != 0xF7) {
      ADD_FAILURE() << "the message at " << at << " does not end in F7 where its count says";
      break;
    }
    unsigned sum = 0;
    for (std::size_t i = at + 4; i < end - 1; ++i)
      sum += bytes[i];
    EXPECT_EQ(sum & 0x7F, 0u) << "checksum of the message at " << at;
    messages.push_back({at,
                        {bytes[at + 6], bytes[at + 7], bytes[at + 8]},
                        Bytes(bytes.begin() + static_cast<long>(at) + 9,
                              bytes.begin() + static_cast<long>(end) - 2)});
    at = end;
  }
  return messages;
}

struct KindDump {
  int kind;
  std::size_t size;
  std::size_t blocks;
  std::uint8_t editMid;
  Bytes first;  // the header message
  Bytes last;   // the footer message
  std::array<std::uint8_t, 3> firstBlock;
  std::size_t firstBlockSize;
  std::array<std::uint8_t, 3> lastBlock;
  std::size_t lastBlockSize;
};

const KindDump kDumps[] = {
    {0,
     1116,
     32,
     0x0F,
     {0xF0, 0x43, 0x00, 0x64, 0x00, 0x00, 0x0E, 0x0F, 0x00, 0x63, 0xF7},
     {0xF0, 0x43, 0x00, 0x64, 0x00, 0x00, 0x0F, 0x0F, 0x00, 0x62, 0xF7},
     {0x40, 0x70, 0x00},
     56,
     {0x44, 0x03, 0x40},
     6},
    {1,
     7889,
     7 + 73 * 5,
     0x2F,
     {0xF0, 0x43, 0x00, 0x64, 0x00, 0x00, 0x0E, 0x2F, 0x00, 0x43, 0xF7},
     {0xF0, 0x43, 0x00, 0x64, 0x00, 0x00, 0x0F, 0x2F, 0x00, 0x42, 0xF7},
     {0x46, 0x70, 0x00},
     56,
     {0x4A, 0x48, 0x00},
     8},
    {2,
     1449,
     32,
     0x4F,
     {0xF0, 0x43, 0x00, 0x64, 0x00, 0x00, 0x0E, 0x4F, 0x00, 0x23, 0xF7},
     {0xF0, 0x43, 0x00, 0x64, 0x00, 0x00, 0x0F, 0x4F, 0x00, 0x22, 0xF7},
     {0x30, 0x00, 0x00},
     68,
     {0x32, 0x03, 0x00},
     16},
};

using ItemEntry = int (*)(S2I_File&, const Path&);
constexpr ItemEntry kImport = [](S2I_File& item, const Path& path) {
  return ImportItemFile(item, path);
};

class ByExtensionItems : public testing::Test {
 protected:
  void SetUp() override {
    test::UseNoConfiguration(home_);
    testing::internal::CaptureStderr();
    for (ItemKind kind : {ItemKind::Instrument, ItemKind::Percussion, ItemKind::Performance})
      SharedDefaults::DefaultItem(kind);
    SharedDefaults::DefaultSet();
    testing::internal::GetCapturedStderr();
  }

  std::string File(const std::string& name) const { return dir_.File(name); }

  // An S2I holding an item of `kind` filled with 7-bit bytes.
  static std::unique_ptr<S2I_File> Holding(int kind, std::uint32_t seed) {
    auto file = std::make_unique<S2I_File>();
    DemoBank::FillItem(*file->GetItem(kind), "Item " + std::to_string(kind), 4 + kind, seed);
    return file;
  }

  int Run(ItemEntry entry, S2I_File& file, const Path& path, std::string& messages) {
    int result = 0;
    messages = StderrOf([&] { return entry(file, path); }, result);
    return result;
  }

  test::TempDir home_;
  test::TempDir dir_;
};

TEST_F(ByExtensionItems, SyxExportIsExactlyTheEditBufferDump) {
  for (const KindDump& k : kDumps) {
    auto file = Holding(k.kind, 30 + k.kind);
    const Bytes image = ImageOf(*file->GetItem(S2I_File::kAnyKind));
    const std::string path = File("edit" + std::to_string(k.kind) + ".syx");
    std::string messages;
    ASSERT_EQ(Run(&ExportItemFile, *file, path, messages), 0) << k.kind;
    EXPECT_EQ(messages, "");
    const Bytes bytes = test::ReadBytes(path);
    ASSERT_EQ(bytes.size(), k.size) << k.kind;
    EXPECT_EQ(Slice(bytes, 0, 11), k.first) << k.kind;
    EXPECT_EQ(Slice(bytes, bytes.size() - 11, 11), k.last) << k.kind;

    const std::vector<DumpMessage> messagesOfDump = SplitDump(bytes);
    ASSERT_EQ(messagesOfDump.size(), k.blocks + 2) << k.kind;
    const DumpMessage& firstBlock = messagesOfDump[1];
    const DumpMessage& lastBlock = messagesOfDump[k.blocks];
    EXPECT_EQ(firstBlock.address, k.firstBlock) << k.kind;
    EXPECT_EQ(firstBlock.data.size(), k.firstBlockSize) << k.kind;
    EXPECT_EQ(lastBlock.address, k.lastBlock) << k.kind;
    EXPECT_EQ(lastBlock.data.size(), k.lastBlockSize) << k.kind;
    Bytes joined;
    for (std::size_t i = 1; i <= k.blocks; ++i)
      joined.insert(joined.end(), messagesOfDump[i].data.begin(), messagesOfDump[i].data.end());
    EXPECT_EQ(joined, image) << "the blocks carry the image in order, kind " << k.kind;
  }
}

TEST_F(ByExtensionItems, SyxExportThenImportGivesBackTheImage) {
  for (const KindDump& k : kDumps) {
    auto source = Holding(k.kind, 50 + k.kind);
    const Bytes image = ImageOf(*source->GetItem(S2I_File::kAnyKind));
    for (const char* extension : {".SYX", ".Mid"}) {
      const std::string path = File("round" + std::to_string(k.kind) + extension);
      std::string messages;
      ASSERT_EQ(Run(&ExportItemFile, *source, path, messages), 0);

      S2I_File target;
      Item* held = target.GetItem(k.kind);
      ASSERT_NE(held, nullptr);
      ASSERT_NE(ImageOf(*held), image);
      EXPECT_EQ(Run(kImport, target, path, messages), 0) << k.kind << extension;
      EXPECT_EQ(messages, "");
      EXPECT_EQ(target.GetItem(S2I_File::kAnyKind), held) << "filled in place";
      EXPECT_EQ(ImageOf(*held), image) << k.kind << extension;
    }
    // The .mid file carries the .syx file's messages.
    const std::string round = File("round" + std::to_string(k.kind));
    EXPECT_EQ(test::ReadBytes(round + ".Mid"),
              StandardMidiFile::WriteSysEx(test::ReadBytes(round + ".SYX")));
  }

  // The dump of a bank slot to its own memory location carries the same blocks.
  S2A_File document;
  DemoBank::FillDocument(document, 6);
  const Item& slot = *document.ExternalPerformanceBank().ItemAt(17);
  SYX_File dump;
  ASSERT_EQ(dump.StoreToMemory(slot), 0);
  ASSERT_EQ(dump.Save(File("slot.syx")), 0);
  S2I_File target;
  target.GetItem(2);
  std::string messages;
  EXPECT_EQ(Run(kImport, target, File("slot.syx"), messages), 0);
  EXPECT_EQ(ImageOf(*target.GetItem(S2I_File::kAnyKind)), ImageOf(slot));
}

// A byte of 80 or more would be a status byte on the wire (F7 ends the message, FF resets).
TEST_F(ByExtensionItems, SyxExportCarriesHighBytesAsTheirLowSevenBitsAndTheItemKeepsThem) {
  for (const KindDump& k : kDumps) {
    auto source = Holding(k.kind, 70 + k.kind);
    const std::span<std::uint8_t> data = source->GetItem(S2I_File::kAnyKind)->Data();
    data[kItemCategoryOffset] = 0xFF;
    data[1] = 0x80;  // in the name
    data[2] = 0xF7;
    data.back() = 0x90;  // in the last block
    const Bytes stored(data.begin(), data.end());
    Bytes sent = stored;
    for (std::uint8_t& byte : sent)
      byte &= 0x7F;
    const std::string path = File("high" + std::to_string(k.kind) + ".syx");
    std::size_t sevenBitBytes = 0;
    ASSERT_EQ(ExportItemFile(*source, path, sevenBitBytes), 0) << k.kind;
    EXPECT_EQ(sevenBitBytes, 4u) << k.kind;
    EXPECT_EQ(ImageOf(*source->GetItem(S2I_File::kAnyKind)), stored) << k.kind;

    const Bytes bytes = test::ReadBytes(path);
    EXPECT_EQ(ScanBulkMessages(bytes, [](const BulkMessage&) {}).dropped, 0u) << k.kind;
    const std::vector<DumpMessage> messages = SplitDump(bytes);  // checks every checksum
    ASSERT_EQ(messages.size(), k.blocks + 2) << k.kind;
    const auto [high, mid, low] = k.firstBlock;
    EXPECT_EQ(Slice(bytes, messages[1].offset, k.firstBlockSize + 11),
              test::BulkMessage({high, mid, low}, Slice(sent, 0, k.firstBlockSize)))
        << k.kind;

    S2I_File target;
    target.GetItem(k.kind);
    ASSERT_EQ(ImportItemFile(target, path), 0) << k.kind;
    EXPECT_EQ(ImageOf(*target.GetItem(S2I_File::kAnyKind)), sent) << k.kind;
  }
}

TEST_F(ByExtensionItems, SyxImportNeedsAHeldItemAndThenDoesNotReadTheFile) {
  S2I_File empty;
  std::string messages;
  EXPECT_EQ(Run(kImport, empty, File("missing.syx"), messages), -1);
  EXPECT_EQ(messages, "") << "the file is not even opened";
  EXPECT_FALSE(test::Exists(File("missing.syx")));

  auto source = Holding(0, 5);
  ASSERT_EQ(ExportItemFile(*source, File("good.syx")), 0);
  EXPECT_EQ(Run(kImport, empty, File("good.syx"), messages), -1);
  EXPECT_EQ(messages, "");
  EXPECT_EQ(empty.GetItem(S2I_File::kAnyKind), nullptr) << "no item is made";
}

TEST_F(ByExtensionItems, SyxImportOfAMissingFileReportsAndKeepsTheItem) {
  auto file = Holding(1, 9);
  const Item* held = file->GetItem(S2I_File::kAnyKind);
  const Bytes image = ImageOf(*held);
  std::string messages;
  EXPECT_EQ(Run(kImport, *file, File("missing.syx"), messages), -1);
  EXPECT_EQ(messages, "Error opening file: No such file or directory\n");
  EXPECT_FALSE(test::Exists(File("missing.syx")));
  EXPECT_EQ(file->GetItem(S2I_File::kAnyKind), held);
  EXPECT_EQ(ImageOf(*held), image);
}

TEST_F(ByExtensionItems, SyxWithoutDataForTheHeldKindFailsAndKeepsTheItem) {
  // Dumps of the other kinds, an empty file, bytes that are no message, a dump with only its
  // header and footer, and a dump whose every block message has a wrong checksum.
  for (const KindDump& k : kDumps) {
    auto other = Holding(k.kind, 60 + k.kind);
    ASSERT_EQ(ExportItemFile(*other, File("kind" + std::to_string(k.kind) + ".syx")), 0);
  }
  test::WriteBytes(File("empty.syx"), {});
  Bytes noise;
  for (int i = 0; i < 3000; ++i)
    noise.push_back(static_cast<std::uint8_t>(i % 0x80));
  test::WriteBytes(File("noise.syx"), noise);
  Bytes frame = kDumps[0].first;
  frame.insert(frame.end(), kDumps[0].last.begin(), kDumps[0].last.end());
  test::WriteBytes(File("frame.syx"), frame);
  Bytes broken = test::ReadBytes(File("kind0.syx"));
  for (const DumpMessage& message : SplitDump(broken)) {
    if (!message.data.empty())
      broken[message.offset + 9] ^= 0x01;
  }
  test::WriteBytes(File("broken.syx"), broken);

  for (const KindDump& k : kDumps) {
    auto file = Holding(k.kind, 70 + k.kind);
    const Item* held = file->GetItem(S2I_File::kAnyKind);
    const Bytes image = ImageOf(*held);
    std::vector<std::string> names = {"empty.syx", "noise.syx", "frame.syx"};
    for (const KindDump& otherKind : kDumps) {
      if (otherKind.kind != k.kind)
        names.push_back("kind" + std::to_string(otherKind.kind) + ".syx");
    }
    if (k.kind == 0)
      names.push_back("broken.syx");
    for (const std::string& name : names) {
      std::string messages;
      EXPECT_EQ(Run(kImport, *file, File(name), messages), -1) << k.kind << " " << name;
      EXPECT_EQ(file->GetItem(S2I_File::kAnyKind), held) << name;
      EXPECT_EQ(held->Kind(), static_cast<ItemKind>(k.kind)) << name;
      EXPECT_EQ(ImageOf(*held), image) << k.kind << " " << name;
    }
  }

  // Data for one block is enough: that block is taken.
  auto source = Holding(0, 80);
  ASSERT_EQ(ExportItemFile(*source, File("full.syx")), 0);
  const Bytes full = test::ReadBytes(File("full.syx"));
  const std::vector<DumpMessage> parts = SplitDump(full);
  ASSERT_GE(parts.size(), 3u);
  test::WriteBytes(File("one-block.syx"), Slice(full, parts[1].offset, 11 + 56));
  auto target = Holding(0, 81);
  std::string messages;
  EXPECT_EQ(Run(kImport, *target, File("one-block.syx"), messages), 0);
  EXPECT_EQ(Slice(ImageOf(*target->GetItem(S2I_File::kAnyKind)), 0, 56),
            Slice(ImageOf(*source->GetItem(S2I_File::kAnyKind)), 0, 56));
}

// The first item dump that names a known location gives the item; without one the bulk data
// fills the held item; with neither the held item is left exactly as it was.
TEST_F(ByExtensionItems, FirstItemDumpOfASyxFileOrElseItsBulkDataGivesTheItem) {
  S2A_File document;
  DemoBank::FillDocument(document, 4);
  const Item& voice = *document.ExternalInstrumentBank().ItemAt(3);
  const Item& performance = *document.InternalPerformanceBank().ItemAt(9);
  SYX_File unknownOnly;
  ASSERT_EQ(unknownOnly.AppendMessage(0x0E, 0x7E, 0x00, {}), 1);
  ASSERT_EQ(unknownOnly.AppendMessage(0x0F, 0x7E, 0x00, {}), 1);
  SYX_File dumps;
  dumps.AppendBytes(unknownOnly.Bytes());
  ASSERT_EQ(dumps.AppendItemDump(performance), 0);
  ASSERT_EQ(dumps.AppendItemDump(voice), 0);
  SYX_File framed;
  ASSERT_EQ(framed.StoreToEditBuffer(voice), 0);
  const Bytes framedBytes(framed.Bytes().begin(), framed.Bytes().end());
  SYX_File voiceBulk;  // the block messages without header and footer
  voiceBulk.AppendBytes(Slice(framedBytes, 11, framedBytes.size() - 22));

  auto file = Holding(0, 110);
  std::size_t dumpCount = 99;
  EXPECT_EQ(ImportFirstItemDump(*file, dumps, dumpCount), 0);
  EXPECT_EQ(dumpCount, 3u);
  EXPECT_EQ(ImageOf(*file->GetItem(S2I_File::kAnyKind)), ImageOf(performance));

  file = Holding(0, 111);
  const Item* held = file->GetItem(S2I_File::kAnyKind);
  EXPECT_EQ(ImportFirstItemDump(*file, voiceBulk, dumpCount), 0);
  EXPECT_EQ(dumpCount, 0u);
  EXPECT_EQ(file->GetItem(S2I_File::kAnyKind), held) << "filled in place";
  EXPECT_EQ(ImageOf(*held), ImageOf(voice));

  SYX_File empty;
  const struct {
    const char* what;
    int heldKind;  // -1: none held
    SYX_File* dump;
  } failures[] = {{"voice data for percussion", 1, &voiceBulk},
                  {"nothing", 0, &empty},
                  {"only an unknown location", 0, &unknownOnly},
                  {"no held item", -1, &voiceBulk}};
  for (const auto& failure : failures) {
    S2I_File target;
    if (failure.heldKind >= 0)
      DemoBank::FillItem(*target.GetItem(failure.heldKind), "Kept", 3, 120);
    const Item* before = target.GetItem(S2I_File::kAnyKind);
    const Bytes image = before != nullptr ? ImageOf(*before) : Bytes{};
    dumpCount = 99;
    EXPECT_EQ(ImportFirstItemDump(target, *failure.dump, dumpCount), -1) << failure.what;
    EXPECT_EQ(dumpCount, 0u) << failure.what;
    ASSERT_EQ(target.GetItem(S2I_File::kAnyKind), before) << failure.what;
    if (before != nullptr) {
      EXPECT_EQ(ImageOf(*before), image) << failure.what;
    }
  }
}

// One rule for the editor and the command line: the first item dump of the held item's kind,
// wherever addressed; the report counts the dumps and the blocks missing.
TEST_F(ByExtensionItems, SyxImportTakesTheFirstDumpOfTheHeldKind) {
  S2A_File document;
  DemoBank::FillDocument(document, 7);
  const Item& voice = *document.InternalInstrumentBank().ItemAt(0);
  const Item& kit = *document.InternalPercussionBank().ItemAt(1);
  const Item& performance = *document.ExternalPerformanceBank().ItemAt(9);
  SYX_File buffer, four, others, gappy, headless;
  buffer.StoreToEditBuffer(*document.ExternalInstrumentBank().ItemAt(4));
  for (const Item* item : {&voice, &kit, &performance})
    four.AppendItemDump(*item);
  four.AppendBytes(buffer.Bytes());
  others.AppendItemDump(kit);
  others.AppendItemDump(performance);
  // The voice's dump without the message of its second block, with and without its frame.
  SYX_File voiceDump;
  voiceDump.StoreToMemory(voice);
  const auto messages = MidiWire::SysExMessages(voiceDump.Bytes());
  for (std::size_t i = 0; i < messages.size(); ++i) {
    if (i != 2)
      gappy.AppendBytes(messages[i]);
    if (i != 2 && i > 0 && i + 1 < messages.size())
      headless.AppendBytes(messages[i]);
  }
  gappy.AppendItemDump(kit);
  Bytes gappyVoice = ImageOf(voice);
  const ParamBlockTable blocks = InstrumentBlockTable();
  std::fill_n(gappyVoice.begin() + blocks[0].size, blocks[1].size, 0);

  const struct {
    SYX_File* file;
    int heldKind;
    Bytes image;  // empty: the held item is kept
    ItemImportReport report;
  } cases[] = {
      {&four, 0, ImageOf(voice), {4, 2, 0, 32}},       {&four, 1, ImageOf(kit), {4, 1, 0, 372}},
      {&four, 2, ImageOf(performance), {4, 1, 0, 32}}, {&others, 0, {}, {2, 0, 0, 0}},
      {&gappy, 0, gappyVoice, {2, 1, 1, 32}},          {&headless, 0, gappyVoice, {0, 0, 1, 32}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    ASSERT_EQ(c.file->Save(File("import.syx")), 0);
    auto held = Holding(c.heldKind, 140);
    const Bytes before = ImageOf(*held->GetItem(S2I_File::kAnyKind));
    ItemImportReport report{9, 9, 9, 9};
    EXPECT_EQ(ImportItemFile(*held, File("import.syx"), &report), c.image.empty() ? -1 : 0) << i;
    EXPECT_EQ(ImageOf(*held->GetItem(S2I_File::kAnyKind)), c.image.empty() ? before : c.image) << i;
    EXPECT_EQ(
        std::tie(report.itemDumps, report.dumpsOfKind, report.missingBlocks, report.totalBlocks),
        std::tie(c.report.itemDumps, c.report.dumpsOfKind, c.report.missingBlocks,
                 c.report.totalBlocks))
        << i;
  }
}

TEST_F(ByExtensionItems, S2iExportAndImportRoundTrip) {
  const std::size_t sizes[] = {806, 3839, 1139};
  for (int kind = 0; kind < 3; ++kind) {
    auto source = Holding(kind, 90 + kind);
    const Bytes image = ImageOf(*source->GetItem(S2I_File::kAnyKind));
    const std::string path = File("One" + std::to_string(kind) + ".S2I");
    std::string messages;
    ASSERT_EQ(Run(&ExportItemFile, *source, path, messages), 0);
    EXPECT_EQ(messages, "");
    const Bytes bytes = test::ReadBytes(path);
    ASSERT_EQ(bytes.size(), sizes[kind]);
    Bytes header = HeaderBlockOf("INS");
    header[16] = static_cast<std::uint8_t>(kind);
    EXPECT_EQ(Slice(bytes, 0, 64), header);
    EXPECT_EQ(Slice(bytes, 64, bytes.size() - 64), image);

    // The file's item replaces the held one, of whatever kind that was.
    S2I_File target;
    target.GetItem((kind + 1) % 3);
    EXPECT_EQ(Run(kImport, target, path, messages), 0);
    EXPECT_EQ(messages, "");
    ASSERT_NE(target.GetItem(S2I_File::kAnyKind), nullptr);
    EXPECT_EQ(target.GetItem(S2I_File::kAnyKind)->Kind(), static_cast<ItemKind>(kind));
    EXPECT_EQ(ImageOf(*target.GetItem(S2I_File::kAnyKind)), image);
  }
}

TEST_F(ByExtensionItems, UnknownExtensionsFailAndKeepTheItem) {
  auto good = Holding(2, 100);
  ASSERT_EQ(ExportItemFile(*good, File("good.syx")), 0);
  // A good dump under other names: the extension decides.
  const char* names[] = {"x.s2a", "x.ins", "x.txt", "x.syx.bak", "x.s2v", "syx", "xsyx"};
  for (const char* name : names)
    std::filesystem::copy_file(File("good.syx"), File(name));
  std::vector<Path> paths = {std::nullopt};
  for (const char* name : names)
    paths.push_back(File(name));

  auto file = Holding(2, 101);
  const Item* held = file->GetItem(S2I_File::kAnyKind);
  const Bytes image = ImageOf(*held);
  const std::vector<std::string> entries = dir_.Entries();
  for (const Path& path : paths) {
    std::string messages;
    EXPECT_EQ(Run(kImport, *file, path, messages), -1) << path.value_or("(none)");
    EXPECT_EQ(messages, "");
    EXPECT_EQ(file->GetItem(S2I_File::kAnyKind), held);
    EXPECT_EQ(ImageOf(*held), image);
  }
  const Path newPaths[] = {std::nullopt, File("new.s2a"), File("new.ins"), File("new.txt"),
                           File("new.syx.bak")};
  for (const Path& path : newPaths) {
    std::string messages;
    EXPECT_EQ(Run(&ExportItemFile, *file, path, messages), -1) << path.value_or("(none)");
    EXPECT_EQ(messages, "");
  }
  EXPECT_EQ(dir_.Entries(), entries);
}

TEST_F(ByExtensionItems, ExportWithoutAHeldItemWritesNothing) {
  S2I_File empty;
  std::string messages;
  EXPECT_EQ(Run(&ExportItemFile, empty, File("none.syx"), messages), -1);
  EXPECT_EQ(messages, "");
  EXPECT_EQ(Run(&ExportItemFile, empty, File("none.s2i"), messages), -1);
  EXPECT_EQ(messages, "");
  EXPECT_TRUE(dir_.Entries().empty());
  EXPECT_EQ(empty.GetItem(S2I_File::kAnyKind), nullptr);
}

}  // namespace
