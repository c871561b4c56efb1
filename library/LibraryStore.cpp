#include "library/LibraryStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <utility>

#include "library/LibraryQuery.h"
#include "library/LibrarySchema.h"
#include "library/Sha256.h"
#include "library/SqliteConnection.h"
#include "midi/sysex/BulkDump.h"
#include "model/Item.h"

namespace {

// Long enough for the other program's change of a few files; an addition of many holds the
// lock longer, and the waiting side then says the library is busy.
constexpr int kBusyTimeoutMilliseconds = 10000;

std::string EnvironmentText(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// `item` as the synthesizer receives it: every byte its low seven bits.
std::unique_ptr<Item> SevenBitCopy(const Item& item) {
  std::unique_ptr<Item> copy = CreateItem(item.Kind());
  copy->Assign(item);
  for (std::uint8_t& byte : copy->Data())
    byte &= BulkDump::kDataBits;
  return copy;
}

bool HasEightBitByte(const Item& item) {
  const std::span<const std::uint8_t> image = item.Data();
  return std::any_of(image.begin(), image.end(),
                     [](std::uint8_t byte) { return (byte & ~BulkDump::kDataBits) != 0; });
}

// The digest of the head followed by the sound's digest: as collision-resistant as a digest of
// the whole image, and the sound is hashed only once.
Sha256::Digest ImageFingerprint(std::span<const std::uint8_t> image,
                                const Sha256::Digest& soundFingerprint) {
  Sha256 hash;
  hash.Update(image.first(kItemHeadSize));
  hash.Update(soundFingerprint);
  return hash.Finish();
}

std::string SearchText(const Item& item) {
  return item.PrintableName() + "\n" + item.CategoryName() + "\n" + KindInfo(item.Kind()).name;
}

std::string JournalMode(SqliteConnection& connection) {
  SqliteStatement mode = connection.Prepare("PRAGMA journal_mode = WAL");
  return mode.NextRow() ? mode.Text(0) : "";
}

// Puts a library that may be changed into WAL mode and up to date, making it when it is new.
int SetUpForChanges(SqliteConnection& connection, std::string& error) {
  int version = 0;
  if (LibrarySchema::Inspect(connection, version, error) != 0 ||
      LibrarySchema::Claim(connection, error) != 0)
    return -1;
  if (JournalMode(connection) != "wal") {
    error = "could not be put in WAL mode: " + connection.ErrorText();
    return -1;
  }
  if (connection.Execute("PRAGMA synchronous = FULL; PRAGMA foreign_keys = ON; "
                         "PRAGMA cache_size = -65536") != 0) {
    error = connection.ErrorText();
    return -1;
  }
  return LibrarySchema::BringUpToDate(connection, error);
}

// Checks that a library opened for reading is one this program reads, writing nothing.
int CheckForReading(SqliteConnection& connection, std::string& error) {
  int version = 0;
  if (LibrarySchema::Inspect(connection, version, error) != 0)
    return -1;
  if (version == LibrarySchema::kVersion)
    return 0;
  if (version == 0) {
    error = "no library there (the file is empty)";
    return -1;
  }
  if (connection.IsReadOnly()) {
    error =
        "written by an older Corvale and read-only here: it can be brought up to date only "
        "where it may be written";
    return -1;
  }
  return SetUpForChanges(connection, error);
}

// A connection that could not read the file it opened: one in a folder where no log can be
// made (a WAL library needs one beside it to be read).
bool NeedsImmutableReading(SqliteConnection& connection) {
  SqliteStatement probe = connection.Prepare("SELECT count(*) FROM sqlite_master");
  if (probe.NextRow())
    return false;
  const int code = connection.ErrorCode();
  return code == SQLITE_READONLY || code == SQLITE_CANTOPEN;
}

std::unique_ptr<SqliteConnection> OpenForReading(const std::string& path, std::string& error) {
  std::error_code missing;
  if (!std::filesystem::exists(path, missing)) {
    error = "no library there";
    return nullptr;
  }
  std::unique_ptr<SqliteConnection> connection =
      SqliteConnection::Open(path, SqliteConnection::Mode::ReadWrite, error);
  if (connection && NeedsImmutableReading(*connection))
    connection = SqliteConnection::Open(path, SqliteConnection::Mode::Immutable, error);
  if (!connection)
    return nullptr;
  connection->SetBusyTimeout(kBusyTimeoutMilliseconds);
  if (CheckForReading(*connection, error) != 0)
    return nullptr;
  return connection;
}

std::unique_ptr<SqliteConnection> OpenForChanges(const std::string& path, std::string& error) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ignored;
  if (!folder.empty())
    std::filesystem::create_directories(folder, ignored);
  std::unique_ptr<SqliteConnection> connection =
      SqliteConnection::Open(path, SqliteConnection::Mode::ReadWriteCreate, error);
  if (!connection)
    return nullptr;
  connection->SetBusyTimeout(kBusyTimeoutMilliseconds);
  if (SetUpForChanges(*connection, error) != 0)
    return nullptr;
  return connection;
}

}  // namespace

