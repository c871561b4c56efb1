#include "midi/ProgramSelection.h"

#include "midi/BulkDump.h"
#include "model/Item.h"

namespace {
constexpr std::uint8_t kControlChangeChannel1 = 0xB0;
constexpr std::uint8_t kProgramChangeChannel1 = 0xC0;
constexpr std::uint8_t kBankSelectMsbController = 0x00;
constexpr std::uint8_t kBankSelectLsbController = 0x20;
constexpr std::uint8_t kVoiceSelectOn = 0x01;
constexpr std::uint8_t kVoiceSelectOff = 0x00;
}  // namespace

ProgramSelection ProgramSelectionFor(const Item& item) {
  ProgramSelection selection;
  if (item.Kind() != ItemKind::Performance) {
    for (const std::uint8_t value : {kVoiceSelectOn, kVoiceSelectOff}) {
      const auto change = BulkDump::ParameterChange(BulkDump::kVoiceSelectParameter, value);
      selection.parameterChanges.insert(selection.parameterChanges.end(), change.begin(),
                                        change.end());
    }
    selection.pause = ProgramSelection::kVoicePause;
  }
  if (item.BankSelectMsb() != -1 && item.BankSelectLsb() != -1) {
    selection.shortMessages.push_back({kControlChangeChannel1, kBankSelectMsbController,
                                       static_cast<std::uint8_t>(item.BankSelectMsb())});
    selection.shortMessages.push_back({kControlChangeChannel1, kBankSelectLsbController,
                                       static_cast<std::uint8_t>(item.BankSelectLsb())});
  }
  if (item.SlotIndex() != -1) {
    selection.shortMessages.push_back(
        {kProgramChangeChannel1, static_cast<std::uint8_t>(item.SlotIndex())});
  }
  return selection;
}
