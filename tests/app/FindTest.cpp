#include <QAction>
#include <QLineEdit>
#include <QtTest/QTest>

#include "app/ItemListBox.h"
#include "app/SharedEditingState.h"
#include "files/S2I_File.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"
#include "tests/app/WindowFixture.h"

namespace {

// demo.s2a open with the filter "alto" on its Instrument tab: the lines INT:019, INT:051,
// INT:083, INT:115, EXT:003, EXT:035, EXT:067, EXT:099.
class FindTest : public WindowTest {
 protected:
  void SetUp() override {
    OpenDemo(*form_);
    form_->Find1Click();
    form_->FindEdit->setText(QStringLiteral("alto"));
    ASSERT_EQ(form_->ListLines().size(), 8);
  }

  Item* ItemOf(const BankLayout& layout, int position) {
    return layout.bankIn(*form_->Document).ItemAt(position);
  }

  // Every item of the Instrument tab, by bank and position.
  std::vector<std::vector<std::uint8_t>> Images() {
    std::vector<std::vector<std::uint8_t>> images;
    for (const BankLayout* layout : {&kInternalInstrumentLayout, &kExternalInstrumentLayout})
      layout->bankIn(*form_->Document).ForEachItem([&](const Item& item) {
        images.push_back(Bytes(&item));
      });
    return images;
  }

  static std::size_t IndexOf(const BankLayout& layout, int position) {
    return (&layout == &kExternalInstrumentLayout ? kInternalInstrumentLayout.capacity : 0) +
           static_cast<std::size_t>(position);
  }
};

std::vector<std::uint8_t> ClipboardImage() {
  return Bytes(Editing().ItemClipboard->GetItem(S2I_File::kAnyKind));
}

}  // namespace

