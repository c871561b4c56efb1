#include "library/LibraryStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "demo/DemoBank.h"
#include "library/LibraryAddition.h"
#include "library/LibraryQuery.h"
#include "library/LibrarySchema.h"
#include "model/Item.h"
#include "tests/library/LibraryTestSupport.h"

namespace {

class LibraryStoreTest : public testing::Test {
 protected:
  std::unique_ptr<Item> Program(ItemKind kind, const std::string& name, int category,
                                std::uint32_t seed) {
    std::unique_ptr<Item> item = CreateItem(kind);
    DemoBank::FillItem(*item, name, category, seed);
    return item;
  }

  std::int64_t Store(LibraryStore& store, const Item& item, bool* isNew = nullptr) {
    std::int64_t id = 0;
    bool added = false;
    EXPECT_EQ(store.BeginChange(), 0) << store.LastError();
    EXPECT_EQ(store.StoreProgram(item, id, added), 0) << store.LastError();
    EXPECT_EQ(store.CommitChange(), 0) << store.LastError();
    if (isNew != nullptr)
      *isNew = added;
    return id;
  }

  std::string Library() const { return dir_.File("library.sqlite"); }

  test::TempDir dir_;
};

// What is no library this program may change is refused with its reason, and its bytes stay.
TEST_F(LibraryStoreTest, RefusesWhatIsNoLibraryAndLeavesItsBytes) {
  const auto rawDatabase = [&](const std::string& sql) {
    std::string error;
    auto connection =
        SqliteConnection::Open(Library(), SqliteConnection::Mode::ReadWriteCreate, error);
    ASSERT_EQ(connection->Execute(sql.c_str()), 0) << connection->ErrorText();
  };
  const std::string newer = std::to_string(LibrarySchema::kVersion + 1);
  const struct {
    const char* what;
    std::function<void()> make;
    std::string refusal;
  } cases[] = {
      {"text", [&] { test::WriteBytes(Library(), std::vector<std::uint8_t>(5000, 'x')); },
       "not a Corvale library (file is not a database); it is left as it is"},
      {"another program's database", [&] { rawDatabase("CREATE TABLE notes(text)"); },
       "not a Corvale library (a database of another program); it is left as it is"},
      {"another program's empty database", [&] { rawDatabase("PRAGMA application_id = 7"); },
       "not a Corvale library (a database of another program); it is left as it is"},
      {"an empty database", [&] { rawDatabase("VACUUM"); },
       "not a Corvale library (a database of another program); it is left as it is"},
      {"a newer library",
       [&] {
         test::OpenLibrary(Library());
         rawDatabase("PRAGMA user_version = " + newer);
       },
       "written by a newer Corvale (library version " + newer + "; this one knows up to " +
           std::to_string(LibrarySchema::kVersion) + "); it is left as it is"},
  };
  for (const auto& [what, make, refusal] : cases) {
    std::filesystem::remove(Library());
    make();
    const std::vector<std::uint8_t> before = test::ReadBytes(Library());
    std::string error;
    EXPECT_EQ(LibraryStore::Open(Library(), error), nullptr) << what;
    EXPECT_EQ(error, refusal) << what;
    EXPECT_EQ(test::ReadBytes(Library()), before) << what;
  }
}

// A library of the first version, with a program in it, is brought up to date when opened,
// and its program is found through the search index the second version added.
TEST_F(LibraryStoreTest, AnOlderLibraryIsMigratedWithItsPrograms) {
  {
    std::string error;
    auto connection =
        SqliteConnection::Open(Library(), SqliteConnection::Mode::ReadWriteCreate, error);
    ASSERT_EQ(LibrarySchema::BringUpToDate(*connection, error, 1), 0) << error;
    ASSERT_EQ(
        connection->Execute(
            "INSERT INTO programs VALUES(7, 0, 'Old Pno', 'Pf', 'Old Pno\nPf\nInstrument', "
            "x'00', x'00', '2026-01-01T00:00:00Z');"
            "INSERT INTO collections VALUES(1, NULL, 1, 'b.s2a', '/b.s2a', ''), "
            "(2, NULL, 0, 'f', '/f', '');"
            "INSERT INTO collection_entries VALUES(1, 0, 7, 'int-inst', 0), (1, 1, 7, '', -1), "
            "(2, 0, 7, '', -1)"),
        0)
        << connection->ErrorText();
  }
  auto store = test::OpenLibrary(Library());
  ASSERT_NE(store, nullptr);
  SqliteStatement version = store->Connection().Prepare("PRAGMA user_version");
  ASSERT_TRUE(version.NextRow());
  EXPECT_EQ(version.Int(0), LibrarySchema::kVersion);
  ProgramFilter filter;
  filter.text = "old pno";
  std::vector<ListedProgram> rows;
  ASSERT_EQ(store->FetchPrograms(filter, {.limit = 10}, rows), 0) << store->LastError();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].program.id, 7);
  // A bank file gives every entry a slot: one without came by a drop. A folder's may not have.
  for (const auto& [collection, dropped] :
       {std::pair{1, std::vector<bool>{false, true}}, {2, std::vector<bool>{false}}}) {
    std::vector<CollectionEntry> entries;
    ASSERT_EQ(store->Entries(collection, entries), 0) << store->LastError();
    std::vector<bool> marks;
    for (const CollectionEntry& entry : entries)
      marks.push_back(entry.dropped);
    EXPECT_EQ(marks, dropped) << collection;
  }
  // The marks the fourth version added take the old program.
  const std::vector<std::int64_t> old{7};
  EXPECT_EQ(store->SetFavourite(old, true), 0) << store->LastError();
  EXPECT_EQ(store->AddTags(old, std::vector<std::string>{"vintage"}), 0) << store->LastError();
  filter.text = "fav: tag:vintage";
  std::int64_t count = 0;
  ASSERT_EQ(store->CountPrograms(filter, count), 0);
  EXPECT_EQ(count, 1);
}

