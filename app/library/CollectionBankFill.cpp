#include "app/library/CollectionBankFill.h"

#include <array>

#include "library/LibraryStore.h"
#include "model/Bank.h"
#include "model/BankLayouts.h"
#include "model/Item.h"
#include "model/S2A_File.h"

int CollectionBankFill::plan(LibraryStore& store, std::int64_t collectionId, S2A_File& document,
                             std::vector<Item*>& targets, std::vector<std::int64_t>& programs,
                             int& left) {
  std::vector<CollectionEntry> entries;
  if (store.Entries(collectionId, entries) != 0)
    return -1;
  targets.clear();
  programs.clear();
  left = 0;
  // The next free slot of each kind: its position among the kind's banks, internal first.
  std::array<int, kItemKindCount> used{};
  for (const CollectionEntry& entry : entries) {
    ProgramRow row;
    if (store.ReadProgram(entry.programId, row) != 0)
      return -1;
    int position = used[static_cast<int>(row.kind)]++;
    Item* slot = nullptr;
    for (const BankLayout& layout : kBankLayouts) {
      if (layout.kind != row.kind)
        continue;
      if (position < layout.capacity) {
        slot = layout.bankIn(document).ItemAt(position);
        break;
      }
      position -= layout.capacity;
    }
    if (!slot) {
      ++left;
      continue;
    }
    targets.push_back(slot);
    programs.push_back(entry.programId);
  }
  return 0;
}

int CollectionBankFill::fill(LibraryStore& store, const std::vector<Item*>& targets,
                             const std::vector<std::int64_t>& programs,
                             std::vector<std::string>& damaged) {
  damaged.clear();
  for (std::size_t i = 0; i < targets.size() && i < programs.size(); ++i) {
    ProgramImage image;
    if (store.ReadImage(programs[i], image) != 0) {
      if (image.damage.empty())
        return -1;
      damaged.push_back(store.LastError());
      continue;
    }
    if (LibraryStore::FillItem(*targets[i], image) != 0)
      damaged.push_back("program " + std::to_string(programs[i]) + " is of another kind");
  }
  return 0;
}
