#include "model/Bank.h"

#include <gtest/gtest.h>

#include "model/BankLayouts.h"
#include "tests/support/TestSupport.h"

namespace {

class BankTest : public testing::Test {
 protected:
  void SetUp() override { test::UseNoConfiguration(dir_); }
  test::TempDir dir_;
};

// Walks the chain both ways and checks that the links agree; returns the node count.
int CheckedLength(const Bank& bank) {
  int count = 0;
  const Bank::Node* previous = nullptr;
  for (const Bank::Node* node = bank.FirstNode(); node != nullptr; node = node->NextNode()) {
    EXPECT_EQ(node->PreviousNode(), previous);
    EXPECT_EQ(node->Element()->SlotIndex(), count);
    previous = node;
    ++count;
  }
  return count;
}

void Stamp(Bank& bank, std::uint8_t base) {
  int slot = 0;
  bank.ForEachItem([&](Item& item) { item.Data()[20] = static_cast<std::uint8_t>(base + slot++); });
}

TEST_F(BankTest, IsFilledToItsCapacityWithNumberedSlots) {
  TypedBank<Instrument> full(63, 8, "Internal Instrument", "INT", 128);
  TypedBank<Percussion> drums(63, 40, "Internal Percussion", "INT", 2);
  TypedBank<Performance> empty(63, 64, nullptr, nullptr, 0);
  EXPECT_EQ(full.Count(), 128);
  EXPECT_EQ(CheckedLength(full), 128);
  EXPECT_EQ(full.ItemAt(127)->SlotIndex(), 127);
  EXPECT_EQ(full.ItemAt(127)->Owner(), &full);
  EXPECT_EQ(CheckedLength(drums), 2);
  EXPECT_EQ(empty.Count(), 0);
  EXPECT_EQ(empty.First(), nullptr);
  EXPECT_EQ(empty.LongName(), "(Unnamed Bank)");
  EXPECT_EQ(empty.ShortName(), "???");
  EXPECT_EQ(full.LongName(), "Internal Instrument");
  EXPECT_EQ(full.BankSelectNumber(), 8072);
  EXPECT_FALSE(full.HasContent());
}

TEST_F(BankTest, SlotLabels) {
  EXPECT_EQ(Bank::SlotLabel(0), "A01");
  EXPECT_EQ(Bank::SlotLabel(15), "A16");
  EXPECT_EQ(Bank::SlotLabel(16), "B01");
  EXPECT_EQ(Bank::SlotLabel(63), "D16");
  EXPECT_EQ(Bank::SlotLabel(127), "H16");
  EXPECT_EQ(Bank::SlotLabel(128), "???");
  EXPECT_EQ(Bank::SlotLabel(-1), "???");
}

TEST_F(BankTest, SlotLabelsParseBackToTheirSlotsAndNothingElseParses) {
  for (int index = 0; index < 128; ++index) {
    std::string label = Bank::SlotLabel(index);
    EXPECT_EQ(Bank::SlotIndexOfLabel(label), index) << label;
    label[0] = static_cast<char>(label[0] - 'A' + 'a');
    EXPECT_EQ(Bank::SlotIndexOfLabel(label), index) << label;
  }
  for (const char* text : {"", "A", "A1", "A001", "A00", "A17", "H17", "I01", "@01", "005", "A+1",
                           "A1x", " A01", "A01 ", "???"}) {
    EXPECT_EQ(Bank::SlotIndexOfLabel(text), -1) << '"' << text << '"';
  }
}

TEST_F(BankTest, CursorWalksAndItemAtGrowsByExactlyOne) {
  TypedBank<Performance> bank(63, 65, "External Performance", "EXT", 3);
  EXPECT_EQ(bank.First()->SlotIndex(), 0);
  EXPECT_EQ(bank.Next()->SlotIndex(), 1);
  EXPECT_EQ(bank.Current()->SlotIndex(), 1);
  EXPECT_EQ(bank.Previous()->SlotIndex(), 0);
  EXPECT_EQ(bank.Previous(), nullptr);
  EXPECT_EQ(bank.ItemAt(3)->SlotIndex(), 3);
  EXPECT_EQ(bank.Count(), 4);
  EXPECT_EQ(bank.Append()->SlotIndex(), 4);
  EXPECT_EQ(CheckedLength(bank), 5);
}

TEST_F(BankTest, AssignFromShrinksAndGrowsAndCopiesTheContentFlag) {
  auto big = MakeBank<Performance>(kInternalPerformanceLayout);
  auto small = MakeBank<Performance>(kExternalPerformanceLayout);
  Stamp(*small, 1);
  small->SetHasContent(true);
  big->AssignFrom(*small);
  EXPECT_EQ(big->Count(), 64);
  EXPECT_EQ(CheckedLength(*big), 64);
  EXPECT_EQ(big->ItemAt(63)->Data()[20], 64);
  EXPECT_EQ(static_cast<const Bank::Node*>(LastNode(const_cast<Bank::Node*>(big->FirstNode())))
                ->Element(),
            big->ItemAt(63));
  EXPECT_TRUE(big->HasContent());
  EXPECT_EQ(big->LongName(), "Internal Performance") << "names stay";
  EXPECT_EQ(big->BankSelectLsb(), 64);

  auto full = MakeBank<Performance>(kInternalPerformanceLayout);
  Stamp(*full, 0);
  small->AssignFrom(*full);
  EXPECT_EQ(small->Count(), 128);
  EXPECT_EQ(CheckedLength(*small), 128);
  EXPECT_EQ(small->ItemAt(127)->Data()[20], 127);
  EXPECT_FALSE(small->HasContent());
  EXPECT_EQ(small->BankSelectLsb(), 65);

  small->ItemAt(5)->Data()[20] = 99;
  EXPECT_EQ(full->ItemAt(5)->Data()[20], 5) << "items are copied, never shared";
}

TEST_F(BankTest, AssignFromABankOfAnotherKindLeavesItemsUnchanged) {
  auto voices = MakeBank<Instrument>(kInternalInstrumentLayout);
  auto performances = MakeBank<Performance>(kInternalPerformanceLayout);
  Stamp(*performances, 3);
  voices->AssignFrom(*performances);
  EXPECT_EQ(voices->ItemAt(0)->Data()[20], 0);
}

TEST_F(BankTest, ResetAllReturnsEveryItemToTheDefault) {
  auto bank = MakeBank<Percussion>(kExternalPercussionLayout);
  Stamp(*bank, 10);
  bank->SetHasContent(true);
  bank->ResetAll();
  EXPECT_FALSE(bank->HasContent());
  EXPECT_EQ(bank->ItemAt(1)->Data()[20], 0);
}

TEST(DLList, InsertAfterAndBeforeSpliceWholeChainsWithConsistentLinks) {
  using Node = PDLList<int>;
  int values[6] = {0, 1, 2, 3, 4, 5};
  auto chain = [&](int from, int to) {
    std::unique_ptr<DLListCore> first = std::make_unique<Node>(&values[from]);
    DLListCore* last = first.get();
    for (int i = from + 1; i < to; ++i)
      last = InsertAfter(*last, std::make_unique<Node>(&values[i]));
    return first;
  };
  auto order = [](const DLListCore* first) {
    std::vector<int> seen;
    const DLListCore* previous = nullptr;
    for (const DLListCore* node = first; node != nullptr; node = node->Next()) {
      EXPECT_EQ(node->Previous(), previous);
      seen.push_back(*static_cast<const Node*>(node)->Element());
      previous = node;
    }
    return seen;
  };
  std::unique_ptr<DLListCore> outer = chain(0, 3);  // 0 1 2
  DLListCore* middle = outer->Next();
  DLListCore* insertedLast = InsertAfter(*middle, chain(3, 6));  // 3 4 5 after 1
  EXPECT_EQ(*static_cast<Node*>(insertedLast)->Element(), 5);
  EXPECT_EQ(order(outer.get()), (std::vector<int>{0, 1, 3, 4, 5, 2}));
  EXPECT_EQ(InsertAfter(*middle, nullptr), middle);

  std::unique_ptr<DLListCore> head = chain(0, 2);  // 0 1
  DLListCore* newFirst = InsertBefore(head, chain(4, 6));
  EXPECT_EQ(newFirst, head.get());
  EXPECT_EQ(order(head.get()), (std::vector<int>{4, 5, 0, 1}));
}

}  // namespace
