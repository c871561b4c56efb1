#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <deque>

#include "app/commands/DocumentHistory.h"
#include "app/dialogs/WindowPlacement.h"
#include "app/list/ItemListView.h"
#include "app/list/ListedLines.h"
#include "model/BankLayouts.h"
#include "model/Item.h"
#include "tests/app/WindowFixture.h"

namespace {

// The first window and two followers, the last of them modified.
class CloseTest : public WindowTest {
 protected:
  void SetUp() override {
    form_->fileCommands().newWindow();
    form_->fileCommands().newWindow();
    second_ = form_->nextWindow();
    third_ = second_->nextWindow();
    third_->setModified(true);
  }

  static bool IsClosed(const EditorWindow* window) {
    return !window->document() && !window->isVisible() && !window->nextWindow() &&
           !window->previousWindow();
  }

  EditorWindow* second_ = nullptr;
  EditorWindow* third_ = nullptr;
};

}  // namespace

TEST_F(CloseTest, CancelInAFollowerCancelsTheQuit) {
  dialogs_.answers.push_back(Answer::Cancel);
  form_->closeWindow();
  EXPECT_TRUE(IsClosed(second_));
  EXPECT_EQ(third_->statusText(), "Close canceled");
  EXPECT_EQ(form_->statusText(), "Quit canceled.");
  EXPECT_TRUE(form_->isVisible());
  EXPECT_FALSE(form_->isCloseConfirmed());
  EXPECT_EQ(Chain(*form_), (std::vector<EditorWindow*>{form_.get(), third_}));
  EXPECT_EQ(third_->previousWindow(), form_.get());
}

TEST_F(CloseTest, QuitFromALaterWindowAsksFromTheFirstWindowOn) {
  form_->setModified(true);
  form_->nameFile(PathOf("first.s2a"));
  third_->nameFile(PathOf("third.s2a"));
  QSignalSpy closed(form_.get(), &EditorWindow::windowClosed);
  dialogs_.answers = {Answer::No, Answer::No};
  third_->quit();
  ASSERT_EQ(dialogs_.requests.size(), 2u);
  EXPECT_TRUE(dialogs_.requests[0].text.startsWith(PathOf("first.s2a") + "\n"));
  EXPECT_TRUE(dialogs_.requests[1].text.startsWith(PathOf("third.s2a") + "\n"));
  for (EditorWindow* window : {form_.get(), second_, third_}) {
    EXPECT_TRUE(IsClosed(window));
    EXPECT_TRUE(window->isCloseConfirmed());
  }
  EXPECT_EQ(closed.count(), 1);
}

TEST_F(CloseTest, SystemCloseAsksUntilTheDocumentIsSavedOrLeft) {
  second_->setModified(true);
  second_->nameFile(PathOf("absent/second.s2a"));
  QSignalSpy closed(second_, &EditorWindow::windowClosed);
  // A save that fails asks again.
  dialogs_.answers = {Answer::Yes, Answer::Cancel};
  EXPECT_FALSE(second_->close());
  EXPECT_EQ(dialogs_.requests.size(), 2u);
  EXPECT_TRUE(second_->isVisible());
  EXPECT_EQ(second_->statusText(), "Close canceled");

  dialogs_.answers = {Answer::Yes, Answer::No};
  EXPECT_TRUE(second_->close());
  EXPECT_TRUE(IsClosed(second_));
  EXPECT_EQ(Chain(*form_), (std::vector<EditorWindow*>{form_.get(), third_}));
  EXPECT_EQ(third_->previousWindow(), form_.get());
  // Closed already: no question, and the window is unlinked only once.
  EXPECT_TRUE(second_->close());
  EXPECT_EQ(closed.count(), 1);
}

namespace {

// A window and its history, watched for their deletion.
struct Watched {
  explicit Watched(EditorWindow* window)
      : window(window), history(window->findChild<DocumentHistory*>()) {}
  bool deleted() const { return !window && !history; }

  QPointer<EditorWindow> window;
  QPointer<DocumentHistory> history;
};

bool AllDeleted(const std::vector<Watched>& watched) {
  return QTest::qWaitFor([&watched] {
    return std::all_of(watched.begin(), watched.end(),
                       [](const Watched& w) { return w.deleted(); });
  });
}

int EditorWindowsAlive() {
  const QWidgetList windows = QApplication::topLevelWidgets();
  return int(std::count_if(windows.begin(), windows.end(), [](const QWidget* window) {
    return qobject_cast<const EditorWindow*>(window) != nullptr;
  }));
}

}  // namespace

