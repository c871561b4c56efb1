#include "files/ItemFiles.h"

#include "files/FileFormat.h"
#include "files/ItemDumpImport.h"
#include "files/S2I_File.h"
#include "midi/sysex/SYX_File.h"
#include "midi/sysex/StandardMidiFile.h"

ItemFileImport ImportItemFile(S2I_File& item, const std::optional<std::string>& path) {
  ItemFileImport import;
  const FileFormat* format = FileFormatOf(path);
  if (format == nullptr || !format->HoldsItem())
    return import;
  import.Run([&] { return format->readItem(item, *path, import.report);
});
return import;
}

AnyItemImport ImportAnyItem(S2I_File& item, const std::optional<std::string>& path) {
  AnyItemImport import;
  const FileFormat* format = FileFormatOf(path);
  if (format == nullptr || !format->HoldsItem())
    return import;
  import.Run([&] {
    if (!format->HoldsDumps()) {
      ItemImportReport unasked;
  return format->readItem(item, *path, unasked);
}
SYX_File messages;
StandardMidiFile::ReadCounts midi;
if (format->readMessages(messages, *path, midi) != 0)
  return -1;
import.fileRead = true;
return ItemDumpImport::FirstItemDump(item, messages, import.dumpCount);
});
return import;
}

FileSave ExportItemFile(S2I_File& item, const std::optional<std::string>& path) {
  FileSave save;
  const FileFormat* format = FileFormatOf(path);
  if (format == nullptr || !format->HoldsItem())
    return save;
  save.Run([&] { return format->writeItem(item, *path, save.sevenBitBytes); });
  return save;
}
