#include "midi/sysex/ProgramSelection.h"

#include "midi/MidiWire.h"
#include "midi/sysex/BulkDump.h"
#include "model/Item.h"

namespace {
constexpr std::uint8_t kControlChangeChannel1 = MidiWire::kControlChange;
constexpr std::uint8_t kProgramChangeChannel1 = MidiWire::kProgramChange;
using MidiWire::kBankSelectLsbController;
using MidiWire::kBankSelectMsbController;
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
