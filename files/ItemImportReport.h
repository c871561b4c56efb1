#pragma once

#include <cstddef>
#include <string>
#include <vector>

// What an item import found in a dump file (.syx, .mid).
struct ItemImportReport {
  std::size_t itemDumps = 0;    // item dumps whose header names a known location
  std::size_t dumpsOfKind = 0;  // those of the held item's kind
  int missingBlocks = 0;        // of the item taken: its blocks that did not arrive (became 0)
  int totalBlocks = 0;          // of the item taken: its blocks

  // What a successful import should tell, for an item of the kind named `kindName`: "holds 2
  // instrument dumps; the first is used", "lacks 3 of 32 blocks; they become 0". Each is said
  // after the file's name.
  std::vector<std::string> Notes(const std::string& kindName) const;
};
