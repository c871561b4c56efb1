#include <QLineEdit>
#include <QtTest/QTest>
#include <functional>

#include "app/list/ItemListView.h"
#include "app/list/ListedLines.h"
#include "model/BankLayouts.h"
#include "tests/app/WindowFixture.h"

namespace {

using Images = std::vector<std::vector<std::uint8_t>>;

Images DocumentImages(const EditorWindow& window) {
  Images images;
  for (const BankLayout& layout : kBankLayouts)
    layout.bankIn(*window.document()).ForEachItem([&](Item& item) {
      images.push_back(Bytes(&item));
    });
  return images;
}

// Types a name over the current line and ends the edit with `key`.
void RenameByKeys(EditorWindow& window, const QString& name, Qt::Key key = Qt::Key_Return) {
  ActionOf(window, "Rename1")->trigger();
  auto* editor = window.itemList()->findChild<QLineEdit*>("RenameEditor");
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
      {"Cut", ListedLines::InstrumentTab, 3, [&] { w.itemCommands().cut(); }},
      {"Paste", ListedLines::InstrumentTab, 5,
       [&] {
         Select(w, ListedLines::InstrumentTab, 0);
         w.itemCommands().copy();
         Select(w, ListedLines::InstrumentTab, 5);
         w.itemCommands().paste();
       }},
      {"Clear", ListedLines::PerformanceTab, 2, [&] { w.itemCommands().clear(); }},
      {"Drop", ListedLines::InstrumentTab, 0, [&] { DragLine(w, 130, Qt::NoModifier, w, 0); }},
      {"Swap", ListedLines::InstrumentTab, 0, [&] { DragLine(w, 130, Qt::ControlModifier, w, 0); }},
      {"Import", ListedLines::InstrumentTab, 6,
       [&] {
         dialogs_.paths = {PathOf("first.s2i"), PathOf("first.s2i")};
         Select(w, ListedLines::InstrumentTab, 0);
         w.itemCommands().exportItem();
         Select(w, ListedLines::InstrumentTab, 6);
         w.itemCommands().importItem();
       }},
      {"Receive", ListedLines::PerformanceTab, 131, [&] { ActionOf(w, "MidiReceive")->trigger(); }},
      {"Receive From Buffer", ListedLines::PercussionTab, 3,
       [&] { ActionOf(w, "MidiReceiveFromBuf")->trigger(); }},
      {"Receive Bank", ListedLines::PercussionTab, 2,
       [&] { ActionOf(w, "MidiReceiveBank")->trigger(); }},
      {"Rename", ListedLines::InstrumentTab, 9, [&] { RenameByKeys(w, "Renamed 1"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    OpenDemo(w);
    const Images opened = DocumentImages(w);
    Select(w, c.tab, c.line);
    c.command();
    const Images changed = DocumentImages(w);
    ASSERT_NE(changed, opened);
    EXPECT_EQ(ActionOf(w, "Undo1")->toolTip(), QString("Undo ") + c.what);
    EXPECT_EQ(ActionOf(w, "Undo1")->statusTip(), QString("Undo ") + c.what);
    EXPECT_EQ(ActionOf(w, "Undo1")->text(), "&Undo");
    EXPECT_FALSE(ActionOf(w, "Redo1")->isEnabled());

    ActionOf(w, "Undo1")->trigger();
    EXPECT_EQ(DocumentImages(w), opened);
    EXPECT_FALSE(w.isModified());
    EXPECT_FALSE(w.isUntouched());
    EXPECT_FALSE(ActionOf(w, "Undo1")->isEnabled());
    EXPECT_EQ(ActionOf(w, "Redo1")->toolTip(), QString("Redo ") + c.what);
    EXPECT_EQ(w.itemList()->currentRow(), c.line);

    ActionOf(w, "Redo1")->trigger();
    EXPECT_EQ(DocumentImages(w), changed);
    EXPECT_TRUE(w.isModified());
    EXPECT_TRUE(ActionOf(w, "Undo1")->isEnabled());
  }
}

TEST_F(UndoTest, ASwapBetweenWindowsIsUndoneInEachWindowAlone) {
  EditorWindow* other = &form_->appendWindow();
  other->show();
  OpenDemo(*other);
  Select(*other, ListedLines::InstrumentTab, 1);
  other->itemCommands().clear();
  const Images sourceBefore = DocumentImages(*form_);
  const Images targetBefore = DocumentImages(*other);
  DragLine(*form_, 131, Qt::ControlModifier, *other, 1);
  const Images sourceSwapped = DocumentImages(*form_);
  const Images targetSwapped = DocumentImages(*other);

  ActionOf(*form_, "Undo1")->trigger();
  EXPECT_EQ(DocumentImages(*form_), sourceBefore);
  EXPECT_FALSE(form_->isModified());
  EXPECT_EQ(DocumentImages(*other), targetSwapped);
  EXPECT_EQ(ActionOf(*other, "Undo1")->toolTip(), "Undo Swap");
  ActionOf(*other, "Undo1")->trigger();
  EXPECT_EQ(DocumentImages(*other), targetBefore);
  EXPECT_TRUE(other->isModified());  // the Clear before the swap
  ActionOf(*form_, "Redo1")->trigger();
  EXPECT_EQ(DocumentImages(*form_), sourceSwapped);
}

TEST_F(UndoTest, ModifiedFollowsTheStateLastOpenedOrSaved) {
  Select(*form_, ListedLines::InstrumentTab, 3);
  form_->itemCommands().clear();
  ASSERT_TRUE(form_->fileCommands().save());
  Select(*form_, ListedLines::InstrumentTab, 4);
  form_->itemCommands().clear();
  const struct {
    QAction* step;
    bool modified;
  } steps[] = {{ActionOf(*form_, "Undo1"), false},
               {ActionOf(*form_, "Undo1"), true},
               {ActionOf(*form_, "Redo1"), false},
               {ActionOf(*form_, "Redo1"), true},
               {ActionOf(*form_, "Undo1"), false}};
  for (const auto& s : steps) {
    s.step->trigger();
    EXPECT_EQ(form_->isModified(), s.modified);
  }
  // Past the save, the unsaved-changes question is back; at it, the close asks nothing.
  ActionOf(*form_, "Undo1")->trigger();
  dialogs_.answers = {Answer::Cancel};
  form_->closeWindow();
  EXPECT_EQ(form_->statusText(), "Close canceled");
  ActionOf(*form_, "Redo1")->trigger();
  form_->closeWindow();
  EXPECT_TRUE(form_->isCloseConfirmed());
  EXPECT_EQ(dialogs_.requests.size(), 1u);
}

TEST_F(UndoTest, NewOpenAndMergeStartAFreshHistory) {
  const struct {
    const char* command;
    std::function<void()> run;
    bool modified;
  } cases[] = {
      {"New", [&] { form_->fileCommands().newDocument(); }, false},
      {"Open", [&] { OpenDemo(*form_); }, false},
      {"Merge",
       [&] {
         dialogs_.paths = {PathOf("demo.s2a")};
         form_->fileCommands().merge();
       },
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    OpenDemo(*form_);
    Select(*form_, ListedLines::InstrumentTab, 0);
    form_->itemCommands().clear();
    form_->itemCommands().clear();
    ActionOf(*form_, "Undo1")->trigger();
    ASSERT_TRUE(ActionOf(*form_, "Undo1")->isEnabled() && ActionOf(*form_, "Redo1")->isEnabled());
    form_->setModified(false);
    c.run();
    EXPECT_FALSE(ActionOf(*form_, "Undo1")->isEnabled());
    EXPECT_FALSE(ActionOf(*form_, "Redo1")->isEnabled());
    EXPECT_EQ(form_->isModified(), c.modified);
    // A document that is no file's content stays modified however far it is undone.
    Select(*form_, ListedLines::InstrumentTab, 0);
    form_->itemCommands().clear();
    ActionOf(*form_, "Undo1")->trigger();
    EXPECT_EQ(form_->isModified(), c.modified);
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
  Select(*form_, ListedLines::InstrumentTab, 2);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    form_->setStatus({});
    const auto before = Bytes(form_->currentItem());
    const QString line = form_->itemList()->item(2)->text();
    RenameByKeys(*form_, c.name, c.key);
    EXPECT_EQ(form_->isModified(), c.taken);
    EXPECT_EQ(ActionOf(*form_, "Undo1")->isEnabled(), c.taken);
    EXPECT_EQ(form_->statusText(), c.taken ? "Renamed INT:003(A03)"
                                   : c.key == Qt::Key_Escape
                                       ? ""
                                       : "Name refused: at most 10 printable ASCII characters");
    auto expected = before;
    if (c.taken)
      std::copy_n(c.name.toLatin1().data(), 10, expected.begin());
    EXPECT_EQ(Bytes(form_->currentItem()), expected);
    EXPECT_EQ(form_->itemList()->item(2)->text(), c.taken ? "INT:003(A03)  Pf:~ Ten (+)!" : line);
  }
}

}  // namespace
