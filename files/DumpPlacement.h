#pragma once

#include <string>
#include <vector>

class S2A_File;
struct BankLoadReport;
struct FoundItemDump;
struct ItemDumpList;
namespace StandardMidiFile {
struct ReadCounts;
}

// Where the item dumps of a dump file (.syx, .mid) go in a document: each dump to a memory
// location with at least one of its blocks takes the slot its header names; the others are
// placed nowhere and counted.
namespace DumpPlacement {

// A dump to a memory location with at least one of its blocks: it takes its slot.
bool FillsASlot(const FoundItemDump& found);

// Counts a dump file's dumps into `found`: those that take a slot, returned in order, and those
// placed nowhere, the messages skipped and what a .mid file held besides.
std::vector<const FoundItemDump*> SortDumps(const ItemDumpList& list,
                                            const StandardMidiFile::ReadCounts& midi,
                                            BankLoadReport& found);

// Puts the items of the dumps to memory locations into their slots of `working`; fails after a
// diagnostic naming `path` when there is none.
int PlaceDumps(S2A_File& working, const ItemDumpList& list,
               const StandardMidiFile::ReadCounts& midi, const std::string& path,
               BankLoadReport& found);

}  // namespace DumpPlacement
