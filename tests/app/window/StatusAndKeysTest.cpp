#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QtTest/QTest>
#include <functional>

#include "app/dialogs/WindowPlacement.h"
#include "app/list/ItemListView.h"
#include "app/list/ListedLines.h"
#include "app/widgets/ElidingLabel.h"
#include "model/Item.h"
#include "tests/app/WindowFixture.h"

namespace {

QMenu* MenuTitled(EditorWindow& window, const QString& title) {
  for (QAction* action : window.menuBar()->actions()) {
    if (action->text() == title)
      return action->menu();
  }
  return nullptr;
}

}  // namespace

// Each command writes its outcome over what was there, the reason beside it too.
TEST_F(WindowTest, EveryEditSaysWhatItDid) {
  OpenDemo(*form_);
  form_->setStatus(QStringLiteral("Send Completed"), QStringLiteral("an earlier reason"));
  const auto select = [&](int tab, int line) { Select(*form_, tab, line); };
  const struct {
    std::function<void()> command;
    const char* status;
  } steps[] = {
      {[&] { select(ListedLines::InstrumentTab, 2), ActionOf(*form_, "Copy1")->trigger(); },
       "Copied INT:003(A03)"},
      {[&] { select(ListedLines::PercussionTab, 0), ActionOf(*form_, "Paste1")->trigger(); },
       "Couldn't Paste, unmatched types"},
      {[&] { select(ListedLines::InstrumentTab, 9), ActionOf(*form_, "Paste1")->trigger(); },
       "Pasted into INT:010(A10)"},
      {[&] { ActionOf(*form_, "Undo1")->trigger(); }, "Undo Paste"},
      {[&] { ActionOf(*form_, "Redo1")->trigger(); }, "Redo Paste"},
      {[&] { select(ListedLines::InstrumentTab, 4), ActionOf(*form_, "Clear1")->trigger(); },
       "Cleared INT:005(A05)"},
      {[&] { select(ListedLines::InstrumentTab, 6), ActionOf(*form_, "Cut1")->trigger(); },
       "Cut INT:007(A07)"},
  };
  for (const auto& step : steps) {
    step.command();
    EXPECT_EQ(form_->statusText(), step.status);
    EXPECT_EQ(form_->statusReason(), "");
  }
}

// The list has the keyboard as the window opens, and the line that looks chosen is the one the
// commands act on.
TEST_F(WindowTest, AnOpenedWindowsListHasTheKeyboardAndItsMarkedLineIsSelected) {
  EditorWindow* window = &form_->appendWindow();
  window->openFileInWindow(PathOf("demo.s2a"), false, false);
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window, test::kPatienceMs));
  EXPECT_EQ(QApplication::focusWidget(), window->itemList());
  const int row = window->itemList()->currentRow();
  ASSERT_GE(row, 0);
  EXPECT_TRUE(window->itemList()->item(row)->isSelected());
  EXPECT_EQ(window->currentItem(), window->itemAtLine(row));
  EXPECT_TRUE(ActionOf(*window, "EditExport")->isEnabled());
  QTest::keyClick(window->itemList(), Qt::Key_Down);
  EXPECT_EQ(window->currentItem(), window->itemAtLine(row + 1));
  window->close();
}

// The folder gives way where the window is narrow; the file's name never does.
TEST_F(WindowTest, TitlesShortenTheFolderNeverTheFileName) {
  const QString folder = PathOf("") + QStringLiteral("a folder with a long name/").repeated(4);
  ASSERT_TRUE(QDir().mkpath(folder));
  ASSERT_TRUE(QFile::copy(PathOf("demo.s2a"), folder + "BANK1.S2A"));
  form_->openFileInWindow(folder + "BANK1.S2A", false, false);
  EXPECT_TRUE(TitleNames(*form_, folder + "BANK1.S2A"));
  EXPECT_TRUE(ShownTitle(*form_).contains(u'…')) << ShownTitle(*form_).toStdString();
  // Whole in a window manager's bold title font, the unsaved-changes mark included.
  EXPECT_LE(WidthForTitle(ShownTitle(*form_) + u'*'), form_->width());
  form_->resize(4000, form_->height());
  EXPECT_EQ(ShownTitle(*form_), "Corvale - " + folder + "BANK1.S2A");

  // A name too long for the title even without its folder widens the window to show it whole.
  const QString longName = folder + "A BANK WITH A VERY LONG NAME INDEED.s2a";
  ASSERT_TRUE(QFile::copy(PathOf("demo.s2a"), longName));
  form_->resize(EditorWindow::kDesignWidth, form_->height());
  form_->openFileInWindow(longName, false, false);
  EXPECT_TRUE(TitleNames(*form_, longName));
  EXPECT_GT(form_->width(), EditorWindow::kDesignWidth);
  EXPECT_LE(WidthForTitle(ShownTitle(*form_) + u'*'), form_->width());
}

