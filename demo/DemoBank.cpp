#include "demo/DemoBank.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <span>

#include "model/S2A_File.h"

namespace DemoBank {

namespace {

struct Preset {
  const char* name;
  int category;
};

// Category codes: 1 Pf, 2 Cp, 3 Or, 4 Gt, 5 Ba, 6 St, 7 En, 8 Br, 9 Rd, 10 Pi, 11 Ld, 12 Pd,
// 13 Fx, 14 Et, 15 Pc, 16 Se, 17 Dr, 18 Sc, 19 Vo, 20 Co, 21 Wv, 22 Sq.
constexpr std::array<Preset, 32> kVoices{{
    {"Grand Pno", 1},   {"Bright Pno", 1}, {"Stage EP", 1},  {"Clavi", 2},      {"Vibes", 2},
    {"Jazz Organ", 3},  {"Rock Organ", 3}, {"Nylon Gtr", 4}, {"Steel Gtr", 4},  {"Dist Lead", 4},
    {"Finger Bs", 5},   {"Synth Bass", 5}, {"Str Ens", 6},   {"Slow Str", 6},   {"Pizzicato", 6},
    {"Choir Aahs", 19}, {"Brass Sect", 8}, {"Trumpet", 8},   {"Alto Sax", 9},   {"Flute", 10},
    {"Saw Lead", 11},   {"Square Ld", 11}, {"Warm Pad", 12}, {"Glass Pad", 12}, {"Atmosphere", 13},
    {"Sitar", 14},      {"Timpani", 15},   {"Wind FX", 16},  {"Arp Seq", 22},   {"Wave Sweep", 21},
    {"Orch Hit", 18},   {"Combi Lyr", 20},
}};

constexpr std::array<Preset, 4> kDrumKits{
    {{"Std Kit", 17}, {"Room Kit", 17}, {"Elec Kit", 17}, {"Perc Kit", 15}}};

constexpr std::array<Preset, 16> kPerformances{{
    {"Pno & Str", 1},
    {"Split Bass", 5},
    {"Big Stack", 12},
    {"Orchestra", 6},
    {"Jazz Trio", 3},
    {"Dance Seq", 22},
    {"Layer Pad", 12},
    {"Rock Band", 4},
    {"Film Score", 6},
    {"Fusion", 11},
    {"Gospel", 3},
    {"Ambient", 13},
    {"Brass Hit", 8},
    {"Drum Split", 17},
    {"Vox Layer", 19},
    {"Keys Combo", 20},
}};

// A distinct name per slot: the preset name, numbered when the preset repeats.
std::string SlotName(const Preset& preset, int round) {
  std::string name = preset.name;
  if (round > 0) {
    const std::string suffix = " " + std::to_string(round + 1);
    name = name.substr(0, 10 - std::min<std::size_t>(suffix.size(), 10)) + suffix;
    name = name.substr(0, 10);
  }
  return name;
}

template <std::size_t N>
void FillBank(Bank& bank, const std::array<Preset, N>& presets, std::uint32_t seed) {
  // External banks start half-way through the presets, so the two banks of a kind differ.
  const int offset = bank.BankSelectLsb() % 2 == 1 ? static_cast<int>(N / 2) : 0;
  int slot = 0;
  bank.ForEachItem([&](Item& item) {
    const Preset& preset = presets[(slot + offset) % N];
    FillItem(item, SlotName(preset, slot / static_cast<int>(N)), preset.category,
             seed * 7919u + static_cast<std::uint32_t>(slot) + bank.BankSelectLsb() * 131u);
    ++slot;
  });
  bank.SetHasContent(true);
}

void FillBlock(std::span<std::uint8_t> block, const char* tag) {
  for (std::size_t i = 0; i < block.size(); ++i)
    block[i] = BlockPatternByte(tag, i);
}

}  // namespace

std::uint8_t BlockPatternByte(const char* tag, std::size_t position) {
  const std::size_t length = std::strlen(tag);
  if (position % 16 < length)
    return static_cast<std::uint8_t>(tag[position % 16]);
  return static_cast<std::uint8_t>((position / 16) & 0x7F);
}

void FillItem(Item& item, const std::string& name, int categoryCode, std::uint32_t seed) {
  std::span<std::uint8_t> image = item.Data();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> sevenBits(0, 0x7F);
  for (std::uint8_t& byte : image)
    byte = static_cast<std::uint8_t>(sevenBits(random));
  std::fill_n(image.begin(), kItemNameLength, 0);
  std::copy_n(name.begin(), std::min<std::size_t>(name.size(), kItemNameLength), image.begin());
  image[kItemCategoryOffset] = static_cast<std::uint8_t>(categoryCode);
}

void FillDocument(S2A_File& document, std::uint32_t seed) {
  FillBank(document.InternalInstrumentBank(), kVoices, seed);
  FillBank(document.ExternalInstrumentBank(), kVoices, seed + 1);
  FillBank(document.InternalPercussionBank(), kDrumKits, seed);
  FillBank(document.ExternalPercussionBank(), kDrumKits, seed + 1);
  FillBank(document.InternalPerformanceBank(), kPerformances, seed);
  FillBank(document.ExternalPerformanceBank(), kPerformances, seed + 1);
  FillBlock(document.SysBlock(), "SYS.");
  FillBlock(document.ChnBlock(), "CHN.");
  FillBlock(document.PlvBlock(), "PLV.");
  FillBlock(document.ClpBlock(), "CLP.");
  document.SetHasClpBlock(true);
}

}  // namespace DemoBank
