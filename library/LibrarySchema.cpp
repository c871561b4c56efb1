#include "library/LibrarySchema.h"

#include <array>

#include "library/SqliteConnection.h"

namespace LibrarySchema {
namespace {

// Step N brings a library of version N to version N + 1.
constexpr std::array<const char*, kVersion> kMigrations{
    R"sql(
CREATE TABLE programs(
  id INTEGER PRIMARY KEY,
  kind INTEGER NOT NULL,
  name TEXT NOT NULL,
  category TEXT NOT NULL,
  search TEXT NOT NULL, -- name, category and kind word, one a line
  image_fingerprint BLOB NOT NULL,
  sound_fingerprint BLOB NOT NULL,
  added_at TEXT NOT NULL);
-- Finds the programs of one sound, and with image_fingerprint the program of one image.
CREATE INDEX programs_by_sound ON programs(sound_fingerprint);
CREATE INDEX programs_by_name ON programs(name COLLATE NOCASE, id);
CREATE TABLE program_images(
  program_id INTEGER PRIMARY KEY REFERENCES programs(id),
  image BLOB NOT NULL);
CREATE TABLE files(
  id INTEGER PRIMARY KEY,
  path TEXT NOT NULL UNIQUE);
CREATE TABLE sources(
  id INTEGER PRIMARY KEY,
  program_id INTEGER NOT NULL REFERENCES programs(id),
  origin INTEGER NOT NULL,
  file_id INTEGER REFERENCES files(id),
  bank TEXT NOT NULL,
  slot INTEGER NOT NULL,
  seen_at TEXT NOT NULL);
-- A place in a file is kept once; a reception (file_id NULL, and NULLs never collide) each time.
CREATE UNIQUE INDEX sources_by_program ON sources(program_id, file_id, bank, slot);
CREATE TABLE collections(
  id INTEGER PRIMARY KEY,
  parent_id INTEGER REFERENCES collections(id),
  kind INTEGER NOT NULL,
  name TEXT NOT NULL,
  path TEXT NOT NULL UNIQUE,
  added_at TEXT NOT NULL);
CREATE INDEX collections_by_parent ON collections(parent_id);
CREATE TABLE collection_entries(
  collection_id INTEGER NOT NULL REFERENCES collections(id),
  position INTEGER NOT NULL,
  program_id INTEGER NOT NULL REFERENCES programs(id),
  bank TEXT NOT NULL,
  slot INTEGER NOT NULL,
  PRIMARY KEY(collection_id, position)) WITHOUT ROWID;
)sql",
    // The filter's index: every three characters of each program's search text, so that a
    // search answers from the index instead of reading every row. A change adds its new
    // programs to it at once before it commits (LibraryStore::CommitChange): row by row, as a
    // trigger would, costs four times the whole addition.
    R"sql(
CREATE VIRTUAL TABLE programs_fts USING fts5(
  search, content='programs', content_rowid='id', tokenize='trigram');
INSERT INTO programs_fts(programs_fts) VALUES('rebuild');
)sql",
    // Entries a drop put into a collection, kept when its file or folder is added again. A
    // bank file gives every entry a slot, so its entries without one came by a drop.
    R"sql(
ALTER TABLE collection_entries ADD COLUMN dropped INTEGER NOT NULL DEFAULT 0;
UPDATE collection_entries SET dropped = 1 WHERE bank = ''
  AND collection_id IN (SELECT id FROM collections WHERE kind = 1);
)sql",
    // A musician's marks: favourites, and free tags found in any letter case.
    R"sql(
ALTER TABLE programs ADD COLUMN favourite INTEGER NOT NULL DEFAULT 0;
CREATE TABLE program_tags(
  program_id INTEGER NOT NULL REFERENCES programs(id),
  tag TEXT NOT NULL COLLATE NOCASE,
  PRIMARY KEY(program_id, tag)) WITHOUT ROWID;
CREATE INDEX program_tags_by_tag ON program_tags(tag, program_id);
)sql",
};

int ReadPragma(SqliteConnection& connection, const char* sql, std::int64_t& value) {
  SqliteStatement statement = connection.Prepare(sql);
  if (!statement.NextRow())
    return -1;
  value = statement.Int(0);
  return 0;
}

// A file of no pages: made just now, or left empty; anything else SQLite has written to.
bool IsEmpty(SqliteConnection& connection) {
  std::int64_t pages = 0;
  return ReadPragma(connection, "PRAGMA page_count", pages) == 0 && pages == 0;
}

std::string Refusal(const std::string& why) {
  return why + "; it is left as it is";
}

}  // namespace

int Inspect(SqliteConnection& connection, int& version, std::string& error) {
  std::int64_t applicationId = 0;
  std::int64_t userVersion = 0;
  if (ReadPragma(connection, "PRAGMA application_id", applicationId) != 0 ||
      ReadPragma(connection, "PRAGMA user_version", userVersion) != 0) {
    error = Refusal("not a Corvale library (" + connection.ErrorText() + ")");
    return -1;
  }
  if (applicationId != kApplicationId) {
    if (IsEmpty(connection)) {
      version = 0;
      return 0;
    }
    error = Refusal("not a Corvale library (a database of another program)");
    return -1;
  }
  if (userVersion > kVersion) {
    error = Refusal("written by a newer Corvale (library version " + std::to_string(userVersion) +
                    "; this one knows up to " + std::to_string(kVersion) + ")");
    return -1;
  }
  version = static_cast<int>(userVersion);
  return 0;
}

int Claim(SqliteConnection& connection, std::string& error) {
  if (!IsEmpty(connection))
    return 0;
  // Pages of 16 KiB (they take effect in a new file only): an addition writes a quarter as many
  // pages as with 4 KiB, about 15 % faster.
  const std::string claim =
      "PRAGMA page_size = 16384; PRAGMA application_id = " + std::to_string(kApplicationId);
  if (connection.Execute(claim.c_str()) != 0) {
    error = "could not be made: " + connection.ErrorText();
    return -1;
  }
  return 0;
}

int BringUpToDate(SqliteConnection& connection, std::string& error, int targetVersion) {
  int version = 0;
  // A library that is up to date is only read: opening it never waits for another program's
  // change.
  if (Inspect(connection, version, error) != 0 || Claim(connection, error) != 0)
    return -1;
  if (version >= targetVersion)
    return 0;
  SqliteTransaction transaction(connection);
  // Read again under the write lock: another process may have created the tables meanwhile.
  if (transaction.Begin() != 0 || Inspect(connection, version, error) != 0) {
    if (error.empty())
      error = connection.ErrorText();
    return -1;
  }
  if (version >= targetVersion)
    return 0;
  for (int step = version; step < targetVersion; ++step) {
    if (connection.Execute(kMigrations[step]) != 0) {
      error = "could not be brought up to date: " + connection.ErrorText();
      return -1;
    }
  }
  const std::string stamp = "PRAGMA application_id = " + std::to_string(kApplicationId) +
                            "; PRAGMA user_version = " + std::to_string(targetVersion);
  if (connection.Execute(stamp.c_str()) != 0 || transaction.Commit() != 0) {
    error = "could not be brought up to date: " + connection.ErrorText();
    return -1;
  }
  return 0;
}

}  // namespace LibrarySchema
