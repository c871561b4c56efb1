#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "midi/ports/MidiPortLayer.h"
#include "midi/ports/MidiSystem.h"

// The system's MIDI ports through RtMidi: those of the ALSA sequencer, then those of a running
// JACK server. A system that is missing or not running has no ports; nothing is printed about
// it, and no JACK server is ever started. The ports of Corvale's own clients are left out.
std::unique_ptr<MidiPortLayer> MakeRtMidiPortLayer();

// The names the layer shows for the ports one system lists, in the same order; none for a port
// of Corvale's own. `rawNames` are RtMidi's: "client:port" on JACK, "client:port c:p" on ALSA,
// whose client and port numbers may change from run to run. A port is named by its own name,
// by "client:port" where two ports of the system share that name, then by its system:
// "UM-ONE MIDI 1 (ALSA)", "Simulated S80 (JACK)".
std::vector<std::optional<std::string>> StableMidiPortNames(MidiSystem system,
                                                            std::span<const std::string> rawNames);

// Ports of this program's own, under `portName` in a client `clientName`, that other programs
// connect to (the simulated synthesizer's); none when the system is not there or refuses.
// The input port hands each whole message to `onMessage`, from the system's thread. The output
// port sends System Exclusive as it is given, without pacing.
using MidiMessageHandler = std::function<void(std::span<const std::uint8_t> message)>;
std::unique_ptr<MidiInputConnection> OpenOwnMidiInputPort(MidiSystem system,
                                                          const std::string& clientName,
                                                          const std::string& portName,
                                                          MidiMessageHandler onMessage);
std::unique_ptr<MidiOutputConnection> OpenOwnMidiOutputPort(MidiSystem system,
                                                            const std::string& clientName,
                                                            const std::string& portName);

// How the system output port sends System Exclusive: each complete F0 ... F7 message of
// `bytes` handed to `send` on its own, no faster than `bytesPerSecond` (0 or less: at once),
// with `pauseAfterF7` after each message. Returns once the last message is on the wire: 0, or
// -1 as soon as `send` fails or `stop` is found set before a message (nothing more is sent then).
int SendSysExPaced(std::span<const std::uint8_t> bytes, int bytesPerSecond,
                   std::chrono::milliseconds pauseAfterF7,
                   const std::function<int(std::span<const std::uint8_t>)>& send,
                   const std::atomic<bool>* stop = nullptr);
