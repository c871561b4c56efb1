#include "cli/LibraryVerbs.h"

#include <strings.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string_view>

#include "cli/ItemSlot.h"
#include "cli/VerbSupport.h"
#include "cli/Verbs.h"
#include "files/FileExtension.h"
#include "files/S2I_File.h"
#include "library/LibraryAddition.h"
#include "library/LibraryStore.h"
#include "model/BankLayouts.h"
#include "model/CountText.h"
#include "model/Item.h"
#include "model/S2A_File.h"

namespace {

constexpr int kPageSize = 500;

std::unique_ptr<LibraryStore> OpenLibrary(
    const char* verb, LibraryStore::Access access = LibraryStore::Access::Change) {
  const std::string path = LibraryStore::DefaultPath();
  std::string error;
  std::unique_ptr<LibraryStore> store = LibraryStore::Open(path, error, access);
  if (!store)
    Failure(verb, path + ": " + error);
  return store;
}

int LibraryFailure(const char* verb, const LibraryStore& store) {
  return Failure(verb, store.Path() + ": " + store.LastError());
}

// Runs `write` on the library once OUT has one of the extensions `isKind` takes: its status, or
// the usage error or failure to open the library.
int WriteFromLibrary(const char* verb, const std::string& out, bool (*isKind)(const std::string&),
                     const char* kinds, const std::function<int(LibraryStore&)>& write) {
  if (!isKind(out))
    return WrongKind(verb, out, kinds);
  const std::unique_ptr<LibraryStore> store = OpenLibrary(verb, LibraryStore::Access::Read);
  return store ? write(*store) : kExitFailure;
}

// --- add ---

void ShowProgress(const AdditionProgress& progress) {
  if (progress.path.empty()) {
    std::fprintf(stderr, "\r\033[K");
    return;
  }
  std::fprintf(stderr, "\r\033[Kfile %zu of %zu: %s", progress.filesDone + 1, progress.filesTotal,
               progress.path.c_str());
}

int Add(std::span<const std::string> paths) {
  constexpr const char* kVerb = "library add";
  if (paths.empty())
    return UsageError("library add: no file or folder given");
  const std::unique_ptr<LibraryStore> store = OpenLibrary(kVerb);
  if (!store)
    return kExitFailure;
  LibraryAddition addition(*store);
  if (isatty(STDERR_FILENO))
    addition.SetProgressHandler(&ShowProgress);
  AdditionReport report;
  const int result = addition.Add(paths, report);
  for (const FileRemark& note : report.notes)
    std::fprintf(stderr, "corvale-cli: %s: %s: %s\n", kVerb, note.path.c_str(), note.text.c_str());
  for (const FileRemark& skip : report.skipped) {
    std::fprintf(stderr, "corvale-cli: %s: %s: skipped: %s\n", kVerb, skip.path.c_str(),
                 skip.text.c_str());
  }
  if (result != 0)
    return Failure(kVerb, store->Path() + ": " + addition.Error());
  std::printf("%s read: %s, %s already known; %s skipped\n",
              CountText(report.filesRead, "file", "files").c_str(),
              CountText(report.newPrograms, "new program", "new programs").c_str(),
              std::to_string(report.knownPrograms).c_str(),
              CountText(report.skipped.size(), "file", "files").c_str());
  return report.skipped.empty() ? kExitSuccess : kExitFailure;
}

// --- find ---

// The kind a word begins the name of, in any letter case: "inst", "Perc", "performance". Four
// letters at least, since "per" would name two.
std::optional<ItemKind> KindOfWord(const std::string& word) {
  constexpr std::size_t kShortestWord = 4;
  for (int code = 0; code < kItemKindCount; ++code) {
    const ItemKind kind = static_cast<ItemKind>(code);
    const std::string_view name = KindInfo(kind).name;
    if (word.size() >= kShortestWord && word.size() <= name.size() &&
        strncasecmp(word.c_str(), name.data(), word.size()) == 0) {
      return kind;
    }
  }
  return std::nullopt;
}

std::string PlaceText(const ProgramPlace& place) {
  if (place.origin == ProgramPlace::Origin::Received)
    return "received from the S80 " + place.seenAt;
  const BankLayout* layout = FindBankLayoutByWord(place.bank);
  if (layout == nullptr || place.slot < 0)
    return place.path;
  return place.path + " " + ItemSlot{layout, place.slot}.Label();
}

// "12  Instrument  Pf:Grand Pno  /banks/a.s2a int-inst:A01 (+2 places)  same sound: 14, 20"
void PrintRow(const ListedProgram& listed) {
  const ProgramRow& row = listed.program;
  std::string line = std::to_string(row.id) + "  " + KindInfo(row.kind).name + "  " + row.category +
                     ":" + row.name;
  if (listed.firstPlace)
    line += "  " + PlaceText(*listed.firstPlace);
  if (listed.placeCount > 1) {
    line +=
        " (+" + CountText(static_cast<std::size_t>(listed.placeCount - 1), "place", "places") + ")";
  }
  for (std::size_t i = 0; i < listed.sameSound.size(); ++i)
    line += (i == 0 ? "  same sound: " : ", ") + std::to_string(listed.sameSound[i]);
  std::printf("%s\n", line.c_str());
}

int Find(std::span<const std::string> arguments) {
  constexpr const char* kVerb = "library find";
  ProgramFilter filter;
  if (arguments.size() == 3 && arguments[1] == "--kind") {
    filter.kind = KindOfWord(arguments[2]);
    if (!filter.kind)
      return UsageError("library find: unknown kind '" + arguments[2] + "' (inst, perc or perf)");
  } else if (arguments.size() != 1) {
    return UsageError("library find: expected TEXT [--kind KIND]");
  }
  filter.text = arguments[0];
  const std::unique_ptr<LibraryStore> store = OpenLibrary(kVerb, LibraryStore::Access::Read);
  if (!store)
    return kExitFailure;
  // One query read to its end, output flushed a page of lines at a time.
  std::int64_t printed = 0;
  const int result = store->ForEachFound(filter, [&printed](const ListedProgram& row) {
    PrintRow(row);
    if (++printed % kPageSize == 0)
      FlushOutput();
  });
  FlushOutput();
  return result == 0 ? kExitSuccess : LibraryFailure(kVerb, *store);
}

// --- export ---

int WriteProgram(LibraryStore& store, int id, const std::string& out) {
  constexpr const char* kVerb = "library export";
  ProgramImage image;
  if (store.ReadImage(id, image) != 0)
    return LibraryFailure(kVerb, store);
  S2I_File file;
  if (LibraryStore::FillItem(*file.GetItem(static_cast<int>(image.kind)), image) != 0)
    return Failure(kVerb, "program " + std::to_string(id) + " has an image of another size");
  if (ExportItemFile(file, out) != 0)
    return Failure(kVerb, out + ": could not be saved");
  return kExitSuccess;
}

int Export(std::span<const std::string> arguments) {
  if (arguments.size() != 2)
    return UsageError("library export: expected ID OUT");
  const std::optional<int> id = DecimalNumber(arguments[0], 9);
  if (!id)
    return UsageError("library export: '" + arguments[0] + "' is no program number");
  const std::string& out = arguments[1];
  return WriteFromLibrary("library export", out, &IsItemFile, kItemFileKinds,
                          [&](LibraryStore& store) { return WriteProgram(store, *id, out); });
}

// --- bank ---

// Places a collection's programs in a fresh bank set: each entry of a bank file in its own
// slot, each other one (a program dropped on the collection, an entry of a folder) in the next
// slot of the first bank of its kind OUT holds that no entry of a bank file takes. Entries of
// a bank file are to be placed first: HasSlot says whether an entry is one. An entry whose row
// is damaged is left out with its reason, so that the file written always loads.
class BankBuilder {
 public:
  BankBuilder(LibraryStore& store, const std::string& out) : store_(store), out_(out) {}

