#pragma once

#include <optional>
#include <string>
#include <vector>

class Bank;
class Item;
class S2A_File;
struct BankLayout;

// A slot of a bank file named on the command line as BANK:SLOT: BANK one of int-inst,
// ext-inst, int-perc, ext-perc, int-perf, ext-perf; SLOT a 1-based number or a slot label
// (A01 ... H16).
struct ItemSlot {
  const BankLayout* layout;
  int index;  // 0-based

  Bank& BankIn(S2A_File& document) const;
  Item& ItemIn(S2A_File& document) const;
  // "int-inst:A05"
  std::string Label() const;
  // "int-inst:A05 (Internal Instrument, slot 5)"
  std::string Describe() const;
};

// The slot, or none with `error` set to why the text names no slot.
std::optional<ItemSlot> ParseItemSlot(const std::string& text, std::string& error);

// The banks a word names on the command line: one bank (int-inst, ...), or "all", every bank in
// the order of kBankLayouts. Empty, with `error` set, when the word names no bank.
std::vector<const BankLayout*> ParseBanks(const std::string& text, std::string& error);
