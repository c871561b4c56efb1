#include "library/CollectionEditing.h"

#include "library/LibraryStore.h"
#include "library/SqliteConnection.h"

namespace {

constexpr const char* kCollectionAndUnder =
    "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT c.id FROM collections c "
    "JOIN tree t ON c.parent_id = t.id) "
    "SELECT c.id, ifnull(c.parent_id, 0), c.kind, c.name, c.path, c.added_at "
    "FROM collections c JOIN tree t ON c.id = t.id";
constexpr const char* kCollectionOnly =
    "SELECT id, ifnull(parent_id, 0), kind, name, path, added_at FROM collections WHERE id = ?1";
constexpr const char* kEntries =
    "SELECT position, program_id, bank, slot, dropped FROM collection_entries "
    "WHERE collection_id = ?1 ORDER BY position";
constexpr const char* kProgram =
    "SELECT p.id, p.kind, p.name, p.category, p.search, p.image_fingerprint, "
    "p.sound_fingerprint, p.added_at, i.image FROM programs p "
    "JOIN program_images i ON i.program_id = p.id WHERE p.id = ?1";

std::vector<std::uint8_t> BytesOf(const SqliteStatement& statement, int column) {
  const std::span<const std::uint8_t> bytes = statement.Blob(column);
  return {bytes.begin(), bytes.end()};
}

}  // namespace

int CollectionEditing::Fail(const std::string& what) {
  error_ = what + ": " + store_.Connection().ErrorText();
  store_.RollBackChange();
  return -1;
}

int CollectionEditing::Finish(int result) {
  if (result != 0)
    return -1;
  if (store_.CommitChange() != 0) {
    error_ = store_.LastError();
    return -1;
  }
  return 0;
}

int CollectionEditing::Record(std::int64_t collectionId, bool under, CollectionSnapshot& before) {
  SqliteConnection& connection = store_.Connection();
  SqliteStatement rows = connection.Prepare(under ? kCollectionAndUnder : kCollectionOnly);
  rows.Bind(1, collectionId);
  const std::size_t first = before.collections.size();
  while (rows.NextRow()) {
    before.collections.push_back({rows.Int(0),
                                  rows.Int(1),
                                  static_cast<int>(rows.Int(2)),
                                  rows.Text(3),
                                  rows.Text(4),
                                  rows.Text(5),
                                  {}});
  }
  if (rows.Failed())
    return Fail("the collection could not be read");
  if (before.collections.size() == first) {
    error_ = "no collection " + std::to_string(collectionId) + " in the library";
    store_.RollBackChange();
    return -1;
  }
  for (std::size_t i = first; i < before.collections.size(); ++i) {
    CollectionSnapshot::Collection& collection = before.collections[i];
    SqliteStatement entries = connection.Prepare(kEntries);
    entries.Bind(1, collection.id);
    while (entries.NextRow()) {
      collection.entries.push_back({entries.Int(0), entries.Int(1), entries.Text(2),
                                    static_cast<int>(entries.Int(3)), entries.Int(4) != 0});
    }
    if (entries.Failed())
      return Fail("the collection could not be read");
  }
  return 0;
}

int CollectionEditing::Begin(std::int64_t collectionId, bool under, CollectionSnapshot& before) {
  before = {};
  if (store_.BeginChange() != 0) {
    error_ = store_.LastError();
    return -1;
  }
  return Record(collectionId, under, before);
}

int CollectionEditing::Rename(std::int64_t collectionId, const std::string& name,
                              CollectionSnapshot& before) {
  before = {};
  if (name.empty()) {
    error_ = "a collection needs a name";
    return -1;
  }
  if (Begin(collectionId, false, before) != 0)
    return -1;
  SqliteStatement rename =
      store_.Connection().Prepare("UPDATE collections SET name = ?2 WHERE id = ?1");
  if (rename.Bind(1, collectionId).Bind(2, name).Run() != 0)
    return Fail("the collection could not be renamed");
  return Finish(0);
}

