#include "files/FileExtension.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <set>
#include <span>

#include "files/FileDiagnostics.h"
#include "files/INS_File.h"
#include "files/MIDNAM_File.h"
#include "files/S2E_File.h"
#include "files/S2I_File.h"
#include "files/S2V_File.h"
#include "files/SmartFile.h"
#include "midi/sysex/ItemDumpList.h"
#include "midi/sysex/SYX_File.h"
#include "midi/sysex/StandardMidiFile.h"
#include "model/BankLayouts.h"
#include "model/CountText.h"
#include "model/S2A_File.h"

bool HasExtension(const std::optional<std::string>& path,
                  const std::optional<std::string>& extension) {
  if (!path || !extension)
    return path.has_value();
  const std::size_t n = extension->size();
  if (n >= path->size())
    return false;
  if ((*path)[path->size() - n - 1] != '.')
    return false;
  return std::equal(
      extension->begin(), extension->end(), path->end() - n,
      [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
}

namespace {

// A dump to a memory location with at least one of its blocks: it takes its slot.
bool FillsASlot(const FoundItemDump& found) {
  return found.meaning && found.meaning->bank != nullptr && found.missingBlocks < found.totalBlocks;
}

constexpr std::array<const char*, 3> kBankFileExtensions{"s2a", "s2v", "s2e"};
constexpr std::array<const char*, 2> kDumpFileExtensions{"syx", "mid"};
constexpr const char* kItemFileExtension = "s2i";
constexpr const char* kMidiFileExtension = "mid";
constexpr std::array<const char*, 2> kSupportingFileExtensions{"ins", "midnam"};

bool HasAnyExtension(const std::string& path, std::span<const char* const> extensions) {
  return std::any_of(extensions.begin(), extensions.end(),
                     [&](const char* extension) { return HasExtension(path, extension); });
}

}  // namespace

bool IsBankFile(const std::string& path) {
  return HasAnyExtension(path, kBankFileExtensions);
}

bool IsDumpFile(const std::string& path) {
  return HasAnyExtension(path, kDumpFileExtensions);
}

bool IsItemFile(const std::string& path) {
  return HasExtension(path, kItemFileExtension) || IsDumpFile(path);
}

bool OpensAsDocument(const std::string& path) {
  return IsBankFile(path) || IsDumpFile(path);
}

int LoadDumpFile(SYX_File& dump, const std::string& path, StandardMidiFile::ReadCounts* damaged) {
  if (damaged != nullptr)
    *damaged = {};
  if (!HasExtension(path, kMidiFileExtension))
    return dump.Load(path);
  SYX_File file;
  if (file.Load(path) != 0)
    return -1;
  std::vector<std::uint8_t> messages;
  StandardMidiFile::ReadCounts counts;
  if (StandardMidiFile::ReadSysEx(file.Bytes(), messages, counts) != 0) {
    ReportFileDiagnostic("Error: %s is not a Standard MIDI File", path.c_str());
    return -1;
  }
  dump.Reset();
  if (dump.AppendBytes(messages) != 1)
    return -1;
  dump.SetFileName(path);
  if (damaged != nullptr)
    *damaged = counts;
  return 0;
}

int SaveDumpFile(const SYX_File& dump, const std::string& path) {
  if (!HasExtension(path, kMidiFileExtension))
    return SmartFile::SaveFile(path, [&dump](SmartFile& file) { file.Write(dump.Bytes()); });
  const std::vector<std::uint8_t> midi = StandardMidiFile::WriteSysEx(dump.Bytes());
  if (midi.empty()) {
    ReportFileDiagnostic("Error: the messages do not fit a Standard MIDI File");
    return -1;
  }
  return SmartFile::SaveFile(path, [&midi](SmartFile& file) { file.Write(midi); });
}

bool DumpFileFillsSlots(const std::string& path) {
  SYX_File dump;
  if (!IsDumpFile(path) || LoadDumpFile(dump, path) != 0)
    return false;
  const ItemDumpList list = FindItemDumps(dump.Bytes());
  return std::any_of(list.dumps.begin(), list.dumps.end(), &FillsASlot);
}

bool IsSupportingFile(const std::string& path) {
  return HasAnyExtension(path, kSupportingFileExtensions);
}

bool BankFileHolds(const std::string& bankFilePath, const BankLayout& bank) {
  if (HasExtension(bankFilePath, "s2v"))
    return bank.inVoiceFile;
  if (HasExtension(bankFilePath, "s2e"))
    return bank.inExternalFile;
  return true;
}

namespace {

// An .s2v or .s2e file read over `working`'s own banks, then taken into it.
template <class BankFile>
int LoadBanksOfFile(S2A_File& working, const std::string& path, int& missingItems,
                    S2A_File& (S2A_File::*take)(const BankFile&)) {
  BankFile file;
  file.CopyBanksFrom(working);
  if (file.Load(path) == -1)
    return -1;
  missingItems = file.MissingItemRecords();
  (working.*take)(file);
  return 0;
}

// Loads a bank file into `working`: the banks the file holds replace its own, item by item as
// far as the file goes, so that the slots of records the file ended before keep what `working`
// held. `missingItems` receives how many those were.
int LoadBankFileInto(S2A_File& working, const std::string& path, int& missingItems) {
  if (HasExtension(path, "s2a")) {
    const int result = working.Load(path);
    missingItems = working.MissingItemRecords();
    return result;
  }
  if (HasExtension(path, "s2v"))
    return LoadBanksOfFile<S2V_File>(working, path, missingItems, &S2A_File::MergeVoiceBanks);
  if (HasExtension(path, "s2e"))
    return LoadBanksOfFile<S2E_File>(working, path, missingItems, &S2A_File::MergeExternalBanks);
  return -1;
}

// Counts a dump file's dumps into `found`: those that take a slot, returned, and those placed
// nowhere.
std::vector<const FoundItemDump*> SortDumps(const ItemDumpList& list,
                                            const StandardMidiFile::ReadCounts& midi,
                                            BankLoadReport& found) {
  found.skippedMessages = list.dropped + list.outside;
  found.damagedMidiParts = midi.Damaged();
  found.otherMidiEvents = midi.otherEvents;
  std::vector<const FoundItemDump*> placed;
  std::set<std::pair<const BankLayout*, int>> slots;
  for (const FoundItemDump& candidate : list.dumps) {
    if (!candidate.meaning) {
      ++found.unknownLocationDumps;
    } else if (candidate.meaning->bank == nullptr) {
      ++found.editBufferDumps;
    } else if (FillsASlot(candidate)) {
      found.incompleteDumps += candidate.missingBlocks > 0;
      found.replacedDumps +=
          !slots.insert({candidate.meaning->bank, candidate.meaning->slot}).second;
      placed.push_back(&candidate);
    }
  }
  return placed;
}

// Puts the items of a dump file's dumps to memory locations into their slots of `working`.
int LoadDumpsInto(S2A_File& working, const std::string& path, BankLoadReport& found) {
  SYX_File dump;
  StandardMidiFile::ReadCounts midi;
  if (LoadDumpFile(dump, path, &midi) != 0)
    return -1;
  const ItemDumpList list = FindItemDumps(dump.Bytes());
  const std::vector<const FoundItemDump*> placed = SortDumps(list, midi, found);
  if (placed.empty()) {
    ReportFileDiagnostic("Error: %s holds no item dump to a memory location", path.c_str());
    return -1;
  }
  for (const FoundItemDump* dumped : placed) {
    const BulkDump::LocationMeaning& meaning = *dumped->meaning;
    Item& slot = *meaning.bank->bankIn(working).ItemAt(meaning.slot);
    slot.Assign(*dumped->item);
    slot.MarkLoaded();
  }
  found.placedDumps = placed.size();
  return 0;
}

// Loads into `working`, which the document becomes only when the load succeeded (a load that
// reports a read error still succeeds, with what was read).
int TakeLoadedBankFile(S2A_File& document, S2A_File& working,
                       const std::optional<std::string>& path, BankLoadReport* report) {
  if (report != nullptr)
    *report = {};
  BankLoadReport found;
  if (!path)
    return -1;
  const int loaded = IsDumpFile(*path) ? LoadDumpsInto(working, *path, found)
                                       : LoadBankFileInto(working, *path, found.missingItems);
  if (loaded == -1) {
    // What a dump file held tells why it gave nothing to open.
    if (report != nullptr && IsDumpFile(*path))
      *report = found;
    return -1;
  }
  document.CopyFrom(working);
  document.SetFileName(working.FileName());
  if (report != nullptr)
    *report = found;
  return 0;
}

// The held item's blocks from bulk data, when any of them arrived whole.
int LoadHeldItemFromBulk(Item& held, const SysxMemoryCore& memory, ItemImportReport& found) {
  found.totalBlocks = held.BlockCount();
  found.missingBlocks = held.MissingBulkBlockCount(memory);
  if (found.missingBlocks == found.totalBlocks)
    return -1;
  return held.LoadFromBulk(memory);
}

// The held item from the first item dump of its kind, or from the bulk data of a file without
// item dumps.
int ImportFirstDumpOfKind(Item& held, SYX_File& dump, ItemImportReport& found) {
  const ItemDumpList list = FindItemDumps(dump.Bytes());
  const FoundItemDump* taken = nullptr;
  for (const FoundItemDump& candidate : list.dumps) {
    if (candidate.item == nullptr)
      continue;
    ++found.itemDumps;
    if (candidate.item->Kind() == held.Kind() && found.dumpsOfKind++ == 0)
      taken = &candidate;
  }
  if (found.itemDumps == 0)
    return LoadHeldItemFromBulk(held, dump.Memory(), found);
  if (taken == nullptr)
    return -1;
  found.missingBlocks = taken->missingBlocks;
  found.totalBlocks = taken->totalBlocks;
  if (taken->missingBlocks == taken->totalBlocks)
    return -1;
  held.Assign(*taken->item);
  return 0;
}

template <class BankFile>
int SaveBanksAs(const S2A_File& document, const std::string& path) {
  BankFile file;
  file.CopyBanksFrom(document);
  return file.Save(path);
}

int SaveDumpsOf(const S2A_File& document, const std::string& path, std::size_t& sevenBitBytes) {
  SYX_File dump;
  int failures = 0;
  document.ForEachBank([&](const Bank& bank) {
    bank.ForEachItem([&](const Item& item) { failures += dump.AppendItemDump(item) != 0; });
  });
  sevenBitBytes = dump.SevenBitBytes();
  return failures == 0 ? SaveDumpFile(dump, path) : -1;
}

}  // namespace

std::size_t DumpFileContentNotKept(const std::string& path) {
  SYX_File dump;
  StandardMidiFile::ReadCounts midi;
  if (!IsDumpFile(path) || LoadDumpFile(dump, path, &midi) != 0)
    return 0;
  BankLoadReport found;
  SortDumps(FindItemDumps(dump.Bytes()), midi, found);
  return found.NotKept();
}

int OpenBankFile(S2A_File& document, const std::optional<std::string>& path,
                 BankLoadReport* report) {
  S2A_File fresh;
  // A bank file names the document as it loads; a dump file is only read.
  if (path && IsDumpFile(*path))
    fresh.SetFileName(path);
  return TakeLoadedBankFile(document, fresh, path, report);
}

int MergeBankFile(S2A_File& document, const std::optional<std::string>& path,
                  BankLoadReport* report) {
  S2A_File working;
  working.CopyFrom(document);
  working.SetFileName(document.FileName());
  return TakeLoadedBankFile(document, working, path, report);
}

std::vector<std::string> ItemImportNotes(const ItemImportReport& report,
                                         const std::string& kindName) {
  std::vector<std::string> notes;
  if (report.dumpsOfKind > 1) {
    std::string kind = kindName;
    std::transform(kind.begin(), kind.end(), kind.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    notes.push_back("holds " + std::to_string(report.dumpsOfKind) + " " + kind +
                    " dumps; the first is used");
  }
  if (report.missingBlocks > 0) {
    notes.push_back("lacks " + std::to_string(report.missingBlocks) + " of " +
                    std::to_string(report.totalBlocks) + " blocks; they become 0");
  }
  return notes;
}

namespace {

// "1 dump" or "2 dumps", then `rest`.
}  // namespace

std::string BankLoadWarning(const BankLoadReport& report) {
  std::vector<std::string> parts;
  if (report.missingItems > 0) {
    parts.push_back(
        "ends early: " + CountText(static_cast<std::size_t>(report.missingItems), "item", "items") +
        " missing");
  }
  const struct {
    std::size_t count;
    const char* one;
    const char* many;
    const char* rest;
  } counted[] = {
      {report.editBufferDumps, "dump", "dumps", " to an edit buffer placed nowhere"},
      {report.unknownLocationDumps, "dump", "dumps", " to an unknown location placed nowhere"},
      {report.incompleteDumps, "dump lacks", "dumps lack", " blocks, read as 0"},
      {report.skippedMessages, "message", "messages",
       " skipped (not item dumps or a bad checksum)"},
      {report.damagedMidiParts, "damaged MIDI file part", "damaged MIDI file parts", " skipped"},
      {report.otherMidiEvents, "other MIDI event", "other MIDI events",
       " not kept (notes, controllers, meta events)"},
      {report.replacedDumps, "slot", "slots", " filled twice: the later dump is kept"},
  };
  for (const auto& part : counted) {
    if (part.count > 0)
      parts.push_back(CountText(part.count, part.one, part.many) + part.rest);
  }
  std::string warning;
  for (const std::string& part : parts)
    warning += (warning.empty() ? "" : "; ") + part;
  return warning;
}

int SaveBankFile(S2A_File& document, const std::optional<std::string>& path) {
  std::size_t unasked = 0;
  return SaveBankFile(document, path, unasked);
}

int SaveBankFile(S2A_File& document, const std::optional<std::string>& path,
                 std::size_t& sevenBitBytes) {
  sevenBitBytes = 0;
  if (!path)
    return -1;
  if (HasExtension(path, "s2a"))
    return document.Save(path);
  if (HasExtension(path, "s2v"))
    return SaveBanksAs<S2V_File>(document, *path);
  if (HasExtension(path, "s2e"))
    return SaveBanksAs<S2E_File>(document, *path);
  if (IsDumpFile(*path))
    return SaveDumpsOf(document, *path, sevenBitBytes);
  if (HasExtension(path, "ins")) {
    INS_File definition;
    definition.SetFileName(path);
    definition.BuildInstrumentDefinition(document);
    return definition.Save();
  }
  if (HasExtension(path, "midnam")) {
    MIDNAM_File names;
    names.SetFileName(path);
    names.BuildNameDocument(document);
    return names.Save();
  }
  return -1;
}

int ImportItemFile(S2I_File& item, const std::optional<std::string>& path,
                   ItemImportReport* report) {
  ItemImportReport unasked;
  ItemImportReport& found = report != nullptr ? *report : unasked;
  found = {};
  if (!path)
    return -1;
  if (HasExtension(path, kItemFileExtension))
    return item.Load(path);
  if (IsDumpFile(*path)) {
    Item* held = item.GetItem(S2I_File::kAnyKind);
    if (held == nullptr)
      return -1;
    SYX_File dump;
    if (LoadDumpFile(dump, *path) == -1)
      return -1;
    return ImportFirstDumpOfKind(*held, dump, found);
  }
  return -1;
}

int ImportFirstItemDump(S2I_File& item, SYX_File& dump, std::size_t& dumpCount) {
  dumpCount = 0;
  const ItemDumpList list = FindItemDumps(dump.Bytes());
  const auto first = std::find_if(list.dumps.begin(), list.dumps.end(),
                                  [](const FoundItemDump& found) { return found.item != nullptr; });
  if (first == list.dumps.end()) {
    Item* held = item.GetItem(S2I_File::kAnyKind);
    ItemImportReport unasked;
    return held != nullptr ? LoadHeldItemFromBulk(*held, dump.Memory(), unasked) : -1;
  }
  item.SetItem(*first->item);
  dumpCount = list.dumps.size();
  return 0;
}

int ExportItemFile(S2I_File& item, const std::optional<std::string>& path) {
  std::size_t sevenBitBytes = 0;
  return ExportItemFile(item, path, sevenBitBytes);
}

int ExportItemFile(S2I_File& item, const std::optional<std::string>& path,
                   std::size_t& sevenBitBytes) {
  sevenBitBytes = 0;
  if (!path)
    return -1;
  if (HasExtension(path, kItemFileExtension))
    return item.Save(path);
  if (IsDumpFile(*path)) {
    const Item* held = item.GetItem(S2I_File::kAnyKind);
    if (held == nullptr)
      return -1;
    SYX_File dump;
    if (dump.StoreToEditBuffer(*held) != 0)
      return -1;
    sevenBitBytes = dump.SevenBitBytes();
    return SaveDumpFile(dump, *path);
  }
  return -1;
}
