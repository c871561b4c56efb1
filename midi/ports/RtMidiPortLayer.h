#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "midi/ports/MidiPortLayer.h"

// The system's MIDI ports through RtMidi (the ALSA sequencer on Linux). A system without MIDI
// has no ports; nothing is printed about it.
std::unique_ptr<MidiPortLayer> MakeRtMidiPortLayer();

// How the system output port sends System Exclusive: each complete F0 ... F7 message of
// `bytes` handed to `send` on its own, no faster than `bytesPerSecond` (0 or less: at once),
// with `pauseAfterF7` after each message. Returns once the last message is on the wire: 0, or
// -1 as soon as `send` fails or `stop` is found set before a message (nothing more is sent then).
int SendSysExPaced(std::span<const std::uint8_t> bytes, int bytesPerSecond,
                   std::chrono::milliseconds pauseAfterF7,
                   const std::function<int(std::span<const std::uint8_t>)>& send,
                   const std::atomic<bool>* stop = nullptr);