int CollectionEditing::RecordProgram(std::int64_t programId, CollectionSnapshot& before) {
  SqliteStatement row = store_.Connection().Prepare(kProgram);
  if (!row.Bind(1, programId).NextRow())
    return Fail("a program could not be read");
  before.programs.push_back({row.Int(0), static_cast<int>(row.Int(1)), row.Text(2), row.Text(3),
                             row.Text(4), BytesOf(row, 5), BytesOf(row, 6), row.Text(7),
                             BytesOf(row, 8)});
  return 0;
}

int CollectionEditing::DeleteProgramIfUnheld(std::int64_t programId, CollectionSnapshot& before) {
  SqliteConnection& connection = store_.Connection();
  SqliteStatement held = connection.Prepare(
      "SELECT EXISTS(SELECT 1 FROM collection_entries WHERE program_id = ?1) OR "
      "EXISTS(SELECT 1 FROM sources WHERE program_id = ?1) OR "
      "EXISTS(SELECT 1 FROM program_tags WHERE program_id = ?1) OR "
      "EXISTS(SELECT 1 FROM programs WHERE id = ?1 AND favourite = 1)");
  if (!held.Bind(1, programId).NextRow())
    return Fail("a program could not be read");
  if (held.Int(0) != 0)
    return 0;
  if (RecordProgram(programId, before) != 0)
    return -1;
  const CollectionSnapshot::Program& program = before.programs.back();
  SqliteStatement unindex = connection.Prepare(
      "INSERT INTO programs_fts(programs_fts, rowid, search) VALUES('delete', ?1, ?2)");
  SqliteStatement image = connection.Prepare("DELETE FROM program_images WHERE program_id = ?1");
  SqliteStatement gone = connection.Prepare("DELETE FROM programs WHERE id = ?1");
  if (unindex.Bind(1, programId).Bind(2, program.search).Run() != 0 ||
      image.Bind(1, programId).Run() != 0 || gone.Bind(1, programId).Run() != 0)
    return Fail("a program could not be deleted");
  return 0;
}

int CollectionEditing::RemovePrograms(std::int64_t collectionId,
                                      std::span<const std::int64_t> programIds,
                                      CollectionSnapshot& before) {
  if (Begin(collectionId, false, before) != 0)
    return -1;
  for (const std::int64_t programId : programIds) {
    SqliteStatement remove = store_.Connection().Prepare(
        "DELETE FROM collection_entries WHERE collection_id = ?1 AND program_id = ?2");
    if (remove.Bind(1, collectionId).Bind(2, programId).Run() != 0)
      return Fail("a program could not be removed");
    if (DeleteProgramIfUnheld(programId, before) != 0)
      return -1;
  }
  return Finish(0);
}

int CollectionEditing::AppendPrograms(std::int64_t collectionId, std::span<const Item* const> items,
                                      CollectionSnapshot& before) {
  if (Begin(collectionId, false, before) != 0)
    return -1;
  const std::vector<CollectionSnapshot::Collection::Entry>& entries =
      before.collections.front().entries;
  std::int64_t position = entries.empty() ? 0 : entries.back().position + 1;
  for (const Item* item : items) {
    std::int64_t programId = 0;
    bool isNew = false;
    if (store_.StoreProgram(*item, programId, isNew) != 0) {
      error_ = store_.LastError();
      store_.RollBackChange();
      return -1;
    }
    if (isNew)
      before.addedPrograms.push_back(programId);
    SqliteStatement put = store_.Connection().Prepare(
        "INSERT INTO collection_entries(collection_id, position, program_id, bank, slot, "
        "dropped) VALUES(?1, ?2, ?3, '', -1, 1)");
    if (put.Bind(1, collectionId).Bind(2, position++).Bind(3, programId).Run() != 0)
      return Fail("a program could not be added to the collection");
  }
  return Finish(0);
}

