#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "library/LibraryRows.h"

class Item;
class LibraryStore;
class ProgramFile;
class S2A_File;

struct AdditionProgress {
  std::size_t filesDone = 0;
  std::size_t filesTotal = 0;
  std::string path;  // the file about to be read; empty at the end
  // Another program is changing the library: the addition waits for it before it starts.
  bool waiting = false;
};

struct FileRemark {
  std::string path;
  std::string text;
};

struct AdditionReport {
  std::size_t filesRead = 0;
  std::size_t newPrograms = 0;
  // Programs read that the library already held (or that came earlier in the same addition).
  std::size_t knownPrograms = 0;
  std::vector<FileRemark> skipped;  // files that gave no program, and why
  std::vector<FileRemark> notes;    // files read with something left out
};

// A program as it came from the S80: what arrived, and the slot it was asked from (none for an
// edit buffer).
struct ReceivedProgram {
  ReceivedProgram(std::unique_ptr<Item> received, std::string bankWord, int slotIndex);
  ReceivedProgram(ReceivedProgram&&) noexcept;
  ReceivedProgram& operator=(ReceivedProgram&&) noexcept;
  ~ReceivedProgram();
  static ReceivedProgram CopyOf(const Item& item, std::string bankWord = "", int slotIndex = -1);

  std::unique_ptr<Item> item;
  std::string bank;
  int slot = -1;
};

// Adds files and folders to the library as one change: all of it is kept, or nothing (a
// failure, a cancel, or the process ending halfway leaves the library as it was).
//
// A folder is read recursively; each folder holding readable files becomes a collection under
// its parent's, keeping the tree, and holds the programs of its .s2i and .syx files. Each bank
// file becomes a collection of every slot of its banks in bank order (defaults included), also
// when its programs were known. A damaged file is skipped with its reason and the rest goes on.
// Adding the same files again adds nothing new.
class LibraryAddition {
 public:
  using ProgressHandler = std::function<void(const AdditionProgress&)>;

  explicit LibraryAddition(LibraryStore& store);
  ~LibraryAddition();
  LibraryAddition(const LibraryAddition&) = delete;
  LibraryAddition& operator=(const LibraryAddition&) = delete;

  // Called before each file and once at the end.
  void SetProgressHandler(ProgressHandler handler) { progress_ = std::move(handler); }
  // Seen before each file (and while another program holds the library, which the addition then
  // waits for, saying so through the progress handler): once set, the addition stops and keeps
  // nothing.
  void SetCancelFlag(const std::atomic<bool>* cancel) { cancel_ = cancel; }

  // 0 when the addition was kept (skipped files included); -1 with Error set when nothing of it
  // was. `report` tells what was read either way.
  int Add(std::span<const std::string> paths, AdditionReport& report);
  // As Add of the bank file `path`, with the programs of `document` (what a window holds,
  // saved or not) in place of what the file holds.
  int AddDocument(std::unique_ptr<S2A_File> document, const std::string& path,
                  AdditionReport& report);
  // Programs received at one time, each with its reception (now, and its slot) as a place, as
  // one change. With `collectionId` they also join the end of that collection, kept there as a
  // drop is; kReceivedCollection: of the collection "Received" at the top, made when missing.
  static constexpr std::int64_t kReceivedCollection = -1;
  int AddReceived(std::span<const ReceivedProgram> programs, std::int64_t collectionId,
                  AdditionReport& report);
  const std::string& Error() const { return error_; }

 private:
  struct PlannedFile {
    std::string path;
    std::string root;  // the folder named in the addition it was found in; empty for a file
  };

  void Start(AdditionReport& report);
  int WaitForWriteLock();
  int Run(const std::vector<PlannedFile>& files, AdditionReport& report);
  std::vector<PlannedFile> Plan(std::span<const std::string> paths, AdditionReport& report);
  int AddAll(const std::vector<PlannedFile>& files, AdditionReport& report);
  // The collection's entries become `entries`, then the earlier entries a drop put there (and
  // those without a slot that `entries` lacks): programs dropped on the collection stay when
  // its file or folder comes again.
  int RenewEntries(std::int64_t collection, std::vector<CollectionEntry> entries);
  int AddFile(const PlannedFile& file, AdditionReport& report);
  int StorePrograms(const ProgramFile& file, const std::string& path,
                    std::vector<CollectionEntry>& entries, AdditionReport& report);
  int AppendReceived(std::int64_t collectionId, std::span<const std::int64_t> programIds);
  int FolderCollection(const PlannedFile& file, std::int64_t& id);
  int Fail(const std::string& why);
  void Report(std::size_t done, std::size_t total, const std::string& path) const;

  LibraryStore& store_;
  ProgressHandler progress_;
  const std::atomic<bool>* cancel_ = nullptr;
  // The document AddDocument reads in place of its file.
  std::unique_ptr<S2A_File> document_;
  std::map<std::string, std::int64_t> folderIds_;
  std::map<std::int64_t, std::vector<CollectionEntry>> folderEntries_;
  std::string error_;
};
