#include <QLineEdit>
#include <QtTest/QTest>
#include <functional>

#include "app/list/ItemListView.h"
#include "model/BankLayouts.h"
#include "tests/app/WindowFixture.h"

namespace {

using Images = std::vector<std::vector<std::uint8_t>>;

Images DocumentImages(const EditorWindow& window) {
  Images images;
  for (const BankLayout& layout : kBankLayouts)
    layout.bankIn(*window.Document).ForEachItem([&](Item& item) {
      images.push_back(Bytes(&item));
    });
  return images;
}

// Types a name over the current line and ends the edit with `key`.
void RenameByKeys(EditorWindow& window, const QString& name, Qt::Key key = Qt::Key_Return) {
  window.Rename1->trigger();
  auto* editor = window.InstLB->findChild<QLineEdit*>("RenameEditor");
  ASSERT_TRUE(editor && editor->isVisible());
  editor->setText(name);
  QTest::keyClick(editor, key);
  EXPECT_FALSE(editor->isVisible());
}

// demo.s2a in the window, a simulated synthesizer whose memory differs from it on the ports.
class UndoTest : public SynthesizerWindowTest {
 protected:
  UndoTest() { OpenDemo(*form_); }
};

TEST_F(UndoTest, EachCommandIsUndoneAndRedoneToTheExactImages) {
  EditorWindow& w = *form_;
  const struct {
    const char* what;
    int tab, line;
    std::function<void()> command;
  } cases[] = {
      {"Cut", EditorWindow::InstrumentTab, 3, [&] { w.Cut1Click(); }},
      {"Paste", EditorWindow::InstrumentTab, 5,
       [&] {
         Select(w, EditorWindow::InstrumentTab, 0);
         w.Copy1Click();
         Select(w, EditorWindow::InstrumentTab, 5);
         w.Paste1Click();
       }},
      {"Clear", EditorWindow::PerformanceTab, 2, [&] { w.Clear1Click(); }},
      {"Drop", EditorWindow::InstrumentTab, 0, [&] { DragLine(w, 130, Qt::NoModifier, w, 0); }},
      {"Swap", EditorWindow::InstrumentTab, 0,
       [&] { DragLine(w, 130, Qt::ControlModifier, w, 0); }},
      {"Import", EditorWindow::InstrumentTab, 6,
       [&] {
         dialogs_.paths = {PathOf("first.s2i"), PathOf("first.s2i")};
         Select(w, EditorWindow::InstrumentTab, 0);
         w.EditExportExecute();
         Select(w, EditorWindow::InstrumentTab, 6);
         w.EditImportExecute();
       }},
      {"Receive", EditorWindow::PerformanceTab, 131, [&] { w.MidiReceive->trigger(); }},
      {"Receive From Buffer", EditorWindow::PercussionTab, 3,
       [&] { w.MidiReceiveFromBuf->trigger(); }},
      {"Receive Bank", EditorWindow::PercussionTab, 2, [&] { w.MidiReceiveBank->trigger(); }},
      {"Rename", EditorWindow::InstrumentTab, 9, [&] { RenameByKeys(w, "Renamed 1"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    OpenDemo(w);
    const Images opened = DocumentImages(w);
    Select(w, c.tab, c.line);
    c.command();
    const Images changed = DocumentImages(w);
    ASSERT_NE(changed, opened);
    EXPECT_EQ(w.Undo1->toolTip(), QString("Undo ") + c.what);
    EXPECT_EQ(w.Undo1->statusTip(), QString("Undo ") + c.what);
    EXPECT_EQ(w.Undo1->text(), "&Undo");
    EXPECT_FALSE(w.Redo1->isEnabled());

    w.Untouched = true;
    w.Undo1->trigger();
    EXPECT_EQ(DocumentImages(w), opened);
    EXPECT_FALSE(w.Modified);
    EXPECT_FALSE(w.Untouched);
    EXPECT_FALSE(w.Undo1->isEnabled());
    EXPECT_EQ(w.Redo1->toolTip(), QString("Redo ") + c.what);
    EXPECT_EQ(w.InstLB->currentRow(), c.line);

    w.Redo1->trigger();
    EXPECT_EQ(DocumentImages(w), changed);
    EXPECT_TRUE(w.Modified);
    EXPECT_TRUE(w.Undo1->isEnabled());
  }
}

TEST_F(UndoTest, ASwapBetweenWindowsIsUndoneInEachWindowAlone) {
  EditorWindow* other = form_->AppendWindow();
  other->show();
  OpenDemo(*other);
  Select(*other, EditorWindow::InstrumentTab, 1);
  other->Clear1Click();
  const Images sourceBefore = DocumentImages(*form_);
  const Images targetBefore = DocumentImages(*other);
  DragLine(*form_, 131, Qt::ControlModifier, *other, 1);
  const Images sourceSwapped = DocumentImages(*form_);
  const Images targetSwapped = DocumentImages(*other);

  form_->Undo1->trigger();
  EXPECT_EQ(DocumentImages(*form_), sourceBefore);
  EXPECT_FALSE(form_->Modified);
  EXPECT_EQ(DocumentImages(*other), targetSwapped);
  EXPECT_EQ(other->Undo1->toolTip(), "Undo Swap");
  other->Undo1->trigger();
  EXPECT_EQ(DocumentImages(*other), targetBefore);
  EXPECT_TRUE(other->Modified);  // the Clear before the swap
  form_->Redo1->trigger();
  EXPECT_EQ(DocumentImages(*form_), sourceSwapped);
}

TEST_F(UndoTest, ModifiedFollowsTheStateLastOpenedOrSaved) {
  Select(*form_, EditorWindow::InstrumentTab, 3);
  form_->Clear1Click();
  ASSERT_TRUE(form_->Save1Click());
  Select(*form_, EditorWindow::InstrumentTab, 4);
  form_->Clear1Click();
  const struct {
    QAction* step;
    bool modified;
  } steps[] = {{form_->Undo1, false},
               {form_->Undo1, true},
               {form_->Redo1, false},
               {form_->Redo1, true},
               {form_->Undo1, false}};
  for (const auto& s : steps) {
    s.step->trigger();
    EXPECT_EQ(form_->Modified, s.modified);
  }
  // Past the save, the unsaved-changes question is back; at it, the close asks nothing.
  form_->Undo1->trigger();
  dialogs_.answers = {Answer::Cancel};
  form_->CloseWindow();
  EXPECT_EQ(form_->StatusText(), "Close cancelled");
  form_->Redo1->trigger();
  form_->CloseWindow();
  EXPECT_TRUE(form_->CloseConfirmed);
  EXPECT_EQ(dialogs_.requests.size(), 1u);
}

TEST_F(UndoTest, NewOpenAndMergeStartAFreshHistory) {
  const struct {
    const char* command;
    std::function<void()> run;
    bool modified;
  } cases[] = {
      {"New", [&] { form_->New1Click(); }, false},
      {"Open", [&] { OpenDemo(*form_); }, false},
      {"Merge",
       [&] {
         dialogs_.paths = {PathOf("demo.s2a")};
         form_->Merge1Click();
       },
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    OpenDemo(*form_);
    Select(*form_, EditorWindow::InstrumentTab, 0);
    form_->Clear1Click();
    form_->Clear1Click();
    form_->Undo1->trigger();
    ASSERT_TRUE(form_->Undo1->isEnabled() && form_->Redo1->isEnabled());
    form_->Modified = false;
    c.run();
    EXPECT_FALSE(form_->Undo1->isEnabled());
    EXPECT_FALSE(form_->Redo1->isEnabled());
    EXPECT_EQ(form_->Modified, c.modified);
    // A document that is no file's content stays modified however far it is undone.
    Select(*form_, EditorWindow::InstrumentTab, 0);
    form_->Clear1Click();
    form_->Undo1->trigger();
    EXPECT_EQ(form_->Modified, c.modified);
  }
}

TEST_F(UndoTest, RenameTakesAtMostTenPrintableAsciiCharacters) {
  const struct {
    QString name;
    Qt::Key key;
    bool taken;
  } cases[] = {
      {"ABCDEFGHIJK", Qt::Key_Return, false},
      {QString::fromUtf8("Pian\xC3\xB6"), Qt::Key_Return, false},
      {"Tab\there", Qt::Key_Return, false},
      {"Escaped", Qt::Key_Escape, false},
      {"~ Ten (+)!", Qt::Key_Enter, true},
  };
  Select(*form_, EditorWindow::InstrumentTab, 2);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    form_->SetStatus({});
    const auto before = Bytes(form_->CurrentItem());
    const QString line = form_->InstLB->item(2)->text();
    RenameByKeys(*form_, c.name, c.key);
    EXPECT_EQ(form_->Modified, c.taken);
    EXPECT_EQ(form_->Undo1->isEnabled(), c.taken);
    EXPECT_EQ(form_->StatusText(), c.taken ? "Renamed INT:003(A03)"
                                   : c.key == Qt::Key_Escape
                                       ? ""
                                       : "Name refused: at most 10 printable ASCII characters");
    auto expected = before;
    if (c.taken)
      std::copy_n(c.name.toLatin1().data(), 10, expected.begin());
    EXPECT_EQ(Bytes(form_->CurrentItem()), expected);
    EXPECT_EQ(form_->InstLB->item(2)->text(), c.taken ? "INT:003(A03)  Pf:~ Ten (+)!" : line);
  }
}

}  // namespace
