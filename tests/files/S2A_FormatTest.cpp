#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "demo/DemoBank.h"
#include "files/S2V_File.h"
#include "files/SectionFraming.h"
#include "files/SmartFile.h"
#include "model/S2A_File.h"
#include "tests/files/FormatTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using test::HeaderBlockOf;
using test::ImageOf;
using test::Slice;
using test::StderrOf;
using test::ZeroRange;

class S2A_Format : public testing::Test {
 protected:
  void SetUp() override {
    test::UseNoConfiguration(dir_);
    DemoBank::FillDocument(demo_);
    path_ = dir_.File("demo.s2a");
    ASSERT_EQ(demo_.Save(path_), 0);
    bytes_ = test::ReadBytes(path_);
  }

  void ExpectSameContent(const S2A_File& loaded, const S2A_File& expected) {
    const auto sameBank = [](const Bank& a, const Bank& b) {
      std::vector<std::vector<std::uint8_t>> left, right;
      a.ForEachItem([&](const Item& item) { left.push_back(ImageOf(item)); });
      b.ForEachItem([&](const Item& item) { right.push_back(ImageOf(item)); });
      return left == right;
    };
    EXPECT_TRUE(sameBank(loaded.InternalInstrumentBank(), expected.InternalInstrumentBank()));
    EXPECT_TRUE(sameBank(loaded.InternalPercussionBank(), expected.InternalPercussionBank()));
    EXPECT_TRUE(sameBank(loaded.ExternalInstrumentBank(), expected.ExternalInstrumentBank()));
    EXPECT_TRUE(sameBank(loaded.ExternalPercussionBank(), expected.ExternalPercussionBank()));
    EXPECT_TRUE(sameBank(loaded.InternalPerformanceBank(), expected.InternalPerformanceBank()));
    EXPECT_TRUE(sameBank(loaded.ExternalPerformanceBank(), expected.ExternalPerformanceBank()));
    const auto same = [](std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
      return std::equal(a.begin(), a.end(), b.begin(), b.end());
    };
    EXPECT_TRUE(same(loaded.SysBlock(), expected.SysBlock()));
    EXPECT_TRUE(same(loaded.ChnBlock(), expected.ChnBlock()));
    EXPECT_TRUE(same(loaded.PlvBlock(), expected.PlvBlock()));
    EXPECT_TRUE(same(loaded.ClpBlock(), expected.ClpBlock()));
    EXPECT_EQ(loaded.HasClpBlock(), expected.HasClpBlock());
  }

  int Load(S2A_File& document, std::string& messages) {
    int result = 0;
    messages = StderrOf([&] { return document.Load(path_); }, result);
    return result;
  }

  test::TempDir dir_;
  S2A_File demo_;
  std::string path_;
  std::vector<std::uint8_t> bytes_;
};

