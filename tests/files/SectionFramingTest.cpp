// The framing the S2A, S2V and S2E files share: their header checks and their item sections,
// read and written by one reader and one writer.

#include "files/SectionFraming.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "files/FileDiagnostics.h"
#include "files/SmartFile.h"
#include "model/BankLayouts.h"
#include "tests/files/FormatTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace SectionFraming;
using test::HeaderBlockOf;
using test::ImageOf;
using test::Slice;

class SectionFramingTest : public testing::Test {
 protected:
  void SetUp() override { test::UseNoConfiguration(dir_); }

  // A bank whose items are filled with bytes of their own, from `seed`.
  static std::unique_ptr<TypedBank<Percussion>> FilledKits(std::uint8_t seed) {
    auto kits = MakeBank<Percussion>(kExternalPercussionLayout);
    kits->ForEachItem([&](Item& item) {
      for (std::size_t i = 0; i < item.Data().size(); ++i)
        item.Data()[i] = static_cast<std::uint8_t>((seed + i * 7 + item.SlotIndex()) % 0x80);
    });
    return kits;
  }

  test::TempDir dir_;
};

// Each reader's messages, from one check: the format mark, then the type, then the version.
TEST_F(SectionFramingTest, AFileHeaderFailsOnItsFirstBadFieldWithTheReadersMessage) {
  Bytes badMark = HeaderBlockOf("VCE");
  badMark[1] = 'x';
  Bytes badVersion = HeaderBlockOf("VCE");
  badVersion[14] = '9';
  Bytes badAll = HeaderBlockOf("PFM");
  badAll[0] = 'a';
  badAll[12] = '7';
  const struct {
    Bytes header;
    const char* type;
    HeaderMessages messages;
    std::string said;  // empty: the header passes
  } cases[] = {
      {HeaderBlockOf("VCE"), "VCE", HeaderMessages::Plain, ""},
      {HeaderBlockOf("VCE"), nullptr, HeaderMessages::QuotingThePath, ""},
      {Slice(HeaderBlockOf("EXT"), 0, 16), "EXT", HeaderMessages::QuotingThePath, ""},
      {HeaderBlockOf("PFM"), "VCE", HeaderMessages::Plain, "Error: Improper file type."},
      {HeaderBlockOf("PFM"), "VCE", HeaderMessages::QuotingThePath,
       "Error: \"x.s2e\" Has Improper file type."},
      {badMark, "VCE", HeaderMessages::Plain, "Error with file: Unknown format."},
      {badMark, nullptr, HeaderMessages::QuotingThePath, "Error: \"x.s2e\" Has Unknown format."},
      {badVersion, "VCE", HeaderMessages::Plain, "Error: Unknown version."},
      {badVersion, "VCE", HeaderMessages::QuotingThePath, "Error: \"x.s2e\" Has Unknown version."},
      {badAll, "VCE", HeaderMessages::Plain, "Error with file: Unknown format."},
      {Bytes(10, 0), "VCE", HeaderMessages::Plain, "Error with file: Unknown format."},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    const FileDiagnosticCapture said;
    EXPECT_EQ(CheckFileHeader(c.header, c.type, c.messages, "x.s2e"), c.said.empty()) << i;
    EXPECT_EQ(said.Text(), c.said) << i;
  }
}

// An item section written and read by the shared writer and reader: zero entries first, the
// banks' entries, zeros to the directory's end, the records, the padding; and back.
TEST_F(SectionFramingTest, AnItemSectionIsWrittenByteForByteAndReadBack) {
  auto kits = FilledKits(3);
  auto voices = MakeBank<Instrument>(kInternalInstrumentLayout);
  voices->ItemAt(127)->Data()[20] = 0x41;
  const ItemSection written{kVoiceType, 5, {kits.get(), voices.get()}, 9};
  EXPECT_EQ(written.Records(), 130);
  const std::string path = dir_.File("section.bin");
  ASSERT_EQ(SmartFile::SaveFile(path, [&](SmartFile& file) { WriteItemSection(file, written); }),
            0);

  const Bytes bytes = test::ReadBytes(path);
  const std::size_t records = 2 * 3775 + 128 * 742;
  ASSERT_EQ(bytes.size(), kDirectorySize + records + 9);
  EXPECT_TRUE(test::ZeroRange(bytes, 0, 5 * 14));
  EXPECT_EQ(Slice(bytes, 5 * 14, 14), test::DirectoryEntryOf(*kits->ItemAt(0)));
  EXPECT_EQ(Slice(bytes, 7 * 14 + 127 * 14, 14), test::DirectoryEntryOf(*voices->ItemAt(127)));
  EXPECT_TRUE(test::ZeroRange(bytes, 135 * 14, kDirectorySize));
  EXPECT_EQ(Slice(bytes, kDirectorySize + 3775, 3775), ImageOf(*kits->ItemAt(1)));
  EXPECT_EQ(Slice(bytes, kDirectorySize + records - 742, 742), ImageOf(*voices->ItemAt(127)));
  EXPECT_TRUE(test::ZeroRange(bytes, bytes.size() - 9, bytes.size()));

  auto readKits = MakeBank<Percussion>(kExternalPercussionLayout);
  auto readVoices = MakeBank<Instrument>(kInternalInstrumentLayout);
  SmartFile file;
  ASSERT_TRUE(file.Open(path));
  EXPECT_EQ(ReadItemSection(file, {kVoiceType, 5, {readKits.get(), readVoices.get()}, 9}), 0);
  EXPECT_EQ(file.Tell(), static_cast<long>(bytes.size()));
  EXPECT_EQ(ImageOf(*readKits->ItemAt(1)), ImageOf(*kits->ItemAt(1)));
  EXPECT_EQ(ImageOf(*readVoices->ItemAt(127)), ImageOf(*voices->ItemAt(127)));
  EXPECT_TRUE(readVoices->HasContent());
}

