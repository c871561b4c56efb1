#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "midi/sysex/BulkDump.h"
#include "model/Item.h"

// One item's dump found in a byte string: the location of its header, and the item its block
// messages make (blocks it lacks read as zero).
struct FoundItemDump {
  BulkDump::Location location;
  std::optional<BulkDump::LocationMeaning> meaning;
  // None when the location names no kind.
  std::unique_ptr<Item> item;
  // False when no footer with the same location closed the dump.
  bool complete = false;
  // Blocks of the item's kind the dump lacks (read as zero), of how many.
  int missingBlocks = 0;
  int totalBlocks = 0;
};

struct ItemDumpList {
  std::vector<FoundItemDump> dumps;
  std::size_t dropped = 0;  // messages that were not valid bulk dumps
  std::size_t outside = 0;  // valid messages outside any header ... footer pair
};

// The item dumps of a byte string, in order: each runs from a header message (0E mid low) to
// the footer with the same location (0F mid low), or to the next header or the end.
ItemDumpList FindItemDumps(std::span<const std::uint8_t> bytes);
