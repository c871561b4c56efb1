#pragma once

#include <memory>

#include "model/Bank.h"

// The six memory areas of the synthesizer, as every bank set builds them.
struct BankSpec {
  int msb;
  int lsb;
  const char* longName;
  const char* shortName;
  int capacity;
};

inline constexpr int kBankSelectMsb = 63;
inline constexpr BankSpec kInternalInstrumentSpec{kBankSelectMsb, 8, "Internal Instrument", "INT",
                                                  128};
inline constexpr BankSpec kInternalPercussionSpec{kBankSelectMsb, 40, "Internal Percussion", "INT",
                                                  2};
inline constexpr BankSpec kExternalInstrumentSpec{kBankSelectMsb, 9, "External Instrument", "EXT",
                                                  128};
inline constexpr BankSpec kExternalPercussionSpec{kBankSelectMsb, 41, "External Percussion", "EXT",
                                                  2};
inline constexpr BankSpec kInternalPerformanceSpec{kBankSelectMsb, 64, "Internal Performance",
                                                   "INT", 128};
inline constexpr BankSpec kExternalPerformanceSpec{kBankSelectMsb, 65, "External Performance",
                                                   "EXT", 64};

template <class T>
std::unique_ptr<TypedBank<T>> MakeBank(const BankSpec& spec) {
  return std::make_unique<TypedBank<T>>(spec.msb, spec.lsb, spec.longName, spec.shortName,
                                        spec.capacity);
}