// The outcome and its reason share the status bar without covering each other.
TEST_F(WindowTest, TheStatusAndItsReasonNeverOverlap) {
  const QString text = QStringLiteral("Received 436 of 452 items; 16 needed a retry");
  const QString reason =
      QStringLiteral("Not received: ") + QStringLiteral("Instrument INT:001(A01), ").repeated(16);
  form_->setStatus(text, reason);
  // The status bar lays the labels out from the event loop.
  const auto laidOut = [&] {
    return StatusLabel(*form_, "StatusMessage")->geometry().right() <=
               StatusLabel(*form_, "StatusReason")->geometry().left() &&
           StatusLabel(*form_, "StatusReason")->text().endsWith(u'…');
  };
  EXPECT_TRUE(QTest::qWaitFor(laidOut, test::kPatienceMs));
  EXPECT_EQ(form_->statusText(), text);
  EXPECT_EQ(form_->statusReason(), reason);
}

// Alt+M opens the Midi menu; Esc puts Find away wherever the keyboard is; Ctrl+Z in the Find
// field takes back its own typing, not a change of the document.
TEST_F(WindowTest, KeysReachMenusFindAndTheFieldTheyAreTypedIn) {
  QMenu* midi = MenuTitled(*form_, QStringLiteral("&Midi"));
  ASSERT_NE(midi, nullptr);
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get(), test::kPatienceMs));
  QTest::keyClick(form_.get(), Qt::Key_M, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return midi->isVisible(); }, test::kPatienceMs));
  midi->close();

  OpenDemo(*form_);
  Select(*form_, ListedLines::InstrumentTab, 4);
  const auto cleared = Bytes(form_->currentItem());
  ActionOf(*form_, "Clear1")->trigger();
  const auto afterClear = Bytes(form_->itemAtLine(4));
  ActionOf(*form_, "Find1")->trigger();
  QTest::keyClicks(form_->findField(), QStringLiteral("pno"));
  QTest::keyClick(form_->findField(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_NE(form_->findField()->text(), "pno");
  EXPECT_TRUE(form_->findField()->isVisible());
  EXPECT_NE(afterClear, cleared);
  EXPECT_EQ(Bytes(form_->document()->InternalInstrumentBank().ItemAt(4)), afterClear);

  form_->findField()->setText(QStringLiteral("pno"));
  form_->itemList()->setFocus();
  QTest::keyClick(form_->itemList(), Qt::Key_Escape);
  EXPECT_FALSE(form_->findField()->isVisible());
  EXPECT_EQ(form_->itemList()->count(), 256);
}

// Every menu and item can be reached by its letter; Ctrl+N is New beside Ctrl+W for Open in New
// Window; the commands that are never enabled, and the Plugin tab that is always empty, say why.
TEST_F(WindowTest, EveryCommandHasItsLetterAndTheUnusableOnesSayWhy) {
  EXPECT_TRUE(EveryMenuHasItsOwnMnemonics(*form_));
  EXPECT_EQ(ActionOf(*form_, "New1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
  EXPECT_EQ(ActionOf(*form_, "OpenNewWin1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_W));
  OpenDemo(*form_);
  Select(*form_, ListedLines::InstrumentTab, 0);
  for (const char* name : {"Edit1", "ExportAll1"}) {
    EXPECT_FALSE(ActionOf(*form_, name)->isEnabled()) << name;
    EXPECT_TRUE(ActionOf(*form_, name)->toolTip().startsWith("Not in this version")) << name;
  }
  EXPECT_TRUE(form_->tabBar()->tabToolTip(ListedLines::PluginTab).startsWith("Always empty"));
}
