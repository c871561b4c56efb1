#include <QItemSelectionModel>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <functional>

#include "app/library/ProgramTableModel.h"
#include "tests/app/library/LibraryWindowFixture.h"

namespace {

using Column = ProgramTableModel::Column;

class LibraryEditingTest : public LibraryWindowTest {
 protected:
  // Alpha, Bravo and Charlie in "first" in that order; Bravo also in "second".
  void FillLibrary() {
    const std::int64_t alpha = StoreProgram(ItemKind::Instrument, "Alpha", 1);
    const std::int64_t bravo = StoreProgram(ItemKind::Instrument, "Bravo", 2);
    const std::int64_t charlie = StoreProgram(ItemKind::Instrument, "Charlie", 3);
    const std::unique_ptr<LibraryStore> store = test::OpenLibrary(LibraryPath());
    std::int64_t first = 0;
    std::int64_t second = 0;
    ASSERT_EQ(store->BeginChange(), 0);
    ASSERT_EQ(store->StoreCollection(0, CollectionRow::Kind::Folder, "/lib/first", first), 0);
    ASSERT_EQ(store->StoreCollection(0, CollectionRow::Kind::Folder, "/lib/second", second), 0);
    const std::vector<CollectionEntry> firstEntries{
        {alpha, "", -1}, {bravo, "", -1}, {charlie, "", -1}};
    const std::vector<CollectionEntry> secondEntries{{bravo, "", -1}};
    ASSERT_EQ(store->ReplaceEntries(first, firstEntries), 0);
    ASSERT_EQ(store->ReplaceEntries(second, secondEntries), 0);
    ASSERT_EQ(store->CommitChange(), 0);
  }

  // Every line of the tree, from the top.
  static QStringList TreeTexts(const LibraryWindow& library) {
    QStringList texts;
    for (QTreeWidgetItemIterator it(Child<QTreeWidget>(library, "TreeView1")); *it; ++it)
      texts << (*it)->text(0);
    return texts;
  }

  static void Choose(LibraryWindow& library, const QString& line) {
    for (QTreeWidgetItemIterator it(Child<QTreeWidget>(library, "TreeView1")); *it; ++it) {
      if ((*it)->text(0) == line)
        Child<QTreeWidget>(library, "TreeView1")->setCurrentItem(*it);
    }
  }