TEST_F(LibraryStoreTest, ADamagedLibraryTakesNoAdditionAndKeepsItsBytes) {
  {
    auto store = test::OpenLibrary(Library());
    ASSERT_TRUE(test::WriteDemoFiles(dir_));
    LibraryAddition addition(*store);
    AdditionReport report;
    ASSERT_EQ(addition.Add(std::vector<std::string>{dir_.File("demo.s2a")}, report), 0);
  }
  std::vector<std::uint8_t> bytes = test::ReadBytes(Library());
  ASSERT_GT(bytes.size(), 40000u);
  std::fill(bytes.begin() + 20000, bytes.begin() + 40000, 0x55);  // pages of the tables
  test::WriteBytes(Library(), bytes);

  auto store = test::OpenLibrary(Library());
  ASSERT_NE(store, nullptr);
  LibraryAddition addition(*store);
  AdditionReport report;
  EXPECT_EQ(addition.Add(std::vector<std::string>{dir_.File("demo.s2v")}, report), -1);
  EXPECT_EQ(addition.Error().rfind("the library is damaged", 0), 0u) << addition.Error();
  store.reset();
  EXPECT_EQ(test::ReadBytes(Library()), bytes);
}

TEST_F(LibraryStoreTest, KeepsEachImageOnceWithItsPlacesAndItsSoundTwins) {
  auto store = test::OpenLibrary(Library());
  const auto piano = Program(ItemKind::Instrument, "Grand Pno", 1, 7);
  piano->Data()[100] = 0x7F;
  auto renamed = Program(ItemKind::Instrument, "Other Name", 1, 7);
  renamed->Data()[100] = 0x7F;
  auto highBit = Program(ItemKind::Instrument, "Grand Pno", 1, 7);
  highBit->Data()[100] = 0xFF;  // goes to the synthesizer as 7F: the same program

  bool isNew = false;
  const std::int64_t id = Store(*store, *piano, &isNew);
  EXPECT_TRUE(isNew);
  EXPECT_EQ(Store(*store, *piano, &isNew), id);
  EXPECT_FALSE(isNew);
  EXPECT_EQ(Store(*store, *highBit, &isNew), id);
  EXPECT_FALSE(isNew);
  const std::int64_t twin = Store(*store, *renamed, &isNew);
  EXPECT_TRUE(isNew);

  ProgramImage image;
  ASSERT_EQ(store->ReadImage(id, image), 0);
  EXPECT_EQ(image.kind, ItemKind::Instrument);
  EXPECT_EQ(image.image, test::ImageOf(*piano));
  std::vector<ProgramRow> same;
  ASSERT_EQ(store->SameSound(id, same), 0);
  ASSERT_EQ(same.size(), 1u);
  EXPECT_EQ(same[0].id, twin);
  EXPECT_EQ(same[0].name, "Other Name");

  ASSERT_EQ(store->BeginChange(), 0);
  const ProgramPlace place{ProgramPlace::Origin::File, "/banks/a.s2a", "int-inst", 4, ""};
  for (int twice = 0; twice < 2; ++twice)
    ASSERT_EQ(store->AddPlace(id, place), 0);
  ASSERT_EQ(store->CommitChange(), 0);
  std::int64_t received = 0;
  ASSERT_EQ(store->AddReceived(*piano, "2026-12-01T10:00:00Z", received), 0);
  EXPECT_EQ(received, id);
  std::vector<ProgramPlace> places;
  ASSERT_EQ(store->Places(id, places), 0);
  ASSERT_EQ(places.size(), 2u);
  EXPECT_EQ(places[0].path, "/banks/a.s2a");
  EXPECT_EQ(places[0].slot, 4);
  EXPECT_EQ(places[1].origin, ProgramPlace::Origin::Received);
  EXPECT_EQ(places[1].seenAt, "2026-12-01T10:00:00Z");
}

