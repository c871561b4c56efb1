#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "midi/sysex/SysxAddress.h"
#include "model/DLList.h"

// One 128-byte page of received bulk data; byte i holds the value for (high, mid, i).
struct SysxMemoryNode {
  explicit SysxMemoryNode(SysxAddress start) : address(start) {}
  SysxAddress address;
  std::array<std::uint8_t, SysxAddress::kPageSize> data{};
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
  void Clear() {
    first_.reset();
    recent_ = nullptr;
  }
  const Page* First() const { return static_cast<const Page*>(first_.get()); }

 private:
  std::unique_ptr<DLListCore> first_;
  // The page found last: a dump's messages come in address order, so the next page wanted is
  // usually this one or the one after it, and the walk starts here instead of at the first.
  Page* recent_ = nullptr;
};