TEST_F(S2A_Format, WritesEveryRegionAtItsOffset) {
  ASSERT_EQ(bytes_.size(), 548864u);
  std::vector<std::uint8_t> header = HeaderBlockOf("ALL");
  const std::uint8_t constants[] = {0, 0, 1, 0x99, 0, 0, 1, 0x9C, 0, 0,
                                    0, 1, 0, 0,    0, 4, 0, 0,    0, 0x48};
  std::copy(std::begin(constants), std::end(constants), header.begin() + 16);
  EXPECT_EQ(Slice(bytes_, 0, 64), header);
  EXPECT_EQ(Slice(bytes_, 64, 64), HeaderBlockOf("VCE"));

  // Directory entries and records of the voice section, in slot order.
  const Bank* voiceBanks[] = {&demo_.InternalInstrumentBank(), &demo_.InternalPercussionBank(),
                              &demo_.ExternalInstrumentBank(), &demo_.ExternalPercussionBank()};
  std::size_t entry = 128;
  std::size_t record = 4096;
  for (const Bank* bank : voiceBanks) {
    bank->ForEachItem([&](const Item& item) {
      EXPECT_EQ(Slice(bytes_, entry, 14), test::DirectoryEntryOf(item)) << entry;
      EXPECT_EQ(Slice(bytes_, record, item.DataSize()), ImageOf(item)) << record;
      entry += 14;
      record += item.DataSize();
    });
  }
  EXPECT_EQ(entry, 3768u);
  EXPECT_TRUE(ZeroRange(bytes_, 3768, 4096));
  EXPECT_EQ(Slice(bytes_, 99072, 3775), ImageOf(*demo_.InternalPercussionBank().ItemAt(0)));
  EXPECT_EQ(Slice(bytes_, 106622, 742), ImageOf(*demo_.ExternalInstrumentBank().ItemAt(0)));
  EXPECT_EQ(Slice(bytes_, 201598, 3775), ImageOf(*demo_.ExternalPercussionBank().ItemAt(0)));
  EXPECT_EQ(record, 209148u);
  EXPECT_TRUE(ZeroRange(bytes_, 209148, 209408));

  EXPECT_EQ(Slice(bytes_, 209408, 64), HeaderBlockOf("PFM"));
  EXPECT_EQ(Slice(bytes_, 209472, 64), HeaderBlockOf("PFM"));
  EXPECT_EQ(Slice(bytes_, 209536, 14),
            test::DirectoryEntryOf(*demo_.InternalPerformanceBank().ItemAt(0)));
  EXPECT_EQ(Slice(bytes_, 209536 + 191 * 14, 14),
            test::DirectoryEntryOf(*demo_.ExternalPerformanceBank().ItemAt(63)));
  EXPECT_TRUE(ZeroRange(bytes_, 209536 + 192 * 14, 213504));
  EXPECT_EQ(Slice(bytes_, 213504, 1075), ImageOf(*demo_.InternalPerformanceBank().ItemAt(0)));
  EXPECT_EQ(Slice(bytes_, 351104, 1075), ImageOf(*demo_.ExternalPerformanceBank().ItemAt(0)));
  EXPECT_EQ(Slice(bytes_, 351104 + 63 * 1075, 1075),
            ImageOf(*demo_.ExternalPerformanceBank().ItemAt(63)));
  EXPECT_TRUE(ZeroRange(bytes_, 419904, 420352));

  const struct {
    const char* type;
    std::size_t lead;
    std::span<const std::uint8_t> block;
  } blocks[] = {{"SYS", 420352, demo_.SysBlock()},
                {"CHN", 420864, demo_.ChnBlock()},
                {"PLV", 422912, demo_.PlvBlock()},
                {"CLP", 459776, demo_.ClpBlock()}};
  for (const auto& block : blocks) {
    EXPECT_EQ(Slice(bytes_, block.lead, 64), HeaderBlockOf(block.type)) << block.type;
    EXPECT_EQ(Slice(bytes_, block.lead + 64, 64), HeaderBlockOf(block.type)) << block.type;
    EXPECT_EQ(Slice(bytes_, block.lead + 128, block.block.size()),
              std::vector<std::uint8_t>(block.block.begin(), block.block.end()))
        << block.type;
  }
}

TEST_F(S2A_Format, WithoutClpTheFileEndsAfterThePlvBlock) {
  demo_.SetHasClpBlock(false);
  ASSERT_EQ(demo_.Save(path_), 0);
  const auto withoutClp = test::ReadBytes(path_);
  EXPECT_EQ(withoutClp.size(), 459776u);
  EXPECT_EQ(withoutClp, Slice(bytes_, 0, 459776));

  S2A_File loaded;
  loaded.SetHasClpBlock(false);
  std::string messages;
  EXPECT_EQ(Load(loaded, messages), 0);
  EXPECT_EQ(messages, "");
  EXPECT_FALSE(loaded.HasClpBlock());
}

TEST_F(S2A_Format, RoundTripGivesBackEveryItemAndBlock) {
  S2A_File loaded;
  std::string messages;
  ASSERT_EQ(Load(loaded, messages), 0);
  EXPECT_EQ(messages, "");
  ExpectSameContent(loaded, demo_);
  EXPECT_EQ(loaded.FileName(), path_);
  for (auto* node = loaded.Banks(); node != nullptr; node = node->NextNode()) {
    EXPECT_TRUE(node->Element()->HasContent()) << node->Element()->LongName();
  }
  const std::string copy = dir_.File("copy.s2a");
  ASSERT_EQ(loaded.Save(copy), 0);
  EXPECT_EQ(test::ReadBytes(copy), bytes_);
}

TEST_F(S2A_Format, ForeignHeaderBytesAndDirectoriesAreRegenerated) {
  const auto clean = bytes_;
  for (std::size_t i = 16; i < 64; ++i)
    bytes_[i] = static_cast<std::uint8_t>(i * 3);
  bytes_[6] = 'X';  // the file kind is not checked
  for (std::size_t i = 128; i < 4096; ++i)
    bytes_[i] = 0x5A;
  bytes_[209200] = 0x11;  // padding is not read
  test::WriteBytes(path_, bytes_);
  S2A_File loaded;
  std::string messages;
  ASSERT_EQ(Load(loaded, messages), 0);
  ExpectSameContent(loaded, demo_);
  const std::string copy = dir_.File("copy.s2a");
  ASSERT_EQ(loaded.Save(copy), 0);
  EXPECT_EQ(test::ReadBytes(copy), clean);
}

