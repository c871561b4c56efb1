#pragma once

#include <memory>
#include <string>

class SimulatedS80;

// Installs the port layer of a program that may talk to the simulated synthesizer: the
// system's ports, with the simulator's two ("Simulated S80" in and out) after them when the
// environment asks for it:
//   CORVALE_MIDI_SIMULATOR=1          memory holds the example bank
//   CORVALE_MIDI_SIMULATOR=FILE.s2a   memory holds that file's banks
//   CORVALE_MIDI_SIMULATOR_RATE=N     its wire carries N bytes per second (0: unpaced);
//                                     3125, the DIN rate, when unset
//   CORVALE_MIDI_SIMULATOR_SILENT=int-inst:A03,ext-perf:A01
//                                     memory slots whose dump requests it leaves unanswered
//   CORVALE_MIDI_SIMULATOR_FAULTS="--drop 0.01 --corrupt 0.01 --seed 1"
//                                     a link that loses and damages messages (LinkFaultOptions)
// Call before the first MidiControl handle. 0 (also when the variable is unset), or -1 with
// `error` set when the bank file, the rate or a slot cannot be used; the system's ports are
// installed then, without the simulator's.
int InstallMidiPortLayerFromEnvironment(std::string& error);

// The simulator the last call installed, while its port layer is still installed; none when
// that call installed none.
std::shared_ptr<SimulatedS80> InstalledSimulator();
