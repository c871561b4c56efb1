#include "midi/RtMidiPortLayer.h"

#include "midi/MidiInputQueue.h"

namespace {
// Stand-in until the RtMidi layer is written: a system without ports.
class NoPortsLayer : public MidiPortLayer {
 public:
  int InputPortCount() override { return 0; }
  int OutputPortCount() override { return 0; }
  std::optional<std::string> InputPortName(int) override { return std::nullopt; }
  std::optional<std::string> OutputPortName(int) override { return std::nullopt; }
  std::unique_ptr<MidiInputConnection> OpenInputPort(int, MidiInputQueue&) override {
    return nullptr;
  }
  std::unique_ptr<MidiOutputConnection> OpenOutputPort(int) override { return nullptr; }
};
}  // namespace

std::unique_ptr<MidiPortLayer> MakeRtMidiPortLayer() {
  return std::make_unique<NoPortsLayer>();
}
