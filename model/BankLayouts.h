#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "model/Bank.h"
#include "model/ItemKind.h"

class Item;

// One of the six memory areas of the synthesizer: its kind, the bank-select numbers that pick
// it, its names, how many items it holds, the word that names it on a command line, and which
// bank files hold it (an .s2a file holds every bank).
struct BankLayout {
  ItemKind kind;
  int msb;
  int lsb;
  const char* longName;
  const char* shortName;
  int capacity;
  const char* word;
  bool inVoiceFile;     // .s2v
  bool inExternalFile;  // .s2e

  // This bank in a document (S2A_File), which keeps one bank of each layout.
  template <class Document>
  decltype(auto) bankIn(Document& document) const {
    return document.BankOf(*this);
  }
};

inline constexpr int kBankSelectMsb = 63;

// The six banks, instruments first, each kind's internal bank before its external one.
extern const std::array<BankLayout, 6> kBankLayouts;

inline constinit const BankLayout& kInternalInstrumentLayout = kBankLayouts[0];
inline constinit const BankLayout& kExternalInstrumentLayout = kBankLayouts[1];
inline constinit const BankLayout& kInternalPercussionLayout = kBankLayouts[2];
inline constinit const BankLayout& kExternalPercussionLayout = kBankLayouts[3];
inline constinit const BankLayout& kInternalPerformanceLayout = kBankLayouts[4];
inline constinit const BankLayout& kExternalPerformanceLayout = kBankLayouts[5];

// Where a slot is, as the editor's lists show it: "INT:001(A01)".
std::string SlotPlace(const BankLayout& layout, int index);
// The same for an item of a bank ("INT:005(A05)"); empty for an item outside any bank.
std::string SlotPlace(const Item& item);

// The layout named by a command-line word such as "int-inst", or none.
const BankLayout* FindBankLayoutByWord(std::string_view word);

template <class T>
std::unique_ptr<TypedBank<T>> MakeBank(const BankLayout& layout) {
  return std::make_unique<TypedBank<T>>(layout.msb, layout.lsb, layout.longName, layout.shortName,
                                        layout.capacity);
}
