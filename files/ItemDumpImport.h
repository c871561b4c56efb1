#pragma once

#include <cstddef>

class Item;
class S2I_File;
class SYX_File;
struct ItemImportReport;

// A single item taken from the messages of a dump file (.syx, .mid) already read.
namespace ItemDumpImport {

// The held item from the first item dump of its kind, whatever its location (memory or edit
// buffer), or from the bulk data of a file without item dumps. Fails when the file holds item
// dumps but none of that kind, and when none of the item's blocks arrived; the held item is then
// as it was. `found` says what the file held.
int FirstDumpOfKind(Item& held, SYX_File& dump, ItemImportReport& found);

// The item of the first item dump whose header names a known location, whatever its kind; in a
// file without one, the bulk data for the held item's blocks. 0 on success; -1 leaves the item
// unchanged. `dumpCount` is set to the number of item dumps in the file when the item came from
// the first of them, and to 0 otherwise.
int FirstItemDump(S2I_File& item, SYX_File& dump, std::size_t& dumpCount);

}  // namespace ItemDumpImport
