#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>

// A bulk-dump address: three 7-bit bytes (an eighth bit is dropped), ordered high, mid, low.
// One mid step spans the 128 addresses of one page.
class SysxAddress {
 public:
  static constexpr int kPageSize = 128;
  // Every high and mid pair starts a page.
  static constexpr std::size_t kPageCount = 128 * 128;

  constexpr SysxAddress() = default;
  constexpr SysxAddress(std::uint8_t high, std::uint8_t mid, std::uint8_t low)
      : high_(high & 0x7F), mid_(mid & 0x7F), low_(low & 0x7F) {}

  constexpr std::uint8_t High() const { return high_; }
  constexpr std::uint8_t Mid() const { return mid_; }
  constexpr std::uint8_t Low() const { return low_; }

  // Adds n to the low byte, carrying into mid and high in steps of 128; high keeps 7 bits.
  SysxAddress& Add(int n);
  // The address of the first byte of this address's page.
  constexpr SysxAddress PageStart() const { return SysxAddress(high_, mid_, 0); }
  // Where this address's page comes among all pages in address order, from 0 to kPageCount - 1.
  constexpr std::size_t PageNumber() const {
    return static_cast<std::size_t>(high_) * kPageSize + mid_;
  }

  constexpr auto operator<=>(const SysxAddress&) const = default;

 private:
  std::uint8_t high_ = 0;
  std::uint8_t mid_ = 0;
  std::uint8_t low_ = 0;
};
