#pragma once

// The MIDI systems the system's port layer reaches through RtMidi.
enum class MidiSystem { kAlsa, kJack };
