#include "files/ItemDumpImport.h"

#include <algorithm>

#include "files/ItemImportReport.h"
#include "files/S2I_File.h"
#include "midi/sysex/ItemDumpList.h"
#include "midi/sysex/SYX_File.h"

namespace ItemDumpImport {

namespace {

// The held item's blocks from bulk data, when any of them arrived whole.
int LoadHeldItemFromBulk(Item& held, const SysxMemoryCore& memory, ItemImportReport& found) {
  found.totalBlocks = held.BlockCount();
  found.missingBlocks = held.MissingBulkBlockCount(memory);
  if (found.missingBlocks == found.totalBlocks)
    return -1;
  return held.LoadFromBulk(memory);
}

}  // namespace

int FirstDumpOfKind(Item& held, SYX_File& dump, ItemImportReport& found) {
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

int FirstItemDump(S2I_File& item, SYX_File& dump, std::size_t& dumpCount) {
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

}  // namespace ItemDumpImport
