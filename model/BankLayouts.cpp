#include "model/BankLayouts.h"

#include <cstdio>

#include "model/Item.h"

constexpr std::array<BankLayout, 6> kBankLayouts{{
    {ItemKind::Instrument, kBankSelectMsb, 8, "Internal Instrument", "INT", 128, "int-inst", true,
     false},
    {ItemKind::Instrument, kBankSelectMsb, 9, "External Instrument", "EXT", 128, "ext-inst", true,
     true},
    {ItemKind::Percussion, kBankSelectMsb, 40, "Internal Percussion", "INT", 2, "int-perc", true,
     false},
    {ItemKind::Percussion, kBankSelectMsb, 41, "External Percussion", "EXT", 2, "ext-perc", true,
     true},
    {ItemKind::Performance, kBankSelectMsb, 64, "Internal Performance", "INT", 128, "int-perf",
     false, false},
    {ItemKind::Performance, kBankSelectMsb, 65, "External Performance", "EXT", 64, "ext-perf",
     false, true},
}};

const BankLayout* FindBankLayoutByWord(std::string_view word) {
  for (const BankLayout& layout : kBankLayouts) {
    if (word == layout.word)
      return &layout;
  }
  return nullptr;
}

namespace {

std::string Place(const std::string& bankShortName, int index) {
  char number[16];
  std::snprintf(number, sizeof number, "%03d", index + 1);
  return bankShortName + ":" + number + "(" + Bank::SlotLabel(index) + ")";
}

}  // namespace

std::string SlotPlace(const BankLayout& layout, int index) {
  return Place(layout.shortName, index);
}

std::string SlotPlace(const Item& item) {
  return item.Owner() != nullptr ? Place(item.Owner()->ShortName(), item.SlotIndex()) : "";
}
