#include "files/FileFormat.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

#include "files/BankLoadReport.h"
#include "files/DumpPlacement.h"
#include "files/INS_File.h"
#include "files/ItemDumpImport.h"
#include "files/ItemImportReport.h"
#include "files/MIDNAM_File.h"
#include "files/MessageFiles.h"
#include "files/S2E_File.h"
#include "files/S2I_File.h"
#include "files/S2V_File.h"
#include "midi/sysex/ItemDumpList.h"
#include "midi/sysex/SYX_File.h"
#include "midi/sysex/StandardMidiFile.h"
#include "model/BankLayouts.h"
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

using ReadCounts = StandardMidiFile::ReadCounts;
using MessageFiles::ReadMidi;
using MessageFiles::ReadSysEx;
using MessageFiles::WriteMidi;
using MessageFiles::WriteSysEx;

// --- Documents ---

int ReadAllBanks(S2A_File& working, const std::string& path, BankLoadReport& found) {
  const int result = working.Load(path);
  found.missingItems = working.MissingItemRecords();
  return result;
}

// An .s2v or .s2e file read over `working`'s own banks, then taken into it.
template <class BankFile>
int ReadBanksOf(S2A_File& working, const std::string& path, BankLoadReport& found) {
  BankFile file;
  file.CopyBanksFrom(working);
  if (file.Load(path) == -1)
    return -1;
  found.missingItems = file.MissingItemRecords();
  file.CopyBanksTo(working);
  return 0;
}

template <auto readMessages>
int ReadDumps(S2A_File& working, const std::string& path, BankLoadReport& found) {
  SYX_File messages;
  ReadCounts midi;
  if (readMessages(messages, path, midi) != 0)
    return -1;
  return DumpPlacement::PlaceDumps(working, FindItemDumps(messages.Bytes()), midi, path, found);
}

int WriteAllBanks(S2A_File& document, const std::string& path, std::size_t&) {
  return document.Save(path);
}

template <class BankFile>
int WriteBanksOf(S2A_File& document, const std::string& path, std::size_t&) {
  BankFile file;
  file.CopyBanksFrom(document);
  return file.Save(path);
}

// Every item as a dump to its memory location, bank by bank in the document's bank order, slot
// by slot.
template <auto writeMessages>
int WriteDumps(S2A_File& document, const std::string& path, std::size_t& sevenBitBytes) {
  SYX_File messages;
  int failures = 0;
  document.ForEachBank([&](const Bank& bank) {
    bank.ForEachItem([&](const Item& item) { failures += messages.AppendItemDump(item) != 0; });
  });
  sevenBitBytes = messages.SevenBitBytes();
  return failures == 0 ? writeMessages(messages, path) : -1;
}

int WriteInstrumentDefinition(S2A_File& document, const std::string& path, std::size_t&) {
  INS_File definition;
  definition.SetFileName(path);
  definition.BuildInstrumentDefinition(document);
  return definition.Save();
}

int WriteNameDocument(S2A_File& document, const std::string& path, std::size_t&) {
  MIDNAM_File names;
  names.SetFileName(path);
  names.BuildNameDocument(document);
  return names.Save();
}

// --- Items ---

int ReadItem(S2I_File& item, const std::string& path, ItemImportReport&) {
  return item.Load(path);
}

int WriteItem(S2I_File& item, const std::string& path, std::size_t&) {
  return item.Save(path);
}

// The held item (which must exist: it gives the kind) from the file's first item dump of that
// kind; the file is not read without one.
template <auto readMessages>
int ReadItemDump(S2I_File& item, const std::string& path, ItemImportReport& found) {
  Item* held = item.GetItem(S2I_File::kAnyKind);
  if (held == nullptr)
    return -1;
  SYX_File messages;
  ReadCounts midi;
  if (readMessages(messages, path, midi) == -1)
    return -1;
  return ItemDumpImport::FirstDumpOfKind(*held, messages, found);
}

// The held item as a dump to the edit buffer of its kind (.mid: one SysEx event).
template <auto writeMessages>
int WriteItemDump(S2I_File& item, const std::string& path, std::size_t& sevenBitBytes) {
  const Item* held = item.GetItem(S2I_File::kAnyKind);
  if (held == nullptr)
    return -1;
  SYX_File messages;
  if (messages.StoreToEditBuffer(*held) != 0)
    return -1;
  sevenBitBytes = messages.SevenBitBytes();
  return writeMessages(messages, path);
}

template <class Container>
std::unique_ptr<File> Make() {
  return std::make_unique<Container>();
}

