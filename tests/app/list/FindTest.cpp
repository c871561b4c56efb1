#include <QAction>
#include <QLineEdit>
#include <QtTest/QTest>

#include "app/commands/SharedEditingState.h"
#include "app/list/ItemListView.h"
#include "app/list/ListedLines.h"
#include "files/S2I_File.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"
#include "tests/app/WindowFixture.h"

namespace {

// demo.s2a with the Instrument tab narrowed to "alto": INT:019, INT:051, INT:083, INT:115,
// EXT:003, EXT:035, EXT:067, EXT:099.
class FindTest : public WindowTest {
 protected:
  void SetUp() override {
    OpenDemo(*form_);
    form_->showFind();
    form_->findField()->setText(QStringLiteral("alto"));
    ASSERT_EQ(form_->itemList()->count(), 8);
  }

  std::vector<std::uint8_t> Image(const BankLayout& layout, int position) {
    return Bytes(ItemAt(layout, position));
  }
  Item* ItemAt(const BankLayout& layout, int position) {
    return layout.bankIn(*form_->document()).ItemAt(position);
  }
};

std::vector<std::uint8_t> ClipboardImage() {
  return Bytes(sharedEditing().clipboardItem());
}

}  // namespace

TEST_F(FindTest, NarrowsEachTabToMatchingNamesAndCategories) {
  EXPECT_TRUE(form_->findField()->isVisible());
  const struct {
    const char* filter;
    int tab;
    int count;
    const char* first;
  } cases[] = {
      {"Perc", ListedLines::PercussionTab, 1, "EXT:002(A02)  Pc:Perc Kit"},
      {"Perc", ListedLines::InstrumentTab, 0, ""},
      {"dR", ListedLines::PercussionTab, 3, "INT:001(A01)  Dr:Std Kit"},
      {"dR", ListedLines::PerformanceTab, 12, "INT:014(A14)  Dr:Drum Split"},
      {"BR", ListedLines::InstrumentTab, 24, "INT:002(A02)  Pf:Bright Pno"},
      {"", ListedLines::InstrumentTab, 256, "INT:001(A01)  Pf:Grand Pno"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.filter) + " on tab " + std::to_string(c.tab));
    form_->findField()->setText(QString::fromUtf8(c.filter));
    // Switching tabs applies the filter to the new tab.
    Select(
        *form_,
        c.tab == ListedLines::InstrumentTab ? ListedLines::PluginTab : ListedLines::InstrumentTab,
        -1);
    Select(*form_, c.tab, -1);
    ASSERT_EQ(form_->itemList()->count(), c.count);
    EXPECT_EQ(form_->listLines().value(0), c.first);
    EXPECT_EQ(form_->itemAtLine(c.count), nullptr);
  }
}

TEST_F(FindTest, CommandsActOnTheItemOfTheShownLine) {
  const auto fresh = CreateItem(ItemKind::Instrument);
  fresh->Reset();
  const struct {
    WindowCommand command;
    int line;
    const BankLayout& layout;
    int position;
    bool taken;    // the item is now the clipboard's
    bool cleared;  // the item is now the default one
  } cases[] = {
      {&command::copy, 4, kExternalInstrumentLayout, 2, true, false},
      {&command::paste, 1, kInternalInstrumentLayout, 50, false, false},
      {&command::clear, 2, kInternalInstrumentLayout, 82, false, true},
      {&command::cut, 5, kExternalInstrumentLayout, 66, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    Select(*form_, ListedLines::InstrumentTab, c.line);
    ASSERT_EQ(form_->currentItem(), ItemAt(c.layout, c.position));
    const auto before = Image(c.layout, c.position);
    const auto held = ClipboardImage();
    c.command(*form_);
    EXPECT_EQ(ClipboardImage(), c.taken ? before : held);
    EXPECT_EQ(Image(c.layout, c.position), c.cleared ? Bytes(fresh.get())
                                           : c.taken ? before
                                                     : held);
    // A cleared item no longer matches; any other keeps its line and the selection.
    EXPECT_EQ(form_->currentItem(), c.cleared ? nullptr : ItemAt(c.layout, c.position));
  }
  EXPECT_EQ(form_->listLines(),
            QStringList({"INT:019(B03)  Rd:Alto Sax", "INT:051(D03)  Rd:Alto Sax",
                         "INT:115(H03)  Rd:Alto Sax 4", "EXT:003(A03)  Rd:Alto Sax",
                         "EXT:035(C03)  Rd:Alto Sax 2", "EXT:099(G03)  Rd:Alto Sax 4"}));
}

TEST_F(FindTest, DropsMoveTheItemsOfTheShownLines) {
  const auto ext3 = Image(kExternalInstrumentLayout, 2);
  const auto int51 = Image(kInternalInstrumentLayout, 50);
  const auto ext35 = Image(kExternalInstrumentLayout, 34);
  ASSERT_TRUE(DragLine(*form_, 4, Qt::NoModifier, *form_, 0));
  EXPECT_EQ(Image(kInternalInstrumentLayout, 18), ext3);
  ASSERT_TRUE(DragLine(*form_, 5, Qt::ControlModifier, *form_, 1));
  EXPECT_EQ(Image(kInternalInstrumentLayout, 50), ext35);
  EXPECT_EQ(Image(kExternalInstrumentLayout, 34), int51);
}

TEST_F(FindTest, EscapeShowsEveryLineAndKeepsTheSelectedItem) {
  Select(*form_, ListedLines::InstrumentTab, 5);
  QTest::keyClick(form_->findField(), Qt::Key_Escape);
  EXPECT_FALSE(form_->findField()->isVisible());
  EXPECT_EQ(form_->itemList()->count(), 256);
  EXPECT_EQ(form_->itemList()->currentRow(), 128 + 34);
  EXPECT_EQ(form_->currentItem(), ItemAt(kExternalInstrumentLayout, 34));
}