std::string LibraryStore::DefaultPath() {
  if (std::string chosen = EnvironmentText("CORVALE_LIBRARY"); !chosen.empty())
    return chosen;
  std::string dataHome = EnvironmentText("XDG_DATA_HOME");
  if (dataHome.empty())
    dataHome = EnvironmentText("HOME") + "/.local/share";
  return dataHome + "/corvale/library.sqlite";
}

std::unique_ptr<LibraryStore> LibraryStore::Open(const std::string& path, std::string& error,
                                                 Access access) {
  error.clear();
  std::unique_ptr<SqliteConnection> connection =
      access == Access::Read ? OpenForReading(path, error) : OpenForChanges(path, error);
  if (!connection)
    return nullptr;
  return std::make_unique<LibraryStore>(path, std::move(connection));
}

LibraryStore::LibraryStore(std::string path, std::unique_ptr<SqliteConnection> connection)
    : path_(std::move(path)), connection_(std::move(connection)) {}

LibraryStore::~LibraryStore() {
  change_.reset();
}

int LibraryStore::Fail(const std::string& what) {
  error_ = what + ": " + connection_->ErrorText();
  return -1;
}

int LibraryStore::Read(int result) {
  return result == 0 ? 0 : Fail("the library could not be read");
}

int LibraryStore::Found(int found, const std::string& absence) {
  if (found < 0)
    return Fail("the library could not be read");
  if (found == 0) {
    error_ = absence;
    return -1;
  }
  return 0;
}

std::string LibraryStore::Now() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

int LibraryStore::OpenTransaction() {
  busy_ = false;
  change_ = std::make_unique<SqliteTransaction>(*connection_);
  if (change_->Begin() == 0)
    return 0;
  change_.reset();
  busy_ = connection_->ErrorCode() == SQLITE_BUSY;
  return Fail(busy_ ? "the library is busy: another program is changing it"
                    : "the library cannot be changed");
}

int LibraryStore::ReserveChange() {
  if (reserved_)
    return 0;
  connection_->SetBusyTimeout(0);
  const int result = OpenTransaction();
  connection_->SetBusyTimeout(kBusyTimeoutMilliseconds);
  reserved_ = result == 0;
  return result;
}

int LibraryStore::BeginChange() {
  lastFile_ = {};
  if (!std::exchange(reserved_, false) && OpenTransaction() != 0)
    return -1;
  changeTime_ = Now();
  SqliteStatement highest = connection_->Prepare("SELECT ifnull(max(id), 0) FROM programs");
  if (!highest.NextRow()) {
    const int result = Fail("the library could not be read");
    RollBackChange();
    return result;
  }
  lastProgramBefore_ = highest.Int(0);
  return 0;
}

int LibraryStore::DataVersion(std::int64_t& version) {
  SqliteStatement& read = connection_->Cached("PRAGMA data_version");
  if (!read.NextRow())
    return Fail("the library could not be read");
  version = read.Int(0);
  read.Reset();
  return 0;
}

int LibraryStore::IndexNewPrograms() {
  SqliteStatement& index = connection_->Cached(
      "INSERT INTO programs_fts(rowid, search) SELECT id, search FROM programs WHERE id > ?1");
  return index.Bind(1, lastProgramBefore_).Run() == 0 ? 0 : Fail("the change could not be kept");
}

int LibraryStore::CommitChange() {
  if (change_ && IndexNewPrograms() != 0) {
    RollBackChange();
    return -1;
  }
  if (!change_ || change_->Commit() != 0) {
    const int result = Fail("the change could not be kept");
    RollBackChange();
    return result;
  }
  change_.reset();
  return 0;
}

void LibraryStore::RollBackChange() {
  lastFile_ = {};
  reserved_ = false;
  change_.reset();
}

