#include "simulator/CombinedMidiPortLayer.h"

CombinedMidiPortLayer::CombinedMidiPortLayer(std::unique_ptr<MidiPortLayer> first,
                                             std::unique_ptr<MidiPortLayer> second)
    : first_(std::move(first)), second_(std::move(second)) {}

int CombinedMidiPortLayer::InputPortCount() {
  return first_->InputPortCount() + second_->InputPortCount();
}

int CombinedMidiPortLayer::OutputPortCount() {
  return first_->OutputPortCount() + second_->OutputPortCount();
}

std::optional<std::string> CombinedMidiPortLayer::InputPortName(int port) {
  const int firstCount = first_->InputPortCount();
  return port < firstCount ? first_->InputPortName(port)
                           : second_->InputPortName(port - firstCount);
}

std::optional<std::string> CombinedMidiPortLayer::OutputPortName(int port) {
  const int firstCount = first_->OutputPortCount();
  return port < firstCount ? first_->OutputPortName(port)
                           : second_->OutputPortName(port - firstCount);
}

std::unique_ptr<MidiInputConnection> CombinedMidiPortLayer::OpenInputPort(int port,
                                                                          MidiInputQueue& queue) {
  const int firstCount = first_->InputPortCount();
  return port < firstCount ? first_->OpenInputPort(port, queue)
                           : second_->OpenInputPort(port - firstCount, queue);
}

std::unique_ptr<MidiOutputConnection> CombinedMidiPortLayer::OpenOutputPort(int port) {
  const int firstCount = first_->OutputPortCount();
  return port < firstCount ? first_->OpenOutputPort(port)
                           : second_->OpenOutputPort(port - firstCount);
}
