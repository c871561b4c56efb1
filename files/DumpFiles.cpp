#include "files/DumpFiles.h"

#include <algorithm>

#include "files/BankLoadReport.h"
#include "files/DumpPlacement.h"
#include "files/FileFormat.h"
#include "midi/sysex/ItemDumpList.h"
#include "midi/sysex/SYX_File.h"

DumpFileLoad LoadDumpFile(SYX_File& dump, const std::string& path) {
  DumpFileLoad load;
  const FileFormat* format = FileFormatOf(path);
  if (format == nullptr || !format->HoldsDumps())
    return load;
  load.Run([&] { return format->readMessages(dump, path, load.midi); });
  return load;
}

FileOutcome SaveDumpFile(const SYX_File& dump, const std::string& path) {
  FileOutcome save;
  const FileFormat* format = FileFormatOf(path);
  if (format == nullptr || !format->HoldsDumps())
    return save;
  save.Run([&] { return format->writeMessages(dump, path); });
  return save;
}

// The probes below leave what the reader said to this thread's diagnostics, as a plain read does.

bool DumpFileFillsSlots(const std::string& path) {
  SYX_File dump;
  const DumpFileLoad load = LoadDumpFile(dump, path);
  load.PassOn();
  if (!load.Succeeded())
    return false;
  const ItemDumpList list = FindItemDumps(dump.Bytes());
  return std::any_of(list.dumps.begin(), list.dumps.end(), &DumpPlacement::FillsASlot);
}

std::size_t DumpFileContentNotKept(const std::string& path) {
  SYX_File dump;
  const DumpFileLoad load = LoadDumpFile(dump, path);
  load.PassOn();
  if (!load.Succeeded())
    return 0;
  BankLoadReport found;
  DumpPlacement::SortDumps(FindItemDumps(dump.Bytes()), load.midi, found);
  return found.NotKept();
}