int LibraryStore::CheckIntegrity() {
  SqliteStatement check = connection_->Prepare("PRAGMA quick_check");
  if (!check.NextRow())
    return Fail("the library could not be checked");
  if (const std::string verdict = check.Text(0); verdict != "ok") {
    error_ = "the library is damaged (" + verdict + "); it is left as it is";
    return -1;
  }
  return 0;
}

int LibraryStore::FindProgram(ItemKind kind, std::span<const std::uint8_t> image,
                              std::span<const std::uint8_t> fingerprint,
                              std::span<const std::uint8_t> soundFingerprint, std::int64_t& id) {
  SqliteStatement& find = connection_->Cached(
      "SELECT p.id, i.image FROM programs p JOIN program_images i ON i.program_id = p.id "
      "WHERE p.sound_fingerprint = ?3 AND p.image_fingerprint = ?1 AND p.kind = ?2");
  find.Bind(1, fingerprint).Bind(2, static_cast<std::int64_t>(kind)).Bind(3, soundFingerprint);
  while (find.NextRow()) {
    const std::span<const std::uint8_t> stored = find.Blob(1);
    if (std::equal(stored.begin(), stored.end(), image.begin(), image.end())) {
      id = find.Int(0);
      find.Reset();
      return 1;
    }
  }
  return find.Failed() ? Fail("the library could not be read") : 0;
}