TEST_F(S2A_Format, HeaderFailuresReportAndLeaveTheDocumentUnchanged) {
  struct Case {
    std::size_t offset;
    char byte;
    const char* message;
  } cases[] = {{0, 'B', "Error: \"%s\" Has Unknown format.\n"},
               {4, '9', "Error: \"%s\" Has Unknown format.\n"},
               {14, '1', "Error: \"%s\" Has Unknown version.\n"},
               {10, 'v', "Error: \"%s\" Has Unknown version.\n"}};
  for (const Case& c : cases) {
    auto corrupt = bytes_;
    corrupt[c.offset] = static_cast<std::uint8_t>(c.byte);
    test::WriteBytes(path_, corrupt);
    S2A_File document;
    std::string messages;
    EXPECT_EQ(Load(document, messages), -1);
    char expected[4096];
    std::snprintf(expected, sizeof expected, c.message, path_.c_str());
    EXPECT_EQ(messages, expected);
    EXPECT_FALSE(document.InternalInstrumentBank().HasContent());
    EXPECT_FALSE(document.HasClpBlock());
  }
}

TEST_F(S2A_Format, MissingFileAndMissingNameFail) {
  S2A_File document;
  int result = 0;
  EXPECT_EQ(StderrOf([&] { return document.Load(); }, result), "");
  EXPECT_EQ(result, -1);
  EXPECT_EQ(StderrOf([&] { return document.Save(); }, result), "");
  EXPECT_EQ(result, -1);
  const std::string missing = dir_.File("missing.s2a");
  EXPECT_EQ(StderrOf([&] { return document.Load(missing); }, result),
            "Error opening file: No such file or directory\n");
  EXPECT_EQ(result, -1);
  EXPECT_FALSE(test::Exists(missing)) << "loading never creates a file";
  EXPECT_EQ(StderrOf([&] { return document.Load(dir_.Path()); }, result),
            "Error opening file: Is a directory\n");
}

TEST_F(S2A_Format, UnknownSectionEndsTheLoadKeepingEarlierSections) {
  auto corrupt = Slice(bytes_, 0, 420352);  // header, VCE and PFM sections
  auto bogus = HeaderBlockOf("XYZ");
  corrupt.insert(corrupt.end(), bogus.begin(), bogus.end());
  corrupt.insert(corrupt.end(), bogus.begin(), bogus.end());
  corrupt.insert(corrupt.end(), 4000, 0);
  test::WriteBytes(path_, corrupt);
  S2A_File document;
  std::string messages;
  EXPECT_EQ(Load(document, messages), -1);
  EXPECT_EQ(messages, "Error: Encountered unknown section in file \"" + path_ + "\"\n");
  EXPECT_EQ(ImageOf(*document.ExternalPerformanceBank().ItemAt(63)),
            ImageOf(*demo_.ExternalPerformanceBank().ItemAt(63)));
}

TEST_F(S2A_Format, SectionsInAnyOrderAndRepeatedTheLaterWinning) {
  // SYS section first, then VCE, then the SYS section again with other bytes.
  S2A_File other;
  DemoBank::FillDocument(other, 9);
  other.SysBlock()[0] = 0x42;
  other.SetHasClpBlock(false);
  const std::string otherPath = dir_.File("other.s2a");
  ASSERT_EQ(other.Save(otherPath), 0);
  const auto otherBytes = test::ReadBytes(otherPath);

  std::vector<std::uint8_t> file = Slice(bytes_, 0, 64);
  const auto append = [&file](const std::vector<std::uint8_t>& part) {
    file.insert(file.end(), part.begin(), part.end());
  };
  append(Slice(bytes_, 420416, 64 + 384 + 64));      // SYS header, block, CHN lead
  append(Slice(bytes_, 64, 209408 - 64));            // VCE header ... padding
  append(Slice(otherBytes, 420352, 64 + 64 + 384));  // SYS lead, header, block
  test::WriteBytes(path_, file);

  S2A_File document;
  std::string messages;
  ASSERT_EQ(Load(document, messages), 0) << messages;
  EXPECT_EQ(document.SysBlock()[0], 0x42);
  EXPECT_EQ(ImageOf(*document.ExternalInstrumentBank().ItemAt(5)),
            ImageOf(*demo_.ExternalInstrumentBank().ItemAt(5)));
  EXPECT_FALSE(document.InternalPerformanceBank().HasContent());
}

