#include "cli/ListVerb.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

#include "cli/ExitStatus.h"
#include "cli/ItemSlot.h"
#include "cli/RecordOutput.h"
#include "cli/StandardStreams.h"
#include "cli/VerbArguments.h"
#include "cli/VerbSupport.h"
#include "files/DocumentFiles.h"
#include "files/DumpFiles.h"
#include "files/FileFormat.h"
#include "files/S2I_File.h"
#include "midi/sysex/ItemDumpList.h"
#include "midi/sysex/SYX_File.h"
#include "model/BankLayouts.h"
#include "model/PrintableText.h"
#include "model/S2A_File.h"

namespace {

constexpr const char* kVerb = "list";

// One program of a listed file: where it is (the ITEM the verbs take, "edit-buffer", or empty
// for an .s2i file and a dump to an unknown location) and the program.
struct ListedItem {
  std::string place;
  const Item& item;
};
using ListedItems = std::function<void(const ListedItem&)>;

// The file's programs in its text form, each line as the verbs name its place.
class TextListing {
 public:
  // `shown` is the path as given: "-" for standard input.
  void File(const std::string& path, const std::string& shown) {
    std::printf("File \"%s\" (%s):\n", PrintablePath(shown).c_str(), FileFormatOf(path)->name);
  }
  // The banks of a bank file under the headings of their kinds.
  void BankLine(const BankLayout& layout, const ListedItem& listed) {
    if (&layout != lastBank_) {
      if (layout.kind == ItemKind::Performance)
        std::printf(lastBank_ == nullptr ? "  Performance:\n" : "\n  Performance:\n");
      else if (lastBank_ == nullptr)
        std::printf("  Voice:\n");
      else if (lastBank_->kind != layout.kind)
        std::printf("\n");
      lastBank_ = &layout;
    }
    std::printf("\t%s %s:%s\n", listed.place.c_str(), listed.item.CategoryName().c_str(),
                listed.item.PrintableName().c_str());
  }

 private:
  const BankLayout* lastBank_ = nullptr;
};

// A bank file or an .s2i file: its programs in order; a failure after the file layers' reason.
int ReadContainer(const std::string& path, const std::string& shown, TextListing* text,
                  const ListedItems& each) {
  const FileFormat& format = *FileFormatOf(path);
  if (format.content == FileContent::Item) {
    S2I_File file;
    if (file.Load(path) != 0)
      return kExitFailure;
    const Item* item = file.GetItem(S2I_File::kAnyKind);
    if (text != nullptr) {
      std::printf("File %s (%s):\n", PrintablePath(shown).c_str(), format.name);
      if (item != nullptr)
        std::printf("\t%s:%s\n", item->CategoryName().c_str(), item->PrintableName().c_str());
    } else if (item != nullptr) {
      each({"", *item});
    }
    return kExitSuccess;
  }
  S2A_File document;
  const BankFileLoad load = OpenBankFile(document, path);
  if (!load.Succeeded()) {
    load.PassOn();
    return kExitFailure;
  }
  load.PassOn();
  if (text != nullptr)
    text->File(path, shown);
  for (const BankLayout& layout : kBankLayouts) {
    if (!format.HoldsBank(layout))
      continue;
    Bank& bank = layout.bankIn(document);
    for (int slot = 0; slot < layout.capacity; ++slot) {
      const ListedItem listed{ItemSlot{&layout, slot}.Label(), *bank.ItemAt(slot)};
      if (text != nullptr)
        text->BankLine(layout, listed);
      else
        each(listed);
    }
  }
  ReportLoadWarning(kVerb, shown, load.report);
  return kExitSuccess;
}

std::string DumpPlace(const FoundItemDump& dump) {
  if (!dump.meaning)
    return "";
  if (dump.meaning->bank == nullptr)
    return "edit-buffer";
  return ItemSlot{dump.meaning->bank, dump.meaning->slot}.Label();
}

void PrintItemDumps(const std::string& path, const std::string& shown, const ItemDumpList& list) {
  std::printf("File \"%s\" (%s):\n", PrintablePath(shown).c_str(), FileFormatOf(path)->name);
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
      where = DumpPlace(dump);
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

int ReadDumpFile(const std::string& path, const std::string& shown, bool asText,
                 const ListedItems& each) {
  SYX_File dump;
  const DumpFileLoad load = LoadDumpFile(dump, path);
  load.PassOn();
  if (!load.Succeeded())
    return kExitFailure;
  const ItemDumpList list = FindItemDumps(dump.Bytes());
  if (asText) {
    PrintItemDumps(path, shown, list);
    if (load.midi.Damaged() > 0)
      std::printf("  MIDI file parts skipped as damaged: %zu\n", load.midi.Damaged());
    return kExitSuccess;
  }
  for (const FoundItemDump& found : list.dumps) {
    if (found.item)
      each({DumpPlace(found), *found.item});
  }
  return kExitSuccess;
}

int ListFile(const std::string& path, const std::string& shown,
             const std::optional<RecordOutput::Form>& form, RecordOutput* records) {
  const ListedItems each = [&](const ListedItem& listed) {
    records->Write({{shown},
                    {listed.place},
                    {KindInfo(listed.item.Kind()).name},
                    {listed.item.CategoryName()},
                    {listed.item.Name()}});
  };
  if (IsDumpFile(path))
    return ReadDumpFile(path, shown, !form, each);
  TextListing text;
  return ReadContainer(path, shown, form ? nullptr : &text, each);
}

constexpr OptionRule kOptions[] = {{"--format", "a format (text, tsv, json, or a file's)"}};
constexpr const char* kListings[] = {"text", "tsv", "json"};

}  // namespace

int ListVerb(std::span<const std::string> arguments) {
  VerbArguments parsed;
  if (const int status = parsed.Parse(kVerb, arguments, kOptions); status != kExitSuccess)
    return status;
  StandardStreams streams(kVerb);
  std::string listing = "text";
  if (const int status = streams.TakeFormats(parsed.Values("--format"), kListings, listing);
      status != kExitSuccess) {
    return status;
  }
  const std::vector<std::string>& given = parsed.Words();
  std::vector<std::string> files = given;
  if (files.empty())
    return UsageError("list: no file given");
  for (std::string& path : files) {
    if (path == "-")
      continue;
    if (const FileFormat* format = FileFormatOf(path); format == nullptr || !format->IsReadable())
      return WrongKind(kVerb, path, ExtensionList(&FileFormat::IsReadable));
  }
  for (std::string& path : files) {
    if (const int status = streams.Input(path); status != kExitSuccess)
      return status;
    if (const FileFormat* format = FileFormatOf(path); !format->IsReadable())
      return WrongKind(kVerb, path, ExtensionList(&FileFormat::IsReadable));
  }
  const std::optional<RecordOutput::Form> form = RecordOutput::FormOf(listing);
  std::unique_ptr<RecordOutput> records;
  if (form)
    records = std::make_unique<RecordOutput>(
        *form, std::vector{"file", "place", "kind", "category", "name"});
  int status = kExitSuccess;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (ListFile(files[i], given[i], form, records.get()) != kExitSuccess)
      status = Failure(kVerb, given[i] + ": could not be loaded");
    FlushOutput();
  }
  records.reset();
  return status;
}
