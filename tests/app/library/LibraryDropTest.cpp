#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>

#include <QDrag>
#include <QLineEdit>
#include <QTreeWidgetItemIterator>

#include "app/library/CollectionTree.h"
#include "app/library/ProgramTableModel.h"
#include "app/list/BankTabBar.h"
#include "app/list/ItemListView.h"
#include "app/list/ProgramDragData.h"
#include "tests/app/library/LibraryWindowFixture.h"

namespace {

// Drops `data` on a line of the window's list as the toolkit would; whether it was taken.
bool DropOnLine(EditorWindow& window, int line, const QMimeData& data) {
  ItemListView* list = window.itemList();
  list->scrollToItem(list->item(line));
  const QPoint point = list->visualItemRect(list->item(line)).center();
  QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(list->viewport(), &enter);
  QCoreApplication::sendEvent(list->viewport(), &drop);
  return enter.isAccepted() && drop.isAccepted();
}

// The drag data of the table's rows named `names`, pressed on the first.
std::unique_ptr<QMimeData> DragOfRows(LibraryWindow& library, const QStringList& names) {
  const QAbstractItemModel* model = Child<QTableView>(library, "ProgramTable")->model();
  QModelIndexList chosen;
  for (const QString& name : names) {
    for (int row = 0; row < model->rowCount(); ++row) {
      if (model->index(row, ProgramTableModel::NameColumn).data().toString() == name)
        chosen << model->index(row, ProgramTableModel::NameColumn);
    }
  }
  EXPECT_EQ(chosen.size(), names.size()) << names.join(u',').toStdString();
  return std::unique_ptr<QMimeData>(chosen.isEmpty() ? nullptr : model->mimeData(chosen));
}

std::unique_ptr<QMimeData> DragOfRow(LibraryWindow& library, const QString& name) {
  return DragOfRows(library, {name});
}

TEST_F(LibraryWindowTest, AProgramDroppedOnALineIsCopiedThereAsOneUndoableStep) {
  StoreProgram(ItemKind::Instrument, "Lib Piano", 11);
  StoreProgram(ItemKind::Performance, "Lib Split", 12);
  OpenDemo(*form_);
  LibraryWindow& library = ShowLibrary();
  const struct {
    const char* program;
    int tab;
    bool taken;
    QString status;
  } cases[] = {
      {"Lib Piano", ListedLines::InstrumentTab, true, "Copied Lib Piano to INT:004(A04)"},
      {"Lib Split", ListedLines::InstrumentTab, false, "Couldn't Drop, unmatched types"},
      {"Lib Piano", ListedLines::PercussionTab, false, "Couldn't Drop, unmatched types"},
  };
  for (const auto& c : cases) {
    Select(*form_, c.tab, 3);
    Item* target = form_->itemAtLine(3);
    const std::vector<std::uint8_t> before = Bytes(target);
    const std::unique_ptr<QMimeData> data = DragOfRow(library, c.program);
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(DropOnLine(*form_, 3, *data));
    EXPECT_EQ(form_->statusText(), c.status) << c.program;
    EXPECT_EQ(target->Name(), c.taken ? std::string(c.program) : std::string(target->Name()));
    EXPECT_EQ(form_->isModified(), c.taken) << c.program;
    EXPECT_EQ(ActionOf(*form_, "Undo1")->isEnabled(), c.taken) << c.program;
    if (!c.taken) {
      EXPECT_EQ(Bytes(target), before) << c.program;
      continue;
    }
    EXPECT_NE(Bytes(target), before);
    ActionOf(*form_, "Undo1")->trigger();
    EXPECT_EQ(Bytes(target), before);
    EXPECT_FALSE(ActionOf(*form_, "Undo1")->isEnabled());
  }
}

// Drops `data` on the tree's line that reads `line`, as the toolkit would; whether it was taken.
bool DropOnCollection(LibraryWindow& library, const QString& line, const QMimeData& data) {
  auto* tree = Child<CollectionTree>(library, "TreeView1");
  for (QTreeWidgetItemIterator it(tree); *it; ++it) {
    if ((*it)->text(0) != line)
      continue;
    const QPoint point = tree->visualItemRect(*it).center();
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QDragMoveEvent move(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tree->viewport(), &enter);
    QCoreApplication::sendEvent(tree->viewport(), &move);
    QCoreApplication::sendEvent(tree->viewport(), &drop);
    return move.isAccepted() && drop.isAccepted();
  }
  ADD_FAILURE() << line.toStdString();
  return false;
}

// A bank window's line, its whole tab, or a row of the table dropped on a collection joins its
// end, in the tab's order, each program stored once; Undo takes it out again (and the programs
// it stored), Redo puts it back. "All Programs" takes nothing.
TEST_F(LibraryWindowTest, LinesTabsAndRowsDroppedOnACollectionJoinIt) {
  const std::int64_t piano = StoreProgram(ItemKind::Instrument, "Lib Piano", 11);
  StoreProgram(ItemKind::Instrument, "Lib Organ", 12);
  {
    const std::unique_ptr<LibraryStore> store = test::OpenLibrary(LibraryPath());
    std::int64_t folder = 0;
    ASSERT_EQ(store->BeginChange(), 0);
    ASSERT_EQ(store->StoreCollection(0, CollectionRow::Kind::Folder, "/lib/mine", folder), 0);
    const std::vector<CollectionEntry> entries{{piano, "", -1}};
    ASSERT_EQ(store->ReplaceEntries(folder, entries), 0);
    ASSERT_EQ(store->CommitChange(), 0);
  }
  OpenDemo(*form_);
  LibraryWindow& library = ShowLibrary();
  const std::vector<const Item*> performances =
      ListedLines::itemsOfTab(*form_->document(), ListedLines::PerformanceTab, {});
  ItemListView* list = form_->itemList();
  Select(*form_, ListedLines::InstrumentTab, 2);
  list->handleMouseDown(Qt::LeftButton, Qt::NoModifier,
                        list->visualItemRect(list->item(2)).center());
  const std::string lineName = form_->itemAtLine(2)->Name();
  const std::unique_ptr<QDrag> lineDrag(list->makeDrag());
  const std::unique_ptr<QDrag> tabDrag(
      Child<BankTabBar>(*form_, "TabControl1")->makeDrag(ListedLines::PerformanceTab));
  const std::unique_ptr<QMimeData> row = DragOfRow(library, "Lib Piano");
  const std::unique_ptr<QMimeData> rows = DragOfRows(library, {"Lib Organ", "Lib Piano"});

  const struct {
    const char* what;
    const QMimeData* data;
    std::size_t added;
    std::size_t stored;  // new to the library
    std::string last;    // the name of the collection's last program
  } cases[] = {
      {"a line", lineDrag->mimeData(), 1, 1, lineName},
      {"a tab", tabDrag->mimeData(), performances.size(), performances.size(),
       performances.back()->Name()},
      {"a row of the table", row.get(), 1, 0, "Lib Piano"},
      {"two rows of the table, in the table's order", rows.get(), 2, 0, "Lib Piano"},
  };
  const auto mine = [this] {
    const std::unique_ptr<LibraryStore> store = test::OpenLibrary(LibraryPath());
    CollectionRow collection;
    EXPECT_EQ(store->FindCollection("/lib/mine", collection), 0);
    std::vector<CollectionEntry> entries;
    EXPECT_EQ(store->Entries(collection.id, entries), 0);
    ProgramRow last;
    EXPECT_EQ(store->ReadProgram(entries.back().programId, last), 0);
    return std::pair{entries.size(), last.name};
  };
  const std::int64_t programsBefore = test::RowCount(*test::OpenLibrary(LibraryPath()), "programs");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(DropOnCollection(library, "All Programs", *c.data));
    ASSERT_TRUE(DropOnCollection(library, "mine (1)", *c.data));
    EXPECT_EQ(library.statusText(),
              QStringLiteral("Added %1 to mine (%2 new to the library)")
                  .arg(c.added == 1 ? QStringLiteral("1 program")
                                    : QStringLiteral("%1 programs").arg(c.added))
                  .arg(c.stored));
    EXPECT_EQ(mine(), std::pair(1 + c.added, c.last));
    EXPECT_EQ(test::RowCount(*test::OpenLibrary(LibraryPath()), "programs"),
              programsBefore + static_cast<std::int64_t>(c.stored));
    EXPECT_EQ(library.currentCollection() != 0, true);
    for (int twice = 0; twice < 2; ++twice) {
      ActionOf(library, "Undo1")->trigger();
      EXPECT_EQ(mine(), std::pair(std::size_t{1}, std::string("Lib Piano")));
      EXPECT_EQ(test::RowCount(*test::OpenLibrary(LibraryPath()), "programs"), programsBefore);
      if (twice == 0) {
        ActionOf(library, "Redo1")->trigger();
        EXPECT_EQ(mine(), std::pair(1 + c.added, c.last));
      }
    }
  }  // The tab shown carries only the lines Find leaves; another tab all of its lines.
  Select(*form_, ListedLines::PerformanceTab, 0);
  form_->showFind();
  form_->findField()->setText(QString::fromStdString(performances.front()->Name()));
  auto* tabs = Child<BankTabBar>(*form_, "TabControl1");
  const std::unique_ptr<QDrag> shown(tabs->makeDrag(ListedLines::PerformanceTab));
  EXPECT_EQ(ProgramDragData::decodeAll(shown->mimeData()).size(),
            static_cast<std::size_t>(form_->itemList()->count()));
  EXPECT_LT(form_->itemList()->count(), static_cast<int>(performances.size()));
  const std::unique_ptr<QDrag> other(tabs->makeDrag(ListedLines::InstrumentTab));
  EXPECT_EQ(ProgramDragData::decodeAll(other->mimeData()).size(),
            ListedLines::itemsOfTab(*form_->document(), ListedLines::InstrumentTab, {}).size());
  // An addition ends the history: an earlier change put back would drop what it brought.
  ASSERT_TRUE(DropOnCollection(library, "mine (1)", *row));
  library.addPaths({dir_.File("demo.s2i")});
  EXPECT_FALSE(ActionOf(library, "Undo1")->isEnabled());
}

}  // namespace
