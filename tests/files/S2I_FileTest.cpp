#include "files/S2I_File.h"

#include <gtest/gtest.h>

#include "demo/DemoBank.h"
#include "tests/files/FormatTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using test::HeaderBlockOf;
using test::ImageOf;
using test::Slice;
using test::StderrOf;

class S2I_FileTest : public testing::Test {
 protected:
  void SetUp() override { test::UseNoConfiguration(dir_); }
  test::TempDir dir_;
};

TEST_F(S2I_FileTest, EachKindSavesItsHeaderAndRecordAndLoadsBack) {
  const std::size_t sizes[] = {806, 3839, 1139};
  for (int kind = 0; kind < 3; ++kind) {
    S2I_File file;
    Item* item = file.GetItem(kind);
    ASSERT_NE(item, nullptr);
    DemoBank::FillItem(*item, "Str Ens", 6, 40 + kind);
    const std::string path = dir_.File("item" + std::to_string(kind) + ".s2i");
    ASSERT_EQ(file.Save(path), 0);
    const auto bytes = test::ReadBytes(path);
    ASSERT_EQ(bytes.size(), sizes[kind]);
    auto header = HeaderBlockOf("INS");
    header[16] = static_cast<std::uint8_t>(kind);
    EXPECT_EQ(Slice(bytes, 0, 64), header);
    EXPECT_EQ(Slice(bytes, 64, bytes.size() - 64), ImageOf(*item));

    auto foreign = bytes;
    for (std::size_t i = 17; i < 64; ++i)
      foreign[i] = 0x6B;
    test::WriteBytes(path, foreign);
    S2I_File loaded;
    int result = 0;
    EXPECT_EQ(StderrOf([&] { return loaded.Load(path); }, result), "");
    ASSERT_EQ(result, 0);
    ASSERT_NE(loaded.GetItem(S2I_File::kAnyKind), nullptr);
    EXPECT_EQ(static_cast<int>(loaded.GetItem(S2I_File::kAnyKind)->Kind()), kind);
    EXPECT_EQ(ImageOf(*loaded.GetItem(S2I_File::kAnyKind)), ImageOf(*item));
    EXPECT_EQ(loaded.GetItem(S2I_File::kAnyKind)->SlotIndex(), -1);
  }
}

TEST_F(S2I_FileTest, GetItemAndSetItem) {
  S2I_File file;
  EXPECT_EQ(file.GetItem(S2I_File::kAnyKind), nullptr);
  Item* drums = file.GetItem(1);
  ASSERT_NE(drums, nullptr);
  EXPECT_EQ(drums->Kind(), ItemKind::Percussion);
  EXPECT_EQ(file.GetItem(1), drums);
  EXPECT_EQ(file.GetItem(7), drums) << "an unknown code keeps the held item";
  EXPECT_EQ(file.GetItem(2)->Kind(), ItemKind::Performance);

  Instrument source;
  DemoBank::FillItem(source, "Grand Pno", 1, 3);
  file.SetItem(source);
  source.Data()[50] ^= 1;
  ASSERT_EQ(file.GetItem(S2I_File::kAnyKind)->Kind(), ItemKind::Instrument);
  EXPECT_NE(ImageOf(*file.GetItem(S2I_File::kAnyKind)), ImageOf(source)) << "a copy is held";
}

TEST_F(S2I_FileTest, FailuresKeepTheHeldItem) {
  S2I_File good;
  DemoBank::FillItem(*good.GetItem(0), "Clavi", 2, 5);
  ASSERT_EQ(good.Save(dir_.File("good.s2i")), 0);
  const auto bytes = test::ReadBytes(dir_.File("good.s2i"));
  const auto write = [&](const char* name, std::size_t offset, std::uint8_t value) {
    auto corrupt = bytes;
    corrupt[offset] = value;
    test::WriteBytes(dir_.File(name), corrupt);
  };
  write("mark.s2i", 2, 'X');
  write("type.s2i", 6, 'V');
  write("version.s2i", 10, 'W');
  write("kind.s2i", 16, 3);
  test::WriteBytes(dir_.File("short.s2i"), Slice(bytes, 0, 40));
  const struct {
    const char* name;
    std::string message;
  } cases[] = {
      {"mark.s2i", "Error with file: Unknown format.\n"},
      {"type.s2i", "Error: Improper file type.\n"},
      {"version.s2i", "Error: Unknown version.\n"},
      {"kind.s2i", "Error: " + dir_.File("kind.s2i") + " contained an unknown instrument type.\n"},
      {"short.s2i", "Error with file: Unknown format.\n"},
      {"missing.s2i", "Error opening file: No such file or directory\n"}};
  for (const auto& c : cases) {
    S2I_File file;
    Item* held = file.GetItem(2);
    int result = 0;
    EXPECT_EQ(StderrOf([&] { return file.Load(dir_.File(c.name)); }, result), c.message);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(file.GetItem(S2I_File::kAnyKind), held) << c.name;
  }
  S2I_File empty;
  EXPECT_EQ(empty.Save(dir_.File("nothing.s2i")), -1);
  EXPECT_FALSE(test::Exists(dir_.File("nothing.s2i")));
}

TEST_F(S2I_FileTest, AShortRecordKeepsTheDefaultContentBeyondIt) {
  S2I_File good;
  DemoBank::FillItem(*good.GetItem(2), "Big Stack", 12, 8);
  ASSERT_EQ(good.Save(dir_.File("perf.s2i")), 0);
  test::WriteBytes(dir_.File("cut.s2i"), Slice(test::ReadBytes(dir_.File("perf.s2i")), 0, 64 + 20));
  S2I_File file;
  ASSERT_EQ(file.Load(dir_.File("cut.s2i")), 0);
  const Item& item = *file.GetItem(S2I_File::kAnyKind);
  EXPECT_EQ(item.Name(), "Big Stack");
  EXPECT_EQ(item.Data()[20], 0) << "beyond the record: the default (zero) content";

  testing::internal::CaptureStdout();
  file.PrintListing();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "File " + dir_.File("cut.s2i") + " (S2I File):\n\tPd:Big Stack\n");
}

}  // namespace