// A closed window lives on until its close is over, then goes with its history; the
// chain opens new windows after the first and quits as before.
TEST_F(CloseTest, ClosedWindowsAreDeletedAndTheChainGoesOn) {
  third_->setModified(false);
  OpenDemo(*second_);
  const std::vector<Watched> closing{Watched(second_), Watched(third_)};
  second_->closeWindow();
  third_->closeWindow();
  EXPECT_TRUE(IsClosed(second_) && IsClosed(third_));
  EXPECT_TRUE(closing[0].window && closing[1].window);
  ASSERT_TRUE(AllDeleted(closing));
  EXPECT_EQ(EditorWindowsAlive(), 1);

  std::vector<Watched> reopened;
  for (int cycle = 0; cycle < 3; ++cycle) {
    EditorWindow& window = form_->openFileInWindow(PathOf("demo.s2a"), true, true);
    EXPECT_EQ(window.statusText(), "Open successful");
    EXPECT_EQ(Chain(*form_), (std::vector<EditorWindow*>{form_.get(), &window}));
    reopened.emplace_back(&window);
    if (cycle < 2)
      window.closeWindow();
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return EditorWindowsAlive() == 2; }));
  QSignalSpy closed(form_.get(), &EditorWindow::windowClosed);
  reopened.back().window->quit();
  EXPECT_EQ(closed.count(), 1);
  EXPECT_TRUE(IsClosed(form_.get()));
  EXPECT_TRUE(AllDeleted(reopened));
}

// A swap dragged from a window that has since closed and gone changes nothing where it drops.
TEST_F(CloseTest, ADragFromAClosedWindowDropsNothing) {
  third_->setModified(false);
  OpenDemo(*form_);
  OpenDemo(*second_);
  Select(*form_, ListedLines::InstrumentTab, 0);
  const std::vector<std::uint8_t> before = Bytes(form_->itemAtLine(0));
  ItemListView& source = *second_->itemList();
  source.handleMouseDown(Qt::LeftButton, Qt::ControlModifier,
                         source.visualItemRect(source.item(3)).center());
  QMimeData data;
  const QMimeData* dragged = source.makeDrag()->mimeData();
  for (const QString& format : dragged->formats())
    data.setData(format, dragged->data(format));
  const std::vector<Watched> closing{Watched(second_)};
  second_->closeWindow();
  ASSERT_TRUE(AllDeleted(closing));

  QWidget* viewport = form_->itemList()->viewport();
  const QPoint point = form_->itemList()->visualItemRect(form_->itemList()->item(0)).center();
  QDragEnterEvent enter(point, Qt::MoveAction, &data, Qt::LeftButton, Qt::ControlModifier);
  QDropEvent drop(point, Qt::MoveAction, &data, Qt::LeftButton, Qt::ControlModifier);
  QCoreApplication::sendEvent(viewport, &enter);
  QCoreApplication::sendEvent(viewport, &drop);
  EXPECT_EQ(form_->statusText(), "Unknown Internal Error");
  EXPECT_EQ(Bytes(form_->itemAtLine(0)), before);
  EXPECT_FALSE(form_->isModified());
}

