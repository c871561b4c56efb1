#pragma once

#include <memory>

#include "midi/MidiPortLayer.h"

// The system's MIDI ports through RtMidi (the ALSA sequencer on Linux). A system without MIDI
// has no ports; nothing is printed about it.
std::unique_ptr<MidiPortLayer> MakeRtMidiPortLayer();
