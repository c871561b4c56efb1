// The .mid reader: any bytes as a Standard MIDI File, read for its SysEx messages, which must be
// complete messages that write back to a file reading to the same messages; and the file read
// as a document and as a single item, which must fail or succeed without harm.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "files/DocumentFiles.h"
#include "files/ItemFiles.h"
#include "files/S2I_File.h"
#include "midi/MidiWire.h"
#include "midi/sysex/StandardMidiFile.h"
#include "model/S2A_File.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::Initialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);

  std::vector<std::uint8_t> messages;
  StandardMidiFile::ReadCounts counts;
  if (StandardMidiFile::ReadSysEx(input, messages, counts) == 0) {
    std::size_t covered = 0;
    for (const std::span<const std::uint8_t> message : MidiWire::SysExMessages(messages))
      covered += message.size();
    fuzz::Check(covered == messages.size() &&
                    (messages.empty() || messages.front() == StandardMidiFile::kSysExEvent),
                "the messages read are complete F0 ... F7 messages back to back");
    std::vector<std::uint8_t> again;
    StandardMidiFile::ReadCounts written;
    fuzz::Check(
        StandardMidiFile::ReadSysEx(StandardMidiFile::WriteSysEx(messages), again, written) == 0 &&
            again == messages && written.Damaged() == 0,
        "the messages written read back whole");
  } else {
    fuzz::Check(messages.empty() && counts.Damaged() == 0, "no file reads as nothing");
  }

  // The path-based readers pick the reader by the extension.
  static const std::string midiPath = fuzz::WriteInput({}) + ".mid";
  fuzz::WriteFile(midiPath, input);
  S2A_File document;
  (void)OpenBankFile(document, midiPath);
  S2I_File item;
  item.GetItem(0);
  (void)ImportItemFile(item, midiPath);
  return 0;
}
