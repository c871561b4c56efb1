#include "simulator/LoopbackPortLayer.h"

#include <cstdint>
#include <numeric>
#include <span>

#include "midi/MidiWire.h"
#include "midi/ports/MidiInputQueue.h"
#include "midi/ports/MidiWirePacer.h"
#include "midi/sysex/BulkDump.h"
#include "simulator/SimulatedS80.h"

namespace {

// What the computer sends reaches the simulator message by message, each when its last byte
// would have arrived at the simulator's wire rate.
class LoopbackOutput : public MidiOutputConnection {
 public:
  explicit LoopbackOutput(std::shared_ptr<SimulatedS80> synthesizer)
      : synthesizer_(std::move(synthesizer)) {}

  // A status byte other than System Exclusive or a system message, then data bytes.
  int SendShortMessage(std::span<const std::uint8_t> message) override {
    if (message.empty() || message.size() > 3 || message[0] < BulkDump::kStatusBit ||
        message[0] >= BulkDump::kSysExStart) {
      return -1;
    }
    for (const std::uint8_t byte : message.subspan(1)) {
      if (byte >= BulkDump::kStatusBit) {
        return -1;
      }
    }
    MidiWirePacer pacer(synthesizer_->BytesPerSecond());
    pacer.Sent(message.size());
    synthesizer_->Receive(message);
    return 0;
  }

  // Refuses, sending nothing, a string that is not whole messages back to back.
  int SendSysEx(std::span<const std::uint8_t> bytes, const std::atomic<bool>* stop) override {
    const auto messages = MidiWire::SysExMessages(bytes);
    const std::size_t whole =
        std::accumulate(messages.begin(), messages.end(), std::size_t{0},
                        [](std::size_t sum, std::span<const std::uint8_t> message) {
                          return sum + message.size();
                        });
    if (whole != bytes.size()) {
      return -1;
    }
    MidiWirePacer pacer(synthesizer_->BytesPerSecond());
    for (const std::span<const std::uint8_t> message : messages) {
      if (stop != nullptr && stop->load()) {
        return -1;
      }
      pacer.Sent(message.size());
      synthesizer_->Receive(message);
    }
    return 0;
  }

 private:
  std::shared_ptr<SimulatedS80> synthesizer_;
};

// The simulator's answers go to the queue from the moment the port is open until it is
// closed. Opening the port again hands the answers to the newer queue; closing the older
// connection then leaves the newer one in place.
class LoopbackInput : public MidiInputConnection {
 public:
  LoopbackInput(std::shared_ptr<SimulatedS80> synthesizer, MidiInputQueue& queue)
      : synthesizer_(std::move(synthesizer)),
        connection_(synthesizer_->Connect(
            [&queue](std::span<const std::uint8_t> message) { queue.Receive(message); })) {}
  ~LoopbackInput() override { synthesizer_->Disconnect(connection_); }
  LoopbackInput(const LoopbackInput&) = delete;
  LoopbackInput& operator=(const LoopbackInput&) = delete;

  int BytesPerSecond() const override { return synthesizer_->BytesPerSecond(); }

 private:
  std::shared_ptr<SimulatedS80> synthesizer_;
  std::uint64_t connection_;
};

}  // namespace

LoopbackPortLayer::LoopbackPortLayer(std::shared_ptr<SimulatedS80> synthesizer)
    : synthesizer_(std::move(synthesizer)) {}

LoopbackPortLayer::~LoopbackPortLayer() = default;

std::optional<std::string> LoopbackPortLayer::InputPortName(int port) {
  return port == 0 ? std::optional<std::string>(kPortName) : std::nullopt;
}

std::optional<std::string> LoopbackPortLayer::OutputPortName(int port) {
  return port == 0 ? std::optional<std::string>(kPortName) : std::nullopt;
}

std::unique_ptr<MidiInputConnection> LoopbackPortLayer::OpenInputPort(int port,
                                                                      MidiInputQueue& queue) {
  if (port != 0) {
    return nullptr;
  }
  return std::make_unique<LoopbackInput>(synthesizer_, queue);
}

std::unique_ptr<MidiOutputConnection> LoopbackPortLayer::OpenOutputPort(int port) {
  if (port != 0) {
    return nullptr;
  }
  return std::make_unique<LoopbackOutput>(synthesizer_);
}
