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

#include "cli/ExitStatus.h"
#include "cli/ItemSlot.h"
#include "cli/MidiVerbs.h"
#include "cli/RecordOutput.h"
#include "cli/StandardStreams.h"
#include "cli/VerbArguments.h"
#include "cli/VerbSupport.h"
#include "files/FileFormat.h"
#include "files/ItemFiles.h"
#include "files/S2I_File.h"
#include "library/LibraryAddition.h"
#include "library/LibraryStore.h"
#include "model/BankLayouts.h"
#include "model/CountText.h"
#include "model/Item.h"
#include "model/PrintableText.h"
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
                     const std::string& kinds, const std::function<int(LibraryStore&)>& write) {
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
               PrintablePath(progress.path).c_str());
}

int Add(std::span<const std::string> paths) {
  constexpr const char* kVerb = "library add";
  if (paths.empty())
    return UsageError("library add: no file or folder given");
  const std::unique_ptr<LibraryStore> store = OpenLibrary(kVerb);
  if (!store)
    return kExitFailure;
  LibraryAddition addition(*store);
  if (isatty(STDERR_FILENO) && !Quiet())
    addition.SetProgressHandler(&ShowProgress);
  AdditionReport report;
  const int result = addition.Add(paths, report);
  for (const FileRemark& note : report.notes)
    std::fprintf(stderr, "corvale-cli: %s: %s: %s\n", kVerb, PrintablePath(note.path).c_str(),
                 PrintablePath(note.text).c_str());
  for (const FileRemark& skip : report.skipped) {
    std::fprintf(stderr, "corvale-cli: %s: %s: skipped: %s\n", kVerb,
                 PrintablePath(skip.path).c_str(), PrintablePath(skip.text).c_str());
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

// "/banks/a.s2a int-inst:A01", "received from the S80 2026-12-09T06:50:00Z int-inst:A01".
// `printable`: for a line on a terminal; else the path's bytes as they are, for a record.
std::string PlaceText(const ProgramPlace& place, bool printable = true) {
  // A path is the file system's bytes: a line break or an escape sequence in it stays in the line.
  const std::string where = place.origin == ProgramPlace::Origin::Received
                                ? "received from the S80 " + place.seenAt
                            : printable ? PrintablePath(place.path)
                                        : place.path;
  const BankLayout* layout = FindBankLayoutByWord(place.bank);
  if (layout == nullptr || place.slot < 0)
    return where;
  return where + " " + ItemSlot{layout, place.slot}.Label();
}

// "12  Instrument  Pf:Grand Pno  /banks/a.s2a int-inst:A01 (+2 places)  same sound: 14, 20",
// then "  favourite" and "  tags: pads, warm" where the program has them.
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
  if (listed.favourite)
    line += "  favourite";
  for (std::size_t i = 0; i < listed.tags.size(); ++i)
    line += (i == 0 ? "  tags: " : ", ") + listed.tags[i];
  std::printf("%s\n", line.c_str());
}

constexpr const char* kFindUsage =
    "library find: expected TEXT [--kind KIND] [--tag TAG]... [--favourite]";

constexpr OptionRule kFindOptions[] = {{"--kind", "a value"},
                                       {"--tag", "a value"},
                                       {"--favourite"},
                                       {"--favorite"},
                                       {"--format", "a value (text, tsv or json)"}};

// The filter of find's arguments: every word of TEXT, anywhere among the options; 0, or the
// usage error's status.
int ReadFindArguments(std::span<const std::string> arguments, ProgramFilter& filter,
                      std::optional<RecordOutput::Form>& form) {
  VerbArguments parsed;
  if (const int status = parsed.Parse("library find", arguments, kFindOptions);
      status != kExitSuccess) {
    return status;
  }
  if (const std::optional<std::string> kind = parsed.Value("--kind")) {
    filter.kind = KindOfWord(*kind);
    if (!filter.kind)
      return UsageError("library find: unknown kind '" + *kind + "' (inst, perc or perf)");
  }
  filter.tags = parsed.Values("--tag");
  filter.favouritesOnly = parsed.Has("--favourite") || parsed.Has("--favorite");
  if (const std::optional<std::string> format = parsed.Value("--format")) {
    form = RecordOutput::FormOf(*format);
    if (!form && *format != "text")
      return UsageError("library find: --format " + *format + ": expected text, tsv or json");
  }
  std::string text;
  for (const std::string& word : parsed.Words())
    text += (text.empty() ? "" : " ") + word;
  if (text.empty() && !filter.kind && filter.tags.empty() && !filter.favouritesOnly)
    return UsageError(kFindUsage);
  filter.text = text;
  return kExitSuccess;
}

void WriteRecord(RecordOutput& records, const ListedProgram& listed) {
  const ProgramRow& row = listed.program;
  records.Write({RecordOutput::Number(row.id),
                 {KindInfo(row.kind).name},
                 {row.category},
                 {row.name},
                 {listed.firstPlace ? PlaceText(*listed.firstPlace, false) : ""},
                 RecordOutput::Number(listed.placeCount)});
}

int Find(std::span<const std::string> arguments) {
  constexpr const char* kVerb = "library find";
  ProgramFilter filter;
  std::optional<RecordOutput::Form> form;
  if (const int status = ReadFindArguments(arguments, filter, form); status != kExitSuccess)
    return status;
  const std::unique_ptr<LibraryStore> store = OpenLibrary(kVerb, LibraryStore::Access::Read);
  if (!store)
    return kExitFailure;
  std::optional<RecordOutput> records;
  if (form)
    records.emplace(*form, std::vector{"id", "kind", "category", "name", "place", "places"});
  // One query read to its end, output flushed a page of lines at a time.
  std::int64_t printed = 0;
  const int result = store->ForEachFound(filter, [&](const ListedProgram& row) {
    if (records)
      WriteRecord(*records, row);
    else
      PrintRow(row);
    if (++printed % kPageSize == 0)
      FlushOutput();
  });
  records.reset();
  FlushOutput();
  return result == 0 ? kExitSuccess : LibraryFailure(kVerb, *store);
}

// --- tag, untag, fav, unfav ---

// The program numbers `arguments` give; none, after the usage error, when one is no number.
std::optional<std::vector<std::int64_t>> ProgramNumbers(const char* verb,
                                                        std::span<const std::string> arguments) {
  std::vector<std::int64_t> numbers;
  for (const std::string& argument : arguments) {
    const std::optional<int> number = DecimalNumber(argument, 9);
    if (!number) {
      UsageError(std::string(verb) + ": '" + argument + "' is no program number");
      return std::nullopt;
    }
    numbers.push_back(*number);
  }
  return numbers;
}

using Marking = int (LibraryStore::*)(std::span<const std::int64_t>, std::span<const std::string>);

int ChangeTags(const char* verb, std::span<const std::string> arguments, Marking marking) {
  if (arguments.size() < 2)
    return UsageError(std::string(verb) + ": expected ID TAG...");
  const std::optional<std::vector<std::int64_t>> ids = ProgramNumbers(verb, arguments.first(1));
  if (!ids)
    return kExitUsage;
  const std::vector<std::string> tags(arguments.begin() + 1, arguments.end());
  for (const std::string& tag : tags) {
    if (const std::string refusal = LibraryStore::TagRefusal(tag); !refusal.empty())
      return UsageError(std::string(verb) + ": '" + tag + "': " + refusal);
  }
  const std::unique_ptr<LibraryStore> store = OpenLibrary(verb);
  if (!store)
    return kExitFailure;
  return ((*store).*marking)(*ids, tags) == 0 ? kExitSuccess : LibraryFailure(verb, *store);
}

int Tag(std::span<const std::string> arguments) {
  return ChangeTags("library tag", arguments, &LibraryStore::AddTags);
}

int Untag(std::span<const std::string> arguments) {
  return ChangeTags("library untag", arguments, &LibraryStore::RemoveTags);
}

int MarkFavourites(const char* verb, std::span<const std::string> arguments, bool favourite) {
  if (arguments.empty())
    return UsageError(std::string(verb) + ": expected ID...");
  const std::optional<std::vector<std::int64_t>> ids = ProgramNumbers(verb, arguments);
  if (!ids)
    return kExitUsage;
  const std::unique_ptr<LibraryStore> store = OpenLibrary(verb);
  if (!store)
    return kExitFailure;
  return store->SetFavourite(*ids, favourite) == 0 ? kExitSuccess : LibraryFailure(verb, *store);
}

int Favourite(std::span<const std::string> arguments) {
  return MarkFavourites("library fav", arguments, true);
}

int Unfavourite(std::span<const std::string> arguments) {
  return MarkFavourites("library unfav", arguments, false);
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
  const FileSave save = ExportItemFile(file, out);
  if (!save.Succeeded())
    return Failure(kVerb, out + ": could not be saved", save);
  save.PassOn();
  return kExitSuccess;
}

constexpr OptionRule kFormatOption[] = {{"--format", "a file format"}};

// The words of a verb that writes OUT, the last of them, which "-" makes a file for standard
// output; 0, or the usage error's status.
int ReadOutputArguments(const char* verb, std::span<const std::string> arguments,
                        std::vector<std::string>& words, StandardStreams& streams) {
  VerbArguments parsed;
  if (const int status = parsed.Parse(verb, arguments, kFormatOption); status != kExitSuccess)
    return status;
  std::string listing;
  if (const int status = streams.TakeFormats(parsed.Values("--format"), {}, listing);
      status != kExitSuccess) {
    return status;
  }
  words = parsed.Words();
  return words.size() == 2 ? streams.Output(words[1]) : kExitSuccess;
}

int Export(std::span<const std::string> arguments) {
  StandardStreams streams("library export");
  std::vector<std::string> words;
  if (const int status = ReadOutputArguments("library export", arguments, words, streams))
    return status;
  if (words.size() != 2)
    return UsageError("library export: expected ID OUT");
  const std::optional<int> id = DecimalNumber(words[0], 9);
  if (!id)
    return UsageError("library export: '" + words[0] + "' is no program number");
  const std::string& out = words[1];
  return streams.Finish(
      WriteFromLibrary("library export", out, &IsItemFile, kItemFileKinds,
                       [&](LibraryStore& store) { return WriteProgram(store, *id, out); }));
}

// --- send ---

// Where a program goes: the slot --slot names, which must hold its kind; else the edit buffer
// of its kind, by way of the first slot of a bank of that kind.
std::optional<int> ChooseSendSlot(const std::optional<std::string>& slotText, ItemKind kind,
                                  ItemSlot& slot, bool& toBuffer) {
  constexpr const char* kVerb = "library send";
  toBuffer = !slotText;
  if (toBuffer) {
    for (const BankLayout& layout : kBankLayouts) {
      if (layout.kind == kind) {
        slot = {&layout, 0};
        return std::nullopt;
      }
    }
  }
  std::string error;
  const std::optional<ItemSlot> parsed = ParseItemSlot(*slotText, error);
  if (!parsed)
    return UsageError(std::string(kVerb) + ": --slot " + *slotText + ": " + error);
  if (parsed->layout->kind != kind) {
    return UsageError(std::string(kVerb) + ": " + parsed->Label() + " takes " +
                      KindInfo(parsed->layout->kind).name + " programs, not " +
                      KindInfo(kind).name + " ones");
  }
  slot = *parsed;
  return std::nullopt;
}

constexpr OptionRule kSendOptions[] = {{"--slot", "a value"},
                                       {"--verify"},
                                       {"--retries", "a value"},
                                       {"--in", "a value"},
                                       {"--out", "a value"}};

int SendProgram(std::span<const std::string> arguments) {
  constexpr const char* kVerb = "library send";
  VerbArguments parsed;
  if (const int status = parsed.Parse(kVerb, arguments, kSendOptions); status != kExitSuccess)
    return status;
  if (parsed.Words().size() != 1)
    return UsageError(std::string(kVerb) + ": expected ID [--slot BANK:SLOT]");
  const std::optional<int> id = DecimalNumber(parsed.Words()[0], 9);
  if (!id)
    return UsageError(std::string(kVerb) + ": '" + parsed.Words()[0] + "' is no program number");
  const std::optional<std::string> slotText = parsed.Value("--slot");
  // The options of the transfer, for SendDocumentItem to read as send does.
  std::vector<std::string> options;
  if (parsed.Has("--verify"))
    options.push_back("--verify");
  for (const char* option : {"--retries", "--in", "--out"}) {
    if (const std::optional<std::string> value = parsed.Value(option))
      options.push_back(std::string(option) + "=" + *value);
  }
  S2A_File document;
  ItemSlot slot{};
  bool toBuffer = true;
  {
    const std::unique_ptr<LibraryStore> store = OpenLibrary(kVerb, LibraryStore::Access::Read);
    if (!store)
      return kExitFailure;
    ProgramImage image;
    if (store->ReadImage(*id, image) != 0)
      return LibraryFailure(kVerb, *store);
    if (const auto status = ChooseSendSlot(slotText, image.kind, slot, toBuffer))
      return *status;
    if (LibraryStore::FillItem(slot.ItemIn(document), image) != 0)
      return Failure(kVerb, "program " + std::to_string(*id) + " has an image of another size");
  }
  return SendDocumentItem(kVerb, options, document, slot, toBuffer);
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
                 PrintablePath(collection.path).c_str(), damaged.c_str());
  }
  if (builder.LeftOut() > 0) {
    std::fprintf(stderr, "corvale-cli: %s: %s: %s left out (no room for them in %s)\n", kVerb,
                 PrintablePath(collection.path).c_str(),
                 CountText(builder.LeftOut(), "program", "programs").c_str(),
                 PrintablePath(out).c_str());
  }
  const int saved = SaveDocument(kVerb, builder.Document(), out);
  return saved == kExitSuccess && !builder.Damaged().empty() ? kExitFailure : saved;
}

