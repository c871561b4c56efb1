#include "simulator/SimulatorPorts.h"

#include <algorithm>
#include <utility>

#include "midi/MidiWire.h"
#include "midi/sysex/BulkDump.h"
#include "midi/sysex/BulkMessageScanner.h"
#include "model/BankLayouts.h"
#include "simulator/SimulatedS80.h"

namespace {

constexpr std::array kSystems{MidiSystem::kJack, MidiSystem::kAlsa};

// "Internal Instrument INT:001(A01)", or "Instrument edit buffer".
std::string LocationText(BulkDump::Location location) {
  const std::optional<BulkDump::LocationMeaning> meaning = BulkDump::DescribeLocation(location);
  if (!meaning) {
    return "unknown location " + std::to_string(location.mid) + "/" + std::to_string(location.low);
  }
  if (meaning->bank == nullptr) {
    return std::string(KindInfo(meaning->kind).name) + " edit buffer";
  }
  return std::string(meaning->bank->longName) + " " + SlotPlace(*meaning->bank, meaning->slot);
}

std::optional<BulkDump::Location> FooterLocation(std::span<const std::uint8_t> message) {
  std::optional<BulkDump::Location> footer;
  ScanBulkMessages(message, [&](const BulkMessage& bulk) {
    if (bulk.address.High() == BulkDump::kFooterHigh) {
      footer = BulkDump::Location{bulk.address.Mid(), bulk.address.Low()};
    }
  });
  return footer;
}

}  // namespace

SimulatorPorts::SimulatorPorts(std::shared_ptr<SimulatedS80> synthesizer, Log log)
    : synthesizer_(std::move(synthesizer)), log_(std::move(log)) {}

// The inputs close first, so no request arrives once the outputs are going.
SimulatorPorts::~SimulatorPorts() {
  inputs_.clear();
  synthesizer_->Disconnect();
  outputs_.clear();
}

std::vector<MidiSystem> SimulatorPorts::Open() {
  std::vector<MidiSystem> opened;
  for (const MidiSystem system : kSystems) {
    auto output = OpenOwnMidiOutputPort(system, kOutputClientName, kPortName);
    auto input = output ? OpenOwnMidiInputPort(
                              system, kInputClientName, kPortName,
                              [this](std::span<const std::uint8_t> message) { Receive(message); })
                        : nullptr;
    if (input) {
      outputs_.push_back(std::move(output));
      inputs_.push_back(std::move(input));
      opened.push_back(system);
    }
  }
  synthesizer_->Connect([this](std::span<const std::uint8_t> message) {
    for (const auto& output : outputs_) {
      output->SendSysEx(message, nullptr);
    }
  });
  return opened;
}

bool SimulatorPorts::AllSystemsLost() const {
  return std::ranges::all_of(inputs_, [](const auto& input) { return input->SystemLost(); });
}

void SimulatorPorts::Receive(std::span<const std::uint8_t> message) {
  if (log_) {
    if (const std::optional<std::string> line = Describe(message)) {
      log_(*line);
    }
  }
  synthesizer_->Receive(message);
}

std::optional<std::string> SimulatorPorts::Describe(std::span<const std::uint8_t> message) {
  if (const std::optional<BulkDump::Location> requested = BulkDump::RequestedLocation(message)) {
    return "request " + LocationText(*requested);
  }
  if (const std::optional<BulkDump::Location> stored = FooterLocation(message)) {
    return "dump stored " + LocationText(*stored);
  }
  if (message.size() < 2 || message[0] == BulkDump::kSysExStart) {
    return std::nullopt;
  }
  const std::lock_guard lock(mutex_);
  const std::uint8_t type = message[0] & MidiWire::kChannelStatusMask;
  if (type == MidiWire::kControlChange && message.size() >= 3) {
    if (message[1] == MidiWire::kBankSelectMsbController) {
      bankMsb_ = message[2];
    } else if (message[1] == MidiWire::kBankSelectLsbController) {
      bankLsb_ = message[2];
    }
    return std::nullopt;
  }
  if (type != MidiWire::kProgramChange) {
    return std::nullopt;
  }
  for (const BankLayout& layout : kBankLayouts) {
    if (layout.msb == bankMsb_ && layout.lsb == bankLsb_ && message[1] < layout.capacity) {
      return "program selected " + std::string(layout.longName) + " " +
             SlotPlace(layout, message[1]);
    }
  }
  return "program change " + std::to_string(message[1]) + " in no bank";
}
