#include "model/Item.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "midi/sysex/SysxMemoryCore.h"
#include "model/BankLayouts.h"
#include "tests/support/TestSupport.h"

namespace {

class ItemTest : public testing::Test {
 protected:
  void SetUp() override { test::UseNoConfiguration(dir_); }
  test::TempDir dir_;
};

void SetName(Item& item, const char* name) {
  std::fill_n(item.Data().begin(), kItemNameLength, 0);
  std::copy_n(name, std::min<std::size_t>(std::strlen(name), kItemNameLength), item.Data().begin());
}

TEST_F(ItemTest, NewItemsWithoutDefaultFilesAreAllZero) {
  for (int code = 0; code < 3; ++code) {
    const std::unique_ptr<Item> item = CreateItem(code);
    ASSERT_TRUE(item);
    EXPECT_EQ(static_cast<int>(item->Kind()), code);
    EXPECT_EQ(item->DataSize(), (std::array{742, 3775, 1075}[code]));
    EXPECT_EQ(item->BlockCount(), (std::array{32, 372, 32}[code]));
    EXPECT_TRUE(std::all_of(item->Data().begin(), item->Data().end(),
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(item->Name(), "");
    EXPECT_EQ(item->CategoryName(), "--");
    EXPECT_EQ(item->SlotIndex(), -1);
    EXPECT_EQ(item->BankSelectMsb(), -1);
    EXPECT_EQ(item->BankSelectLsb(), -1);
  }
  EXPECT_FALSE(CreateItem(3));
  EXPECT_FALSE(CreateItem(-1));
}

TEST_F(ItemTest, NameStopsAtNulOrAfterTenCharacters) {
  Instrument item;
  SetName(item, "Grand Pno");
  EXPECT_EQ(item.Name(), "Grand Pno");
  SetName(item, "ABCDEFGHIJ");
  item.Data()[10] = 'K';  // a carried byte right after the name is not part of it
  EXPECT_EQ(item.Name(), "ABCDEFGHIJ");
}

TEST_F(ItemTest, SetNameTakesTenPrintableAsciiCharactersNulPadded) {
  const struct {
    std::string_view name;
    int result;
    const char* field;  // the ten name bytes after the call, from "Grand Pno\0"
  } cases[] = {
      {"Pad", 0, "Pad\0\0\0\0\0\0\0"},
      {"~ 10 (+)!A", 0, "~ 10 (+)!A"},
      {"", 0, "\0\0\0\0\0\0\0\0\0\0"},
      {"ABCDEFGHIJK", -1, "Grand Pno\0"},
      {"Tab\tName", -1, "Grand Pno\0"},
      {"Pian\xC3\xB6", -1, "Grand Pno\0"},
      {std::string_view("A\0B", 3), -1, "Grand Pno\0"},
      {"Del\x7F", -1, "Grand Pno\0"},
  };
  for (const auto& c : cases) {
    Instrument item;
    SetName(item, "Grand Pno");
    item.Data()[10] = 'K';
    EXPECT_EQ(item.SetName(c.name), c.result) << c.name;
    EXPECT_TRUE(std::equal(c.field, c.field + kItemNameLength, item.Data().begin())) << c.name;
    EXPECT_EQ(item.Data()[10], 'K');
  }
}

TEST_F(ItemTest, CategoryNamesCoverCodesZeroToTwentyTwo) {
  Performance item;
  const char* expected[] = {"--", "Pf", "Cp", "Or", "Gt", "Ba", "St", "En", "Br", "Rd", "Pi", "Ld",
                            "Pd", "Fx", "Et", "Pc", "Se", "Dr", "Sc", "Vo", "Co", "Wv", "Sq"};
  for (int code = 0; code <= 22; ++code) {
    item.Data()[12] = static_cast<std::uint8_t>(code);
    EXPECT_EQ(item.CategoryName(), expected[code]);
  }
  for (int code : {23, 127, 0xFF, 0x80}) {
    item.Data()[12] = static_cast<std::uint8_t>(code);
    EXPECT_EQ(item.CategoryName(), "--") << code;
  }
  item.Data()[12] = 0xFF;
  EXPECT_EQ(item.CategoryCode(), -1);
}

TEST_F(ItemTest, AssignCopiesOnlyBetweenItemsOfOneKind) {
  Instrument source;
  Instrument target;
  Percussion drums;
  std::fill(source.Data().begin(), source.Data().end(), 0x11);
  std::fill(drums.Data().begin(), drums.Data().end(), 0x22);
  target.Assign(source);
  EXPECT_TRUE(std::equal(target.Data().begin(), target.Data().end(), source.Data().begin()));
  target.Assign(drums);
  target.Assign(target);
  target.Assign(nullptr);
  EXPECT_TRUE(std::all_of(target.Data().begin(), target.Data().end(),
                          [](std::uint8_t b) { return b == 0x11; }));
}

// Row 9 (41 00 20) shares its page with row 8 (41 00 00), which arrives: a page that exists
// must not make its missing block count as received.
TEST_F(ItemTest, LoadFromBulkZeroFillsExactlyTheMissingBlocksAndCountsThem) {
  Instrument source;
  for (std::size_t i = 0; i < source.Data().size(); ++i) {
    source.Data()[i] = static_cast<std::uint8_t>(1 + i % 127);
  }
  SysxMemoryCore received;
  int offset = 0;
  const ParamBlockTable table = source.BlockTable();
  for (std::size_t row = 0; row < table.size(); ++row) {
    const ParamBlock& block = table[row];
    if (row != 5 && row != 9) {
      received.WriteBytes(SysxAddress(block.high, block.mid, block.low),
                          source.Data().subspan(offset, block.size));
    }
    offset += block.size;
  }
  auto bank = MakeBank<Instrument>(kExternalInstrumentLayout);
  Instrument& target = *bank->ItemAt(0);
  std::fill(target.Data().begin(), target.Data().end(), 0x7F);
  EXPECT_EQ(target.MissingBulkBlockCount(received), 2);
  EXPECT_TRUE(target.HasBulkDataIn(received));
  ASSERT_EQ(target.LoadFromBulk(received), 0);
  EXPECT_TRUE(bank->HasContent());
  offset = 0;
  for (std::size_t row = 0; row < table.size(); ++row) {
    for (int i = 0; i < table[row].size; ++i, ++offset) {
      const std::uint8_t expected = (row == 5 || row == 9) ? 0 : source.Data()[offset];
      ASSERT_EQ(target.Data()[offset], expected) << "row " << row << " byte " << i;
    }
  }
}

TEST_F(ItemTest, LoadFromBulkOfAnEmptyImageGivesZeros) {
  Percussion item;
  std::fill(item.Data().begin(), item.Data().end(), 9);
  ASSERT_EQ(item.LoadFromBulk(SysxMemoryCore()), 0);
  EXPECT_TRUE(
      std::all_of(item.Data().begin(), item.Data().end(), [](std::uint8_t b) { return b == 0; }));
}

}  // namespace
