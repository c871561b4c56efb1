#include "cli/Verbs.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "cli/DiffVerb.h"
#include "cli/ItemSlot.h"
#include "cli/LibraryVerbs.h"
#include "cli/ListVerb.h"
#include "cli/MidiVerbs.h"
#include "cli/StandardStreams.h"
#include "cli/VerbArguments.h"
#include "cli/VerbSupport.h"
#include "files/DumpFiles.h"
#include "files/FileFormat.h"
#include "files/ItemFiles.h"
#include "files/S2I_File.h"
#include "midi/sysex/ItemDumpList.h"
#include "midi/sysex/SYX_File.h"
#include "model/BankLayouts.h"
#include "model/CountText.h"
#include "model/File.h"
#include "model/PrintableText.h"
#include "model/S2A_File.h"

namespace {

// --- Items ---

// The slot's item from a dump file, as the editor imports it: the first item dump of the slot's
// kind, or the bulk data of a file without item dumps. Says on standard error when the file
// held more than one dump of that kind, and when blocks were missing.
int ImportDumpForSlot(const std::string& path, const ItemSlot& slot, S2I_File& item) {
  const std::string kind = KindInfo(slot.layout->kind).name;
  const ItemFileImport import = ImportItemFile(item, path);
  const ItemImportReport& report = import.report;
  if (!import.Succeeded()) {
    if (report.itemDumps > 0 && report.dumpsOfKind == 0) {
      return Failure("import",
                     path + " holds no " + kind + " dump among its " +
                         std::to_string(report.itemDumps) + " item dumps, but " + slot.Describe() +
                         " takes " + kind + " items; nothing written",
                     import);
    }
    if (report.totalBlocks > 0)
      return Failure("import", path + " holds no " + kind + " data; nothing written", import);
    return Failure("import", path + ": could not be loaded", import);
  }
  import.PassOn();
  for (const std::string& note : report.Notes(kind))
    std::fprintf(stderr, "corvale-cli: import: %s %s\n", PrintablePath(path).c_str(), note.c_str());
  return kExitSuccess;
}

// `where` names the item in the line that counts its bytes sent as seven-bit values.
int SaveSingleItem(const char* verb, S2I_File& item, const std::string& path,
                   const std::string& where) {
  const FileSave save = ExportItemFile(item, path);
  if (!save.Succeeded())
    return Failure(verb, path + ": could not be saved", save);
  save.PassOn();
  if (const Item* held = item.GetItem(S2I_File::kAnyKind))
    ReportSevenBitBytes(verb, where, *held, save.sevenBitBytes);
  return kExitSuccess;
}

// --- Verbs ---

// The SysEx messages of one dump file written as the other kind, whatever they hold.
int ConvertDumps(const std::string& in, const std::string& out) {
  SYX_File dump;
  const DumpFileLoad load = LoadDumpFile(dump, in);
  if (!load.Succeeded())
    return Failure("convert", in + ": could not be loaded", load);
  load.PassOn();
  if (load.midi.Damaged() > 0) {
    std::fprintf(stderr, "corvale-cli: convert: %s: %zu damaged MIDI file parts skipped\n",
                 PrintablePath(in).c_str(), load.midi.Damaged());
  }
  const FileOutcome save = SaveDumpFile(dump, out);
  if (!save.Succeeded())
    return Failure("convert", out + ": could not be saved", save);
  save.PassOn();
  return kExitSuccess;
}

// An .s2i file: a single item, which travels only to and from item files.
bool IsSingleItemFile(const std::string& path) {
  const FileFormat* format = FileFormatOf(path);
  return format != nullptr && format->content == FileContent::Item;
}

int ConvertFile(const std::string& in, const std::string& out, bool forced) {
  // As the window asks before it saves over such a file. One not there yet holds nothing (and
  // would only leave the reader's diagnostic behind).
  std::error_code absent;
  const std::size_t notKept =
      forced || !std::filesystem::exists(out, absent) ? 0 : DumpFileContentNotKept(out);
  if (notKept > 0) {
    return Failure("convert", out + " holds " +
                                  CountText(notKept, "message or event", "messages and events") +
                                  " that no document keeps: dumps to an edit buffer, other "
                                  "messages or MIDI events; --force replaces it all the same");
  }
  if (IsDumpFile(in) && IsDumpFile(out))
    return ConvertDumps(in, out);
  // A single item travels between an .s2i file and a dump file; a whole document between the
  // others.
  if (IsSingleItemFile(in) || IsSingleItemFile(out)) {
    if (!IsItemFile(in))
      return WrongKind("convert", in, kItemFileKinds + " for an item file");
    if (!IsItemFile(out))
      return WrongKind("convert", out, kItemFileKinds + " for an item file");
    S2I_File item;
    if (const int status = LoadSingleItem("convert", in, item); status != kExitSuccess)
      return status;
    return SaveSingleItem("convert", item, out, in);
  }
  if (!OpensAsDocument(in))
    return WrongKind("convert", in, ExtensionList(&FileFormat::IsReadable));
  if (const FileFormat* format = FileFormatOf(out); format == nullptr || !format->SavesDocument())
    return WrongKind("convert", out, ExtensionList(&FileFormat::SavesDocument));
  S2A_File document;
  if (const int status = OpenDocument("convert", in, document); status != kExitSuccess)
    return status;
  return SaveDocument("convert", document, out);
}

int ExportItem(std::span<const std::string> arguments) {
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

// `arguments`: DOC ITEM FILE OUT.
int ImportItem(std::span<const std::string> arguments) {
  const std::string& documentPath = arguments[0];
  const std::string& itemPath = arguments[2];
  const std::string& out = arguments[3];
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

constexpr OptionRule kFormatOption[] = {{"--format", "a file format"}};
constexpr OptionRule kConvertOptions[] = {{"--force"}, {"--format", "a file format"}};

// Parses a verb's arguments and takes its --format values; 0, or the usage error's status.
int ReadArguments(const char* verb, std::span<const std::string> arguments,
                  std::span<const OptionRule> options, VerbArguments& parsed,
                  StandardStreams& streams) {
  if (const int status = parsed.Parse(verb, arguments, options); status != kExitSuccess)
    return status;
  std::string listing;
  return streams.TakeFormats(parsed.Values("--format"), {}, listing);
}

int Convert(std::span<const std::string> arguments) {
  VerbArguments parsed;
  StandardStreams streams("convert");
  if (const int status = ReadArguments("convert", arguments, kConvertOptions, parsed, streams))
    return status;
  if (parsed.Words().size() != 2)
    return UsageError("convert: expected IN OUT [--force]");
  std::string in = parsed.Words()[0];
  std::string out = parsed.Words()[1];
  if (const int status = streams.Input(in); status != kExitSuccess)
    return status;
  if (const int status = streams.Output(out); status != kExitSuccess)
    return status;
  return streams.Finish(ConvertFile(in, out, parsed.Has("--force")));
}

int Export(std::span<const std::string> arguments) {
  VerbArguments parsed;
  StandardStreams streams("export");
  if (const int status = ReadArguments("export", arguments, kFormatOption, parsed, streams))
    return status;
  if (parsed.Words().size() != 3)
    return UsageError("export: expected DOC ITEM OUT");
  std::vector<std::string> words = parsed.Words();
  if (const int status = streams.Input(words[0]); status != kExitSuccess)
    return status;
  if (const int status = streams.Output(words[2]); status != kExitSuccess)
    return status;
  return streams.Finish(ExportItem(words));
}

int Import(std::span<const std::string> arguments) {
  VerbArguments parsed;
  StandardStreams streams("import");
  if (const int status = ReadArguments("import", arguments, kFormatOption, parsed, streams))
    return status;
  if (parsed.Words().size() != 3 && parsed.Words().size() != 4)
    return UsageError("import: expected DOC ITEM FILE [OUT]");
  std::vector<std::string> words = parsed.Words();
  words.resize(4, words[0]);  // OUT is DOC when not given: "-" then is standard output
  for (const std::size_t read : {0, 2}) {
    if (const int status = streams.Input(words[read]); status != kExitSuccess)
      return status;
  }
  if (const int status = streams.Output(words[3]); status != kExitSuccess)
    return status;
  return streams.Finish(ImportItem(words));
}

constexpr std::array<Verb, 10> kVerbs{{
    {"list", "list FILE... [--format text|tsv|json]",
     "Print the items of each bank file (.s2a, .s2v, .s2e) or item file (.s2i), and the item\n"
     "      dumps of a SysEx file (.syx) or of the SysEx events of a Standard MIDI File (.mid)\n"
     "      with their locations and the messages dropped as invalid. Each place is named as\n"
     "      ITEM is given to export, import, send and receive (int-inst:A01). --format tsv or\n"
     "      json: one record a program (file, place, kind, category, name) instead.",
     "corvale-cli list \"My Banks.s2a\" piano.s2i dumps.syx dumps.mid", &ListVerb},
    {"convert", "convert IN OUT [--force]",
     "Convert a bank file to another bank file, to a Cakewalk instrument definition (.ins) or\n"
     "      to a MIDI name document (.midnam, as a DAW such as Ardour reads it), or to the\n"
     "      memory dumps of every item (.syx, or .mid: a Standard MIDI File of one SysEx event a\n"
     "      message, paced for the DIN wire); a .syx or .mid file of item dumps to a bank file\n"
     "      (the dumps to memory locations fill their slots); a .syx file to a .mid file and back\n"
     "      (the SysEx messages as they are); or a single item between .s2i and .syx or .mid.\n"
     "      Banks and slots a file lacks start as the defaults. A .syx or .mid OUT that holds\n"
     "      more than item dumps (a song's notes, other messages) is replaced only with --force.",
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
    {"ports", "ports [--in PORT] [--out PORT]",
     "List the MIDI input and output ports, numbered, the current ones marked with *. The\n"
     "      current ports are the ones stored in the settings; --in and --out choose others for\n"
     "      one run of any MIDI verb, without storing them: by number, or by a part of the name\n"
     "      that only one port holds (numbers change as devices come and go).",
     "corvale-cli ports", &PortsVerb},
    {"send", "send DOC ITEM [--buffer] [--verify] [--retries N] [--in PORT] [--out PORT]",
     "Send one item of a bank file to the synthesizer: to its own memory location, then\n"
     "      select it; with --buffer select the item's program, then send the item to the edit\n"
     "      buffer of its kind. ITEM may also be a whole bank (int-inst, ...) or all, every bank\n"
     "      DOC holds: each item goes to its memory location, and a summary on standard error\n"
     "      names the items not sent (exit status 1 when there are any). With --verify each\n"
     "      item stored is read back and compared; one that differs is sent once more, then\n"
     "      reported. --retries N: read-backs ask again up to N times (the setting\n"
     "      ReceiveRetries, 2 when unset).",
     "corvale-cli send \"My Banks.s2a\" int-inst:A05 --buffer", &SendVerb},
    {"receive", "receive DOC ITEM [--buffer] [--retries N] [OUT] [--in PORT] [--out PORT]",
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
    {"backup", "backup OUT [--retries N] [--in PORT] [--out PORT]",
     "Receive every bank OUT's kind holds (.s2a all six, .s2v the four voice banks, .s2e the\n"
     "      three external banks) into a new bank set of the defaults and save it to OUT; as\n"
     "      receive DOC all OUT. A backup that is not complete never replaces OUT: what arrived\n"
     "      goes to OUT.partial.s2a (.s2v, .s2e) beside it, and the exit status is 1.",
     "corvale-cli backup \"S80 Backup.s2a\"", &BackupVerb},
    {"library",
     "library add PATH... | library find TEXT... [--kind KIND] [--tag TAG] [--favourite]\n"
     "    [--format text|tsv|json] | library export ID OUT | library bank COLLECTION OUT |\n"
     "    library tag ID TAG... | library untag ID TAG... | library fav ID... |\n"
     "    library unfav ID... | library send ID [--slot BANK:SLOT] [--verify] [--in PORT]\n"
     "    [--out PORT]",
     "The library of programs ($CORVALE_LIBRARY). add: read bank, item and SysEx files and\n"
     "      folders (recursively) into it as one change, and say how many programs were new,\n"
     "      already known, and which files were skipped and why (exit status 1 when any were).\n"
     "      find: the programs whose name, category, kind (inst, perc, perf) or tags hold every\n"
     "      word of TEXT, with their number, first place and programs of the same sound (fav:\n"
     "      and tag:NAME as words keep favourites and tagged programs); --kind keeps one kind,\n"
     "      --tag one tag, --favourite the favourites; --format tsv or json: one record a\n"
     "      program (id, kind, category, name, first place, number of places). export: program\n"
     "      ID to an .s2i, .syx or .mid file. bank: a collection (by number, or the path of the\n"
     "      folder or bank file it was made from) to a bank file, each program of a bank file in\n"
     "      its own slot. tag, untag: add or take away tags (one word each). fav, unfav: mark\n"
     "      or unmark favourites. send: program ID to the synthesizer's edit buffer of its\n"
     "      kind, or with --slot to that memory location (replaced without asking). Programs\n"
     "      received by receive and backup join the library too (the setting\n"
     "      AddReceivedToLibrary=0 stops that).",
     "corvale-cli library add ~/banks && corvale-cli library find piano --kind inst", &LibraryVerb},
}};

}  // namespace

std::span<const Verb> Verbs() {
  return kVerbs;
}
