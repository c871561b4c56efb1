#include <gtest/gtest.h>

#include <functional>

#include "demo/DemoBank.h"
#include "files/S2E_File.h"
#include "files/S2V_File.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"
#include "tests/files/FormatTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using test::HeaderBlockOf;
using test::ImageOf;
using test::Slice;
using test::StderrOf;
using test::ZeroRange;

class VoiceAndExternalFiles : public testing::Test {
 protected:
  void SetUp() override {
    test::UseNoConfiguration(dir_);
    DemoBank::FillDocument(demo_);
    ASSERT_EQ(demo_.Save(dir_.File("demo.s2a")), 0);
    voices_.CopyBanksFrom(demo_);
    externals_.CopyBanksFrom(demo_);
    ASSERT_EQ(voices_.Save(dir_.File("voices.s2v")), 0);
    ASSERT_EQ(externals_.Save(dir_.File("ext.s2e")), 0);
  }

  std::string Load(File& file, const std::string& name, int& result) {
    return StderrOf([&] { return file.Load(dir_.File(name)); }, result);
  }

  test::TempDir dir_;
  S2A_File demo_;
  S2V_File voices_;
  S2E_File externals_;
};

TEST_F(VoiceAndExternalFiles, VoiceFileIsTheS2aPrefixWithItsOwnHeader) {
  const auto s2v = test::ReadBytes(dir_.File("voices.s2v"));
  const auto s2a = test::ReadBytes(dir_.File("demo.s2a"));
  ASSERT_EQ(s2v.size(), 209408u);
  EXPECT_EQ(Slice(s2v, 0, 64), HeaderBlockOf("VCE"));
  EXPECT_EQ(Slice(s2v, 64, 64), HeaderBlockOf("VCE"));
  EXPECT_EQ(Slice(s2v, 128, 209408 - 128), Slice(s2a, 128, 209408 - 128));
}

TEST_F(VoiceAndExternalFiles, ExternalFileLeavesTheInternalDirectoryEntriesZero) {
  const auto s2e = test::ReadBytes(dir_.File("ext.s2e"));
  ASSERT_EQ(s2e.size(), 180224u);
  EXPECT_EQ(Slice(s2e, 0, 64), HeaderBlockOf("EXT"));
  EXPECT_EQ(Slice(s2e, 64, 64), HeaderBlockOf("VCE"));
  EXPECT_TRUE(ZeroRange(s2e, 128, 1948));
  EXPECT_EQ(Slice(s2e, 1948, 14),
            test::DirectoryEntryOf(*demo_.ExternalInstrumentBank().ItemAt(0)));
  EXPECT_EQ(Slice(s2e, 1948 + 129 * 14, 14),
            test::DirectoryEntryOf(*demo_.ExternalPercussionBank().ItemAt(1)));
  EXPECT_TRUE(ZeroRange(s2e, 3768, 4096));
  EXPECT_EQ(Slice(s2e, 4096, 742), ImageOf(*demo_.ExternalInstrumentBank().ItemAt(0)));
  EXPECT_EQ(Slice(s2e, 99072, 3775), ImageOf(*demo_.ExternalPercussionBank().ItemAt(0)));
  EXPECT_TRUE(ZeroRange(s2e, 106622, 107008));
  EXPECT_EQ(Slice(s2e, 107008, 64), HeaderBlockOf("PFM"));
  EXPECT_EQ(Slice(s2e, 107072, 64), HeaderBlockOf("PFM"));
  EXPECT_TRUE(ZeroRange(s2e, 107136, 108928));
  EXPECT_EQ(Slice(s2e, 108928, 14),
            test::DirectoryEntryOf(*demo_.ExternalPerformanceBank().ItemAt(0)));
  EXPECT_TRUE(ZeroRange(s2e, 109824, 111104));
  EXPECT_EQ(Slice(s2e, 111104 + 63 * 1075, 1075),
            ImageOf(*demo_.ExternalPerformanceBank().ItemAt(63)));
  EXPECT_TRUE(ZeroRange(s2e, 179904, 180224));
}