TEST_F(FindTest, NarrowsEachTabToMatchingNamesAndCategories) {
  EXPECT_TRUE(form_->Find1->isEnabled());
  EXPECT_TRUE(form_->FindEdit->isVisible());
  const struct {
    const char* filter;
    int tab;
    int count;
    const char* first;
    const char* last;
  } cases[] = {
      {"Perc", TForm1::PercussionTab, 1, "EXT:002(A02)  Pc:Perc Kit",
       "EXT:002(A02)  Pc:Perc Kit"},  // name
      {"Perc", TForm1::InstrumentTab, 0, "", ""},
      {"dR", TForm1::PercussionTab, 3, "INT:001(A01)  Dr:Std Kit", "EXT:001(A01)  Dr:Elec Kit"},
      {"dR", TForm1::PerformanceTab, 12, "INT:014(A14)  Dr:Drum Split",
       "EXT:054(D06)  Dr:Drum Spl 4"},
      {"BR", TForm1::InstrumentTab, 24, "INT:002(A02)  Pf:Bright Pno",
       "EXT:114(H02)  Pf:Bright P 4"},
      {"zzz", TForm1::PerformanceTab, 0, "", ""},
      {"", TForm1::InstrumentTab, 256, "INT:001(A01)  Pf:Grand Pno", "EXT:128(H16)  Vo:Choir Aa 4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.filter) + " on tab " + std::to_string(c.tab));
    form_->FindEdit->setText(QString::fromUtf8(c.filter));
    // Switching tabs applies the filter to the new tab.
    Select(*form_, c.tab == TForm1::InstrumentTab ? TForm1::PluginTab : TForm1::InstrumentTab, -1);
    Select(*form_, c.tab, -1);
    const QStringList lines = form_->ListLines();
    ASSERT_EQ(lines.size(), c.count);
    ASSERT_EQ(form_->InstLB->count(), c.count);
    for (int line = 0; line < c.count; ++line) {
      EXPECT_EQ(form_->InstLB->item(line)->text(), lines[line]);
      EXPECT_NE(form_->ItemAtLine(line), nullptr);
    }
    EXPECT_EQ(form_->ItemAtLine(c.count), nullptr);
    EXPECT_EQ(lines.value(0), c.first);
    EXPECT_EQ(lines.value(c.count - 1), c.last);
  }
}

TEST_F(FindTest, CommandsActOnTheItemOfTheShownLine) {
  const auto fresh = CreateItem(ItemKind::Instrument);
  fresh->Reset();
  const struct {
    void (TForm1::*command)();
    int line;
    const BankLayout& layout;
    int position;
    bool cleared;  // else it takes the clipboard's image, or (Copy) keeps its own
    bool copied;
  } cases[] = {
      {&TForm1::Copy1Click, 4, kExternalInstrumentLayout, 2, false, true},
      {&TForm1::Paste1Click, 1, kInternalInstrumentLayout, 50, false, false},
      {&TForm1::Clear1Click, 2, kInternalInstrumentLayout, 82, true, false},
      {&TForm1::Cut1Click, 5, kExternalInstrumentLayout, 66, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    std::vector<std::vector<std::uint8_t>> images = Images();
    Select(*form_, TForm1::InstrumentTab, c.line);
    ASSERT_EQ(form_->CurrentItem(), ItemOf(c.layout, c.position));
    const auto held = ClipboardImage();
    (form_.get()->*c.command)();
    const std::size_t index = IndexOf(c.layout, c.position);
    if (c.copied) {
      EXPECT_EQ(ClipboardImage(), images[index]);
    }
    images[index] = c.cleared ? Bytes(fresh.get()) : c.copied ? images[index] : held;
    EXPECT_EQ(Images(), images);
    // A cleared item no longer matches; the others keep their line and the selection.
    EXPECT_EQ(form_->CurrentItem(), c.cleared ? nullptr : ItemOf(c.layout, c.position));
  }
  EXPECT_EQ(form_->ListLines(),
            QStringList({"INT:019(B03)  Rd:Alto Sax", "INT:051(D03)  Rd:Alto Sax",
                         "INT:115(H03)  Rd:Alto Sax 4", "EXT:003(A03)  Rd:Alto Sax",
                         "EXT:035(C03)  Rd:Alto Sax 2", "EXT:099(G03)  Rd:Alto Sax 4"}));
}

TEST_F(FindTest, DropsMoveTheItemsOfTheShownLines) {
  const auto ext3 = Bytes(ItemOf(kExternalInstrumentLayout, 2));
  const auto int51 = Bytes(ItemOf(kInternalInstrumentLayout, 50));
  const auto ext35 = Bytes(ItemOf(kExternalInstrumentLayout, 34));
  ASSERT_TRUE(DragLine(*form_, 4, Qt::NoModifier, *form_, 0));
  EXPECT_EQ(Bytes(ItemOf(kInternalInstrumentLayout, 18)), ext3);
  ASSERT_TRUE(DragLine(*form_, 5, Qt::ControlModifier, *form_, 1));
  EXPECT_EQ(Bytes(ItemOf(kInternalInstrumentLayout, 50)), ext35);
  EXPECT_EQ(Bytes(ItemOf(kExternalInstrumentLayout, 34)), int51);
  EXPECT_EQ(form_->ListLines().size(), 8);
}

TEST_F(FindTest, EscapeShowsEveryLineAndKeepsTheSelectedItem) {
  Select(*form_, TForm1::InstrumentTab, 5);
  const Item* selected = form_->CurrentItem();
  ASSERT_EQ(selected, ItemOf(kExternalInstrumentLayout, 34));
  QTest::keyClick(form_->FindEdit, Qt::Key_Escape);
  EXPECT_FALSE(form_->FindEdit->isVisible());
  EXPECT_EQ(form_->FindEdit->text(), "");
  EXPECT_EQ(form_->InstLB->count(), 256);
  EXPECT_EQ(form_->InstLB->currentRow(), 128 + 34);
  EXPECT_EQ(form_->CurrentItem(), selected);
  EXPECT_TRUE(form_->Copy1->isEnabled());
}
