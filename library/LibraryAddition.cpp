#include "library/LibraryAddition.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <system_error>
#include <thread>

#include "library/LibraryStore.h"
#include "library/ProgramFile.h"
#include "model/Item.h"
#include "model/S2A_File.h"

namespace fs = std::filesystem;

namespace {

std::string AbsolutePath(const std::string& path) {
  std::error_code ignored;
  return fs::absolute(path, ignored).lexically_normal().string();
}

// The readable files below `folder`, sorted by path.
std::vector<std::string> FilesBelow(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code error;
  for (fs::recursive_directory_iterator
           it(folder, fs::directory_options::skip_permission_denied, error),
       end;
       !error && it != end; it.increment(error)) {
    std::error_code statError;
    if (it->is_regular_file(statError) && ProgramFile::IsReadable(it->path().string()))
      found.push_back(it->path().string());
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

ReceivedProgram::ReceivedProgram(std::unique_ptr<Item> received, std::string bankWord,
                                 int slotIndex)
    : item(std::move(received)), bank(std::move(bankWord)), slot(slotIndex) {}
ReceivedProgram::ReceivedProgram(ReceivedProgram&&) noexcept = default;
ReceivedProgram& ReceivedProgram::operator=(ReceivedProgram&&) noexcept = default;
ReceivedProgram::~ReceivedProgram() = default;

ReceivedProgram ReceivedProgram::CopyOf(const Item& item, std::string bankWord, int slotIndex) {
  std::unique_ptr<Item> copy = CreateItem(item.Kind());
  copy->Assign(item);
  return {std::move(copy), std::move(bankWord), slotIndex};
}

LibraryAddition::LibraryAddition(LibraryStore& store) : store_(store) {}
LibraryAddition::~LibraryAddition() = default;

int LibraryAddition::Add(std::span<const std::string> paths, AdditionReport& report) {
  Start(report);
  return Run(Plan(paths, report), report);
}

int LibraryAddition::AddDocument(std::unique_ptr<S2A_File> document, const std::string& path,
                                 AdditionReport& report) {
  Start(report);
  document_ = std::move(document);
  const int result = Run({{AbsolutePath(path), ""}}, report);
  document_.reset();
  return result;
}

int LibraryAddition::AddReceived(std::span<const ReceivedProgram> programs,
                                 std::int64_t collectionId, AdditionReport& report) {
  Start(report);
  if (WaitForWriteLock() != 0 || store_.BeginChange() != 0) {
    if (error_.empty())
      error_ = store_.LastError();
    return -1;
  }
  ProgramPlace place;
  place.origin = ProgramPlace::Origin::Received;
  place.seenAt = LibraryStore::Now();
  std::vector<std::int64_t> ids;
  for (const ReceivedProgram& program : programs) {
    std::int64_t id = 0;
    bool isNew = false;
    place.bank = program.bank;
    place.slot = program.slot;
    if (store_.StoreProgram(*program.item, id, isNew) != 0 || store_.AddPlace(id, place) != 0) {
      store_.RollBackChange();
      return Fail(store_.LastError());
    }
    ++(isNew ? report.newPrograms : report.knownPrograms);
    ids.push_back(id);
  }
  if (collectionId != 0 && AppendReceived(collectionId, ids) != 0) {
    store_.RollBackChange();
    return Fail(store_.LastError());
  }
  if (store_.CommitChange() != 0)
    return Fail(store_.LastError());
  return 0;
}

int LibraryAddition::AppendReceived(std::int64_t collectionId,
                                    std::span<const std::int64_t> programIds) {
  if (collectionId == kReceivedCollection &&
      store_.StoreCollection(0, CollectionRow::Kind::Folder, "Received", collectionId) != 0)
    return -1;
  std::vector<CollectionEntry> entries;
  if (store_.Entries(collectionId, entries) != 0)
    return -1;
  for (const std::int64_t id : programIds)
    entries.emplace_back(id, "", -1, true);
  return store_.ReplaceEntries(collectionId, entries);
}

void LibraryAddition::Start(AdditionReport& report) {
  report = {};
  error_.clear();
  folderIds_.clear();
  folderEntries_.clear();
}

int LibraryAddition::Run(const std::vector<PlannedFile>& files, AdditionReport& report) {
  if (store_.CheckIntegrity() != 0 || WaitForWriteLock() != 0 || store_.BeginChange() != 0) {
    if (error_.empty())
      error_ = store_.LastError();
    return -1;
  }
  if (AddAll(files, report) != 0) {
    store_.RollBackChange();
    return -1;
  }
  if (store_.CommitChange() != 0)
    return Fail(store_.LastError());
  Report(files.size(), files.size(), "");
  return 0;
}

// An addition that can be canceled waits for another program's change as long as it takes,
// saying so; one that cannot waits as long as the store's own timeout.
int LibraryAddition::WaitForWriteLock() {
  constexpr auto kRetryEvery = std::chrono::milliseconds(100);
  if (cancel_ == nullptr)
    return 0;
  while (store_.ReserveChange() != 0) {
    if (!store_.IsBusy())
      return -1;
    if (cancel_->load())
      return Fail("canceled");
    if (progress_)
      progress_({0, 0, "", true});
    std::this_thread::sleep_for(kRetryEvery);
  }
  return 0;
}

std::vector<LibraryAddition::PlannedFile> LibraryAddition::Plan(std::span<const std::string> paths,
                                                                AdditionReport& report) {
  std::vector<PlannedFile> files;
  for (const std::string& given : paths) {
    const std::string path = AbsolutePath(given);
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (fs::is_directory(status)) {
      for (std::string& found : FilesBelow(path))
        files.push_back({std::move(found), path});
    } else if (fs::exists(status)) {
      files.push_back({path, ""});
    } else {
      report.skipped.push_back({path, error ? error.message() : "No such file or directory"});
    }
  }
  return files;
}

int LibraryAddition::AddAll(const std::vector<PlannedFile>& files, AdditionReport& report) {
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (cancel_ != nullptr && cancel_->load())
      return Fail("canceled");
    Report(i, files.size(), files[i].path);
    if (AddFile(files[i], report) != 0)
      return -1;
  }
  for (const auto& [collection, entries] : folderEntries_) {
    if (RenewEntries(collection, entries) != 0)
      return Fail(store_.LastError());
  }
  return 0;
}

int LibraryAddition::RenewEntries(std::int64_t collection, std::vector<CollectionEntry> entries) {
  std::vector<CollectionEntry> earlier;
  if (store_.Entries(collection, earlier) != 0)
    return -1;
  std::set<std::int64_t> held;
  for (const CollectionEntry& entry : entries)
    held.insert(entry.programId);
  for (const CollectionEntry& entry : earlier) {
    // A drop stays whatever its program is; an entry without a slot from a library older than
    // the mark of drops stays unless the files give its program again.
    if (entry.dropped || (entry.bank.empty() && held.insert(entry.programId).second))
      entries.push_back(entry);
  }
  return store_.ReplaceEntries(collection, entries);
}

int LibraryAddition::AddFile(const PlannedFile& file, AdditionReport& report) {
  ProgramFile programs;
  if (document_) {
    programs.Take(std::move(document_));
  } else if (programs.Load(file.path) != 0) {
    report.skipped.push_back({file.path, programs.Reason()});
    return 0;
  }
  ++report.filesRead;
  if (!programs.Note().empty())
    report.notes.push_back({file.path, programs.Note()});
  std::int64_t folder = 0;
  if (!file.root.empty() && FolderCollection(file, folder) != 0)
    return -1;
  std::vector<CollectionEntry> entries;
  if (StorePrograms(programs, file.path, entries, report) != 0)
    return -1;
  if (!programs.IsBankFile()) {
    if (folder != 0) {
      std::vector<CollectionEntry>& held = folderEntries_[folder];
      held.insert(held.end(), entries.begin(), entries.end());
    }
    return 0;
  }
  std::int64_t bank = 0;
  if (store_.StoreCollection(folder, CollectionRow::Kind::BankFile, file.path, bank) != 0 ||
      RenewEntries(bank, std::move(entries)) != 0) {
    return Fail(store_.LastError());
  }
  return 0;
}

int LibraryAddition::StorePrograms(const ProgramFile& file, const std::string& path,
                                   std::vector<CollectionEntry>& entries, AdditionReport& report) {
  for (const ProgramFile::Program& program : file.Programs()) {
    std::int64_t id = 0;
    bool isNew = false;
    ProgramPlace place;
    place.path = path;
    place.bank = program.bank;
    place.slot = program.slot;
    if (store_.StoreProgram(*program.item, id, isNew) != 0 || store_.AddPlace(id, place) != 0)
      return Fail(store_.LastError());
    ++(isNew ? report.newPrograms : report.knownPrograms);
    entries.push_back({id, program.bank, program.slot});
  }
  return 0;
}

// The collection of the file's folder, made with those of the folders between it and the root.
int LibraryAddition::FolderCollection(const PlannedFile& file, std::int64_t& id) {
  const fs::path folder = fs::path(file.path).parent_path();
  fs::path walked = file.root;
  std::int64_t parent = 0;
  const fs::path steps = folder.lexically_relative(file.root);
  std::vector<fs::path> chain{walked};
  for (const fs::path& step : steps) {
    if (step != ".")
      chain.push_back(walked /= step);
  }
  for (const fs::path& each : chain) {
    const auto known = folderIds_.find(each.string());
    if (known != folderIds_.end()) {
      parent = known->second;
      continue;
    }
    if (store_.StoreCollection(parent, CollectionRow::Kind::Folder, each.string(), parent) != 0)
      return Fail(store_.LastError());
    folderIds_[each.string()] = parent;
    folderEntries_.try_emplace(parent);
  }
  id = parent;
  return 0;
}

int LibraryAddition::Fail(const std::string& why) {
  error_ = why + "; nothing of this addition was kept";
  return -1;
}

void LibraryAddition::Report(std::size_t done, std::size_t total, const std::string& path) const {
  if (progress_)
    progress_({done, total, path, false});
}
