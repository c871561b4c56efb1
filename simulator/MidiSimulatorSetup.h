#pragma once

#include <string>

// Installs the port layer of a program that may talk to the simulated synthesizer: the
// system's ports, with the simulator's two ("Simulated S80" in and out) after them when the
// environment asks for it:
//   CORVALE_MIDI_SIMULATOR=1          memory holds the example bank
//   CORVALE_MIDI_SIMULATOR=FILE.s2a   memory holds that file's banks
//   CORVALE_MIDI_SIMULATOR_RATE=N     its wire carries N bytes per second (0: unpaced);
//                                     3125, the DIN rate, when unset
// Call before the first MidiControl handle. 0 (also when the variable is unset), or -1 with
// `error` set when the bank file or the rate cannot be used.
int InstallMidiPortLayerFromEnvironment(std::string& error);
