// A single item's files by extension: .s2i, and the item dumps of .syx and .mid files, imported
// into a held item and exported from it.

#include "files/ItemFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "demo/DemoBank.h"
#include "files/DumpFiles.h"
#include "files/ItemDumpImport.h"
#include "files/S2I_File.h"
#include "midi/MidiWire.h"
#include "midi/sysex/BulkDump.h"
#include "midi/sysex/BulkMessageScanner.h"
#include "midi/sysex/SYX_File.h"
#include "midi/sysex/StandardMidiFile.h"
#include "model/ParamBlockTable.h"
#include "model/S2A_File.h"
#include "model/SharedDefaults.h"
#include "tests/files/FormatTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using test::HeaderBlockOf;
using test::ImageOf;
using test::Said;
using test::Slice;
using Bytes = std::vector<std::uint8_t>;
using Path = std::optional<std::string>;

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

constexpr auto kImport = &ImportItemFile;

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

  template <class Entry>
  int Run(Entry entry, S2I_File& file, const Path& path, std::string& messages) {
    return Said([&] { return entry(file, path); }, messages);
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
    const FileSave save = ExportItemFile(*source, path);
    ASSERT_TRUE(save.Succeeded()) << k.kind;
    EXPECT_EQ(save.sevenBitBytes, 4u) << k.kind;
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
    ASSERT_TRUE(ImportItemFile(target, path).Succeeded()) << k.kind;
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
  ASSERT_TRUE(ExportItemFile(*source, File("good.syx")).Succeeded());
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
    ASSERT_TRUE(ExportItemFile(*other, File("kind" + std::to_string(k.kind) + ".syx")).Succeeded());
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
  ASSERT_TRUE(ExportItemFile(*source, File("full.syx")).Succeeded());
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
  EXPECT_EQ(ItemDumpImport::FirstItemDump(*file, dumps, dumpCount), 0);
  EXPECT_EQ(dumpCount, 3u);
  EXPECT_EQ(ImageOf(*file->GetItem(S2I_File::kAnyKind)), ImageOf(performance));

  file = Holding(0, 111);
  const Item* held = file->GetItem(S2I_File::kAnyKind);
  EXPECT_EQ(ItemDumpImport::FirstItemDump(*file, voiceBulk, dumpCount), 0);
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
    EXPECT_EQ(ItemDumpImport::FirstItemDump(target, *failure.dump, dumpCount), -1) << failure.what;
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
    const ItemFileImport import = ImportItemFile(*held, File("import.syx"));
    const ItemImportReport& report = import.report;
    EXPECT_EQ(import.status, c.image.empty() ? -1 : 0) << i;
    EXPECT_EQ(ImageOf(*held->GetItem(S2I_File::kAnyKind)), c.image.empty() ? before : c.image) << i;
    EXPECT_EQ(
        std::tie(report.itemDumps, report.dumpsOfKind, report.missingBlocks, report.totalBlocks),
        std::tie(c.report.itemDumps, c.report.dumpsOfKind, c.report.missingBlocks,
                 c.report.totalBlocks))
        << i;
  }
}

// The command line's single item, of whatever kind: an .s2i file's, or a dump file's first item
// dump; the outcome tells a file that could not be read from one that holds nothing to take.
TEST_F(ByExtensionItems, AnyItemIsTheS2iFilesOrTheFirstDumpsAndTellsAnUnreadFile) {
  auto voice = Holding(0, 150);
  auto kit = Holding(1, 151);
  const Bytes voiceImage = ImageOf(*voice->GetItem(S2I_File::kAnyKind));
  const Bytes kitImage = ImageOf(*kit->GetItem(S2I_File::kAnyKind));
  ASSERT_TRUE(ExportItemFile(*voice, File("voice.s2i")).Succeeded());
  SYX_File kitDump, voiceDump, two;
  ASSERT_EQ(kitDump.StoreToEditBuffer(*kit->GetItem(S2I_File::kAnyKind)), 0);
  ASSERT_EQ(voiceDump.StoreToEditBuffer(*voice->GetItem(S2I_File::kAnyKind)), 0);
  two.AppendBytes(kitDump.Bytes());
  two.AppendBytes(voiceDump.Bytes());
  ASSERT_TRUE(SaveDumpFile(two, File("two.syx")).Succeeded());
  ASSERT_TRUE(SaveDumpFile(two, File("two.MID")).Succeeded());
  test::WriteBytes(File("none.syx"), {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7});
  test::WriteBytes(File("bad.mid"), {0x4D, 0x54});
  const std::string missing = "Error opening file: No such file or directory";
  const struct {
    const char* name;
    int status;
    bool fileRead;
    std::size_t dumpCount;
    Bytes image;  // the item taken; empty when the import fails
    std::string said;
  } cases[] = {
      {"voice.s2i", 0, false, 0, voiceImage, ""},
      {"two.syx", 0, true, 2, kitImage, ""},
      {"two.MID", 0, true, 2, kitImage, ""},
      {"none.syx", -1, true, 0, {}, ""},
      {"missing.syx", -1, false, 0, {}, missing},
      {"missing.s2i", -1, false, 0, {}, missing},
      {"bad.mid", -1, false, 0, {}, "Error: " + File("bad.mid") + " is not a Standard MIDI File"},
      {"voice.txt", -1, false, 0, {}, ""},
  };
  for (const auto& c : cases) {
    S2I_File item;  // holds nothing, so that a file without item dumps gives nothing
    const AnyItemImport import = ImportAnyItem(item, File(c.name));
    EXPECT_EQ(import.status, c.status) << c.name;
    EXPECT_EQ(import.fileRead, c.fileRead) << c.name;
    EXPECT_EQ(import.dumpCount, c.dumpCount) << c.name;
    EXPECT_EQ(import.Reason(), c.said) << c.name;
    const Item* taken = item.GetItem(S2I_File::kAnyKind);
    EXPECT_EQ(taken != nullptr ? ImageOf(*taken) : Bytes{}, c.image) << c.name;
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
  ASSERT_TRUE(ExportItemFile(*good, File("good.syx")).Succeeded());
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
