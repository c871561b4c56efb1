#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <numeric>
#include <tuple>

#include "app/library/AdditionProgressDialog.h"
#include "app/library/ProgramTableModel.h"
#include "tests/app/library/LibraryWindowFixture.h"

namespace {

using Column = ProgramTableModel::Column;

TEST_F(LibraryWindowTest, ListsSearchesAndSortsThePrograms) {
  const struct {
    ItemKind kind;
    const char* name;
  } programs[] = {{ItemKind::Instrument, "Grand Pno"},
                  {ItemKind::Instrument, "50% Mix"},
                  {ItemKind::Performance, "Pno Split"},
                  {ItemKind::Percussion, "Std Kit"},
                  {ItemKind::Instrument, "bright pno"}};
  std::uint32_t seed = 1;
  std::vector<std::int64_t> ids;
  for (const auto& [kind, name] : programs)
    ids.push_back(StoreProgram(kind, name, seed++));
  {
    // Grand Pno and Std Kit marked; 50% Mix and bright pno tagged, the latter twice.
    const std::unique_ptr<LibraryStore> store = test::OpenLibrary(LibraryPath());
    ASSERT_EQ(store->SetFavourite(std::vector<std::int64_t>{ids[0], ids[3]}, true), 0);
    ASSERT_EQ(
        store->AddTags(std::vector<std::int64_t>{ids[1], ids[4]}, std::vector<std::string>{"Pads"}),
        0);
    ASSERT_EQ(store->AddTags(std::vector<std::int64_t>{ids[4]}, std::vector<std::string>{"warm"}),
              0);
    std::int64_t bank = 0;
    ASSERT_EQ(store->StoreCollection(0, CollectionRow::Kind::BankFile, "/banks/a.s2a", bank), 0);
    const CollectionEntry entries[] = {{ids[0], "", -1}, {ids[3], "", -1}};
    ASSERT_EQ(store->ReplaceEntries(bank, entries), 0);
  }
  LibraryWindow& library = ShowLibrary();
  EXPECT_TRUE(library.isVisible());
  EXPECT_EQ(library.windowTitle(), "Library");
  EXPECT_EQ(Child<QLineEdit>(library, "LibrarySearch")->placeholderText(),
            "Find name, category or kind");
  EXPECT_EQ(Child<QTreeWidget>(library, "TreeView1")->topLevelItem(0)->text(0), "All Programs");
  auto* table = Child<QTableView>(library, "ProgramTable");
  QStringList headers;
  for (int column = 0; column < Column::ColumnCount; ++column)
    headers << table->model()->headerData(column, Qt::Horizontal).toString();
  EXPECT_EQ(headers, QStringList({"\u2605", "Name", "Category", "Kind", "Place", "Sources", "Tags",
                                  "Added"}));

  const struct {
    const char* typed;
    int category;    // in the category list; 0 for all
    int sortColumn;  // -1: as listed
    Qt::SortOrder order;
    int shownColumn;
    QStringList shown;
  } cases[] = {
      {"",
       0,
       -1,
       Qt::AscendingOrder,
       Column::NameColumn,
       {"50% Mix", "bright pno", "Grand Pno", "Pno Split", "Std Kit"}},
      {"pno",
       0,
       -1,
       Qt::AscendingOrder,
       Column::NameColumn,
       {"bright pno", "Grand Pno", "Pno Split"}},
      {"pno",
       0,
       Column::NameColumn,
       Qt::DescendingOrder,
       Column::NameColumn,
       {"Pno Split", "Grand Pno", "bright pno"}},
      {"perf", 0, -1, Qt::AscendingOrder, Column::NameColumn, {"Pno Split"}},
      {"",
       0,
       Column::KindColumn,
       Qt::DescendingOrder,
       Column::KindColumn,
       {"Performance", "Percussion", "Instrument", "Instrument", "Instrument"}},
      {"kit", 0, -1, Qt::AscendingOrder, Column::SourcesColumn, {"0"}},
      {"nothing like it", 0, -1, Qt::AscendingOrder, Column::NameColumn, {}},
      // Marks and tags: searched, shown and sorted.
      {"fav:",
       0,
       Column::NameColumn,
       Qt::AscendingOrder,
       Column::NameColumn,
       {"Grand Pno", "Std Kit"}},
      {"FAV: pno", 0, Column::NameColumn, Qt::AscendingOrder, Column::FavouriteColumn, {"\u2605"}},
      {"tag:pads",
       0,
       Column::NameColumn,
       Qt::AscendingOrder,
       Column::NameColumn,
       {"50% Mix", "bright pno"}},
      {"tag:PADS tag:warm",
       0,
       Column::NameColumn,
       Qt::AscendingOrder,
       Column::TagsColumn,
       {"Pads, warm"}},
      {"",
       0,
       Column::FavouriteColumn,
       Qt::DescendingOrder,
       Column::NameColumn,
       {"Std Kit", "Grand Pno", "Pno Split", "bright pno", "50% Mix"}},
      {"",
       0,
       Column::TagsColumn,
       Qt::DescendingOrder,
       Column::NameColumn,
       {"bright pno", "50% Mix", "Std Kit", "Pno Split", "Grand Pno"}},
      // The category list (after All Categories, "--" and "Pf"): one category's programs.
      {"",
       2,
       Column::NameColumn,
       Qt::AscendingOrder,
       Column::NameColumn,
       {"50% Mix", "bright pno", "Grand Pno", "Pno Split", "Std Kit"}},
      {"", 1, Column::NameColumn, Qt::AscendingOrder, Column::NameColumn, {}},
  };
  auto* search = Child<QLineEdit>(library, "LibrarySearch");
  auto* categories = Child<QComboBox>(library, "LibraryCategory");
  for (const auto& c : cases) {
    search->clear();
    categories->setCurrentIndex(c.category);
    QTest::keyClicks(search, QString::fromUtf8(c.typed));
    if (c.sortColumn >= 0)
      table->sortByColumn(c.sortColumn, c.order);
    EXPECT_EQ(Column(library, c.shownColumn), c.shown) << c.typed << " " << c.sortColumn;
  }
  // Another collection keeps the category chosen ("--": none of its programs).
  search->clear();
  Child<QTreeWidget>(library, "TreeView1")
      ->setCurrentItem(Child<QTreeWidget>(library, "TreeView1")->topLevelItem(1));
  EXPECT_EQ(Column(library, Column::NameColumn), QStringList());
  categories->setCurrentIndex(2);
  EXPECT_EQ(Column(library, Column::NameColumn), QStringList({"Grand Pno", "Std Kit"}));
}

TEST_F(LibraryWindowTest, ReadsALongListAPageAtATime) {
  const std::unique_ptr<LibraryStore> store = test::OpenLibrary(LibraryPath());
  ASSERT_EQ(store->BeginChange(), 0);
  const int count = ProgramTableModel::kPageSize * ProgramTableModel::kPagesKept + 50;
  for (int i = 0; i < count; ++i) {
    const std::unique_ptr<Item> item = CreateItem(ItemKind::Instrument);
    char name[16];
    std::snprintf(name, sizeof name, "P%04d", i);
    DemoBank::FillItem(*item, name, 1, static_cast<std::uint32_t>(i + 1));
    std::int64_t id = 0;
    bool isNew = false;
    ASSERT_EQ(store->StoreProgram(*item, id, isNew), 0);
  }
  ASSERT_EQ(store->CommitChange(), 0);
  const QAbstractItemModel* model = Child<QTableView>(ShowLibrary(), "ProgramTable")->model();
  ASSERT_EQ(model->rowCount(), count);
  // Back and forth across pages, past the number kept.
  for (const int row : {0, count - 1, 99, 100, 1, count - 51, 0, 555})
    EXPECT_EQ(model->index(row, Column::NameColumn).data().toString(),
              QStringLiteral("P%1").arg(row, 4, 10, QChar(u'0')));
}

// Wherever a page is read from (the row before, the row after, either end, a jump), the table
// gives every row once, in the filter's order: equal names in any letter case by number, a program
// twice in a collection by its position. Each sort, either way, over more pages than are kept.
TEST_F(LibraryWindowTest, EveryRowComesOnceInOrderWhereverItsPageIsReadFrom) {
  const std::unique_ptr<LibraryStore> store = test::OpenLibrary(LibraryPath());
  const char* const names[] = {"Pad", "pad", "PAD", "Bass", "bass", "Keys", "keys 2"};
  const int programs = ProgramTableModel::kPageSize * ProgramTableModel::kPagesKept + 130;
  std::vector<CollectionEntry> entries;
  ASSERT_EQ(store->BeginChange(), 0);
  for (int i = 0; i < programs; ++i) {
    const std::unique_ptr<Item> item = CreateItem(static_cast<ItemKind>(i % kItemKindCount));
    DemoBank::FillItem(*item, names[i % std::size(names)], 1 + i % 4,
                       static_cast<std::uint32_t>(i + 1));
    std::int64_t id = 0;
    bool isNew = false;
    ASSERT_EQ(store->StoreProgram(*item, id, isNew), 0);
    // The collection holds them last first, every seventh twice.
    entries.insert(entries.begin(), i % 7 == 0 ? 2 : 1, CollectionEntry{id, "", -1});
  }
  std::int64_t collection = 0;
  ASSERT_EQ(store->StoreCollection(0, CollectionRow::Kind::Folder, "/banks", collection), 0);
  ASSERT_EQ(store->ReplaceEntries(collection, entries), 0);
  ASSERT_EQ(store->CommitChange(), 0);

  using Sort = ProgramFilter::Sort;
  for (const Sort sort : {Sort::Name, Sort::Category, Sort::Kind, Sort::Added, Sort::Position}) {
    for (const bool inCollection : {false, true}) {
      ProgramFilter filter;
      filter.sort = sort;
      if (inCollection)
        filter.collection = collection;
      // The order expected, from the rows' own values.
      std::vector<ListedProgram> rows;
      ASSERT_EQ(
          store->ForEachFound(filter, [&rows](const ListedProgram& row) { rows.push_back(row); }),
          0);
      const auto key = [sort, inCollection](const ListedProgram& row) {
        QString name = QString::fromStdString(row.program.name).toLower();
        const std::string& category = sort == Sort::Category ? row.program.category : "";
        const std::string& added = sort == Sort::Added ? row.program.addedAt : "";
        const int kind = sort == Sort::Kind ? static_cast<int>(row.program.kind) : 0;
        if (sort == Sort::Added || sort == Sort::Position)
          name.clear();
        const std::int64_t id =
            sort == Sort::Position && inCollection ? row.position : row.program.id;
        return std::tuple(category, added, kind, name, id, row.position);
      };
      std::sort(rows.begin(), rows.end(),
                [&key](const ListedProgram& a, const ListedProgram& b) { return key(a) < key(b); });
      for (const bool descending : {false, true}) {
        filter.descending = descending;
        std::vector<std::int64_t> expected;
        for (const ListedProgram& row : rows)
          expected.push_back(row.program.id);
        if (descending)
          std::reverse(expected.begin(), expected.end());
        const int count = static_cast<int>(expected.size());
        std::vector<int> forward(count);
        std::iota(forward.begin(), forward.end(), 0);
        const std::vector<int> backward(forward.rbegin(), forward.rend());
        std::vector<int> jumps;
        for (int step = 0; step < 40; ++step)
          jumps.push_back(step * 337 % count);
        for (const std::vector<int>& order : {forward, backward, jumps}) {
          ProgramTableModel model;
          model.setStore(store.get());
          model.setFilter(filter);
          ASSERT_EQ(model.rowCount(), count);
          std::vector<std::int64_t> shown;
          std::vector<std::int64_t> wanted;
          for (const int row : order) {
            shown.push_back(model.programId(row));
            wanted.push_back(expected[static_cast<std::size_t>(row)]);
          }
          EXPECT_EQ(shown, wanted)
              << "sort " << static_cast<int>(sort) << (inCollection ? " in the collection" : "")
              << (descending ? " descending" : "") << ", rows read from " << order.front();
        }
      }
    }
  }
}

TEST_F(LibraryWindowTest, ARefusedLibraryIsToldOfAndLeftAsItWas) {
  const std::vector<std::uint8_t> bytes(5000, 'x');
  test::WriteBytes(LibraryPath(), bytes);
  LibraryWindow& library = ShowLibrary();
  ASSERT_EQ(dialogs_.requests.size(), 1u);
  EXPECT_EQ(dialogs_.requests[0].kind, ScriptedDialogs::Kind::Error);
  EXPECT_EQ(dialogs_.requests[0].title, "Library");
  // The box names the file.
  EXPECT_TRUE(dialogs_.requests[0].text.startsWith(QString::fromStdString(LibraryPath()) +
                                                   ": not a Corvale library"))
      << dialogs_.requests[0].text.toStdString();
  EXPECT_TRUE(library.isVisible());
  EXPECT_EQ(Child<QTreeWidget>(library, "TreeView1")->topLevelItemCount(), 1);
  EXPECT_EQ(Child<QTableView>(library, "ProgramTable")->model()->rowCount(), 0);
  for (const char* name : {"AddFiles1", "AddFolder1", "AddDocument1", "NewBankWindow1"})
    EXPECT_FALSE(ActionOf(library, name)->isEnabled()) << name;
  // Typed into and shown again: still nothing written.
  QTest::keyClicks(Child<QLineEdit>(library, "LibrarySearch"), "pno");
  library.close();
  ShowLibrary();
  EXPECT_EQ(dialogs_.requests.size(), 2u);
  EXPECT_EQ(test::ReadBytes(LibraryPath()), bytes);
}

// The steps each addition's progress showed, as (files done, files in all).
class AdditionSteps {
 public:
  explicit AdditionSteps(LibraryWindow& library, int cancelAt = -1) {
    QObject::connect(&library, &LibraryWindow::additionStarting, &library,
                     [this, cancelAt](QObject* dialog) {
                       auto* progress = qobject_cast<AdditionProgressDialog*>(dialog);
                       QObject::connect(progress, &AdditionProgressDialog::stepShown, progress,
                                        [this, progress, cancelAt](int done, int total) {
                                          steps << QStringLiteral("%1/%2").arg(done).arg(total);
                                          if (done == cancelAt)
                                            progress->findChild<QPushButton*>()->click();
                                        });
                     });
  }
  QStringList steps;
};

TEST_F(LibraryWindowTest, AddsFilesAndFoldersWithTheirProgressAndASummary) {
  const std::string folder = dir_.File("more");
  std::filesystem::create_directory(folder);
  std::filesystem::copy_file(dir_.File("demo.s2i"), folder + "/kit.s2i");
  test::WriteBytes(folder + "/broken.s2i", std::vector<std::uint8_t>(40, 0x55));
  LibraryWindow& library = ShowLibrary();
  AdditionSteps progress(library);
  const struct {
    const char* action;
    QString path;
    QString status;
    QStringList steps;
    int rows;
    QString skipped;  // in the status's details
  } cases[] = {
      {"AddFiles1",
       PathOf("demo.s2i"),
       "Added 1 new program, 0 already known; 0 files skipped",
       {"0/1", "1/1"},
       1,
       ""},
      {"AddFolder1",
       QString::fromStdString(folder),
       "Added 0 new programs, 1 already known; 1 file skipped",
       {"0/2", "1/2", "2/2"},
       1,
       QString::fromStdString(folder + "/broken.s2i: ")},
      {"AddFiles1",
       PathOf("demo.syx"),
       "Added 1 new program, 0 already known; 0 files skipped",
       {"0/1", "1/1"},
       2,
       ""},
  };
  for (const auto& c : cases) {
    progress.steps.clear();
    dialogs_.paths.push_back(c.path);
    ActionOf(library, c.action)->trigger();
    EXPECT_EQ(library.statusText(), c.status) << c.action;
    EXPECT_EQ(progress.steps, c.steps) << c.action;
    EXPECT_EQ(Child<QTableView>(library, "ProgramTable")->model()->rowCount(), c.rows);
    EXPECT_TRUE(Child<QLabel>(library, "LibraryStatus")->toolTip().contains(c.skipped));
  }
  EXPECT_EQ(dialogs_.requests[0].title, "Add Files");
  EXPECT_EQ(dialogs_.requests[1].kind, ScriptedDialogs::Kind::Folder);
  // The folder became a collection.
  auto* tree = Child<QTreeWidget>(library, "TreeView1");
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_EQ(tree->topLevelItem(1)->text(0), "more (1)");
}

TEST_F(LibraryWindowTest, ACancelledAdditionKeepsNothing) {
  StoreProgram(ItemKind::Instrument, "Kept", 7);
  const std::vector<std::int64_t> before = test::Counts(*test::OpenLibrary(LibraryPath()));
  LibraryWindow& library = ShowLibrary();
  AdditionSteps progress(library, 2);
  dialogs_.paths.push_back(QString::fromStdString(dir_.Path()));
  ActionOf(library, "AddFolder1")->trigger();
  EXPECT_EQ(progress.steps, QStringList({"0/5", "1/5", "2/5"}));
  EXPECT_EQ(library.statusText(), "Addition canceled: nothing added");
  EXPECT_EQ(Column(library, Column::NameColumn), QStringList({"Kept"}));
  EXPECT_EQ(Child<QTreeWidget>(library, "TreeView1")->topLevelItemCount(), 1);
  EXPECT_EQ(test::Counts(*test::OpenLibrary(LibraryPath())), before);
}

// The addition reads its files on a thread of its own while the bank window, outside the
// progress dialog's reach, opens damaged files on the GUI thread: each tells its own files'
// reasons, none of the other's.
TEST_F(LibraryWindowTest, BankWindowOpensDuringAnAdditionTellTheirOwnReasons) {
  const auto writeDamaged = [&](const std::string& folder) {
    std::filesystem::create_directory(folder);
    QStringList paths;
    for (int i = 0; i < 6; ++i) {
      paths << QString::fromStdString(folder + "/bad-" + std::to_string(i) + ".s2a");
      test::WriteBytes(paths.back().toStdString(), std::vector<std::uint8_t>(64 + i, 0x55));
    }
    return paths;
  };
  const auto unknownFormat = [](const QString& path) {
    return "Error: \"" + path + "\" Has Unknown format.";
  };
  const std::string adding = dir_.File("adding");
  const QStringList added = writeDamaged(adding);
  for (int i = 0; i < 4; ++i)
    std::filesystem::copy_file(dir_.File("demo.s2a"),
                               adding + "/demo-" + std::to_string(i) + ".s2a");
  const QStringList opened = writeDamaged(dir_.File("opening"));
  LibraryWindow& library = ShowLibrary();

  int opens = 0;
  QStringList wrong;
  QTimer opener;
  QObject::connect(&opener, &QTimer::timeout, [&] {
    const QString& path = opened[opens++ % opened.size()];
    dialogs_.paths.push_back(path);
    command::open(*form_);
    const QString expected = path.section(u'/', -1) + ": " + unknownFormat(path);
    if (form_->statusReason() != expected)
      wrong << form_->statusReason();
  });
  opener.start(0);
  dialogs_.paths.push_back(QString::fromStdString(adding));
  ActionOf(library, "AddFolder1")->trigger();
  opener.stop();

  EXPECT_GT(opens, 0);
  EXPECT_EQ(wrong, QStringList());
  EXPECT_TRUE(library.statusText().endsWith("; 6 files skipped"))
      << library.statusText().toStdString();
  QStringList skipped;
  for (const QString& path : added)
    skipped << path + ": could not be loaded: " + unknownFormat(path);
  EXPECT_EQ(Child<QLabel>(library, "LibraryStatus")->toolTip(), skipped.join(u'\n'));
}

}  // namespace