TEST_F(VoiceAndExternalFiles, RoundTripsGiveBackEveryItem) {
  S2V_File voices;
  S2E_File externals;
  int result = 0;
  EXPECT_EQ(Load(voices, "voices.s2v", result), "");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Load(externals, "ext.s2e", result), "");
  EXPECT_EQ(result, 0);
  for (int slot : {0, 63, 127}) {
    EXPECT_EQ(ImageOf(*voices.InternalInstrumentBank().ItemAt(slot)),
              ImageOf(*demo_.InternalInstrumentBank().ItemAt(slot)));
    EXPECT_EQ(ImageOf(*voices.ExternalInstrumentBank().ItemAt(slot)),
              ImageOf(*demo_.ExternalInstrumentBank().ItemAt(slot)));
    EXPECT_EQ(ImageOf(*externals.ExternalInstrumentBank().ItemAt(slot)),
              ImageOf(*demo_.ExternalInstrumentBank().ItemAt(slot)));
  }
  EXPECT_EQ(ImageOf(*voices.ExternalPercussionBank().ItemAt(1)),
            ImageOf(*demo_.ExternalPercussionBank().ItemAt(1)));
  EXPECT_EQ(ImageOf(*externals.ExternalPerformanceBank().ItemAt(63)),
            ImageOf(*demo_.ExternalPerformanceBank().ItemAt(63)));
  EXPECT_TRUE(voices.InternalPercussionBank().HasContent());
  ASSERT_EQ(voices.Save(dir_.File("again.s2v")), 0);
  EXPECT_EQ(test::ReadBytes(dir_.File("again.s2v")), test::ReadBytes(dir_.File("voices.s2v")));
  ASSERT_EQ(externals.Save(dir_.File("again.s2e")), 0);
  EXPECT_EQ(test::ReadBytes(dir_.File("again.s2e")), test::ReadBytes(dir_.File("ext.s2e")));
}

TEST_F(VoiceAndExternalFiles, VoiceReaderRejectsOtherFilesWithItsMessages) {
  auto s2v = test::ReadBytes(dir_.File("voices.s2v"));
  auto pfmSecond = s2v;
  std::copy_n(HeaderBlockOf("PFM").begin(), 64, pfmSecond.begin() + 64);
  test::WriteBytes(dir_.File("pfm.s2v"), pfmSecond);
  auto badVersion = s2v;
  badVersion[14] = '1';
  test::WriteBytes(dir_.File("version.s2v"), badVersion);
  test::WriteBytes(dir_.File("short.s2v"), Slice(s2v, 0, 10));
  for (std::size_t i = 16; i < 64; ++i)
    s2v[i] = 0x33;
  for (std::size_t i = 80; i < 128; ++i)
    s2v[i] = 0x44;
  test::WriteBytes(dir_.File("foreign.s2v"), s2v);

  const struct {
    const char* name;
    const char* message;
    int result;
  } cases[] = {{"demo.s2a", "Error: Improper file type.\n", -1},
               {"ext.s2e", "Error: Improper file type.\n", -1},
               {"pfm.s2v", "Error: File contained unexpected data.\n", -1},
               {"version.s2v", "Error: Unknown version.\n", -1},
               {"short.s2v", "Error with file: Unknown format.\n", -1},
               {"missing.s2v", "Error opening file: No such file or directory\n", -1},
               {"foreign.s2v", "", 0}};
  for (const auto& c : cases) {
    S2V_File voices;
    voices.InternalInstrumentBank().ItemAt(0)->Data()[30] = 0x77;
    int result = 0;
    EXPECT_EQ(Load(voices, c.name, result), c.message) << c.name;
    EXPECT_EQ(result, c.result) << c.name;
    if (c.result != 0) {
      EXPECT_EQ(voices.InternalInstrumentBank().ItemAt(0)->Data()[30], 0x77) << c.name;
      EXPECT_FALSE(voices.InternalInstrumentBank().HasContent()) << c.name;
    }
  }
}

TEST_F(VoiceAndExternalFiles, ExternalReaderQuotesThePathInItsMessages) {
  auto s2e = test::ReadBytes(dir_.File("ext.s2e"));
  auto badVersion = s2e;
  badVersion[11] = '2';
  test::WriteBytes(dir_.File("version.s2e"), badVersion);
  auto badMark = s2e;
  badMark[0] = 'a';
  test::WriteBytes(dir_.File("mark.s2e"), badMark);
  const struct {
    const char* name;
    const char* format;
  } cases[] = {{"demo.s2a", "Error: \"%s\" Has Improper file type.\n"},
               {"voices.s2v", "Error: \"%s\" Has Improper file type.\n"},
               {"version.s2e", "Error: \"%s\" Has Unknown version.\n"},
               {"mark.s2e", "Error: \"%s\" Has Unknown format.\n"}};
  for (const auto& c : cases) {
    S2E_File externals;
    int result = 0;
    char expected[4096];
    std::snprintf(expected, sizeof expected, c.format, dir_.File(c.name).c_str());
    EXPECT_EQ(Load(externals, c.name, result), expected);
    EXPECT_EQ(result, -1);
    EXPECT_FALSE(externals.ExternalInstrumentBank().HasContent());
  }
}

