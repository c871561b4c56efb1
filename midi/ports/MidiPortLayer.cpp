#include "midi/ports/MidiPortLayer.h"

#include "midi/ports/RtMidiPortLayer.h"

namespace {
std::unique_ptr<MidiPortLayer>& InstalledLayer() {
  static std::unique_ptr<MidiPortLayer> layer;
  return layer;
}
}  // namespace

MidiPortLayer& CurrentMidiPortLayer() {
  std::unique_ptr<MidiPortLayer>& layer = InstalledLayer();
  if (!layer) {
    layer = MakeRtMidiPortLayer();
  }
  return *layer;
}

void InstallMidiPortLayer(std::unique_ptr<MidiPortLayer> layer) {
  InstalledLayer() = std::move(layer);
}
