#include "files/DumpPlacement.h"

#include <set>
#include <utility>

#include "files/BankLoadReport.h"
#include "files/FileDiagnostics.h"
#include "midi/sysex/ItemDumpList.h"
#include "midi/sysex/StandardMidiFile.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"

namespace DumpPlacement {

bool FillsASlot(const FoundItemDump& found) {
  return found.meaning && found.meaning->bank != nullptr && found.missingBlocks < found.totalBlocks;
}

std::vector<const FoundItemDump*> SortDumps(const ItemDumpList& list,
                                            const StandardMidiFile::ReadCounts& midi,
                                            BankLoadReport& found) {
  found.skippedMessages = list.dropped + list.outside;
  found.damagedMidiParts = midi.Damaged();
  found.otherMidiEvents = midi.otherEvents;
  std::vector<const FoundItemDump*> placed;
  std::set<std::pair<const BankLayout*, int>> slots;
  for (const FoundItemDump& candidate : list.dumps) {
    if (!candidate.meaning) {
      ++found.unknownLocationDumps;
    } else if (candidate.meaning->bank == nullptr) {
      ++found.editBufferDumps;
    } else if (FillsASlot(candidate)) {
      found.incompleteDumps += candidate.missingBlocks > 0;
      found.replacedDumps +=
          !slots.insert({candidate.meaning->bank, candidate.meaning->slot}).second;
      placed.push_back(&candidate);
    }
  }
  return placed;
}

int PlaceDumps(S2A_File& working, const ItemDumpList& list,
               const StandardMidiFile::ReadCounts& midi, const std::string& path,
               BankLoadReport& found) {
  const std::vector<const FoundItemDump*> placed = SortDumps(list, midi, found);
  if (placed.empty()) {
    ReportFileDiagnostic("Error: %s holds no item dump to a memory location", path.c_str());
    return -1;
  }
  for (const FoundItemDump* dumped : placed) {
    const BulkDump::LocationMeaning& meaning = *dumped->meaning;
    Item& slot = *meaning.bank->bankIn(working).ItemAt(meaning.slot);
    slot.Assign(*dumped->item);
    slot.MarkLoaded();
  }
  found.placedDumps = placed.size();
  return 0;
}

}  // namespace DumpPlacement
