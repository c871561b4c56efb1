#pragma once

#include <memory>

#include "midi/ports/MidiPortLayer.h"

// The ports of two layers as one: the first layer's ports, then the second's, in each
// direction (the system's ports with the simulated synthesizer's after them).
class CombinedMidiPortLayer : public MidiPortLayer {
 public:
  CombinedMidiPortLayer(std::unique_ptr<MidiPortLayer> first,
                        std::unique_ptr<MidiPortLayer> second);

  int InputPortCount() override;
  int OutputPortCount() override;
  std::optional<std::string> InputPortName(int port) override;
  std::optional<std::string> OutputPortName(int port) override;
  std::unique_ptr<MidiInputConnection> OpenInputPort(int port, MidiInputQueue& queue) override;
  std::unique_ptr<MidiOutputConnection> OpenOutputPort(int port) override;

 private:
  std::unique_ptr<MidiPortLayer> first_;
  std::unique_ptr<MidiPortLayer> second_;
};