int LibraryStore::StoreProgram(const Item& item, std::int64_t& id, bool& isNew) {
  std::unique_ptr<Item> copy;
  if (HasEightBitByte(item))
    copy = SevenBitCopy(item);
  const Item* program = copy ? copy.get() : &item;
  const std::span<const std::uint8_t> image = program->Data();
  const Sha256::Digest soundFingerprint = Sha256::Of(image.subspan(kItemHeadSize));
  const Sha256::Digest fingerprint = ImageFingerprint(image, soundFingerprint);
  const int found = FindProgram(program->Kind(), image, fingerprint, soundFingerprint, id);
  isNew = found == 0;
  if (found != 0)
    return found < 0 ? -1 : 0;
  SqliteStatement& insert = connection_->Cached(
      "INSERT INTO programs(kind, name, category, search, image_fingerprint, sound_fingerprint, "
      "added_at) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
  insert.Bind(1, static_cast<std::int64_t>(program->Kind()))
      .Bind(2, program->PrintableName())
      .Bind(3, program->CategoryName())
      .Bind(4, SearchText(*program))
      .Bind(5, fingerprint)
      .Bind(6, soundFingerprint)
      .Bind(7, changeTime_);
  if (insert.Run() != 0)
    return Fail("the program could not be stored");
  id = connection_->LastInsertId();
  SqliteStatement& insertImage =
      connection_->Cached("INSERT INTO program_images(program_id, image) VALUES(?1, ?2)");
  if (insertImage.Bind(1, id).Bind(2, image).Run() != 0)
    return Fail("the program could not be stored");
  return 0;
}

int LibraryStore::FileId(const std::string& path, std::int64_t& id) {
  if (path == lastFile_.path) {
    id = lastFile_.id;
    return 0;
  }
  SqliteStatement& find = connection_->Cached("SELECT id FROM files WHERE path = ?1");
  if (find.Bind(1, path).NextRow()) {
    id = find.Int(0);
  } else if (find.Failed()) {
    return Fail("the library could not be read");
  } else {
    SqliteStatement& insert = connection_->Cached("INSERT INTO files(path) VALUES(?1)");
    if (insert.Bind(1, path).Run() != 0)
      return Fail("the place of a program could not be stored");
    id = connection_->LastInsertId();
  }
  lastFile_ = {path, id};
  return 0;
}

int LibraryStore::AddPlace(std::int64_t programId, const ProgramPlace& place) {
  std::int64_t file = 0;
  const bool fromFile = place.origin == ProgramPlace::Origin::File;
  if (fromFile && FileId(place.path, file) != 0)
    return -1;
  SqliteStatement& insert = connection_->Cached(
      "INSERT OR IGNORE INTO sources(program_id, origin, file_id, bank, slot, seen_at) "
      "VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
  insert.Bind(1, programId).Bind(2, static_cast<std::int64_t>(place.origin));
  if (fromFile)
    insert.Bind(3, file);
  insert.Bind(4, place.bank)
      .Bind(5, std::int64_t{place.slot})
      .Bind(6, place.seenAt.empty() ? changeTime_ : place.seenAt);
  return insert.Run() == 0 ? 0 : Fail("the place of a program could not be stored");
}

int LibraryStore::StoreCollection(std::int64_t parentId, CollectionRow::Kind kind,
                                  const std::string& path, std::int64_t& id) {
  SqliteStatement& find =
      connection_->Cached("SELECT id, ifnull(parent_id, 0) FROM collections WHERE path = ?1");
  if (find.Bind(1, path).NextRow()) {
    id = find.Int(0);
    const bool moves = parentId != 0 && find.Int(1) != parentId;
    find.Reset();
    if (!moves)
      return 0;
    SqliteStatement& move =
        connection_->Cached("UPDATE collections SET parent_id = ?1 WHERE id = ?2");
    return move.Bind(1, parentId).Bind(2, id).Run() == 0 ? 0
                                                         : Fail("a collection could not be moved");
  }
  if (find.Failed())
    return Fail("the library could not be read");
  SqliteStatement& insert = connection_->Cached(
      "INSERT INTO collections(parent_id, kind, name, path, added_at) VALUES(?1, ?2, ?3, ?4, ?5)");
  if (parentId != 0)
    insert.Bind(1, parentId);
  insert.Bind(2, static_cast<std::int64_t>(kind))
      .Bind(3, std::filesystem::path(path).filename().string())
      .Bind(4, path)
      .Bind(5, changeTime_);
  if (insert.Run() != 0)
    return Fail("a collection could not be stored");
  id = connection_->LastInsertId();
  return 0;
}

int LibraryStore::ReplaceEntries(std::int64_t collectionId,
                                 std::span<const CollectionEntry> entries) {
  SqliteStatement& clear =
      connection_->Cached("DELETE FROM collection_entries WHERE collection_id = ?1");
  if (clear.Bind(1, collectionId).Run() != 0)
    return Fail("a collection could not be changed");
  SqliteStatement& insert = connection_->Cached(
      "INSERT INTO collection_entries(collection_id, position, program_id, bank, slot, dropped) "
      "VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
  std::int64_t position = 0;
  for (const CollectionEntry& entry : entries) {
    insert.Bind(1, collectionId)
        .Bind(2, position++)
        .Bind(3, entry.programId)
        .Bind(4, entry.bank)
        .Bind(5, std::int64_t{entry.slot})
        .Bind(6, std::int64_t{entry.dropped});
    if (insert.Run() != 0)
      return Fail("a collection could not be changed");
  }
  return 0;
}

int LibraryStore::AddReceived(const Item& item, const std::string& receivedAt, std::int64_t& id) {
  bool isNew = false;
  ProgramPlace place;
  place.origin = ProgramPlace::Origin::Received;
  place.seenAt = receivedAt;
  if (BeginChange() != 0 || StoreProgram(item, id, isNew) != 0 || AddPlace(id, place) != 0 ||
      CommitChange() != 0) {
    RollBackChange();
    return -1;
  }
  return 0;
}

std::string LibraryStore::TagRefusal(const std::string& tag) {
  constexpr std::size_t kLongestTag = 40;
  if (tag.empty() || tag.size() > kLongestTag)
    return "a tag is 1 to " + std::to_string(kLongestTag) + " characters";
  for (const char c : tag) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= ' ' || byte == 0x7F)
      return "a tag is one word, without blanks or control characters";
  }
  return "";
}

int LibraryStore::MarkPrograms(std::span<const std::int64_t> programIds,
                               const std::function<int(std::int64_t programId)>& mark) {
  if (BeginChange() != 0)
    return -1;
  for (const std::int64_t programId : programIds) {
    ProgramRow row;
    if (ReadProgram(programId, row) != 0 || mark(programId) != 0) {
      RollBackChange();
      return -1;
    }
  }
  return CommitChange();
}

int LibraryStore::SetFavourite(std::span<const std::int64_t> programIds, bool favourite) {
  return MarkPrograms(programIds, [this, favourite](std::int64_t programId) {
    SqliteStatement& mark = connection_->Cached("UPDATE programs SET favourite = ?2 WHERE id = ?1");
    return mark.Bind(1, programId).Bind(2, std::int64_t{favourite}).Run() == 0
               ? 0
               : Fail("the program could not be marked");
  });
}

int LibraryStore::AddTags(std::span<const std::int64_t> programIds,
                          std::span<const std::string> tags) {
  for (const std::string& tag : tags) {
    if (const std::string refusal = TagRefusal(tag); !refusal.empty()) {
      error_ = "\"" + tag + "\": " + refusal;
      return -1;
    }
  }
  return MarkPrograms(programIds, [this, tags](std::int64_t programId) {
    SqliteStatement& add =
        connection_->Cached("INSERT OR IGNORE INTO program_tags(program_id, tag) VALUES(?1, ?2)");
    for (const std::string& tag : tags) {
      if (add.Bind(1, programId).Bind(2, tag).Run() != 0)
        return Fail("the program could not be tagged");
    }
    return 0;
  });
}

int LibraryStore::RemoveTags(std::span<const std::int64_t> programIds,
                             std::span<const std::string> tags) {
  return MarkPrograms(programIds, [this, tags](std::int64_t programId) {
    SqliteStatement& remove =
        connection_->Cached("DELETE FROM program_tags WHERE program_id = ?1 AND tag = ?2");
    for (const std::string& tag : tags) {
      if (remove.Bind(1, programId).Bind(2, tag).Run() != 0)
        return Fail("a tag could not be taken off");
    }
    return 0;
  });
}

int LibraryStore::ReadImage(std::int64_t programId, ProgramImage& image) {
  const std::string program = "program " + std::to_string(programId);
  if (Found(LibraryQuery::Image(*connection_, programId, image),
            "no " + program + " in the library") != 0)
    return -1;
  if (!image.damage.empty()) {
    error_ = program + " is damaged: " + image.damage;
    return -1;
  }
  return 0;
}

int LibraryStore::FillItem(Item& item, const ProgramImage& image) {
  if (item.Kind() != image.kind || image.image.size() != item.Data().size())
    return -1;
  std::copy(image.image.begin(), image.image.end(), item.Data().begin());
  return 0;
}

int LibraryStore::ReadProgram(std::int64_t programId, ProgramRow& row) {
  return Found(LibraryQuery::Program(*connection_, programId, row),
               "no program " + std::to_string(programId) + " in the library");
}

int LibraryStore::FindCollection(const std::string& numberOrPath, CollectionRow& row) {
  return Found(LibraryQuery::Collection(*connection_, numberOrPath, row),
               "no collection " + numberOrPath + " in the library");
}

int LibraryStore::RefuseLongSearch(const ProgramFilter& filter) {
  const std::size_t words = LibraryQuery::FilterWordCount(filter);
  if (words <= LibraryQuery::kMostFilterWords)
    return 0;
  // SQLite would say "Expression tree is too large", which reads as a damaged library.
  error_ = "a search of " + std::to_string(words) + " words and tags is too long: at most " +
           std::to_string(LibraryQuery::kMostFilterWords) + " are looked for at once";
  return -1;
}

int LibraryStore::CountPrograms(const ProgramFilter& filter, std::int64_t& count) {
  if (RefuseLongSearch(filter) != 0)
    return -1;
  return Read(LibraryQuery::Count(*connection_, filter, count));
}

int LibraryStore::FetchPrograms(const ProgramFilter& filter, const ProgramPage& page,
                                std::vector<ListedProgram>& rows) {
  if (RefuseLongSearch(filter) != 0)
    return -1;
  return Read(LibraryQuery::Page(*connection_, filter, page, rows));
}

int LibraryStore::ForEachFound(const ProgramFilter& filter,
                               const std::function<void(const ListedProgram&)>& visit) {
  if (RefuseLongSearch(filter) != 0)
    return -1;
  return Read(LibraryQuery::ForEachListed(*connection_, filter, visit));
}

int LibraryStore::Places(std::int64_t programId, std::vector<ProgramPlace>& places) {
  return Read(LibraryQuery::Places(*connection_, programId, places));
}

int LibraryStore::SameSound(std::int64_t programId, std::vector<ProgramRow>& rows) {
  return Read(LibraryQuery::SameSound(*connection_, programId, rows));
}

int LibraryStore::Collections(std::int64_t parentId, std::vector<CollectionRow>& rows) {
  return Read(LibraryQuery::Collections(*connection_, parentId, rows));
}

int LibraryStore::Entries(std::int64_t collectionId, std::vector<CollectionEntry>& entries) {
  return Read(LibraryQuery::Entries(*connection_, collectionId, entries));
}
