#include <QSignalSpy>

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
  EXPECT_EQ(third_->statusText(), "Close cancelled");
  EXPECT_EQ(form_->statusText(), "Quit cancelled.");
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
  EXPECT_EQ(second_->statusText(), "Close cancelled");

  dialogs_.answers = {Answer::Yes, Answer::No};
  EXPECT_TRUE(second_->close());
  EXPECT_TRUE(IsClosed(second_));
  EXPECT_EQ(Chain(*form_), (std::vector<EditorWindow*>{form_.get(), third_}));
  EXPECT_EQ(third_->previousWindow(), form_.get());
  // Closed already: no question, and the window is unlinked only once.
  EXPECT_TRUE(second_->close());
  EXPECT_EQ(closed.count(), 1);
}
