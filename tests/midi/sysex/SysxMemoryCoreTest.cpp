#include "midi/sysex/SysxMemoryCore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <optional>
#include <random>
#include <set>
#include <span>
#include <utility>
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

namespace {

// Byte by byte what a memory image should hold: the bytes written, and the pages touched.
struct ExpectedMemory {
  std::map<SysxAddress, std::uint8_t> bytes;
  std::set<SysxAddress> pages;

  void Write(SysxAddress address, std::span<const std::uint8_t> run) {
    for (const std::uint8_t byte : run) {
      bytes[address] = byte;
      pages.insert(address.PageStart());
      address.Add(1);
    }
  }
  std::vector<std::uint8_t> Read(SysxAddress address, std::size_t count) const {
    std::vector<std::uint8_t> run;
    for (; run.size() < count; address.Add(1)) {
      const auto found = bytes.find(address);
      run.push_back(found == bytes.end() ? 0 : found->second);
    }
    return run;
  }
};

// Lookups start from the page found last, so runs written and read at addresses that jump back
// and forth, with a Clear between them, must still find exactly the pages stored.
TEST(SysxMemoryCore, RunsWrittenAndReadInAnyOrderFindThePagesStored) {
  SysxMemoryCore memory;
  ExpectedMemory expected;
  std::mt19937 random(7);
  const auto anyAddress = [&random] {
    return SysxAddress(random() % 3 + 0x46, random() % 40, random() % 128);
  };
  for (int step = 0; step < 4000; ++step) {
    if (step == 2000) {
      memory.Clear();
      expected = ExpectedMemory{};
    }
    const SysxAddress address = anyAddress();
    std::vector<std::uint8_t> run(random() % 200 + 1);
    if (random() % 2 == 0) {
      for (std::uint8_t& byte : run)
        byte = static_cast<std::uint8_t>(random() % 127 + 1);
      memory.WriteBytes(address, run);
      expected.Write(address, run);
      continue;
    }
    const SysxMemoryCore& reading = memory;
    ASSERT_EQ(reading.FindPage(address) != nullptr, expected.pages.contains(address.PageStart()))
        << step;
    reading.ReadBytes(address, run);
    ASSERT_EQ(run, expected.Read(address, run.size())) << step;
  }
}

}  // namespace

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadRun(const SysxMemoryCore& memory, SysxAddress address, std::size_t count) {
  Bytes run(count, 0xEE);
  memory.ReadBytes(address, run);
  return run;
}

// A store moved away leaves its pages, and every lookup in it, to the store it went to; both
// go on to keep pages of their own. The run wraps from the last page address to the first.
TEST(SysxMemoryCore, MovedPagesAreFoundOnlyInTheStoreTheyWentTo) {
  struct Case {
    const char* name;
    bool construct;  // else a move assignment over a store that held `earlier`
    std::vector<SysxAddress> earlier;
  };
  const Case cases[] = {
      {"move construction", true, {}},
      {"move assignment to an empty store", false, {}},
      {"move assignment over other pages", false, {{0x41, 0x00, 0x05}, {0x00, 0x01, 0x00}}},
      {"move assignment over the same pages", false, {{0x7F, 0x7F, 0x00}, {0x00, 0x00, 0x10}}},
  };
  const SysxAddress runStart(0x7F, 0x7F, 0x7E);
  const Bytes run{1, 2, 3, 4};
  const SysxAddress later(0x40, 0x00, 0x00);
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    SysxMemoryCore from;
    from.WriteBytes(runStart, run);
    std::optional<SysxMemoryCore> to;
    if (row.construct) {
      to.emplace(std::move(from));
    } else {
      to.emplace();
      for (const SysxAddress address : row.earlier)
        to->WriteBytes(address, Bytes{9});
      *to = std::move(from);
    }
    for (const SysxAddress address : row.earlier) {
      EXPECT_EQ(ReadRun(*to, address, 1), Bytes{0});
      EXPECT_FALSE(to->Arrived(address, 1));
    }
    EXPECT_EQ(ReadRun(*to, runStart, 4), run);
    EXPECT_TRUE(to->Arrived(runStart, 4));
    EXPECT_EQ(from.First(), nullptr);
    EXPECT_EQ(std::as_const(from).FindPage(runStart), nullptr);
    EXPECT_FALSE(from.Arrived(SysxAddress(0, 0, 0), 1));

    from.WriteBytes(runStart, Bytes{5, 6});
    to->WriteBytes(later, Bytes{7});
    EXPECT_EQ(ReadRun(from, runStart, 4), (Bytes{5, 6, 0, 0}));
    EXPECT_EQ(ReadRun(from, later, 1), Bytes{0});
    EXPECT_EQ(ReadRun(*to, runStart, 4), run);
    EXPECT_EQ(ReadRun(*to, later, 1), Bytes{7});
    std::vector<SysxAddress> pages;
    for (const auto* page = to->First(); page != nullptr; page = page->NextNode())
      pages.push_back(page->Value().address);
    EXPECT_EQ(pages, (std::vector<SysxAddress>{{0, 0, 0}, {0x40, 0, 0}, {0x7F, 0x7F, 0}}));
    from.Clear();
    EXPECT_EQ(ReadRun(*to, runStart, 4), run);
  }
}

}  // namespace
