#include "midi/sysex/SysxMemoryCore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>
#include <vector>

namespace {

TEST(SysxAddress, AddCarriesInStepsOf128AndKeepsSevenBits) {
  EXPECT_EQ(SysxAddress(0x40, 0x00, 0x70).Add(0x20), SysxAddress(0x40, 0x01, 0x10));
  EXPECT_EQ(SysxAddress(0x40, 0x7F, 0x70).Add(0x10), SysxAddress(0x41, 0x00, 0x00));
  EXPECT_EQ(SysxAddress(0x7F, 0x7F, 0x7F).Add(1), SysxAddress(0x00, 0x00, 0x00));
  EXPECT_LT(SysxAddress(0x40, 0x70, 0x00), SysxAddress(0x41, 0x00, 0x00));
}

TEST(SysxMemoryCore, RunsCrossPagesAndUnstoredAddressesReadZero) {
  SysxMemoryCore memory;
  std::vector<std::uint8_t> run(200);
  std::iota(run.begin(), run.end(), 0);
  memory.WriteBytes(SysxAddress(0x40, 0x00, 0x00), run);
  memory.WriteBytes(SysxAddress(0x30, 0x05, 0x10), std::vector<std::uint8_t>{7, 8});
  std::vector<SysxAddress> pages;
  for (const auto* page = memory.First(); page != nullptr; page = page->NextNode()) {
    pages.push_back(page->Value().address);
  }
  EXPECT_EQ(pages, (std::vector<SysxAddress>{{0x30, 0x05, 0}, {0x40, 0x00, 0}, {0x40, 0x01, 0}}));

  std::vector<std::uint8_t> back(200, 0xEE);
  memory.ReadBytes(SysxAddress(0x40, 0x00, 0x00), back);
  EXPECT_EQ(back, run);
  std::vector<std::uint8_t> gap(4, 0xEE);
  memory.ReadBytes(SysxAddress(0x30, 0x05, 0x0F), gap);
  EXPECT_EQ(gap, (std::vector<std::uint8_t>{0, 7, 8, 0}));
  memory.ReadBytes(SysxAddress(0x10, 0x00, 0x7E), gap);
  EXPECT_EQ(gap, (std::vector<std::uint8_t>(4, 0)));
  memory.Clear();
  EXPECT_EQ(memory.First(), nullptr);
}

}  // namespace

namespace {

// Pages stay sorted and unique whatever order the writes come in.
TEST(SysxMemoryCore, WritesInAnyOrderKeepOnePagePerAddressInOrder) {
  SysxMemoryCore memory;
  std::map<SysxAddress, std::uint8_t> expected;
  std::mt19937 random(99);
  for (int i = 0; i < 3000; ++i) {
    const SysxAddress address(random() % 4 + 0x40, random() % 24, random() % 128);
    const auto value = static_cast<std::uint8_t>(random() % 128);
    memory.WriteBytes(address, std::vector<std::uint8_t>{value});
    expected[address] = value;
  }
  std::vector<SysxAddress> pages;
  for (const auto* page = memory.First(); page != nullptr; page = page->NextNode())
    pages.push_back(page->Value().address);
  EXPECT_TRUE(std::is_sorted(pages.begin(), pages.end()));
  EXPECT_EQ(std::adjacent_find(pages.begin(), pages.end()), pages.end());
  for (const auto& [address, value] : expected) {
    std::vector<std::uint8_t> read(1);
    memory.ReadBytes(address, read);
    ASSERT_EQ(read[0], value);
  }
}

}  // namespace