  // 0, or -1 when the library could not be read.
  int Place(const CollectionEntry& entry, std::size_t number) {
    if (!entry.damage.empty())
      return LeaveOutDamaged(entry, number, entry.damage);
    ProgramImage image;
    if (store_.ReadImage(entry.programId, image) != 0)
      return image.damage.empty() ? -1 : LeaveOutDamaged(entry, number, store_.LastError());
    const BankLayout* layout = FindBankLayoutByWord(entry.bank);
    if (layout != nullptr && layout->kind != image.kind) {
      return LeaveOutDamaged(entry, number,
                             "its program is of another kind than " + std::string(layout->word));
    }
    int slot = entry.slot;
    // Two entries for one slot (dumps of two files to one location): the later one moves on.
    if (layout != nullptr && taken_.contains({layout, slot}))
      layout = nullptr;
    if (layout == nullptr && !NextFreeSlot(image.kind, layout, slot))
      return LeaveOut();
    if (!BankFileHolds(out_, *layout))
      return LeaveOut();
    if (LibraryStore::FillItem(*layout->bankIn(document_).ItemAt(slot), image) != 0)
      return LeaveOut();
    taken_.insert({layout, slot});
    return 0;
  }

  static bool HasSlot(const CollectionEntry& entry) {
    return entry.damage.empty() && FindBankLayoutByWord(entry.bank) != nullptr;
  }

