#pragma once

#include <memory>

#include "midi/ports/MidiErrorReport.h"

class MidiControl;

// The program's one handle to the MIDI ports, made before the first window and released at the
// end: while it lives the ports stay open, and every port error is a modal error box with the
// port's caption.
class ProgramMidi {
 public:
  ProgramMidi();
  ~ProgramMidi();
  ProgramMidi(const ProgramMidi&) = delete;
  ProgramMidi& operator=(const ProgramMidi&) = delete;

  // The live handle; none before the program made it or after it ended.
  static MidiControl* control();

 private:
  // The handler comes first: opening the stored ports may already report.
  MidiErrorHandler previousHandler_;
  std::unique_ptr<MidiControl> control_;
};