// Quit asks the second window; while its question is open, the third closes and is deleted.
// The quit goes on past it.
TEST_F(CloseTest, AWindowClosedDuringAnotherOnesQuestionIsPassedOver) {
  third_->setModified(false);
  second_->setModified(true);
  std::unique_ptr<UserDialogs> scripted = setUserDialogs(nullptr);
  const auto restoreDialogs = qScopeGuard([&] { setUserDialogs(std::move(scripted)); });
  const std::vector<Watched> third{Watched(third_)};
  bool thirdGoneDuringQuestion = false;
  QTimer::singleShot(0, [&] {
    third_->closeWindow();
    thirdGoneDuringQuestion = AllDeleted(third);
    if (auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
      question->button(QMessageBox::No)->click();
  });
  form_->quit();
  EXPECT_TRUE(thirdGoneDuringQuestion);
  EXPECT_TRUE(IsClosed(second_));
  EXPECT_TRUE(form_->isCloseConfirmed());
  EXPECT_TRUE(IsClosed(form_.get()));
}

// Every window shows the first window's tool bar icons: Qt caches pixmaps by icon, and keeps
// those of closed windows' own icons up to its cache's limit.
TEST_F(CloseTest, EveryWindowShowsTheFirstWindowsIcons) {
  for (const char* name : {"NewNewWin1", "OpenNewWin1", "Save1", "EditImport", "EditExport",
                           "MidiReceiveFromBuf", "MidiSendToBuf"}) {
    const QIcon icon = ActionOf(*form_, name)->icon();
    EXPECT_FALSE(icon.isNull()) << name;
    for (const EditorWindow* window : {second_, third_})
      EXPECT_EQ(ActionOf(*window, name)->icon().cacheKey(), icon.cacheKey()) << name;
  }
}

// After a save to a file that holds only the voice banks, closing says what the file lacks and
// offers Save As; a save that writes a file closes the window, also one that again leaves
// programs out. A save that does not happen asks again.
TEST_F(CloseTest, AfterASaveThatLeftProgramsOutClosingOffersSaveAs) {
  const struct {
    std::deque<Answer> answers;
    std::deque<QString> paths;  // of Save As; empty cancels it
    std::size_t questions;      // the Unsaved File questions asked
    const char* written;        // the file written, if any
  } cases[] = {
      {{Answer::Cancel}, {}, 1, nullptr},
      {{Answer::Yes, Answer::Cancel}, {""}, 2, nullptr},
      {{Answer::Yes, Answer::Yes}, {"again.s2v"}, 1, "again.s2v"},
      {{Answer::Yes}, {"whole.s2a"}, 1, "whole.s2a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.paths.empty() ? "" : c.paths.front().toStdString());
    EditorWindow window;
    ASSERT_EQ(kInternalPerformanceLayout.bankIn(*window.document()).ItemAt(0)->SetName("Chg"), 0);
    window.markEdited();
    dialogs_.paths = {PathOf("rcv.s2v")};
    dialogs_.answers = {Answer::Yes};  // save anyway
    ASSERT_TRUE(window.fileCommands().saveAs());
    ASSERT_TRUE(window.isModified());
    dialogs_.requests.clear();
    dialogs_.answers = c.answers;
    for (const QString& path : c.paths)
      dialogs_.paths.push_back(path.isEmpty() ? path : PathOf(path.toUtf8().constData()));
    window.closeWindow();
    EXPECT_TRUE(dialogs_.answers.empty() && dialogs_.paths.empty());
    std::size_t questions = 0;
    for (const ScriptedDialogs::Request& request : dialogs_.requests) {
      if (request.title != "Unsaved File")
        continue;
      ++questions;
      EXPECT_EQ(request.text, PathOf("rcv.s2v") +
                                  "\nholds only the voice banks, not the 1 changed program of "
                                  "the performance banks.\nDo you wish to save the document as "
                                  "another file before closing?");
      EXPECT_EQ(request.details, "Save &As...");
    }
    EXPECT_EQ(questions, c.questions);
    EXPECT_EQ(window.isCloseConfirmed(), c.written != nullptr);
    if (c.written)
      EXPECT_TRUE(test::Exists(dir_.File(c.written)));
    else
      EXPECT_EQ(window.statusText(), "Close canceled");
  }
}

// A dialog that asks for a name is wide enough for a window manager to show its title whole.
TEST_F(CloseTest, ADialogThatAsksANameShowsItsTitleWhole) {
  std::unique_ptr<UserDialogs> scripted = setUserDialogs(nullptr);
  const auto restoreDialogs = qScopeGuard([&] { setUserDialogs(std::move(scripted)); });
  int width = 0;
  QTimer::singleShot(0, [&] {
    if (QWidget* dialog = QApplication::activeModalWidget()) {
      width = dialog->width();
      QTest::keyClick(dialog, Qt::Key_Escape);
    }
  });
  EXPECT_EQ(userDialogs().askText(form_.get(), "Rename Collection", "New name:", "more"),
            std::nullopt);
  EXPECT_GE(width, WidthForTitle("Rename Collection"));
}
