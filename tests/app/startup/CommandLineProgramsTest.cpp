#include <QLabel>
#include <QTableView>
#include <QTest>

#include "app/library/LibraryWindow.h"
#include "app/startup/CommandLineFiles.h"
#include "midi/sysex/SYX_File.h"
#include "tests/app/library/LibraryWindowFixture.h"

namespace {

// Runs the event loop until the addition the names began has said its outcome.
void AwaitAddition(const LibraryWindow& library) {
  EXPECT_TRUE(QTest::qWaitFor([&] { return !library.statusText().isEmpty(); }, test::kPatienceMs));
}

int ShownPrograms(const LibraryWindow& library) {
  return Child<QTableView>(library, "ProgramTable")->model()->rowCount();
}

}  // namespace

// A single program named on the command line, or a .syx of a program for an edit buffer, is
// added to the library and shown there; no bank window is made for it, and a bank named beside
// it still opens, as does a .syx whose dump fills a bank slot.
TEST_F(LibraryWindowTest, CommandLineProgramsLandInTheLibraryBesideTheirBank) {
  SYX_File buffer;
  ASSERT_EQ(buffer.StoreToEditBuffer(*CreateItem(ItemKind::Instrument)), 0);
  ASSERT_EQ(buffer.Save(dir_.File("buffer.syx")), 0);
  OpenCommandLineFiles(
      *form_, {PathOf("demo.s2i"), PathOf("demo.s2v"), PathOf("buffer.syx"), PathOf("demo.syx")});
  EXPECT_EQ(form_->fileName(), PathOf("demo.s2v"));
  EXPECT_EQ(form_->statusText(), "Open successful");
  const auto windows = Chain(*form_);
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows[1]->fileName(), PathOf("demo.syx"));
  LibraryWindow* library = form_->libraryWindow();
  ASSERT_NE(library, nullptr);
  EXPECT_TRUE(library->isVisible());
  AwaitAddition(*library);
  EXPECT_EQ(library->statusText(), "Added 2 new programs, 0 already known; 0 files skipped");
  EXPECT_EQ(ShownPrograms(*library), 2);
  EXPECT_EQ(test::Counts(*test::OpenLibrary(LibraryPath()))[0], 2);
}

// Programs alone leave the first window as it was: nothing hidden behind it, nothing opened
// into it, and the same program named again is known already.
TEST_F(LibraryWindowTest, CommandLineProgramsAloneLeaveTheBankWindowUntouched) {
  OpenCommandLineFiles(*form_, {PathOf("demo.s2i")});
  ASSERT_NE(form_->libraryWindow(), nullptr);
  AwaitAddition(*form_->libraryWindow());
  OpenCommandLineFiles(*form_, {PathOf("demo.s2i")});
  EXPECT_TRUE(QTest::qWaitFor(
      [this] { return form_->libraryWindow()->statusText().startsWith("Added 0 new"); },
      test::kPatienceMs));
  EXPECT_TRUE(form_->isUntouched());
  EXPECT_TRUE(form_->isVisible());
  EXPECT_EQ(form_->nextWindow(), nullptr);
  LibraryWindow* library = form_->libraryWindow();
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(library->statusText(), "Added 0 new programs, 1 already known; 0 files skipped");
  EXPECT_EQ(ShownPrograms(*library), 1);
}

// A missing program is skipped, and said so in the library; the bank after it still opens
// into the window nothing was opened into.
TEST_F(LibraryWindowTest, AMissingCommandLineProgramIsSkippedAndTheBankStillOpens) {
  OpenCommandLineFiles(*form_, {PathOf("gone.s2i"), PathOf("demo.s2a")});
  EXPECT_EQ(form_->fileName(), PathOf("demo.s2a"));
  EXPECT_EQ(form_->nextWindow(), nullptr);
  LibraryWindow* library = form_->libraryWindow();
  ASSERT_NE(library, nullptr);
  AwaitAddition(*library);
  EXPECT_EQ(library->statusText(), "Added 0 new programs, 0 already known; 1 file skipped");
  EXPECT_EQ(ShownPrograms(*library), 0);
}