TEST_F(LibraryStoreTest, FiltersCountAndPageTheRows) {
  auto store = test::OpenLibrary(Library());
  const struct {
    ItemKind kind;
    const char* name;
  } programs[] = {{ItemKind::Instrument, "Grand Pno"}, {ItemKind::Instrument, "50% Mix"},
                  {ItemKind::Instrument, "500 Mix"},   {ItemKind::Performance, "Pno Split"},
                  {ItemKind::Percussion, "Std Kit"},   {ItemKind::Instrument, "bright pno"}};
  std::uint32_t seed = 1;
  for (const auto& [kind, name] : programs)
    Store(*store, *Program(kind, name, 1, seed++));

  const struct {
    std::string text;
    std::optional<ItemKind> kind;
    bool descending;
    std::vector<std::string> names;
  } cases[] = {
      {"PNO", std::nullopt, false, {"bright pno", "Grand Pno", "Pno Split"}},
      {"pno perf", std::nullopt, false, {"Pno Split"}},
      {"pno", ItemKind::Instrument, true, {"Grand Pno", "bright pno"}},
      {"50%", std::nullopt, false, {"50% Mix"}},
      {"kit percussion", std::nullopt, false, {"Std Kit"}},
      {"pf: mix", std::nullopt, false, {}},
      {"Mi 50", std::nullopt, false, {"50% Mix", "500 Mix"}},
      {"\"pno", std::nullopt, false, {}},
  };
  for (const auto& [text, kind, descending, names] : cases) {
    ProgramFilter filter;
    filter.text = text;
    filter.kind = kind;
    filter.descending = descending;
    std::int64_t count = -1;
    std::vector<ListedProgram> rows;
    ASSERT_EQ(store->CountPrograms(filter, count), 0);
    ASSERT_EQ(store->FetchPrograms(filter, {.limit = 100}, rows), 0);
    std::vector<std::string> found;
    for (const ListedProgram& row : rows)
      found.push_back(row.program.name);
    EXPECT_EQ(found, names) << text;
    EXPECT_EQ(count, static_cast<std::int64_t>(names.size())) << text;
  }
  // Pages of two cover every row once, in order.
  ProgramFilter all;
  std::vector<std::string> paged;
  std::vector<ListedProgram> page;
  for (std::int64_t offset = 0;
       store->FetchPrograms(all, {.skip = offset, .limit = 2}, page) == 0 && !page.empty();
       offset += 2) {
    for (const ListedProgram& row : page)
      paged.push_back(row.program.name);
  }
  EXPECT_EQ(paged, (std::vector<std::string>{"50% Mix", "500 Mix", "bright pno", "Grand Pno",
                                             "Pno Split", "Std Kit"}));
}

