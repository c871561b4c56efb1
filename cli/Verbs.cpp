#include "cli/Verbs.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <memory>

#include "cli/DiffVerb.h"
#include "cli/ItemSlot.h"
#include "cli/LibraryVerbs.h"
#include "cli/MidiVerbs.h"
#include "cli/VerbSupport.h"
#include "files/FileExtension.h"
#include "files/S2E_File.h"
#include "files/S2I_File.h"
#include "files/S2V_File.h"
#include "midi/sysex/ItemDumpList.h"
#include "midi/sysex/SYX_File.h"
#include "midi/sysex/StandardMidiFile.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"

namespace {

// --- Listing ---

void PrintItemDumps(const std::string& path, const ItemDumpList& list) {
  std::printf("File \"%s\" (%s):\n", path.c_str(),
              HasExtension(path, "mid") ? "Standard MIDI File" : "SysEx File");
  for (const FoundItemDump& dump : list.dumps) {
    std::string where;
    if (!dump.meaning) {
      char code[32];
      std::snprintf(code, sizeof code, "Unknown location %02X %02X", dump.location.mid,
                    dump.location.low);
      where = code;
    } else if (dump.meaning->bank == nullptr) {
      where = std::string(KindInfo(dump.meaning->kind).name) + " edit buffer";
    } else {
      const int slot = dump.meaning->slot;
      char place[64];
      std::snprintf(place, sizeof place, "%s %03d(%s)", dump.meaning->bank->longName, slot + 1,
                    Bank::SlotLabel(slot).c_str());
      where = place;
    }
    if (dump.item) {
      const std::string missing = dump.missingBlocks == 0
                                      ? ""
                                      : " (" + std::to_string(dump.missingBlocks) + " of " +
                                            std::to_string(dump.totalBlocks) + " blocks missing)";
      std::printf("\t%s: %s %s:%s%s%s\n", where.c_str(), KindInfo(dump.item->Kind()).name,
                  dump.item->CategoryName().c_str(), dump.item->PrintableName().c_str(),
                  missing.c_str(), dump.complete ? "" : " (no footer)");
    } else {
      std::printf("\t%s%s\n", where.c_str(), dump.complete ? "" : " (no footer)");
    }
  }
  if (list.outside > 0)
    std::printf("  Messages outside item dumps: %zu\n", list.outside);
  std::printf("  Messages dropped as invalid: %zu\n", list.dropped);
}

int ListDumpFile(const std::string& path) {
  SYX_File dump;
  StandardMidiFile::ReadCounts damaged;
  if (LoadDumpFile(dump, path, &damaged) != 0)
    return kExitFailure;
  PrintItemDumps(path, FindItemDumps(dump.Bytes()));
  if (damaged.Damaged() > 0)
    std::printf("  MIDI file parts skipped as damaged: %zu\n", damaged.Damaged());
  return kExitSuccess;
}

// The containers that load and list a file, by extension.
struct ListableKind {
  const char* extension;
  std::unique_ptr<File> (*make)();
};

template <class Container>
std::unique_ptr<File> Make() {
  return std::make_unique<Container>();
}

constexpr std::array<ListableKind, 4> kListable{{
    {"s2a", &Make<S2A_File>},
    {"s2v", &Make<S2V_File>},
    {"s2e", &Make<S2E_File>},
    {"s2i", &Make<S2I_File>},
}};

const ListableKind* ListableKindOf(const std::string& path) {
  for (const ListableKind& kind : kListable) {
    if (HasExtension(path, kind.extension))
      return &kind;
  }
  return nullptr;
}

int ListFile(const std::string& path) {
  if (IsDumpFile(path))
    return ListDumpFile(path);
  const std::unique_ptr<File> container = ListableKindOf(path)->make();
  if (container->Load(path) != 0)
    return kExitFailure;
  container->PrintListing();
  ReportMissingItems("list", path, container->MissingItemRecords());
  return kExitSuccess;
}

int ListFiles(std::span<const std::string> files) {
  if (files.empty())
    return UsageError("list: no file given");
  for (const std::string& path : files) {
    if (ListableKindOf(path) == nullptr && !IsDumpFile(path))
      return WrongKind("list", path, ".s2a, .s2v, .s2e, .s2i, .syx or .mid");
  }
  int status = kExitSuccess;
  for (const std::string& path : files) {
    if (ListFile(path) != kExitSuccess)
      status = Failure("list", path + ": could not be loaded");
    FlushOutput();
  }
  return status;
}

// --- Items ---

// Reads a single item of any kind: from an .s2i file, or from the first item dump of a dump file
// whose header names a known location. A dump file without item dumps is read as bulk data for the
// kind `item` already holds, when it holds one.
int LoadSingleItem(const char* verb, const std::string& path, S2I_File& item) {
  if (!IsDumpFile(path)) {
    if (ImportItemFile(item, path) != 0)
      return Failure(verb, path + ": could not be loaded");
    return kExitSuccess;
  }
  SYX_File dump;
  if (LoadDumpFile(dump, path) != 0)
    return Failure(verb, path + ": could not be loaded");
  std::size_t dumpCount = 0;
  if (ImportFirstItemDump(item, dump, dumpCount) != 0)
    return Failure(verb, path + ": holds no item dump with a known location");
  if (dumpCount > 1) {
    std::fprintf(stderr, "corvale-cli: %s: %s holds %zu item dumps; the first is used\n", verb,
                 path.c_str(), dumpCount);
  }
  return kExitSuccess;
}

// The slot's item from a dump file, as the editor imports it: the first item dump of the slot's
// kind, or the bulk data of a file without item dumps. Says on standard error when the file
// held more than one dump of that kind, and when blocks were missing.
int ImportDumpForSlot(const std::string& path, const ItemSlot& slot, S2I_File& item) {
  const std::string kind = KindInfo(slot.layout->kind).name;
  ItemImportReport report;
  if (ImportItemFile(item, path, &report) != 0) {
    if (report.itemDumps > 0 && report.dumpsOfKind == 0) {
      return Failure("import", path + " holds no " + kind + " dump among its " +
                                   std::to_string(report.itemDumps) + " item dumps, but " +
                                   slot.Describe() + " takes " + kind + " items; nothing written");
    }
    if (report.totalBlocks > 0)
      return Failure("import", path + " holds no " + kind + " data; nothing written");
    return Failure("import", path + ": could not be loaded");
  }
  for (const std::string& note : ItemImportNotes(report, kind))
    std::fprintf(stderr, "corvale-cli: import: %s %s\n", path.c_str(), note.c_str());
  return kExitSuccess;
}

// `where` names the item in the line that counts its bytes sent as seven-bit values.
int SaveSingleItem(const char* verb, S2I_File& item, const std::string& path,
                   const std::string& where) {
  std::size_t sevenBitBytes = 0;
  if (ExportItemFile(item, path, sevenBitBytes) != 0)
    return Failure(verb, path + ": could not be saved");
  if (const Item* held = item.GetItem(S2I_File::kAnyKind))
    ReportSevenBitBytes(verb, where, *held, sevenBitBytes);
  return kExitSuccess;
}

// --- Verbs ---

// The SysEx messages of one dump file written as the other kind, whatever they hold.
int ConvertDumps(const std::string& in, const std::string& out) {
  SYX_File dump;
  StandardMidiFile::ReadCounts damaged;
  if (LoadDumpFile(dump, in, &damaged) != 0)
    return Failure("convert", in + ": could not be loaded");
  if (damaged.Damaged() > 0) {
    std::fprintf(stderr, "corvale-cli: convert: %s: %zu damaged MIDI file parts skipped\n",
                 in.c_str(), damaged.Damaged());
  }
  if (SaveDumpFile(dump, out) != 0)
    return Failure("convert", out + ": could not be saved");
  return kExitSuccess;
}

int Convert(std::span<const std::string> arguments) {
  if (arguments.size() != 2)
    return UsageError("convert: expected IN OUT");
  const std::string& in = arguments[0];
  const std::string& out = arguments[1];
  if (IsDumpFile(in) && IsDumpFile(out))
    return ConvertDumps(in, out);
  // A single item travels between an .s2i file and a dump file; a whole document between the
  // others.
  if (HasExtension(in, "s2i") || HasExtension(out, "s2i")) {
    if (!IsItemFile(in))
      return WrongKind("convert", in, ".s2i, .syx or .mid for an item file");
    if (!IsItemFile(out))
      return WrongKind("convert", out, ".s2i, .syx or .mid for an item file");
    S2I_File item;
    if (const int status = LoadSingleItem("convert", in, item); status != kExitSuccess)
      return status;
    return SaveSingleItem("convert", item, out, in);
  }
  if (!OpensAsDocument(in))
    return WrongKind("convert", in, ".s2a, .s2v, .s2e, .s2i, .syx or .mid");
  if (!OpensAsDocument(out) && !IsSupportingFile(out))
    return WrongKind("convert", out, ".s2a, .s2v, .s2e, .syx, .mid, .ins or .midnam");
  S2A_File document;
  if (const int status = OpenDocument("convert", in, document); status != kExitSuccess)
    return status;
  return SaveDocument("convert", document, out);
}

int Export(std::span<const std::string> arguments) {
  if (arguments.size() != 3)
    return UsageError("export: expected DOC ITEM OUT");
  const std::string& documentPath = arguments[0];
  const std::string& out = arguments[2];
  if (!IsBankFile(documentPath))
    return WrongKind("export", documentPath, kBankFileKinds);
  std::optional<ItemSlot> slot;
  if (const auto status = CheckSlot("export", documentPath, arguments[1], slot))
    return *status;
  if (!IsItemFile(out))
    return WrongKind("export", out, kItemFileKinds);

  S2A_File document;
  if (const int status = OpenDocument("export", documentPath, document); status != kExitSuccess)
    return status;
  S2I_File item;
  item.SetItem(slot->ItemIn(document));
  return SaveSingleItem("export", item, out, slot->Label());
}

int Import(std::span<const std::string> arguments) {
  if (arguments.size() != 3 && arguments.size() != 4)
    return UsageError("import: expected DOC ITEM FILE [OUT]");
  const std::string& documentPath = arguments[0];
  const std::string& itemPath = arguments[2];
  const std::string& out = arguments.size() == 4 ? arguments[3] : documentPath;
  if (!IsBankFile(documentPath))
    return WrongKind("import", documentPath, kBankFileKinds);
  std::optional<ItemSlot> slot;
  if (const auto status = CheckSlot("import", documentPath, arguments[1], slot))
    return *status;
  if (!IsItemFile(itemPath))
    return WrongKind("import", itemPath, kItemFileKinds);
  if (!IsBankFile(out))
    return WrongKind("import", out, kBankFileKinds);

  S2A_File document;
  if (const int status = OpenDocument("import", documentPath, document); status != kExitSuccess)
    return status;
  Item& target = slot->ItemIn(document);
  S2I_File item;
  item.SetItem(target);  // gives the kind; bulk data without item dumps fills this copy
  const int status = IsDumpFile(itemPath) ? ImportDumpForSlot(itemPath, *slot, item)
                                          : LoadSingleItem("import", itemPath, item);
  if (status != kExitSuccess)
    return status;
  const Item* imported = item.GetItem(S2I_File::kAnyKind);
  if (imported->Kind() != target.Kind()) {
    return Failure("import", itemPath + " holds a " + KindInfo(imported->Kind()).name +
                                 " item, but " + slot->Describe() + " takes " +
                                 KindInfo(target.Kind()).name + " items; nothing written");
  }
  target.Assign(*imported);
  return SaveDocument("import", document, out);
}

constexpr std::array<Verb, 10> kVerbs{{
    {"list", "list FILE...",
     "Print the items of each bank file (.s2a, .s2v, .s2e) or item file (.s2i), and the item\n"
     "      dumps of a SysEx file (.syx) or of the SysEx events of a Standard MIDI File (.mid)\n"
     "      with their locations and the messages dropped as invalid.",
     "corvale-cli list \"My Banks.s2a\" piano.s2i dumps.syx dumps.mid", &ListFiles},
    {"convert", "convert IN OUT",
     "Convert a bank file to another bank file, to a Cakewalk instrument definition (.ins) or\n"
     "      to a MIDI name document (.midnam, as a DAW such as Ardour reads it), or to the\n"
     "      memory dumps of every item (.syx, or .mid: a Standard MIDI File of one SysEx event a\n"
     "      message, paced for the DIN wire); a .syx or .mid file of item dumps to a bank file\n"
     "      (the dumps to memory locations fill their slots); a .syx file to a .mid file and back\n"
     "      (the SysEx messages as they are); or a single item between .s2i and .syx or .mid.\n"
     "      Banks and slots a file lacks start as the defaults.",
     "corvale-cli convert \"My Banks.s2a\" All.syx && corvale-cli convert All.syx All.mid",
     &Convert},
    {"export", "export DOC ITEM OUT",
     "Write one item of a bank file to an .s2i file, or to a .syx or .mid file as a dump to\n"
     "      the edit buffer. ITEM is BANK:SLOT, BANK one of int-inst, ext-inst, int-perc, "
     "ext-perc,\n"
     "      int-perf, ext-perf, SLOT a number from 1 or a label A01 ... H16.",
     "corvale-cli export \"My Banks.s2a\" int-inst:A05 piano.s2i", &Export},
    {"import", "import DOC ITEM FILE [OUT]",
     "Replace one item of a bank file by the item of an .s2i file (of the same kind), or by the\n"
     "      first item dump of the slot's kind in a .syx or .mid file, and save the bank file to\n"
     "      OUT, or back to DOC. Blocks a dump lacks become 0.",
     "corvale-cli import \"My Banks.s2a\" ext-perf:64 lead.syx \"New Banks.s2a\"", &Import},
    {"diff", "diff A B",
     "Print what differs between two programs of one kind, each an item file (.s2i, or the\n"
     "      first item dump of a .syx or .mid file), DOC ITEM (a slot of a bank file) or\n"
     "      library:ID (a program of the library): the name, the category, and the bytes of\n"
     "      each parameter block that differs (offset in the block, A's byte, B's byte, in hex).\n"
     "      Exit status 0 when they are identical, 1 when they differ, 2 on any error.",
     "corvale-cli diff \"My Banks.s2a\" int-inst:A05 library:14", &DiffVerb},
    {"ports", "ports [--in N] [--out N]",
     "List the MIDI input and output ports, numbered, the current ones marked with *. The\n"
     "      current ports are the ones stored in the settings; --in and --out choose others for\n"
     "      one run of any MIDI verb, without storing them.",
     "corvale-cli ports", &PortsVerb},
    {"send", "send DOC ITEM [--buffer] [--verify] [--retries N] [--in N] [--out N]",
     "Send one item of a bank file to the synthesizer: to its own memory location, then\n"
     "      select it; with --buffer select the item's program, then send the item to the edit\n"
     "      buffer of its kind. ITEM may also be a whole bank (int-inst, ...) or all, every bank\n"
     "      DOC holds: each item goes to its memory location, and a summary on standard error\n"
     "      names the items not sent (exit status 1 when there are any). With --verify each\n"
     "      item stored is read back and compared; one that differs is sent once more, then\n"
     "      reported. --retries N: read-backs ask again up to N times (the setting\n"
     "      ReceiveRetries, 2 when unset).",
     "corvale-cli send \"My Banks.s2a\" int-inst:A05 --buffer", &SendVerb},
    {"receive", "receive DOC ITEM [--buffer] [--retries N] [OUT] [--in N] [--out N]",
     "Ask the synthesizer for the item at the slot's memory location (with --buffer: its edit\n"
     "      buffer of the slot's kind), take the answer into the slot and save the bank file to\n"
     "      OUT, or back to DOC. An answer that lacks blocks (lost, or damaged on the way) is\n"
     "      asked for again, up to N more times (the setting ReceiveRetries, 2 when unset);\n"
     "      exit status 1 and nothing written when the item never arrives whole. ITEM may also\n"
     "      be a whole bank (int-inst, ...) or all, every bank DOC and OUT hold: the items that\n"
     "      did not arrive whole are asked for again after the last one, and a summary on\n"
     "      standard error names those that still did not (exit status 1 when there are any;\n"
     "      the items that arrived are saved).",
     "corvale-cli receive \"My Banks.s2a\" ext-perf:4 \"New Banks.s2a\"", &ReceiveVerb},
    {"backup", "backup OUT [--retries N] [--in N] [--out N]",
     "Receive every bank OUT's kind holds (.s2a all six, .s2v the four voice banks, .s2e the\n"
     "      three external banks) into a new bank set of the defaults and save it to OUT; as\n"
     "      receive DOC all OUT. A backup that is not complete never replaces OUT: what arrived\n"
     "      goes to OUT.partial.s2a (.s2v, .s2e) beside it, and the exit status is 1.",
     "corvale-cli backup \"S80 Backup.s2a\"", &BackupVerb},
    {"library",
     "library add PATH... | library find TEXT [--kind KIND] | library export ID OUT |\n"
     "    library bank COLLECTION OUT",
     "The library of programs ($CORVALE_LIBRARY). add: read bank, item and SysEx files and\n"
     "      folders (recursively) into it as one change, and say how many programs were new,\n"
     "      already known, and which files were skipped and why (exit status 1 when any were).\n"
     "      find: the programs whose name, category or kind (inst, perc, perf) hold every word\n"
     "      of TEXT, with their number, first place and programs of the same sound; --kind\n"
     "      keeps one kind. export: program ID to an .s2i, .syx or .mid file. bank: a collection "
     "(by\n"
     "      number, or the path of the folder or bank file it was made from) to a bank file,\n"
     "      each program of a bank file in its own slot.",
     "corvale-cli library add ~/banks && corvale-cli library find piano --kind inst", &LibraryVerb},
}};

}  // namespace

std::span<const Verb> Verbs() {
  return kVerbs;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "corvale-cli: %s\n", message.c_str());
  return kExitUsage;
}
