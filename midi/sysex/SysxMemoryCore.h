#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <span>

#include "midi/sysex/SysxAddress.h"
#include "model/DLList.h"

// One 128-byte page of received bulk data; byte i holds the value for (high, mid, i), and
// `arrived` tells which bytes a message carried (the others read as zero).
struct SysxMemoryNode {
  explicit SysxMemoryNode(SysxAddress start) : address(start) {}
  SysxAddress address;
  std::array<std::uint8_t, SysxAddress::kPageSize> data{};
  std::bitset<SysxAddress::kPageSize> arrived;
};

// Received bulk data filed under its addresses: a chain of pages sorted by address, each page
// address at most once. Addresses never stored read as zero.
class SysxMemoryCore {
 public:
  using Page = DLList<SysxMemoryNode>;

  Page* FindPage(SysxAddress address, bool create);
  const Page* FindPage(SysxAddress address) const;
  void WriteBytes(SysxAddress address, std::span<const std::uint8_t> source);
  void ReadBytes(SysxAddress address, std::span<std::uint8_t> target) const;
  // Whether every one of the `count` bytes from `address` arrived: a page that holds some of a
  // block's bytes may still lack the others.
  bool Arrived(SysxAddress address, std::size_t count) const;
  void Clear();
  const Page* First() const { return static_cast<const Page*>(first_.get()); }

 private:
  // The page stored under each page number, or none; the chain owns the pages.
  using PageIndex = std::array<Page*, SysxAddress::kPageCount>;

  Page* IndexedPage(SysxAddress address) const;
  Page* AddPage(SysxAddress start);
  // The stored page nearest below page number `number`, or none.
  Page* StoredPageBefore(std::size_t number) const;

  std::unique_ptr<DLListCore> first_;
  // Made with the first page: a store never written to holds no table.
  std::unique_ptr<PageIndex> index_;
};
