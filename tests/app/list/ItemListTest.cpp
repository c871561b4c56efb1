#include <QAction>
#include <QtTest/QTest>

#include "app/list/ItemListView.h"
#include "app/list/ListedLines.h"
#include "app/startup/CommandLineFiles.h"
#include "model/S2A_File.h"
#include "tests/app/WindowFixture.h"

namespace {

void ExpectItemCommands(const EditorWindow& w, bool enabled) {
  for (const QAction* action :
       {ActionOf(w, "Cut1"), ActionOf(w, "Copy1"), ActionOf(w, "Clear1"), ActionOf(w, "Rename1"),
        ActionOf(w, "EditImport"), ActionOf(w, "EditExport"), ActionOf(w, "MidiSend"),
        ActionOf(w, "MidiSendToBuf"), ActionOf(w, "MidiReceive"),
        ActionOf(w, "MidiReceiveFromBuf")})
    EXPECT_EQ(action->isEnabled(), enabled) << action->text().toStdString();
}

}  // namespace

TEST_F(WindowTest, ListLinesOfEveryTab) {
  OpenDemo(*form_);
  Select(*form_, ListedLines::PercussionTab, -1);
  EXPECT_EQ(form_->listLines(),
            QStringList({"INT:001(A01)  Dr:Std Kit", "INT:002(A02)  Dr:Room Kit",
                         "EXT:001(A01)  Dr:Elec Kit", "EXT:002(A02)  Pc:Perc Kit"}));
  const struct {
    int tab;
    int count;
    int line;
    const char* text;
  } cases[] = {
      {ListedLines::InstrumentTab, 256, 0, "INT:001(A01)  Pf:Grand Pno"},
      {ListedLines::InstrumentTab, 256, 128, "EXT:001(A01)  Br:Brass Sect"},
      {ListedLines::InstrumentTab, 256, 255, "EXT:128(H16)  Vo:Choir Aa 4"},
      {ListedLines::PerformanceTab, 192, 16, "INT:017(B01)  Pf:Pno & St 2"},
      {ListedLines::PerformanceTab, 192, 191, "EXT:064(D16)  Gt:Rock Ban 4"},
      {ListedLines::PluginTab, 0, -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Select(*form_, c.tab, -1);
    ASSERT_EQ(form_->itemList()->count(), c.count);
    if (c.line >= 0) {
      EXPECT_EQ(form_->itemList()->item(c.line)->text(), c.text);
    }
    EXPECT_EQ(form_->itemAtLine(c.count), nullptr);
    EXPECT_EQ(form_->itemAtLine(-1), nullptr);
  }
}

TEST_F(WindowTest, CommandStatesFollowSelectionAndTabs) {
  ExpectItemCommands(*form_, false);
  for (const QAction* action : {ActionOf(*form_, "Paste1"), ActionOf(*form_, "Undo1"),
                                ActionOf(*form_, "ExportAll1"), ActionOf(*form_, "Edit1")})
    EXPECT_FALSE(action->isEnabled());
  EXPECT_TRUE(ActionOf(*form_, "Library1")->isEnabled());

  // A line reached with the keyboard counts as a click.
  QTest::keyClick(form_->itemList(), Qt::Key_Down);
  ASSERT_GE(form_->itemList()->currentRow(), 0);
  EXPECT_EQ(form_->currentItem(), form_->itemAtLine(form_->itemList()->currentRow()));
  ExpectItemCommands(*form_, true);

  // The line number carries over to the next tab where it exists.
  Select(*form_, ListedLines::InstrumentTab, 1);
  form_->tabBar()->setCurrentIndex(ListedLines::PercussionTab);
  EXPECT_EQ(form_->currentItem(), form_->itemAtLine(1));

  // Where it does not, nothing is selected, yet the commands stay enabled and do nothing.
  Select(*form_, ListedLines::InstrumentTab, 200);
  form_->tabBar()->setCurrentIndex(ListedLines::PercussionTab);
  EXPECT_EQ(form_->currentItem(), nullptr);
  ExpectItemCommands(*form_, true);
  for (WindowCommand command : {&command::cut, &command::copy, &command::clear, &command::paste})
    command(*form_);
  EXPECT_FALSE(form_->isModified());
  EXPECT_FALSE(ActionOf(*form_, "Paste1")->isEnabled());
  EXPECT_EQ(form_->statusText(), "");

  // The empty Plugin list keeps them enabled until the next refresh.
  Select(*form_, ListedLines::PercussionTab, 1);
  form_->tabBar()->setCurrentIndex(ListedLines::PluginTab);
  ExpectItemCommands(*form_, true);
  form_->refreshList();
  ExpectItemCommands(*form_, false);
}

TEST_F(WindowTest, PasteMatchesKindsAcrossWindows) {
  OpenDemo(*form_);
  EditorWindow* other = &form_->appendWindow();
  Select(*form_, ListedLines::InstrumentTab, 130);
  const auto copied = Bytes(form_->currentItem());
  form_->itemCommands().copy();
  EXPECT_TRUE(ActionOf(*form_, "Paste1")->isEnabled());
  EXPECT_TRUE(ActionOf(*other, "Paste1")->isEnabled());
  // The clipboard holds a copy taken at that moment, for as many pastes as wanted.
  form_->itemCommands().clear();
  for (const int line : {0, 129}) {
    Select(*other, ListedLines::InstrumentTab, line);
    other->itemCommands().paste();
    EXPECT_EQ(Bytes(other->itemAtLine(line)), copied);
  }
  EXPECT_TRUE(other->isModified());
  EXPECT_FALSE(other->isUntouched());

  Select(*other, ListedLines::PerformanceTab, 0);
  const auto performance = Bytes(other->currentItem());
  other->itemCommands().paste();
  EXPECT_EQ(other->statusText(), "Couldn't Paste, unmatched types");
  EXPECT_EQ(Bytes(other->currentItem()), performance);
}

TEST_F(WindowTest, CutAndClearLeaveAWindowUntouched) {
  Select(*form_, ListedLines::InstrumentTab, 0);
  form_->itemCommands().cut();
  Select(*form_, ListedLines::InstrumentTab, 1);
  form_->itemCommands().clear();
  EXPECT_TRUE(form_->isModified());
  EXPECT_TRUE(form_->isUntouched());
  // So it still takes the next command-line name, without a question.
  OpenCommandLineFiles(*form_, {PathOf("demo.s2a")});
  EXPECT_EQ(form_->nextWindow(), nullptr);
  EXPECT_EQ(form_->fileName(), PathOf("demo.s2a"));
}
