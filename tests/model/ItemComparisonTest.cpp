#include "model/ItemComparison.h"

#include <gtest/gtest.h>

#include "model/Item.h"

namespace {

using Lines = std::vector<std::string>;

// Image offsets worked out by hand from the block sizes: an instrument's common blocks take 218
// bytes and each element 131; a kit's common blocks 198 and each key 49.
constexpr int kElem2Filter = 218 + 131 + 13 + 29 + 27;
constexpr int kKeyDSharp0Pitch = 198 + 3 * 49 + 18 + 12;

struct ComparisonCase {
  const char* what;
  void (*change)(Item& a, Item& b);  // `b` starts as a copy of `a`, "Brass Sect", Br
  Lines lines;                       // after the A and B lines
};

void PrintTo(const ComparisonCase& c, std::ostream* os) {
  *os << c.what;
}

const ComparisonCase kCases[] = {
    {"identical", [](Item&, Item&) {}, {"The two programs are identical"}},
    {"the name, as listings show it",
     [](Item&, Item& b) {
       b.SetName("Brass");
       b.Data()[5] = 27;
     },
     {"Name: Brass Sect -> Brass\\x1b", "The two sounds are the same"}},
    {"the category",
     [](Item&, Item& b) { b.Data()[kItemCategoryOffset] = 11; },
     {"Category: Br -> Ld", "The two sounds are the same"}},
    {"head bytes that neither name nor category shows",
     [](Item& a, Item& b) {
       a.SetName("Brass");
       b.SetName("Brass");
       b.Data()[7] = 'X';                     // after the name's end
       b.Data()[10] = 0x01;                   // a carried byte
       a.Data()[kItemCategoryOffset] = 0x30;  // both read as "--"
       b.Data()[kItemCategoryOffset] = 0x31;
     },
     {"Head: 3 bytes differ", "  +7: 00 58", "  +10: 00 01", "  +12: 30 31",
      "The two sounds are the same"}},
    {"bytes in several blocks, up to the last one's last",
     [](Item&, Item& b) {
       b.Data()[kItemHeadSize] = 0x01;
       b.Data()[kElem2Filter + 5] = 0x28;
       b.Data()[kElem2Filter + 47] = 0x7F;
       b.Data()[741] = 0x55;
     },
     {"Voice Common General: 1 byte differs", "  +13: 00 01", "Voice Elem 2 Filter: 2 bytes differ",
      "  +5: 0C 28", "  +47: 00 7F", "Voice Elem 4 LFO: 1 byte differs", "  +5: 00 55"}},
};

class ItemComparisonTable : public testing::TestWithParam<ComparisonCase> {};

TEST_P(ItemComparisonTable, TellsEveryDifferenceOnce) {
  const ComparisonCase& c = GetParam();
  Instrument a;
  a.SetName("Brass Sect");
  a.Data()[kItemCategoryOffset] = 8;
  a.Data()[kElem2Filter + 5] = 0x0C;
  Instrument b;
  b.Assign(a);
  c.change(a, b);

  const ItemComparison comparison(a, b);
  const auto program = [](const Item& item) {
    return item.CategoryName() + ":" + item.PrintableName();
  };
  Lines expected{"A: INT:017(B01) " + program(a), "B: library:14 " + program(b)};
  expected.insert(expected.end(), c.lines.begin(), c.lines.end());
  EXPECT_EQ(comparison.Lines("INT:017(B01)", "library:14"), expected);
  EXPECT_EQ(comparison.Identical(), c.lines.back() == "The two programs are identical");
  EXPECT_EQ(comparison.SameSound(), c.lines.back().starts_with("The two"));
}

INSTANTIATE_TEST_SUITE_P(Cases, ItemComparisonTable, testing::ValuesIn(kCases));

TEST(ItemComparison, NamesAKitsKeyBlocksAndRefusesTwoKinds) {
  Percussion a;
  Percussion b;
  b.Data()[kKeyDSharp0Pitch + 2] = 0x40;
  EXPECT_EQ(
      ItemComparison(a, b).Lines("", "x.s2i"),
      (Lines{"A: --:", "B: x.s2i --:", "Key Voice D#0 Pitch: 1 byte differs", "  +2: 00 40"}));
  const Performance c;
  const ItemComparison refused(a, c);
  EXPECT_EQ(refused.Lines("a", "c"),
            (Lines{"A: a --:", "B: c --:",
                   "A is a Percussion program and B a Performance program: only programs of one "
                   "kind compare"}));
  EXPECT_FALSE(refused.Identical() || refused.SameSound());
}

}  // namespace
