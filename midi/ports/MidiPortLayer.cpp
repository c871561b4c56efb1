#include "midi/ports/MidiPortLayer.h"

namespace {

class NoPorts : public MidiPortLayer {
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

std::unique_ptr<MidiPortLayer>& InstalledLayer() {
  static std::unique_ptr<MidiPortLayer> layer;
  return layer;
}

}  // namespace

MidiPortLayer& CurrentMidiPortLayer() {
  std::unique_ptr<MidiPortLayer>& layer = InstalledLayer();
  if (!layer) {
    layer = std::make_unique<NoPorts>();
  }
  return *layer;
}

void InstallMidiPortLayer(std::unique_ptr<MidiPortLayer> layer) {
  InstalledLayer() = std::move(layer);
}