  S2A_File& Document() { return document_; }
  int LeftOut() const { return leftOut_; }
  // "entry 6 (program 12): its slot 128 is outside int-inst (0 to 127)", one a damaged entry.
  const std::vector<std::string>& Damaged() const { return damaged_; }

 private:
  int LeaveOut() {
    ++leftOut_;
    return 0;
  }

  int LeaveOutDamaged(const CollectionEntry& entry, std::size_t number, const std::string& why) {
    damaged_.push_back("entry " + std::to_string(number) + " (program " +
                       std::to_string(entry.programId) + "): " + why);
    return 0;
  }

  bool NextFreeSlot(ItemKind kind, const BankLayout*& layout, int& slot) {
    for (const BankLayout& each : kBankLayouts) {
      int& next = nextFree_[&each];
      while (next < each.capacity && taken_.contains({&each, next}))
        ++next;
      if (each.kind == kind && BankFileHolds(out_, each) && next < each.capacity) {
        layout = &each;
        slot = next++;
        return true;
      }
    }
    return false;
  }

  LibraryStore& store_;
  const std::string& out_;
  S2A_File document_;
  std::map<const BankLayout*, int> nextFree_;
  std::set<std::pair<const BankLayout*, int>> taken_;
  int leftOut_ = 0;
  std::vector<std::string> damaged_;
};

int WriteCollection(LibraryStore& store, const std::string& name, const std::string& out) {
  constexpr const char* kVerb = "library bank";
  CollectionRow collection;
  std::vector<CollectionEntry> entries;
  if (store.FindCollection(name, collection) != 0 || store.Entries(collection.id, entries) != 0)
    return LibraryFailure(kVerb, store);
  BankBuilder builder(store, out);
  for (const bool withSlot : {true, false}) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (BankBuilder::HasSlot(entries[i]) == withSlot && builder.Place(entries[i], i + 1) != 0)
        return LibraryFailure(kVerb, store);
    }
  }
  for (const std::string& damaged : builder.Damaged()) {
    std::fprintf(stderr, "corvale-cli: %s: %s: left out, damaged in the library: %s\n", kVerb,
                 collection.path.c_str(), damaged.c_str());
  }
  if (builder.LeftOut() > 0) {
    std::fprintf(stderr, "corvale-cli: %s: %s: %s left out (no room for them in %s)\n", kVerb,
                 collection.path.c_str(),
                 CountText(builder.LeftOut(), "program", "programs").c_str(), out.c_str());
  }
  const int saved = SaveDocument(kVerb, builder.Document(), out);
  return saved == kExitSuccess && !builder.Damaged().empty() ? kExitFailure : saved;
}

int Bank(std::span<const std::string> arguments) {
  if (arguments.size() != 2)
    return UsageError("library bank: expected COLLECTION OUT");
  const std::string& out = arguments[1];
  return WriteFromLibrary(
      "library bank", out, &IsBankFile, kBankFileKinds,
      [&](LibraryStore& store) { return WriteCollection(store, arguments[0], out); });
}

struct LibraryAction {
  const char* name;
  int (*run)(std::span<const std::string> arguments);
};

constexpr std::array<LibraryAction, 4> kActions{{
    {"add", &Add},
    {"find", &Find},
    {"export", &Export},
    {"bank", &Bank},
}};

}  // namespace

int LibraryVerb(std::span<const std::string> arguments) {
  if (!arguments.empty()) {
    for (const LibraryAction& action : kActions) {
      if (arguments[0] == action.name)
        return action.run(arguments.subspan(1));
    }
  }
  return UsageError("library: expected add, find, export or bank (see corvale-cli --help)");
}