// A record the file ends within is not read: the item keeps what it held, and every record from
// there on counts as missing.
TEST_F(SectionFramingTest, ASectionCutShortCountsTheRecordsItLacks) {
  auto kits = FilledKits(5);
  const std::string path = dir_.File("whole.bin");
  ASSERT_EQ(SmartFile::SaveFile(path,
                                [&](SmartFile& file) {
                                  WriteItemSection(file, {kVoiceType, 0, {kits.get()}, 0});
                                }),
            0);
  const Bytes whole = test::ReadBytes(path);
  const struct {
    std::size_t length;
    int missing;
    bool firstRead;
  } cases[] = {{whole.size(), 0, true},
               {kDirectorySize + 3775 + 100, 1, true},
               {kDirectorySize + 3775, 1, true},
               {kDirectorySize + 10, 2, false},
               {100, 2, false}};
  for (const auto& c : cases) {
    test::WriteBytes(dir_.File("cut.bin"), Slice(whole, 0, c.length));
    auto read = FilledKits(60);
    const Bytes kept = ImageOf(*read->ItemAt(1));
    SmartFile file;
    ASSERT_TRUE(file.Open(dir_.File("cut.bin")));
    EXPECT_EQ(ReadItemSection(file, {kVoiceType, 0, {read.get()}, 0}), c.missing) << c.length;
    EXPECT_EQ(ImageOf(*read->ItemAt(0)) == ImageOf(*kits->ItemAt(0)), c.firstRead) << c.length;
    if (c.missing > 0) {
      EXPECT_EQ(ImageOf(*read->ItemAt(1)), kept) << c.length;
    }
  }
}

TEST_F(SectionFramingTest, ReadingARecordOfAShortStreamKeepsWhatItReadAndMarksTheBank) {
  auto bank = MakeBank<Instrument>(kInternalInstrumentLayout);
  Instrument& item = *bank->ItemAt(3);
  std::fill(item.Data().begin(), item.Data().end(), 0x55);
  const std::string path = dir_.File("short.bin");
  test::WriteBytes(path, Bytes(100, 0x01));
  SmartFile file;
  ASSERT_TRUE(file.Open(path));
  EXPECT_FALSE(bank->HasContent());
  EXPECT_EQ(ReadItemRecord(file, item), 0);
  EXPECT_TRUE(bank->HasContent());
  EXPECT_EQ(item.Data()[99], 0x01);
  EXPECT_EQ(item.Data()[100], 0x55) << "bytes beyond the end keep their old content";
  EXPECT_EQ(item.SlotIndex(), 3);
  EXPECT_EQ(item.BankSelectLsb(), 8);
}

// The sections a file may hold, each by its type: item sections counted whole when absent, data
// blocks flagged when read, anything else an unknown section that ends the read.
TEST_F(SectionFramingTest, ReadSectionsTakesEachKnownSectionAndStopsAtAnUnknownOne) {
  auto kits = FilledKits(9);
  const Bytes block(20, 0x33);
  const auto write = [&](const std::string& name, const char* lastType) {
    return SmartFile::SaveFile(dir_.File(name), [&](SmartFile& file) {
      file.Write(HeaderBlockOf("SYS"));
      file.Write(block);
      WriteSectionHeader(file, "PFM");
      WriteItemSection(file, {"PFM", 0, {kits.get()}, 0});
      if (lastType != nullptr) {
        WriteSectionHeader(file, lastType);
        file.Write(block);
      }
    });
  };
  ASSERT_EQ(write("known.bin", nullptr), 0);
  ASSERT_EQ(write("unknown.bin", "ZZZ"), 0);
  for (const char* name : {"known.bin", "unknown.bin"}) {
    auto voices = MakeBank<Instrument>(kInternalInstrumentLayout);
    auto read = MakeBank<Percussion>(kExternalPercussionLayout);
    Bytes system(20, 0);
    bool systemRead = false;
    const ItemSection items[] = {{"VCE", 0, {voices.get()}, 0}, {"PFM", 0, {read.get()}, 0}};
    const DataSection data[] = {{"SYS", system, &systemRead}};
    SmartFile file;
    ASSERT_TRUE(file.Open(dir_.File(name)));
    int missing = -1;
    const FileDiagnosticCapture said;
    const int result = ReadSections(file, name, items, data, missing);
    const bool unknown = std::string(name) == "unknown.bin";
    EXPECT_EQ(result, unknown ? -1 : 0) << name;
    EXPECT_EQ(said.Text(),
              unknown ? "Error: Encountered unknown section in file \"unknown.bin\"" : "");
    EXPECT_EQ(missing, 128) << name << ": the voice section is not there";
    EXPECT_TRUE(systemRead) << name;
    EXPECT_EQ(system, block) << name;
    EXPECT_EQ(ImageOf(*read->ItemAt(1)), ImageOf(*kits->ItemAt(1))) << name;
  }
}

}  // namespace
