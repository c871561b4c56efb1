#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// One bulk-dump block of an item's parameter image: its three address bytes and its length.
// A block's offset in the image is the sum of the sizes of the blocks before it.
struct ParamBlock {
  std::uint8_t high;
  std::uint8_t mid;
  std::uint8_t low;
  int size;
  std::string_view name;
};

using ParamBlockTable = std::span<const ParamBlock>;

// The blocks of each item kind, in the order their bytes follow each other in the image.
ParamBlockTable InstrumentBlockTable();
ParamBlockTable PercussionBlockTable();
ParamBlockTable PerformanceBlockTable();

// Sum of the sizes of a table's blocks: the image size of its kind.
int TableImageSize(ParamBlockTable table);
