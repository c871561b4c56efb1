#include "model/ParamBlockTable.h"

#include <array>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr std::array<ParamBlock, 32> kInstrumentBlocks{{
    {0x40, 0x70, 0x00, 56, "Voice Common General"},
    {0x40, 0x00, 0x00, 13, "Voice Common Realtime"},
    {0x40, 0x01, 0x00, 24, "Voice Common Reverb"},
    {0x40, 0x02, 0x00, 25, "Voice Common Chorus"},
    {0x40, 0x03, 0x00, 22, "Voice Common Insert 1"},
    {0x40, 0x04, 0x00, 34, "Voice Common Insert 2"},
    {0x40, 0x05, 0x00, 30, "Voice Common Control"},
    {0x40, 0x06, 0x00, 14, "Voice Common LFO"},
    {0x41, 0x00, 0x00, 13, "Voice Elem 1 Wave"},
    {0x41, 0x00, 0x20, 29, "Voice Elem 1 Amplitude"},
    {0x42, 0x00, 0x00, 27, "Voice Elem 1 Pitch"},
    {0x43, 0x00, 0x00, 48, "Voice Elem 1 Filter"},
    {0x44, 0x00, 0x00, 8, "Voice Elem 1 EQ"},
    {0x44, 0x00, 0x40, 6, "Voice Elem 1 LFO"},
    {0x41, 0x01, 0x00, 13, "Voice Elem 2 Wave"},
    {0x41, 0x01, 0x20, 29, "Voice Elem 2 Amplitude"},
    {0x42, 0x01, 0x00, 27, "Voice Elem 2 Pitch"},
    {0x43, 0x01, 0x00, 48, "Voice Elem 2 Filter"},
    {0x44, 0x01, 0x00, 8, "Voice Elem 2 EQ"},
    {0x44, 0x01, 0x40, 6, "Voice Elem 2 LFO"},
    {0x41, 0x02, 0x00, 13, "Voice Elem 3 Wave"},
    {0x41, 0x02, 0x20, 29, "Voice Elem 3 Amplitude"},
    {0x42, 0x02, 0x00, 27, "Voice Elem 3 Pitch"},
    {0x43, 0x02, 0x00, 48, "Voice Elem 3 Filter"},
    {0x44, 0x02, 0x00, 8, "Voice Elem 3 EQ"},
    {0x44, 0x02, 0x40, 6, "Voice Elem 3 LFO"},
    {0x41, 0x03, 0x00, 13, "Voice Elem 4 Wave"},
    {0x41, 0x03, 0x20, 29, "Voice Elem 4 Amplitude"},
    {0x42, 0x03, 0x00, 27, "Voice Elem 4 Pitch"},
    {0x43, 0x03, 0x00, 48, "Voice Elem 4 Filter"},
    {0x44, 0x03, 0x00, 8, "Voice Elem 4 EQ"},
    {0x44, 0x03, 0x40, 6, "Voice Elem 4 LFO"},
}};

