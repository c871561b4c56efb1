#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Item;
class LibraryStore;
class S2A_File;

// A collection laid into a document's banks: its programs in order, each into the next slot of
// its kind's internal bank, then of its external bank.
class CollectionBankFill {
 public:
  // The targets that will take the collection's programs, in order; `left` counts the programs
  // the banks had no room for. 0, or -1 when the store could not be read (nothing chosen).
  static int plan(LibraryStore& store, std::int64_t collectionId, S2A_File& document,
                  std::vector<Item*>& targets, std::vector<std::int64_t>& programs, int& left);
  // Puts each program into its slot: 0, or -1 when the store could not be read. A program whose
  // stored image is damaged leaves its slot as it was; `damaged` says why, one line each.
  static int fill(LibraryStore& store, const std::vector<Item*>& targets,
                  const std::vector<std::int64_t>& programs, std::vector<std::string>& damaged);
};
