#include "cli/ItemSlot.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include "files/FileExtension.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"

namespace {

struct BankWord {
  const char* word;
  const BankLayout* layout;
  ItemKind kind;
  Bank& (*bank)(S2A_File&);
  bool inVoiceFile;     // .s2v
  bool inExternalFile;  // .s2e
};

constexpr std::array<BankWord, 6> kBankWords{{
    {"int-inst", &kInternalInstrumentLayout, ItemKind::Instrument,
     [](S2A_File& d) -> Bank& { return d.InternalInstrumentBank(); }, true, false},
    {"ext-inst", &kExternalInstrumentLayout, ItemKind::Instrument,
     [](S2A_File& d) -> Bank& { return d.ExternalInstrumentBank(); }, true, true},
    {"int-perc", &kInternalPercussionLayout, ItemKind::Percussion,
     [](S2A_File& d) -> Bank& { return d.InternalPercussionBank(); }, true, false},
    {"ext-perc", &kExternalPercussionLayout, ItemKind::Percussion,
     [](S2A_File& d) -> Bank& { return d.ExternalPercussionBank(); }, true, true},
    {"int-perf", &kInternalPerformanceLayout, ItemKind::Performance,
     [](S2A_File& d) -> Bank& { return d.InternalPerformanceBank(); }, false, false},
    {"ext-perf", &kExternalPerformanceLayout, ItemKind::Performance,
     [](S2A_File& d) -> Bank& { return d.ExternalPerformanceBank(); }, false, true},
}};

constexpr int kSlotsPerGroup = 16;
constexpr int kGroups = 8;

const BankWord* FindBankWord(const std::string& word) {
  for (const BankWord& bank : kBankWords) {
    if (word == bank.word)
      return &bank;
  }
  return nullptr;
}

bool AllDigits(const std::string& text) {
  return !text.empty() && text.size() <= 4 &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// The 0-based index of "5" or "A05"; -1 when the text is neither.
int SlotIndexOf(const std::string& text) {
  if (AllDigits(text))
    return std::stoi(text) - 1;
  if (text.size() == 3 && AllDigits(text.substr(1))) {
    const int group = std::toupper(static_cast<unsigned char>(text[0])) - 'A';
    const int place = std::stoi(text.substr(1));
    if (group >= 0 && group < kGroups && place >= 1 && place <= kSlotsPerGroup)
      return group * kSlotsPerGroup + place - 1;
  }
  return -1;
}

const BankWord& WordOf(const ItemSlot& slot) {
  for (const BankWord& bank : kBankWords) {
    if (bank.layout == slot.layout)
      return bank;
  }
  return kBankWords.front();
}

constexpr const char* kItemSlotBankWords =
    "int-inst, ext-inst, int-perc, ext-perc, int-perf, ext-perf";

}  // namespace

Bank& ItemSlot::BankIn(S2A_File& document) const {
  return WordOf(*this).bank(document);
}

Item& ItemSlot::ItemIn(S2A_File& document) const {
  return *BankIn(document).ItemAt(index);
}

std::string ItemSlot::Label() const {
  return std::string(bankName) + ":" + Bank::SlotLabel(index);
}

std::string ItemSlot::Describe() const {
  return Label() + " (" + layout->longName + ", slot " + std::to_string(index + 1) + ")";
}

bool ItemSlot::IsHeldBy(const std::string& bankFilePath) const {
  const BankWord& word = WordOf(*this);
  if (HasExtension(bankFilePath, "s2v"))
    return word.inVoiceFile;
  if (HasExtension(bankFilePath, "s2e"))
    return word.inExternalFile;
  return true;
}

std::optional<ItemSlot> ParseItemSlot(const std::string& text, std::string& error) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) {
    error = "'" + text + "' is not BANK:SLOT (BANK one of " + kItemSlotBankWords + ")";
    return std::nullopt;
  }
  const BankWord* bank = FindBankWord(text.substr(0, colon));
  if (bank == nullptr) {
    error = "'" + text.substr(0, colon) + "' is not a bank (one of " + kItemSlotBankWords + ")";
    return std::nullopt;
  }
  const std::string slotText = text.substr(colon + 1);
  const int index = SlotIndexOf(slotText);
  if (index < 0 || index >= bank->layout->capacity) {
    error = "'" + slotText + "' is not a slot of " + bank->word + " (1 to " +
            std::to_string(bank->layout->capacity) + ", or " + Bank::SlotLabel(0) + " to " +
            Bank::SlotLabel(bank->layout->capacity - 1) + ")";
    return std::nullopt;
  }
  return ItemSlot{bank->word, bank->layout, bank->kind, index};
}
