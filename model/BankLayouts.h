#pragma once

#include <memory>

#include "model/Bank.h"

// The six memory areas of the synthesizer, as every bank set builds them.
struct BankLayout {
  int msb;
  int lsb;
  const char* longName;
  const char* shortName;
  int capacity;
};

inline constexpr int kBankSelectMsb = 63;
inline constexpr BankLayout kInternalInstrumentLayout{kBankSelectMsb, 8, "Internal Instrument",
                                                      "INT", 128};
inline constexpr BankLayout kInternalPercussionLayout{kBankSelectMsb, 40, "Internal Percussion",
                                                      "INT", 2};
inline constexpr BankLayout kExternalInstrumentLayout{kBankSelectMsb, 9, "External Instrument",
                                                      "EXT", 128};
inline constexpr BankLayout kExternalPercussionLayout{kBankSelectMsb, 41, "External Percussion",
                                                      "EXT", 2};
inline constexpr BankLayout kInternalPerformanceLayout{kBankSelectMsb, 64, "Internal Performance",
                                                       "INT", 128};
inline constexpr BankLayout kExternalPerformanceLayout{kBankSelectMsb, 65, "External Performance",
                                                       "EXT", 64};

template <class T>
std::unique_ptr<TypedBank<T>> MakeBank(const BankLayout& layout) {
  return std::make_unique<TypedBank<T>>(layout.msb, layout.lsb, layout.longName, layout.shortName,
                                        layout.capacity);
}