TEST_F(VoiceAndExternalFiles, ExternalFileWithOnlyTheVoiceSectionLoads) {
  const auto s2e = test::ReadBytes(dir_.File("ext.s2e"));
  test::WriteBytes(dir_.File("voice-only.s2e"), Slice(s2e, 0, 107008));
  auto unknown = Slice(s2e, 0, 107008);
  auto bogus = HeaderBlockOf("SYS");
  unknown.insert(unknown.end(), bogus.begin(), bogus.end());
  unknown.insert(unknown.end(), bogus.begin(), bogus.end());
  test::WriteBytes(dir_.File("unknown.s2e"), unknown);

  S2E_File externals;
  int result = 0;
  EXPECT_EQ(Load(externals, "voice-only.s2e", result), "");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ImageOf(*externals.ExternalInstrumentBank().ItemAt(9)),
            ImageOf(*demo_.ExternalInstrumentBank().ItemAt(9)));
  EXPECT_FALSE(externals.ExternalPerformanceBank().HasContent());

  S2E_File other;
  EXPECT_EQ(Load(other, "unknown.s2e", result),
            "Error: Encountered unknown section in file \"" + dir_.File("unknown.s2e") + "\"\n");
  EXPECT_EQ(result, -1);
  EXPECT_TRUE(other.ExternalInstrumentBank().HasContent()) << "sections before it stay loaded";
}

// A file's banks go into a document over its own; the banks the file lacks, the blocks and the
// name stay the document's.
TEST_F(VoiceAndExternalFiles, CopyingBanksToADocumentReplacesExactlyTheBanksOfTheFile) {
  S2A_File before;
  DemoBank::FillDocument(before, 77);
  before.SysBlock()[3] = 0x5A;
  before.SetFileName("/earlier/set.s2a");
  const struct {
    const char* name;
    std::function<void(S2A_File&)> copy;
    bool BankLayout::*held;
  } cases[] = {
      {"s2v", [&](S2A_File& to) { voices_.CopyBanksTo(to); }, &BankLayout::inVoiceFile},
      {"s2e", [&](S2A_File& to) { externals_.CopyBanksTo(to); }, &BankLayout::inExternalFile}};
  for (const auto& c : cases) {
    S2A_File document;
    document.CopyFrom(before);
    document.SetFileName(before.FileName());
    c.copy(document);
    for (const BankLayout& layout : kBankLayouts) {
      S2A_File& expected = layout.*c.held ? demo_ : before;
      for (int slot = 0; slot < layout.capacity; ++slot) {
        ASSERT_EQ(ImageOf(*layout.bankIn(document).ItemAt(slot)),
                  ImageOf(*layout.bankIn(expected).ItemAt(slot)))
            << c.name << " " << layout.word << " " << slot;
      }
      EXPECT_EQ(layout.bankIn(document).HasContent(), layout.bankIn(expected).HasContent())
          << c.name << " " << layout.word;
    }
    EXPECT_EQ(document.SysBlock()[3], 0x5A) << c.name;
    EXPECT_EQ(document.FileName(), before.FileName()) << c.name;
  }
}

TEST_F(VoiceAndExternalFiles, ListingsNameEverySlot) {
  testing::internal::CaptureStdout();
  externals_.SetFileName("ext.s2e");
  externals_.PrintListing();
  const std::string listing = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(listing.starts_with("File \"ext.s2e\" (S2E File):\n  Voice:\n\tEXT:001(A01) "));
  EXPECT_NE(listing.find("\n\n\tEXT:DR1(A01) "), std::string::npos);
  EXPECT_NE(listing.find("\n\n  Performance:\n\tEXT:001(A01) "), std::string::npos);
  EXPECT_NE(listing.find("\tEXT:064(D16) "), std::string::npos);
  EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 1 + 1 + 128 + 1 + 2 + 2 + 64);
}

}  // namespace