TEST_F(S2A_Format, AVoiceFileLoadsOnlyTheVoiceBanks) {
  S2V_File voices;
  voices.CopyBanksFrom(demo_);
  const std::string s2v = dir_.File("voices.s2v");
  ASSERT_EQ(voices.Save(s2v), 0);
  S2A_File document;
  DemoBank::FillDocument(document, 4);
  const auto performance = ImageOf(*document.InternalPerformanceBank().ItemAt(1));
  int result = 0;
  EXPECT_EQ(StderrOf([&] { return document.Load(s2v); }, result), "");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ImageOf(*document.InternalInstrumentBank().ItemAt(1)),
            ImageOf(*demo_.InternalInstrumentBank().ItemAt(1)));
  EXPECT_EQ(ImageOf(*document.InternalPerformanceBank().ItemAt(1)), performance);
  EXPECT_TRUE(document.HasClpBlock());
}

// A record the file ends within is not taken in part: half a program would be a program nobody
// made. It keeps what it held, as the records beyond the end do.
TEST_F(S2A_Format, ATruncatedSectionKeepsOldContentBeyondTheEnd) {
  test::WriteBytes(path_, Slice(bytes_, 0, 4096 + 742 * 2 + 100));
  S2A_File document;
  DemoBank::FillDocument(document, 12);
  const auto third = ImageOf(*document.InternalInstrumentBank().ItemAt(2));
  const auto tenth = ImageOf(*document.InternalInstrumentBank().ItemAt(9));
  std::string messages;
  ASSERT_EQ(Load(document, messages), 0);
  EXPECT_EQ(messages, "");
  EXPECT_EQ(ImageOf(*document.InternalInstrumentBank().ItemAt(1)),
            ImageOf(*demo_.InternalInstrumentBank().ItemAt(1)));
  EXPECT_EQ(ImageOf(*document.InternalInstrumentBank().ItemAt(2)), third);
  EXPECT_EQ(ImageOf(*document.InternalInstrumentBank().ItemAt(9)), tenth);
}

// A stream whose reads fail with EIO from a given offset on.
struct FailingStream {
  std::vector<std::uint8_t> bytes;
  std::size_t failFrom;
  long position = 0;
};

TEST(SectionLoop, AReadErrorAtASectionHeaderIsReportedAndEndsTheLoadWithSuccess) {
  FailingStream state{HeaderBlockOf("VCE"), 64};
  state.bytes.resize(256, 0);
  cookie_io_functions_t functions{};
  functions.read = [](void* cookie, char* buffer, std::size_t size) -> ssize_t {
    auto* s = static_cast<FailingStream*>(cookie);
    if (static_cast<std::size_t>(s->position) >= s->failFrom) {
      errno = EIO;
      return -1;
    }
    const std::size_t count = std::min(size, s->failFrom - static_cast<std::size_t>(s->position));
    std::memcpy(buffer, s->bytes.data() + s->position, count);
    s->position += static_cast<long>(count);
    return static_cast<ssize_t>(count);
  };
  functions.seek = [](void* cookie, off64_t* offset, int whence) -> int {
    auto* s = static_cast<FailingStream*>(cookie);
    const long base = whence == SEEK_SET   ? 0
                      : whence == SEEK_CUR ? s->position
                                           : static_cast<long>(s->bytes.size());
    s->position = base + *offset;
    *offset = s->position;
    return 0;
  };
  functions.close = [](void*) -> int { return 0; };
  SmartFile file;
  ASSERT_TRUE(file.Adopt(fopencookie(&state, "r", functions), "failing.s2a"));
  ASSERT_EQ(file.Size(), 256);
  ASSERT_TRUE(file.Skip(64));
  int sections = 0;
  int result = 0;
  const std::string messages = StderrOf(
      [&] {
        return SectionFraming::RunSectionLoop(file, "failing.s2a", [&](const auto&) {
          ++sections;
          return SectionFraming::SectionResult::Handled;
        });
      },
      result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(sections, 0);
  EXPECT_EQ(messages, "Error: Error While reading file - Input/output error.\n");
}

}  // namespace
