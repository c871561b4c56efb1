#include <QAction>
#include <QtTest/QTest>

#include "app/list/ItemListView.h"
#include "model/S2A_File.h"
#include "tests/app/WindowFixture.h"

namespace {

void ExpectItemCommands(const EditorWindow& w, bool enabled) {
  for (const QAction* action : {w.Cut1, w.Copy1, w.Clear1, w.Rename1, w.EditImport, w.EditExport,
                                w.MidiSend, w.MidiSendToBuf, w.MidiReceive, w.MidiReceiveFromBuf})
    EXPECT_EQ(action->isEnabled(), enabled) << action->text().toStdString();
}

}  // namespace

TEST_F(WindowTest, ListLinesOfEveryTab) {
  OpenDemo(*form_);
  Select(*form_, EditorWindow::PercussionTab, -1);
  EXPECT_EQ(form_->ListLines(),
            QStringList({"INT:001(A01)  Dr:Std Kit", "INT:002(A02)  Dr:Room Kit",
                         "EXT:001(A01)  Dr:Elec Kit", "EXT:002(A02)  Pc:Perc Kit"}));
  const struct {
    int tab;
    int count;
    int line;
    const char* text;
  } cases[] = {
      {EditorWindow::InstrumentTab, 256, 0, "INT:001(A01)  Pf:Grand Pno"},
      {EditorWindow::InstrumentTab, 256, 128, "EXT:001(A01)  Br:Brass Sect"},
      {EditorWindow::InstrumentTab, 256, 255, "EXT:128(H16)  Vo:Choir Aa 4"},
      {EditorWindow::PerformanceTab, 192, 16, "INT:017(B01)  Pf:Pno & St 2"},
      {EditorWindow::PerformanceTab, 192, 191, "EXT:064(D16)  Gt:Rock Ban 4"},
      {EditorWindow::PluginTab, 0, -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Select(*form_, c.tab, -1);
    ASSERT_EQ(form_->InstLB->count(), c.count);
    if (c.line >= 0) {
      EXPECT_EQ(form_->InstLB->item(c.line)->text(), c.text);
    }
    EXPECT_EQ(form_->ItemAtLine(c.count), nullptr);
    EXPECT_EQ(form_->ItemAtLine(-1), nullptr);
  }
}

TEST_F(WindowTest, CommandStatesFollowSelectionAndTabs) {
  ExpectItemCommands(*form_, false);
  for (const QAction* action :
       {form_->Paste1, form_->Undo1, form_->ExportAll1, form_->Edit1, form_->Library1})
    EXPECT_FALSE(action->isEnabled());

  // A line reached with the keyboard counts as a click.
  QTest::keyClick(form_->InstLB, Qt::Key_Down);
  ASSERT_GE(form_->InstLB->currentRow(), 0);
  EXPECT_EQ(form_->CurrentItem(), form_->ItemAtLine(form_->InstLB->currentRow()));
  ExpectItemCommands(*form_, true);

  // The line number carries over to the next tab where it exists.
  Select(*form_, EditorWindow::InstrumentTab, 1);
  form_->TabControl1->setCurrentIndex(EditorWindow::PercussionTab);
  EXPECT_EQ(form_->CurrentItem(), form_->ItemAtLine(1));

  // Where it does not, nothing is selected, yet the commands stay enabled and do nothing.
  Select(*form_, EditorWindow::InstrumentTab, 200);
  form_->TabControl1->setCurrentIndex(EditorWindow::PercussionTab);
  EXPECT_EQ(form_->CurrentItem(), nullptr);
  ExpectItemCommands(*form_, true);
  for (void (EditorWindow::*command)() : {&EditorWindow::Cut1Click, &EditorWindow::Copy1Click,
                                          &EditorWindow::Clear1Click, &EditorWindow::Paste1Click})
    (form_.get()->*command)();
  EXPECT_FALSE(form_->Modified);
  EXPECT_FALSE(form_->Paste1->isEnabled());
  EXPECT_EQ(form_->StatusText(), "");

  // The empty Plugin list keeps them enabled until the next refresh.
  Select(*form_, EditorWindow::PercussionTab, 1);
  form_->TabControl1->setCurrentIndex(EditorWindow::PluginTab);
  ExpectItemCommands(*form_, true);
  form_->RefreshList();
  ExpectItemCommands(*form_, false);
}

TEST_F(WindowTest, PasteMatchesKindsAcrossWindows) {
  OpenDemo(*form_);
  EditorWindow* other = form_->AppendWindow();
  Select(*form_, EditorWindow::InstrumentTab, 130);
  const auto copied = Bytes(form_->CurrentItem());
  form_->Copy1Click();
  EXPECT_TRUE(form_->Paste1->isEnabled());
  EXPECT_TRUE(other->Paste1->isEnabled());
  // The clipboard holds a copy taken at that moment, for as many pastes as wanted.
  form_->Clear1Click();
  for (const int line : {0, 129}) {
    Select(*other, EditorWindow::InstrumentTab, line);
    other->Paste1Click();
    EXPECT_EQ(Bytes(other->ItemAtLine(line)), copied);
  }
  EXPECT_TRUE(other->Modified);
  EXPECT_FALSE(other->Untouched);

  Select(*other, EditorWindow::PerformanceTab, 0);
  const auto performance = Bytes(other->CurrentItem());
  other->Paste1Click();
  EXPECT_EQ(other->StatusText(), "Couldn't Paste, unmatched types");
  EXPECT_EQ(Bytes(other->CurrentItem()), performance);
}

TEST_F(WindowTest, CutAndClearLeaveAWindowUntouched) {
  Select(*form_, EditorWindow::InstrumentTab, 0);
  form_->Cut1Click();
  Select(*form_, EditorWindow::InstrumentTab, 1);
  form_->Clear1Click();
  EXPECT_TRUE(form_->Modified);
  EXPECT_TRUE(form_->Untouched);
  // So it still takes the next command-line name, without a question.
  form_->OpenCommandLineFiles({PathOf("demo.s2a")});
  EXPECT_EQ(form_->NextWindow, nullptr);
  EXPECT_EQ(form_->FileName, PathOf("demo.s2a"));
}
