#include "cli/ItemSlot.h"

#include <algorithm>
#include <cctype>

#include "cli/DecimalNumber.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"

namespace {

// The 0-based index of "5" or "A05"; -1 when the text is neither.
int SlotIndexOf(const std::string& text) {
  if (const std::optional<int> number = DecimalNumber(text, 4))
    return *number - 1;
  return Bank::SlotIndexOfLabel(text);
}

// "int-inst, ext-inst, ..."
std::string BankWords() {
  std::string words;
  for (const BankLayout& layout : kBankLayouts)
    words += (words.empty() ? "" : ", ") + std::string(layout.word);
  return words;
}

}  // namespace

Bank& ItemSlot::BankIn(S2A_File& document) const {
  return layout->bankIn(document);
}

Item& ItemSlot::ItemIn(S2A_File& document) const {
  return *BankIn(document).ItemAt(index);
}

std::string ItemSlot::Label() const {
  return std::string(layout->word) + ":" + Bank::SlotLabel(index);
}

std::string ItemSlot::Describe() const {
  return Label() + " (" + layout->longName + ", slot " + std::to_string(index + 1) + ")";
}

std::optional<ItemSlot> ParseItemSlot(const std::string& text, std::string& error) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) {
    error = "'" + text + "' is not BANK:SLOT (BANK one of " + BankWords() + ")";
    return std::nullopt;
  }
  const BankLayout* bank = FindBankLayoutByWord(std::string_view(text).substr(0, colon));
  if (bank == nullptr) {
    error = "'" + text.substr(0, colon) + "' is not a bank (one of " + BankWords() + ")";
    return std::nullopt;
  }
  const std::string slotText = text.substr(colon + 1);
  const int index = SlotIndexOf(slotText);
  if (index < 0 || index >= bank->capacity) {
    error = "'" + slotText + "' is not a slot of " + bank->word + " (1 to " +
            std::to_string(bank->capacity) + ", or " + Bank::SlotLabel(0) + " to " +
            Bank::SlotLabel(bank->capacity - 1) + ")";
    return std::nullopt;
  }
  return ItemSlot{bank, index};
}

std::vector<const BankLayout*> ParseBanks(const std::string& text, std::string& error) {
  std::vector<const BankLayout*> banks;
  if (text == "all") {
    for (const BankLayout& layout : kBankLayouts)
      banks.push_back(&layout);
  } else if (const BankLayout* bank = FindBankLayoutByWord(text)) {
    banks.push_back(bank);
  } else {
    error = "'" + text + "' is not a bank (one of " + BankWords() + ", or all)";
  }
  return banks;
}