constexpr std::array<FileFormat, 8> kFileFormats{{
    {.extension = "s2a",
     .content = FileContent::Banks,
     .name = "S2A File",
     .container = &Make<S2A_File>,
     .readDocument = &ReadAllBanks,
     .writeDocument = &WriteAllBanks},
    {.extension = "s2v",
     .content = FileContent::Banks,
     .name = "S2V File",
     .container = &Make<S2V_File>,
     .holds = &BankLayout::inVoiceFile,
     .heldBanks = "voice banks",
     .otherBanks = "performance banks",
     .readDocument = &ReadBanksOf<S2V_File>,
     .writeDocument = &WriteBanksOf<S2V_File>},
    {.extension = "s2e",
     .content = FileContent::Banks,
     .name = "S2E File",
     .container = &Make<S2E_File>,
     .holds = &BankLayout::inExternalFile,
     .heldBanks = "external banks",
     .otherBanks = "internal banks",
     .readDocument = &ReadBanksOf<S2E_File>,
     .writeDocument = &WriteBanksOf<S2E_File>},
    {.extension = "s2i",
     .content = FileContent::Item,
     .name = "S2I File",
     .container = &Make<S2I_File>,
     .readItem = &ReadItem,
     .writeItem = &WriteItem},
    {.extension = "syx",
     .content = FileContent::Dumps,
     .name = "SysEx File",
     .readDocument = &ReadDumps<&ReadSysEx>,
     .writeDocument = &WriteDumps<&WriteSysEx>,
     .readItem = &ReadItemDump<&ReadSysEx>,
     .writeItem = &WriteItemDump<&WriteSysEx>,
     .readMessages = &ReadSysEx,
     .writeMessages = &WriteSysEx},
    {.extension = "mid",
     .content = FileContent::Dumps,
     .name = "Standard MIDI File",
     .readDocument = &ReadDumps<&ReadMidi>,
     .writeDocument = &WriteDumps<&WriteMidi>,
     .readItem = &ReadItemDump<&ReadMidi>,
     .writeItem = &WriteItemDump<&WriteMidi>,
     .readMessages = &ReadMidi,
     .writeMessages = &WriteMidi},
    {.extension = "ins",
     .content = FileContent::Supporting,
     .name = "Instrument Definition",
     .writeDocument = &WriteInstrumentDefinition},
    {.extension = "midnam",
     .content = FileContent::Supporting,
     .name = "MIDI Name Document",
     .writeDocument = &WriteNameDocument},
}};

template <bool (FileFormat::*holds)() const>
bool FormatOfPathHolds(const std::string& path) {
  const FileFormat* format = FileFormatOf(path);
  return format != nullptr && (format->*holds)();
}

}  // namespace

bool FileFormat::HoldsBank(const BankLayout& bank) const {
  return holds == nullptr || bank.*holds;
}

std::span<const FileFormat> FileFormats() {
  return kFileFormats;
}

const FileFormat* FileFormatOf(const std::optional<std::string>& path) {
  if (!path)
    return nullptr;
  const auto found = std::find_if(
      kFileFormats.begin(), kFileFormats.end(),
      [&](const FileFormat& format) { return HasExtension(path, std::string(format.extension)); });
  return found != kFileFormats.end() ? &*found : nullptr;
}

bool IsBankFile(const std::string& path) {
  return FormatOfPathHolds<&FileFormat::HoldsBanks>(path);
}

bool IsDumpFile(const std::string& path) {
  return FormatOfPathHolds<&FileFormat::HoldsDumps>(path);
}

bool IsItemFile(const std::string& path) {
  return FormatOfPathHolds<&FileFormat::HoldsItem>(path);
}

bool IsSupportingFile(const std::string& path) {
  return FormatOfPathHolds<&FileFormat::IsSupporting>(path);
}

bool OpensAsDocument(const std::string& path) {
  return FormatOfPathHolds<&FileFormat::OpensAsDocument>(path);
}

bool BankFileHolds(const std::string& bankFilePath, const BankLayout& bank) {
  const FileFormat* format = FileFormatOf(bankFilePath);
  return format == nullptr || format->HoldsBank(bank);
}

std::string ExtensionList(bool (FileFormat::*picked)() const) {
  std::vector<std::string> extensions;
  for (const FileFormat& format : kFileFormats) {
    if ((format.*picked)())
      extensions.push_back(std::string(".") + format.extension);
  }
  std::string list;
  for (std::size_t i = 0; i < extensions.size(); ++i) {
    if (i > 0)
      list += i + 1 == extensions.size() ? " or " : ", ";
    list += extensions[i];
  }
  return list;
}