int CollectionEditing::Delete(std::int64_t collectionId, CollectionSnapshot& before) {
  if (Begin(collectionId, true, before) != 0)
    return -1;
  SqliteConnection& connection = store_.Connection();
  // Those under another first: a collection's parent stays while anything points to it.
  for (auto it = before.collections.rbegin(); it != before.collections.rend(); ++it) {
    const CollectionSnapshot::Collection& collection = *it;
    SqliteStatement entries =
        connection.Prepare("DELETE FROM collection_entries WHERE collection_id = ?1");
    SqliteStatement row = connection.Prepare("DELETE FROM collections WHERE id = ?1");
    if (entries.Bind(1, collection.id).Run() != 0 || row.Bind(1, collection.id).Run() != 0)
      return Fail("a collection could not be deleted");
  }
  return Finish(0);
}

int CollectionEditing::Restore(const CollectionSnapshot& before) {
  if (store_.BeginChange() != 0) {
    error_ = store_.LastError();
    return -1;
  }
  SqliteConnection& connection = store_.Connection();
  // The store indexes the programs above its highest one itself when the change commits.
  SqliteStatement highest = connection.Prepare("SELECT ifnull(max(id), 0) FROM programs");
  if (!highest.NextRow())
    return Fail("the library could not be read");
  const std::int64_t indexedUpTo = highest.Int(0);
  for (const CollectionSnapshot::Program& program : before.programs) {
    SqliteStatement row = connection.Prepare(
        "INSERT INTO programs(id, kind, name, category, search, image_fingerprint, "
        "sound_fingerprint, added_at) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    SqliteStatement image =
        connection.Prepare("INSERT INTO program_images(program_id, image) VALUES(?1, ?2)");
    SqliteStatement index =
        connection.Prepare("INSERT INTO programs_fts(rowid, search) VALUES(?1, ?2)");
    row.Bind(1, program.id).Bind(2, std::int64_t{program.kind}).Bind(3, program.name);
    row.Bind(4, program.category).Bind(5, program.search);
    row.Bind(6, std::span<const std::uint8_t>(program.imageFingerprint));
    row.Bind(7, std::span<const std::uint8_t>(program.soundFingerprint)).Bind(8, program.addedAt);
    image.Bind(1, program.id).Bind(2, std::span<const std::uint8_t>(program.image));
    if (row.Run() != 0 || image.Run() != 0 ||
        (program.id <= indexedUpTo && index.Bind(1, program.id).Bind(2, program.search).Run() != 0))
      return Fail("a program could not be put back");
  }
  for (const CollectionSnapshot::Collection& collection : before.collections) {
    SqliteStatement clear =
        connection.Prepare("DELETE FROM collection_entries WHERE collection_id = ?1");
    SqliteStatement row = connection.Prepare(
        "INSERT INTO collections(id, parent_id, kind, name, path, added_at) "
        "VALUES(?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT(id) DO UPDATE SET parent_id = "
        "excluded.parent_id, kind = excluded.kind, name = excluded.name, path = excluded.path, "
        "added_at = excluded.added_at");
    row.Bind(1, collection.id);
    if (collection.parentId == 0)
      row.BindNull(2);
    else
      row.Bind(2, collection.parentId);
    row.Bind(3, std::int64_t{collection.kind}).Bind(4, collection.name);
    row.Bind(5, collection.path).Bind(6, collection.addedAt);
    if (clear.Bind(1, collection.id).Run() != 0 || row.Run() != 0)
      return Fail("a collection could not be put back");
    for (const CollectionSnapshot::Collection::Entry& entry : collection.entries) {
      SqliteStatement put = connection.Prepare(
          "INSERT INTO collection_entries(collection_id, position, program_id, bank, slot, "
          "dropped) VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
      put.Bind(1, collection.id).Bind(2, entry.position).Bind(3, entry.programId);
      put.Bind(4, entry.bank).Bind(5, std::int64_t{entry.slot});
      put.Bind(6, std::int64_t{entry.dropped});
      if (put.Run() != 0)
        return Fail("a collection could not be put back");
    }
  }
  CollectionSnapshot unused;
  for (const std::int64_t programId : before.addedPrograms) {
    if (DeleteProgramIfUnheld(programId, unused) != 0)
      return -1;
  }
  return Finish(0);
}