// The longest search a query takes is looked for, with words for the index, short words and
// tags alike; one word more is refused in words, not with SQLite's "Expression tree is too
// large", which would read as a damaged library.
TEST_F(LibraryStoreTest, ASearchTooLongForTheQuerySaysSo) {
  auto store = test::OpenLibrary(Library());
  Store(*store, *Program(ItemKind::Instrument, "Grand Pno", 1, 1));
  const auto words = [](std::size_t count, const std::string& word) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
      text += word + ' ';
    return text;
  };
  const std::size_t most = LibraryQuery::kMostFilterWords;
  const struct {
    std::string text;
    std::size_t tags;
    std::int64_t found;  // -1: refused
  } cases[] = {
      {words(most, "pno"), 0, 1},
      {words(most, "pn"), 0, 1},
      {words(most / 2, "grand") + words(most / 2 - 1, "p"), 1, 0},
      {words(most + 1, "pno"), 0, -1},
      {words(most, "p"), 1, -1},
      {words(1000, "pno") + words(1000, "pn"), 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.size());
    ProgramFilter filter;
    filter.text = c.text;
    filter.tags.assign(c.tags, "pads");
    std::int64_t count = -1;
    std::vector<ListedProgram> rows;
    std::size_t visited = 0;
    const bool refused = c.found < 0;
    EXPECT_EQ(store->CountPrograms(filter, count), refused ? -1 : 0) << store->LastError();
    EXPECT_EQ(store->FetchPrograms(filter, {.limit = 10}, rows), refused ? -1 : 0);
    EXPECT_EQ(store->ForEachFound(filter, [&](const ListedProgram&) { ++visited; }),
              refused ? -1 : 0);
    if (refused) {
      EXPECT_EQ(store->LastError(), "a search of " +
                                        std::to_string(LibraryQuery::FilterWordCount(filter)) +
                                        " words and tags is too long: at most " +
                                        std::to_string(most) + " are looked for at once");
    } else {
      EXPECT_EQ(count, c.found);
      EXPECT_EQ(rows.size(), static_cast<std::size_t>(c.found));
      EXPECT_EQ(visited, static_cast<std::size_t>(c.found));
    }
  }
}

// A full disk, made by a page limit: the addition fails, nothing of it lands, and what the
// library held stays.
TEST_F(LibraryStoreTest, AFullDiskFailsTheAdditionAndKeepsTheRest) {
  ASSERT_TRUE(test::WriteDemoFiles(dir_));
  auto store = test::OpenLibrary(Library());
  LibraryAddition addition(*store);
  AdditionReport report;
  ASSERT_EQ(addition.Add(std::vector<std::string>{dir_.File("demo.s2i")}, report), 0);
  const std::vector<std::int64_t> before = test::Counts(*store);

  SqliteStatement pages = store->Connection().Prepare("PRAGMA page_count");
  ASSERT_TRUE(pages.NextRow());
  const std::string limit = "PRAGMA max_page_count = " + std::to_string(pages.Int(0) + 3);
  pages = SqliteStatement();
  ASSERT_EQ(store->Connection().Execute(limit.c_str()), 0);
  EXPECT_EQ(addition.Add(std::vector<std::string>{dir_.File("demo.s2a")}, report), -1);
  EXPECT_NE(addition.Error().find("database or disk is full"), std::string::npos)
      << addition.Error();
  EXPECT_NE(addition.Error().find("nothing of this addition was kept"), std::string::npos);
  EXPECT_EQ(test::Counts(*store), before);

  store.reset();
  store = test::OpenLibrary(Library());
  EXPECT_EQ(test::Counts(*store), before);
  LibraryAddition again(*store);
  EXPECT_EQ(again.Add(std::vector<std::string>{dir_.File("demo.s2a")}, report), 0);
  EXPECT_EQ(report.newPrograms, 451u);  // all but the kit of demo.s2i
}

}  // namespace
