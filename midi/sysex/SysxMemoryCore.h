#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <span>
#include <utility>

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

  SysxMemoryCore() = default;
  SysxMemoryCore(SysxMemoryCore&& other) noexcept
      : first_(std::move(other.first_)), recent_(std::exchange(other.recent_, nullptr)) {}
  SysxMemoryCore& operator=(SysxMemoryCore&& other) noexcept {
    first_ = std::move(other.first_);
    recent_ = std::exchange(other.recent_, nullptr);
    return *this;
  }

  Page* FindPage(SysxAddress address, bool create);
  const Page* FindPage(SysxAddress address) const;
  void WriteBytes(SysxAddress address, std::span<const std::uint8_t> source);
  void ReadBytes(SysxAddress address, std::span<std::uint8_t> target) const;
  // Whether every one of the `count` bytes from `address` arrived: a page that holds some of a
  // block's bytes may still lack the others.
  bool Arrived(SysxAddress address, std::size_t count) const;
  void Clear() {
    first_.reset();
    recent_ = nullptr;
  }
  const Page* First() const { return static_cast<const Page*>(first_.get()); }

 private:
  // The last page whose address is at most `key`, or none when every page lies past it.
  Page* LastPageUpTo(SysxAddress key) const;

  std::unique_ptr<DLListCore> first_;
  // The page found last, by writes and reads alike: a dump's messages come in address order, so
  // the next page wanted is usually this one or one shortly after it, and the walk starts here
  // instead of at the first page unless the wanted address lies before it. Only a starting
  // point, so a const lookup may move it.
  mutable Page* recent_ = nullptr;
};
