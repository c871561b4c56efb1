#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "files/FileOutcome.h"
#include "files/ItemImportReport.h"

class S2I_File;

// A single item's files, by the format of their extension (FileFormat): imported and exported.
// An absent path or a format that holds no item fails without a word; the readers and writers
// say why anything else fails, in the outcome. An import that fails leaves the item as it was.

// An import into a held item: of a dump file, what it held (also when the import fails).
struct ItemFileImport : FileOutcome {
  ItemImportReport report;
};

// .s2i replaces the held item by the file's. A dump file fills the held item (which must exist:
// it gives the kind) from the first item dump of that kind, whatever its location (memory or
// edit buffer); a file with item dumps but none of that kind fails. A file without any item
// dump is read as bulk data for the held kind. Either way the import fails when none of the
// item's blocks arrived.
ItemFileImport ImportItemFile(S2I_File& item, const std::optional<std::string>& path);

// An item of any kind, as the command line reads one.
struct AnyItemImport : FileOutcome {
  bool fileRead = false;      // the file was read: a failure lies in what it holds
  std::size_t dumpCount = 0;  // the file's item dumps, when the item came from the first
};
// .s2i as above; of a dump file the item of the first item dump whose header names a known
// location, whatever the kind, or in a file without one the bulk data for the held item's
// blocks (a fresh S2I_File holds none, and takes no bulk data).
AnyItemImport ImportAnyItem(S2I_File& item, const std::optional<std::string>& path);

// .s2i, or a dump file as a dump to the edit buffer of the item's kind (.mid: one SysEx event),
// which carries an item byte of 80 or more as its low seven bits (the item keeps it; the outcome
// counts them).
FileSave ExportItemFile(S2I_File& item, const std::optional<std::string>& path);