int Bank(std::span<const std::string> arguments) {
  StandardStreams streams("library bank");
  std::vector<std::string> words;
  if (const int status = ReadOutputArguments("library bank", arguments, words, streams))
    return status;
  if (words.size() != 2)
    return UsageError("library bank: expected COLLECTION OUT");
  const std::string& out = words[1];
  return streams.Finish(
      WriteFromLibrary("library bank", out, &IsBankFile, kBankFileKinds,
                       [&](LibraryStore& store) { return WriteCollection(store, words[0], out); }));
}

struct LibraryAction {
  const char* name;
  int (*run)(std::span<const std::string> arguments);
  // Whether the action reads its options itself; the others take none but "--".
  bool hasOptions = false;
};

constexpr std::array<LibraryAction, 9> kActions{{
    {"add", &Add},
    {"find", &Find, true},
    {"export", &Export, true},
    {"bank", &Bank, true},
    {"tag", &Tag},
    {"untag", &Untag},
    {"fav", &Favourite},
    {"unfav", &Unfavourite},
    {"send", &SendProgram, true},
}};

}  // namespace

int LibraryVerb(std::span<const std::string> arguments) {
  if (!arguments.empty()) {
    for (const LibraryAction& action : kActions) {
      if (arguments[0] != action.name)
        continue;
      if (action.hasOptions)
        return action.run(arguments.subspan(1));
      VerbArguments parsed;
      if (const int status =
              parsed.Parse(std::string("library ") + action.name, arguments.subspan(1), {});
          status != kExitSuccess) {
        return status;
      }
      return action.run(parsed.Words());
    }
  }
  return UsageError(
      "library: expected add, find, export, bank, tag, untag, fav, unfav or send (see "
      "corvale-cli --help)");
}
