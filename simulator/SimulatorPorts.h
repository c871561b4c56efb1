#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "midi/ports/MidiPortLayer.h"
#include "midi/ports/RtMidiPortLayer.h"

class SimulatedS80;

// The simulated synthesizer on the system's MIDI, for other programs to connect to: an input
// and an output port named "Simulated S80" on every MIDI system that can be reached (a running
// JACK server, an ALSA sequencer). Requests from any system are answered on every system's
// output. Each message the synthesizer receives can be described in one line for a log.
class SimulatorPorts {
 public:
  static constexpr const char* kPortName = "Simulated S80";
  // The JACK and ALSA clients that hold the two ports (JACK's client names are unique).
  static constexpr const char* kInputClientName = "Simulated S80 In";
  static constexpr const char* kOutputClientName = "Simulated S80 Out";

  using Log = std::function<void(const std::string& line)>;

  // `log` (when given) hears each message's description, from the system's thread.
  SimulatorPorts(std::shared_ptr<SimulatedS80> synthesizer, Log log);
  ~SimulatorPorts();
  SimulatorPorts(const SimulatorPorts&) = delete;
  SimulatorPorts& operator=(const SimulatorPorts&) = delete;

  // Opens the ports on each system that can be reached; the systems where both opened.
  std::vector<MidiSystem> Open();

  // Whether every system the ports opened on has gone since (a JACK server that stopped).
  bool AllSystemsLost() const;

 private:
  // One line about a message from the computer: a dump request, the end of a stored dump, or
  // a program selection; none for the messages in between.
  std::optional<std::string> Describe(std::span<const std::uint8_t> message);

  void Receive(std::span<const std::uint8_t> message);

  std::shared_ptr<SimulatedS80> synthesizer_;
  Log log_;
  std::mutex mutex_;  // the bank selection below, between the systems' threads
  int bankMsb_ = -1;
  int bankLsb_ = -1;
  std::vector<std::unique_ptr<MidiOutputConnection>> outputs_;
  std::vector<std::unique_ptr<MidiInputConnection>> inputs_;
};