constexpr std::array<ParamBlock, 32> kPerformanceBlocks{{
    {0x30, 0x00, 0x00, 68, "Performance Common General"},
    {0x30, 0x01, 0x00, 24, "Performance Common Reverb"},
    {0x30, 0x02, 0x00, 25, "Performance Common Chorus"},
    {0x30, 0x03, 0x00, 22, "Performance Common Insert 1"},
    {0x30, 0x04, 0x00, 34, "Performance Common Insert 2"},
    {0x30, 0x05, 0x00, 10, "Performance Common Control"},
    {0x30, 0x10, 0x00, 20, "Performance Common EQ"},
    {0x30, 0x20, 0x00, 68, "Performance Common Plugin"},
    {0x31, 0x00, 0x00, 37, "Performance Part  1"},
    {0x31, 0x01, 0x00, 37, "Performance Part  2"},
    {0x31, 0x02, 0x00, 37, "Performance Part  3"},
    {0x31, 0x03, 0x00, 37, "Performance Part  4"},
    {0x31, 0x04, 0x00, 37, "Performance Part  5"},
    {0x31, 0x05, 0x00, 37, "Performance Part  6"},
    {0x31, 0x06, 0x00, 37, "Performance Part  7"},
    {0x31, 0x07, 0x00, 37, "Performance Part  8"},
    {0x31, 0x08, 0x00, 37, "Performance Part  9"},
    {0x31, 0x09, 0x00, 37, "Performance Part 10"},
    {0x31, 0x0A, 0x00, 37, "Performance Part 11"},
    {0x31, 0x0B, 0x00, 37, "Performance Part 12"},
    {0x31, 0x0C, 0x00, 37, "Performance Part 13"},
    {0x31, 0x0D, 0x00, 37, "Performance Part 14"},
    {0x31, 0x0E, 0x00, 37, "Performance Part 15"},
    {0x31, 0x0F, 0x00, 37, "Performance Part 16"},
    {0x31, 0x40, 0x00, 37, "Performance Part AD"},
    {0x31, 0x50, 0x00, 37, "Performance Part CL"},
    {0x31, 0x60, 0x00, 37, "Performance Part P1"},
    {0x31, 0x61, 0x00, 37, "Performance Part P2"},
    {0x32, 0x00, 0x00, 16, "Master Keyboard Zone 1"},
    {0x32, 0x01, 0x00, 16, "Master Keyboard Zone 2"},
    {0x32, 0x02, 0x00, 16, "Master Keyboard Zone 3"},
    {0x32, 0x03, 0x00, 16, "Master Keyboard Zone 4"},
}};

constexpr std::array<ParamBlock, 7> kPercussionCommonBlocks{{
    {0x46, 0x70, 0x00, 56, "Voice Common General"},
    {0x46, 0x00, 0x00, 7, "Voice Common Realtime"},
    {0x46, 0x01, 0x00, 24, "Voice Common Reverb"},
    {0x46, 0x02, 0x00, 25, "Voice Common Chorus"},
    {0x46, 0x03, 0x00, 22, "Voice Common Insert 1"},
    {0x46, 0x04, 0x00, 34, "Voice Common Insert 2"},
    {0x46, 0x05, 0x00, 30, "Voice Common Control"},
}};

// The five blocks of every drum key, all at mid address = key number.
struct KeyBlock {
  std::uint8_t high;
  std::uint8_t low;
  int size;
  const char* partWord;
};
constexpr std::array<KeyBlock, 5> kKeyBlocks{{
    {0x47, 0x00, 18, "Common"},
    {0x47, 0x20, 12, "Amplitude"},
    {0x48, 0x00, 3, "Pitch"},
    {0x49, 0x00, 8, "Filter"},
    {0x4A, 0x00, 8, "EQ"},
}};
constexpr int kDrumKeyCount = 73;  // C 0 ... C 6

// "C 0", "D#0", "B 5", "C 6".
std::string KeyLabel(int key) {
  static constexpr const char* kNotes[12] = {"C ", "C#", "D ", "D#", "E ", "F ",
                                             "F#", "G ", "G#", "A ", "A#", "B "};
  return std::string(kNotes[key % 12]) + static_cast<char>('0' + key / 12);
}

struct PercussionTable {
  std::vector<std::string> names;  // owns the texts the rows' names refer to
  std::vector<ParamBlock> rows;

  PercussionTable() {
    names.reserve(kDrumKeyCount * kKeyBlocks.size());
    rows.assign(kPercussionCommonBlocks.begin(), kPercussionCommonBlocks.end());
    for (int key = 0; key < kDrumKeyCount; ++key) {
      for (const KeyBlock& block : kKeyBlocks) {
        names.push_back("Key Voice " + KeyLabel(key) + " " + block.partWord);
        rows.push_back(ParamBlock{block.high, static_cast<std::uint8_t>(key), block.low, block.size,
                                  names.back()});
      }
    }
  }
};

}  // namespace

ParamBlockTable InstrumentBlockTable() {
  return kInstrumentBlocks;
}

ParamBlockTable PercussionBlockTable() {
  static const PercussionTable table;
  return table.rows;
}

ParamBlockTable PerformanceBlockTable() {
  return kPerformanceBlocks;
}

int TableImageSize(ParamBlockTable table) {
  return std::accumulate(table.begin(), table.end(), 0,
                         [](int sum, const ParamBlock& block) { return sum + block.size; });
}
