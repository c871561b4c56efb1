#include "model/ParamBlockTable.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace {

struct TableCase {
  ParamBlockTable (*table)();
  std::size_t rows;
  int imageSize;
};

class EveryBlockTable : public testing::TestWithParam<TableCase> {};

TEST_P(EveryBlockTable, CoversTheImageWithPageAlignedSevenBitBlocks) {
  const ParamBlockTable table = GetParam().table();
  EXPECT_EQ(table.size(), GetParam().rows);
  EXPECT_EQ(TableImageSize(table), GetParam().imageSize);
  EXPECT_GE(table.front().size, 13) << "the first block holds the item head";
  std::set<std::tuple<int, int, int>> addresses;
  for (const ParamBlock& block : table) {
    EXPECT_LT(block.high, 0x80);
    EXPECT_LT(block.mid, 0x80);
    EXPECT_LE(block.low + block.size, 128) << block.name;
    EXPECT_GT(block.size, 0) << block.name;
    EXPECT_TRUE(addresses.emplace(block.high, block.mid, block.low).second) << block.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, EveryBlockTable,
                         testing::Values(TableCase{&InstrumentBlockTable, 32, 742},
                                         TableCase{&PercussionBlockTable, 372, 3775},
                                         TableCase{&PerformanceBlockTable, 32, 1075}));

int OffsetOf(ParamBlockTable table, std::size_t row) {
  return TableImageSize(table.first(row));
}

TEST(ParamBlockTable, InstrumentRowsMatchTheVoiceLayout) {
  const ParamBlockTable table = InstrumentBlockTable();
  EXPECT_EQ(table[0].name, "Voice Common General");
  EXPECT_EQ(std::tie(table[0].high, table[0].mid, table[0].low, table[0].size),
            std::make_tuple(0x40, 0x70, 0x00, 56));
  EXPECT_EQ(table[1].size, 13);
  EXPECT_EQ(OffsetOf(table, 8), 218) << "the common part";
  for (int element = 0; element < 4; ++element) {
    const std::size_t first = 8 + 6 * element;
    EXPECT_EQ(OffsetOf(table, first), 218 + 131 * element);
    for (std::size_t row = first; row < first + 6; ++row)
      EXPECT_EQ(table[row].mid, element);
  }
  EXPECT_EQ(table[31].name, "Voice Elem 4 LFO");
  EXPECT_EQ(OffsetOf(table, 31), 736);
}

TEST(ParamBlockTable, PercussionKeysRunFromC0ToC6InFiveRowsEach) {
  const ParamBlockTable table = PercussionBlockTable();
  EXPECT_EQ(table[1].size, 7) << "the drum realtime block is shorter than the voice one";
  EXPECT_EQ(OffsetOf(table, 7), 198);
  const char* parts[] = {"Common", "Amplitude", "Pitch", "Filter", "EQ"};
  const int highs[] = {0x47, 0x47, 0x48, 0x49, 0x4A};
  for (int key = 0; key < 73; ++key) {
    for (int part = 0; part < 5; ++part) {
      const ParamBlock& block = table[7 + 5 * key + part];
      EXPECT_EQ(block.mid, key);
      EXPECT_EQ(block.high, highs[part]);
      EXPECT_TRUE(block.name.ends_with(parts[part])) << block.name;
    }
  }
  EXPECT_EQ(table[7].name, "Key Voice C 0 Common");
  EXPECT_EQ(table[10].name, "Key Voice C 0 Filter");
  EXPECT_EQ(table[17].name, "Key Voice D 0 Common");
  EXPECT_EQ(OffsetOf(table, 17), 296);
  EXPECT_EQ(table[22].name, "Key Voice D#0 Common");
  EXPECT_EQ(table[367].name, "Key Voice C 6 Common");
  EXPECT_EQ(table[367].mid, 0x48);
  EXPECT_EQ(OffsetOf(table, 367), 3726);
  EXPECT_EQ(table[371].name, "Key Voice C 6 EQ");
  EXPECT_EQ(OffsetOf(table, 371), 3767);
}

TEST(ParamBlockTable, PerformancePartsAndZones) {
  const ParamBlockTable table = PerformanceBlockTable();
  EXPECT_EQ(table[8].name, "Performance Part  1");
  EXPECT_EQ(table[17].name, "Performance Part 10");
  EXPECT_EQ(OffsetOf(table, 8), 271);
  EXPECT_EQ(OffsetOf(table, 28), 1011);
  EXPECT_EQ(std::tie(table[27].high, table[27].mid), std::make_tuple(0x31, 0x61));
  EXPECT_EQ(table[31].name, "Master Keyboard Zone 4");
}

}  // namespace
