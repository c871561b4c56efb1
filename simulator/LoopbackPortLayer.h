#pragma once

#include <memory>

#include "midi/ports/MidiPortLayer.h"

class SimulatedS80;

// One input and one output port, both named "Simulated S80", wired to a simulated
// synthesizer: what goes out of the output port reaches the simulator, paced at its wire
// rate; what it answers arrives at the input port.
class LoopbackPortLayer : public MidiPortLayer {
 public:
  static constexpr const char* kPortName = "Simulated S80";

  explicit LoopbackPortLayer(std::shared_ptr<SimulatedS80> synthesizer);
  ~LoopbackPortLayer() override;

  int InputPortCount() override { return 1; }
  int OutputPortCount() override { return 1; }
  std::optional<std::string> InputPortName(int port) override;
  std::optional<std::string> OutputPortName(int port) override;
  std::unique_ptr<MidiInputConnection> OpenInputPort(int port, MidiInputQueue& queue) override;
  std::unique_ptr<MidiOutputConnection> OpenOutputPort(int port) override;

  SimulatedS80& Synthesizer() { return *synthesizer_; }

 private:
  std::shared_ptr<SimulatedS80> synthesizer_;
};