  // Each collection's entries as the store reads them, by path.
  std::vector<std::pair<std::string, std::vector<std::int64_t>>> Contents() {
    const std::unique_ptr<LibraryStore> store = test::OpenLibrary(LibraryPath());
    std::vector<CollectionRow> rows;
    EXPECT_EQ(store->Collections(0, rows), 0);
    std::vector<std::pair<std::string, std::vector<std::int64_t>>> contents;
    for (const CollectionRow& row : rows) {
      std::vector<CollectionEntry> entries;
      EXPECT_EQ(store->Entries(row.id, entries), 0);
      std::vector<std::int64_t> programs;
      for (const CollectionEntry& entry : entries)
        programs.push_back(entry.programId);
      contents.emplace_back(row.name + " " + row.path, programs);
    }
    return contents;
  }
};

// Rename, Remove from Collection and Delete Collection each change the library and the window,
// and the window's Undo puts the library back as it was, entries in their order.
TEST_F(LibraryEditingTest, ChangesCollectionsAndUndoesEachChange) {
  FillLibrary();
  LibraryWindow& library = ShowLibrary();
  QAction* undo = ActionOf(library, "Undo1");
  EXPECT_EQ(undo->text(), "&Undo");
  EXPECT_EQ(undo->shortcut(), QKeySequence(QKeySequence::Undo));
  EXPECT_FALSE(undo->isEnabled());
  const QStringList treeBefore{"All Programs", "first (3)", "second (1)"};
  ASSERT_EQ(TreeTexts(library), treeBefore);
  const auto contentsBefore = Contents();
  auto* table = Child<QTableView>(library, "ProgramTable");

  const struct {
    const char* action;
    std::function<void()> answer;  // queues the dialogs' answers, chooses the rows
    QStringList tree;
    QStringList allPrograms;  // the names All Programs shows afterwards
    QString status;
  } cases[] = {
      {"RenameCollection1",
       [this] { dialogs_.texts.push_back("Renamed"); },
       {"All Programs", "Renamed (3)", "second (1)"},
       {"Alpha", "Bravo", "Charlie"},
       "Renamed collection first to Renamed"},
      {"RemoveFromCollection1",
       [&] {
         for (int row : {0, 1})
           table->selectionModel()->select(table->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
       },
       {"All Programs", "first (1)", "second (1)"},
       {"Bravo", "Charlie"},
       "Removed 2 programs from first (1 gone from the library)"},
      {"DeleteCollection1",
       [this] { dialogs_.answers.push_back(Answer::Yes); },
       {"All Programs", "second (1)"},
       {"Alpha", "Bravo", "Charlie"},
       "Deleted collection first"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.action);
    Choose(library, "first (3)");
    c.answer();
    ActionOf(library, c.action)->trigger();
    EXPECT_EQ(TreeTexts(library), c.tree);
    EXPECT_EQ(library.statusText(), c.status);
    EXPECT_TRUE(undo->isEnabled());
    Choose(library, "All Programs");
    EXPECT_EQ(Column(library, Column::NameColumn), c.allPrograms);

    undo->trigger();
    EXPECT_EQ(TreeTexts(library), treeBefore);
    EXPECT_EQ(Contents(), contentsBefore);
    EXPECT_EQ(library.statusText(), "Undone: " + c.status);
    Choose(library, "All Programs");
    EXPECT_EQ(Column(library, Column::NameColumn), QStringList({"Alpha", "Bravo", "Charlie"}));
    EXPECT_FALSE(undo->isEnabled());
  }
  EXPECT_EQ(dialogs_.requests[0].kind, ScriptedDialogs::Kind::Text);
  EXPECT_EQ(dialogs_.requests[0].title, "Rename Collection");
  EXPECT_EQ(dialogs_.requests[0].details, "first");
}

// Remove from Collection needs a collection and rows; a canceled rename or deletion changes
// nothing, not a byte of the library.
TEST_F(LibraryEditingTest, RefusesWithoutACollectionAndKeepsACancelledRenameOrDeletion) {
  FillLibrary();
  LibraryWindow& library = ShowLibrary();
  const auto contentsBefore = Contents();
  ActionOf(library, "RemoveFromCollection1")->trigger();
  EXPECT_EQ(library.statusText(), "Choose a collection first");
  Choose(library, "first (3)");
  ActionOf(library, "RemoveFromCollection1")->trigger();
  EXPECT_EQ(library.statusText(), "Choose the programs to remove first");
  const std::vector<std::uint8_t> bytesBefore = test::ReadBytes(LibraryPath());
  dialogs_.texts.push_back(QString());
  ActionOf(library, "RenameCollection1")->trigger();
  dialogs_.answers.push_back(Answer::No);
  ActionOf(library, "DeleteCollection1")->trigger();
  EXPECT_EQ(dialogs_.requests.back().text,
            "Delete \"first\" and the collections under it? Its programs stay in the library.");
  EXPECT_EQ(test::ReadBytes(LibraryPath()), bytesBefore);
  EXPECT_EQ(Contents(), contentsBefore);
  EXPECT_EQ(TreeTexts(library), QStringList({"All Programs", "first (3)", "second (1)"}));
  EXPECT_FALSE(ActionOf(library, "Undo1")->isEnabled());
}

}  // namespace

// The collections sort as people sort names: numbers by their value, letters in any case.
TEST_F(LibraryEditingTest, CollectionsSortAsPeopleSortNames) {
  {
    const std::unique_ptr<LibraryStore> store = test::OpenLibrary(LibraryPath());
    ASSERT_EQ(store->BeginChange(), 0);
    for (const char* name : {"f10", "F2", "f1", "Bank"}) {
      std::int64_t id = 0;
      ASSERT_EQ(
          store->StoreCollection(0, CollectionRow::Kind::Folder, std::string("/lib/") + name, id),
          0);
    }
    ASSERT_EQ(store->CommitChange(), 0);
  }
  LibraryWindow& library = ShowLibrary();
  EXPECT_EQ(TreeTexts(library),
            QStringList({"All Programs", "Bank (0)", "f1 (0)", "F2 (0)", "f10 (0)"}));
}
