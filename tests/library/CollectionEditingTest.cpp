#include "library/CollectionEditing.h"

#include <gtest/gtest.h>

#include <functional>

#include "demo/DemoBank.h"
#include "model/Item.h"
#include "tests/library/LibraryTestSupport.h"

namespace {

// Every row of the tables a collection change touches, as text: equal dumps are equal tables.
std::vector<std::string> Dump(LibraryStore& store) {
  std::vector<std::string> lines;
  for (const char* sql : {
           "SELECT id||'|'||kind||'|'||name||'|'||category||'|'||search||'|'||"
           "hex(image_fingerprint)||'|'||hex(sound_fingerprint)||'|'||added_at FROM programs "
           "ORDER BY id",
           "SELECT program_id||'|'||hex(image) FROM program_images ORDER BY program_id",
           "SELECT id||'|'||ifnull(parent_id,'-')||'|'||kind||'|'||name||'|'||path||'|'||added_at "
           "FROM collections ORDER BY id",
           "SELECT collection_id||'|'||position||'|'||program_id||'|'||bank||'|'||slot "
           "FROM collection_entries ORDER BY collection_id, position",
       }) {
    SqliteStatement rows = store.Connection().Prepare(sql);
    while (rows.NextRow())
      lines.push_back(rows.Text(0));
    EXPECT_FALSE(rows.Failed()) << sql;
  }
  return lines;
}

// Whether the search index holds each program once, as the programs table says.
bool IndexMatches(LibraryStore& store) {
  return store.Connection().Execute(
             "INSERT INTO programs_fts(programs_fts, rank) VALUES('integrity-check', 1)") == 0;
}

// What the search finds for each program name.
std::vector<std::int64_t> Found(LibraryStore& store) {
  std::vector<std::int64_t> counts;
  for (const char* name : {"Alpha", "Bravo", "Charlie", "Delta", "Echo"}) {
    ProgramFilter filter;
    filter.text = name;
    std::int64_t count = -1;
    EXPECT_EQ(store.CountPrograms(filter, count), 0) << store.LastError();
    counts.push_back(count);
  }
  return counts;
}

struct Library {
  std::int64_t alpha = 0, bravo = 0, charlie = 0, delta = 0, echo = 0;
  std::int64_t folder = 0, bank = 0, other = 0;
};

// Alpha, Bravo, Charlie, Delta and Echo in "folder" in that order; Charlie also in "bank.s2v"
// under it, Alpha also in "other"; Bravo seen in a file; Delta and Echo held by "folder" alone,
// Delta the first program stored and Echo the last.
Library Fill(LibraryStore& store) {
  Library ids;
  EXPECT_EQ(store.BeginChange(), 0) << store.LastError();
  std::uint32_t seed = 1;
  for (auto [name, id] : {std::pair{"Delta", &ids.delta},
                          {"Alpha", &ids.alpha},
                          {"Bravo", &ids.bravo},
                          {"Charlie", &ids.charlie},
                          {"Echo", &ids.echo}}) {
    const std::unique_ptr<Item> item = CreateItem(ItemKind::Instrument);
    DemoBank::FillItem(*item, name, 1, seed++);
    bool isNew = false;
    EXPECT_EQ(store.StoreProgram(*item, *id, isNew), 0) << store.LastError();
  }
  EXPECT_EQ(store.AddPlace(ids.bravo, {ProgramPlace::Origin::File, "/b.s2i", "", -1, "t"}), 0);
  using Kind = CollectionRow::Kind;
  EXPECT_EQ(store.StoreCollection(0, Kind::Folder, "/lib/folder", ids.folder), 0);
  EXPECT_EQ(store.StoreCollection(ids.folder, Kind::BankFile, "/lib/folder/bank.s2v", ids.bank), 0);
  EXPECT_EQ(store.StoreCollection(0, Kind::Folder, "/lib/other", ids.other), 0);
  const std::vector<CollectionEntry> folder{{ids.alpha, "", -1},
                                            {ids.bravo, "", -1},
                                            {ids.charlie, "", -1},
                                            {ids.delta, "", -1},
                                            {ids.echo, "", -1}};
  const std::vector<CollectionEntry> bank{{ids.charlie, "int-inst", 5}};
  const std::vector<CollectionEntry> other{{ids.alpha, "", -1}};
  EXPECT_EQ(store.ReplaceEntries(ids.folder, folder), 0);
  EXPECT_EQ(store.ReplaceEntries(ids.bank, bank), 0);
  EXPECT_EQ(store.ReplaceEntries(ids.other, other), 0);
  EXPECT_EQ(store.CommitChange(), 0) << store.LastError();
  return ids;
}

// Each change does what it says and keeps what undoing it needs: Restore gives back every row
// as it was, entries in their order, and what the search finds.
TEST(CollectionEditingTest, ChangesAndPutsBackExactly) {
  using Change = std::function<int(CollectionEditing&, const Library&, CollectionSnapshot&)>;
  const struct {
    const char* what;
    Change change;
    std::vector<std::int64_t> counts;  // Counts() after the change
    std::vector<std::int64_t> found;   // Alpha, Bravo, Charlie, Delta, Echo after the change
    std::string folderName;            // "" when the folder is gone
  } cases[] = {
      {"rename",
       [](CollectionEditing& e, const Library& l, CollectionSnapshot& s) {
         return e.Rename(l.folder, "Renamed", s);
       },
       {5, 5, 1, 1, 3, 7},
       {1, 1, 1, 1, 1},
       "Renamed"},
      {"remove one held elsewhere, one seen in a file, one in the bank under it",
       [](CollectionEditing& e, const Library& l, CollectionSnapshot& s) {
         const std::int64_t ids[] = {l.alpha, l.bravo, l.charlie};
         return e.RemovePrograms(l.folder, ids, s);
       },
       {5, 5, 1, 1, 3, 4},
       {1, 1, 1, 1, 1},
       "folder"},
      {"remove the two held by nothing else, the first stored and the last",
       [](CollectionEditing& e, const Library& l, CollectionSnapshot& s) {
         const std::int64_t ids[] = {l.delta, l.echo};
         return e.RemovePrograms(l.folder, ids, s);
       },
       {3, 3, 1, 1, 3, 5},
       {1, 1, 1, 0, 0},
       "folder"},
      {"remove from the bank: Charlie stays in the folder",
       [](CollectionEditing& e, const Library& l, CollectionSnapshot& s) {
         const std::int64_t ids[] = {l.charlie};
         return e.RemovePrograms(l.bank, ids, s);
       },
       {5, 5, 1, 1, 3, 6},
       {1, 1, 1, 1, 1},
       "folder"},
      {"append to the bank one program it does not hold, one the folder holds",
       [](CollectionEditing& e, const Library& l, CollectionSnapshot& s) {
         const std::unique_ptr<Item> foxtrot = CreateItem(ItemKind::Instrument);
         DemoBank::FillItem(*foxtrot, "Foxtrot", 1, 99);
         const std::unique_ptr<Item> delta = CreateItem(ItemKind::Instrument);
         DemoBank::FillItem(*delta, "Delta", 1, 1);
         const Item* const items[] = {foxtrot.get(), delta.get()};
         return e.AppendPrograms(l.bank, items, s);
       },
       {6, 6, 1, 1, 3, 9},
       {1, 1, 1, 1, 1},
       "folder"},
      {"delete the folder and the bank under it",
       [](CollectionEditing& e, const Library& l, CollectionSnapshot& s) {
         return e.Delete(l.folder, s);
       },
       {5, 5, 1, 1, 1, 1},
       {1, 1, 1, 1, 1},
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    const std::unique_ptr<LibraryStore> store = test::OpenLibrary(dir.File("library.sqlite"));
    const Library ids = Fill(*store);
    const std::vector<std::string> before = Dump(*store);
    std::vector<CollectionEntry> folderBefore;
    ASSERT_EQ(store->Entries(ids.folder, folderBefore), 0);
    CollectionEditing editing(*store);
    CollectionSnapshot snapshot;
    ASSERT_EQ(c.change(editing, ids, snapshot), 0) << editing.LastError();
    EXPECT_EQ(test::Counts(*store), c.counts);
    EXPECT_EQ(Found(*store), c.found);
    EXPECT_TRUE(IndexMatches(*store)) << store->Connection().ErrorText();
    CollectionRow folder;
    EXPECT_EQ(store->FindCollection("/lib/folder", folder) == 0 ? folder.name : "", c.folderName);

    ASSERT_EQ(editing.Restore(snapshot), 0) << editing.LastError();
    EXPECT_EQ(Dump(*store), before);
    EXPECT_EQ(Found(*store), (std::vector<std::int64_t>{1, 1, 1, 1, 1}));
    EXPECT_TRUE(IndexMatches(*store)) << store->Connection().ErrorText();
    std::vector<CollectionEntry> folderAfter;
    ASSERT_EQ(store->Entries(ids.folder, folderAfter), 0);
    ASSERT_EQ(folderAfter.size(), folderBefore.size());
    for (std::size_t i = 0; i < folderBefore.size(); ++i)
      EXPECT_EQ(folderAfter[i].programId, folderBefore[i].programId) << i;
  }
}

// A change that cannot be made changes nothing and says why.
TEST(CollectionEditingTest, RefusesWhatItCannotChange) {
  test::TempDir dir;
  const std::unique_ptr<LibraryStore> store = test::OpenLibrary(dir.File("library.sqlite"));
  const Library ids = Fill(*store);
  const std::vector<std::string> before = Dump(*store);
  CollectionEditing editing(*store);
  CollectionSnapshot snapshot;
  EXPECT_EQ(editing.Rename(ids.folder, "", snapshot), -1);
  EXPECT_EQ(editing.LastError(), "a collection needs a name");
  EXPECT_EQ(editing.Rename(999, "x", snapshot), -1);
  EXPECT_EQ(editing.LastError(), "no collection 999 in the library");
  EXPECT_EQ(editing.Delete(999, snapshot), -1);
  EXPECT_EQ(Dump(*store), before);
  // The store takes another change afterwards: nothing was left open.
  EXPECT_EQ(editing.Rename(ids.other, "Kept", snapshot), 0) << editing.LastError();
}

}  // namespace
