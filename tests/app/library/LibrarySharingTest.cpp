// The Library window beside another program using the same library: corvale-cli as a real
// process, or another store holding the write lock.

#include <unistd.h>

#include <QTest>
#include <filesystem>

#include <QItemSelectionModel>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "app/library/LibraryWriteWait.h"
#include "app/library/ProgramTableModel.h"
#include "files/S2I_File.h"
#include "tests/app/library/LibraryWindowFixture.h"

namespace {

// Long enough for a loaded machine; a window that shows the change at all does so within a
// second of it.
constexpr int kPatienceMs = 30000;

class LibrarySharingTest : public LibraryWindowTest {
 protected:
  // corvale-cli library ARGUMENTS, as another program: its exit status.
  static int RunTool(std::vector<std::string> arguments) {
    const char* tool = std::getenv("CORVALE_CLI");
    if (tool == nullptr)
      return -1;
    arguments.insert(arguments.begin(), {tool, "library"});
    return test::WaitForChild(test::StartProgram(arguments, "/dev/null", ""));
  }

  void SetUp() override {
    if (std::getenv("CORVALE_CLI") == nullptr)
      GTEST_SKIP() << "CORVALE_CLI names the tool; ctest sets it";
    ASSERT_TRUE(test::WriteDemoFiles(dir_));
  }

  static QTreeWidgetItem* Collection(LibraryWindow& library, const QString& prefix) {
    for (QTreeWidgetItemIterator it(Child<QTreeWidget>(library, "TreeView1")); *it; ++it) {
      if ((*it)->text(0).startsWith(prefix))
        return *it;
    }
    return nullptr;
  }
};

// What corvale-cli adds shows in the open window by itself, the collection chosen, the rows
// chosen and the table's scroll position kept.
TEST_F(LibrarySharingTest, AnotherProgramsAdditionShowsKeepingTheView) {
  ASSERT_EQ(RunTool({"add", dir_.File("demo.s2a")}), 0);
  LibraryWindow& library = ShowLibrary();
  library.resize(720, 440);
  QCoreApplication::processEvents();
  auto* table = Child<QTableView>(library, "ProgramTable");
  const ProgramTableModel& model = library.programModel();
  ASSERT_EQ(model.rowCount(), 452);
  table->selectionModel()->select(
      QItemSelection(model.index(200, 0), model.index(201, ProgramTableModel::ColumnCount - 1)),
      QItemSelectionModel::ClearAndSelect);
  table->scrollTo(model.index(200, 0), QAbstractItemView::PositionAtTop);
  const int scrolled = table->verticalScrollBar()->value();
  const std::int64_t chosen[] = {model.programId(200), model.programId(201)};
  ASSERT_GT(scrolled, 0);

  // A program that sorts after every other, so that the rows chosen keep their places.
  S2I_File file;
  DemoBank::FillItem(*file.GetItem(static_cast<int>(ItemKind::Instrument)), "~Newcomer", 1, 5);
  const std::string folder = dir_.File("more");
  std::filesystem::create_directory(folder);
  ASSERT_EQ(file.Save(folder + "/new.s2i"), 0);
  ASSERT_EQ(RunTool({"add", folder}), 0);

  ASSERT_TRUE(QTest::qWaitFor([&] { return model.rowCount() == 453; }, kPatienceMs));
  EXPECT_NE(Collection(library, QStringLiteral("more (1)")), nullptr);
  EXPECT_EQ(library.currentCollection(), 0);
  EXPECT_EQ(table->verticalScrollBar()->value(), scrolled);
  const QModelIndexList rows = table->selectionModel()->selectedRows();
  ASSERT_EQ(rows.size(), 2);
  EXPECT_EQ(model.programId(rows[0].row()), chosen[0]);
  EXPECT_EQ(model.programId(rows[1].row()), chosen[1]);
}

// While another program holds the library, a rename waits without holding up the window, says
// what it waits for, and is made once the library is free; Cancel gives the change up.
TEST_F(LibrarySharingTest, AChangeWaitsForAnotherProgramWithoutBlocking) {
  ASSERT_EQ(RunTool({"add", dir_.File("demo.s2a")}), 0);
  LibraryWindow& library = ShowLibrary();
  library.selectCollection(1);
  QProgressDialog* waiting = nullptr;
  QObject::connect(&library.writeWait(), &LibraryWriteWait::waitStarted,
                   [&](QProgressDialog* dialog) { waiting = dialog; });
  const std::unique_ptr<LibraryStore> other = test::OpenLibrary(LibraryPath());

  for (const bool cancel : {true, false}) {
    ASSERT_EQ(other->BeginChange(), 0);
    dialogs_.texts.push_back(cancel ? QStringLiteral("Given Up") : QStringLiteral("Renamed"));
    waiting = nullptr;
    library.renameCollection();
    ASSERT_NE(waiting, nullptr) << "the rename returned without waiting";
    EXPECT_TRUE(waiting->isVisible());
    EXPECT_EQ(waiting->labelText(), LibraryWriteWait::text());
    const QPointer<QProgressDialog> shown(waiting);
    if (cancel) {
      waiting->findChild<QPushButton*>()->click();
      ASSERT_TRUE(QTest::qWaitFor([&] { return shown.isNull(); }, kPatienceMs));
      EXPECT_EQ(library.statusText(),
                QStringLiteral("Canceled: another program was using the library"));
    }
    // The window goes on painting and taking events while it waits.
    QTest::qWait(LibraryWriteWait::kRetryMs * 2);
    other->RollBackChange();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.isNull(); }, kPatienceMs));
  }
  EXPECT_NE(Collection(library, QStringLiteral("Renamed (")), nullptr);
  EXPECT_EQ(Collection(library, QStringLiteral("Given Up")), nullptr);
  CollectionRow row;
  ASSERT_EQ(other->FindCollection("1", row), 0);
  EXPECT_EQ(row.name, "Renamed");

  // Once another program has changed the library, the rename can no longer be undone: its undo
  // would put back the collections as they were before the other program's change.
  QAction* undo = ActionOf(library, "Undo1");
  ASSERT_TRUE(undo->isEnabled());
  std::int64_t elsewhere = 0;
  ASSERT_EQ(other->BeginChange(), 0);
  ASSERT_EQ(other->StoreCollection(0, CollectionRow::Kind::Folder, "/elsewhere", elsewhere), 0);
  ASSERT_EQ(other->CommitChange(), 0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !undo->isEnabled(); }, kPatienceMs));
}

}  // namespace
