#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "library/LibraryRows.h"

class Item;
class SqliteConnection;
class SqliteTransaction;

// The library: one SQLite file holding every program once (its kind and seven-bit image, with
// fingerprints of the whole image and of the sound without the 13-byte head), every place each
// was seen, and the collections (folders and bank files) that hold them.
//
// The file is in WAL mode with a busy timeout, so that the editor and corvale-cli can use it at
// once: opening and reading never wait for another program's change. A file that is no
// library, a damaged one or one of a newer version is refused and never written to. Every
// method returns 0, or -1 with LastError saying why. A store serves one thread at a time; a
// thread of its own (an addition behind a progress dialog) opens a store of its own.
class LibraryStore {
 public:
  // $CORVALE_LIBRARY, else $XDG_DATA_HOME/corvale/library.sqlite, else
  // ~/.local/share/corvale/library.sqlite.
  static std::string DefaultPath();
  enum class Access {
    // Creates the library (and its folder) when there is none.
    Change,
    // Opens a library that is there, writing nothing to one that is up to date; one in a
    // read-only folder or file is read as it is.
    Read,
  };
  // Opens the library at `path`; none, with `error` set, when it is refused, cannot be opened,
  // or (to read) is not there.
  static std::unique_ptr<LibraryStore> Open(const std::string& path, std::string& error,
                                            Access access = Access::Change);

  explicit LibraryStore(std::string path, std::unique_ptr<SqliteConnection> connection);
  ~LibraryStore();
  LibraryStore(const LibraryStore&) = delete;
  LibraryStore& operator=(const LibraryStore&) = delete;

  const std::string& Path() const { return path_; }
  const std::string& LastError() const { return error_; }
  SqliteConnection& Connection() { return *connection_; }

  // --- Changing: every write happens between BeginChange and CommitChange, one transaction;
  // a change not committed (a failure, a cancel, the process killed) leaves nothing behind.
  int BeginChange();
  int CommitChange();
  // Leaves nothing of the change, and lets go of a reservation no change took up.
  void RollBackChange();
  // Takes the write lock for the next BeginChange at once, without waiting for another program
  // to let go of it: 0, or -1 with IsBusy telling whether another program holds it.
  int ReserveChange();
  // The last BeginChange or ReserveChange failed because another program holds the write lock.
  bool IsBusy() const { return busy_; }
  // A number that changes whenever another connection (another program, another thread's store)
  // has committed a change to the library since this one last looked.
  int DataVersion(std::int64_t& version);
  // Runs SQLite's quick integrity check over the whole file.
  int CheckIntegrity();

  // The program of `item` (its image as seven-bit bytes): the one stored with the same kind and
  // image, or a new one (`isNew`).
  int StoreProgram(const Item& item, std::int64_t& id, bool& isNew);
  // Records that the program was seen there; a place already recorded for a file stays once.
  int AddPlace(std::int64_t programId, const ProgramPlace& place);
  // The collection made from `path` (a folder or a bank file), made when there is none; a
  // collection found under another parent moves under `parentId` unless that is 0.
  int StoreCollection(std::int64_t parentId, CollectionRow::Kind kind, const std::string& path,
                      std::int64_t& id);
  // The collection's programs become `entries`, in order.
  int ReplaceEntries(std::int64_t collectionId, std::span<const CollectionEntry> entries);
  // A program received from the S80 at `receivedAt` (UTC, as ProgramPlace::seenAt), in a
  // change of its own.
  int AddReceived(const Item& item, const std::string& receivedAt, std::int64_t& id);

  // --- A musician's marks, each one change of its own. A tag is one word of printable
  // characters (so that "tag:pads" finds it), kept as typed and found in any letter case.
  int SetFavourite(std::span<const std::int64_t> programIds, bool favourite);
  int AddTags(std::span<const std::int64_t> programIds, std::span<const std::string> tags);
  int RemoveTags(std::span<const std::int64_t> programIds, std::span<const std::string> tags);
  // Why `tag` cannot be a tag; empty when it can.
  static std::string TagRefusal(const std::string& tag);

  // --- Reading. A row that cannot be what it stands for (a slot outside its bank, an image of
  // another length) is told by its `damage`; ReadImage then fails with it.
  int ReadImage(std::int64_t programId, ProgramImage& image);
  int ReadProgram(std::int64_t programId, ProgramRow& row);
  int Places(std::int64_t programId, std::vector<ProgramPlace>& places);
  // The other programs with the same sound (equal images after the head): the same sound under
  // another name or category.
  int SameSound(std::int64_t programId, std::vector<ProgramRow>& rows);
  // A collection by its number or by the path it was made from.
  int FindCollection(const std::string& numberOrPath, CollectionRow& row);
  // The collections under `parentId` (0: those at the top), by name.
  int Collections(std::int64_t parentId, std::vector<CollectionRow>& rows);
  int Entries(std::int64_t collectionId, std::vector<CollectionEntry>& entries);

  // How many rows the filter gives, and one page of them: a view fetches what it shows.
  int CountPrograms(const ProgramFilter& filter, std::int64_t& count);
  int FetchPrograms(const ProgramFilter& filter, const ProgramPage& page,
                    std::vector<ListedProgram>& rows);
  // Every row the filter gives, in its order, handed to `visit` as it is read: one query,
  // whatever the number of rows.
  int ForEachFound(const ProgramFilter& filter,
                   const std::function<void(const ListedProgram&)>& visit);

  // Puts the image into an item of its kind: 0, or -1 (nothing changed) for another kind or size.
  static int FillItem(Item& item, const ProgramImage& image);

  // The time now, UTC, as the library writes it: "2026-12-09T06:50:00Z".
  static std::string Now();

 private:
  int Fail(const std::string& what);
  int OpenTransaction();
  // Puts the programs the change added into the search index.
  int IndexNewPrograms();
  // 0 for a query that succeeded (0), else -1 with the failure as the error.
  int Read(int result);
  // -1, with LastError saying so, for a filter of more words than a query can look for.
  int RefuseLongSearch(const ProgramFilter& filter);
  // 0 for a row found (1), else -1 with the failure or `absence` as the error.
  int Found(int found, const std::string& absence);
  // The number of a file's path, made at its first place; the last one is kept at hand, since
  // a bank file gives hundreds of places in a row.
  int FileId(const std::string& path, std::int64_t& id);
  // Runs `mark` on each program in one change; a number the library lacks fails it whole.
  int MarkPrograms(std::span<const std::int64_t> programIds,
                   const std::function<int(std::int64_t programId)>& mark);
  int FindProgram(ItemKind kind, std::span<const std::uint8_t> image,
                  std::span<const std::uint8_t> fingerprint,
                  std::span<const std::uint8_t> soundFingerprint, std::int64_t& id);

  std::string path_;
  std::unique_ptr<SqliteConnection> connection_;
  std::unique_ptr<SqliteTransaction> change_;
  bool reserved_ = false;
  bool busy_ = false;
  std::string changeTime_;
  std::int64_t lastProgramBefore_ = 0;
  struct {
    std::string path;
    std::int64_t id = 0;
  } lastFile_;
  std::string error_;
};
