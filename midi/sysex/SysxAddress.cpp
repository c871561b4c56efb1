#include "midi/sysex/SysxAddress.h"

SysxAddress& SysxAddress::Add(int n) {
  int low = low_ + n;
  int mid = mid_;
  int high = high_;
  mid += low / kPageSize;
  low %= kPageSize;
  high += mid / kPageSize;
  mid %= kPageSize;
  low_ = static_cast<std::uint8_t>(low);
  mid_ = static_cast<std::uint8_t>(mid);
  high_ = static_cast<std::uint8_t>(high & 0x7F);
  return *this;
}
