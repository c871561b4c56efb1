#include "midi/ports/MidiDevice.h"

#include <algorithm>
#include <array>

#include "midi/MidiWire.h"
#include "midi/ports/MidiDeviceSettings.h"
#include "midi/ports/MidiErrorReport.h"

namespace {

using namespace MidiErrors;
// How often the wait looks at the clock and the cancel flag.
constexpr std::chrono::milliseconds kWaitStep{1};

}  // namespace

// --- MidiDevice ---

int MidiDevice::SendMessage(std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t) {
  ReportMidiError(kUseOutputDevice, kSendCaption);
  return -1;
}

int MidiDevice::SendLongMsg(std::span<const std::uint8_t>) {
  ReportMidiError(kUseOutputDevice, kSendCaption);
  return -1;
}

int MidiDevice::DoSysxDump(std::span<const std::uint8_t>, MidiDevice*, std::span<std::uint8_t>) {
  ReportMidiError(kUseInputDevice, kDumpCaption);
  return -1;
}

void MidiDevice::SetName(const std::optional<std::string>& name) {
  name_ = name && !name->empty() ? *name : kUnnamedDevice;
}

// --- MidiInDevice ---

MidiInDevice::MidiInDevice(MidiPortLayer& layer, int port)
    : MidiDevice(layer, port), queue_([this](std::span<const std::uint8_t> completed) {
        HandleDriverMessage(MidiDriverMessage::kLongData,
                            reinterpret_cast<std::uintptr_t>(completed.data()), completed.size());
      }) {
  RefreshName();
}

MidiInDevice::~MidiInDevice() {
  CloseForDestroy();
}

void MidiInDevice::HandleDriverMessage(MidiDriverMessage message, std::uintptr_t parameter1,
                                       std::uintptr_t parameter2) {
  if (message == MidiDriverMessage::kLongData) {
    const std::span completed(reinterpret_cast<const std::uint8_t*>(parameter1), parameter2);
    lastCompletion_.store(clock_->Now());
    answerComplete_.store(CompletesAnswer(completed));
  }
}

// Each F7 completes a buffer, so a header or footer arrives as a buffer of its own (with buffers
// smaller than a message it never does, and the quiet limit ends the wait as before).
bool MidiInDevice::CompletesAnswer(std::span<const std::uint8_t> completed) {
  if (!awaited_) {
    return false;
  }
  if (std::ranges::equal(completed, awaited_->header)) {
    awaited_->headerArrived = true;
    return false;
  }
  return awaited_->headerArrived && std::ranges::equal(completed, awaited_->footer);
}

void MidiInDevice::RefreshName() {
  SetName(layer_.InputPortName(PortNumber()));
}

int MidiInDevice::Open() {
  if (IsOpen()) {
    return 0;
  }
  const MidiDeviceSettings& settings = MidiDeviceSettings::Current();
  bufferSize_ = settings.bufferSize;
  queue_.Allocate(settings.bufferCount, bufferSize_);
  connection_ = layer_.OpenInputPort(PortNumber(), queue_);
  if (!connection_) {
    queue_.Reset();
    return -1;
  }
  return 0;
}

int MidiInDevice::Close() {
  if (IsOpen()) {
    connection_.reset();  // no delivery after this
    queue_.Reset();
  }
  return 0;
}

int MidiInDevice::QuietLimit() const {
  const int bytesPerSecond = connection_ ? connection_->BytesPerSecond() : 0;
  const auto bufferWireTime = std::chrono::ceil<std::chrono::milliseconds>(
      MidiWire::WireTime(static_cast<std::size_t>(std::max(bufferSize_, 0)), bytesPerSecond));
  const auto latency = connection_ ? connection_->DeliveryLatency() : std::chrono::milliseconds{};
  return MidiDeviceSettings::Current().timeout +
         static_cast<int>((bufferWireTime + latency).count());
}

int MidiInDevice::DoSysxDump(std::span<const std::uint8_t> request, MidiDevice* output,
                             std::span<std::uint8_t> target) {
  const std::chrono::milliseconds limit{QuietLimit()};
  answerComplete_.store(false);
  awaited_.reset();
  if (const std::optional<BulkDump::Location> location = BulkDump::RequestedLocation(request)) {
    awaited_ = AwaitedAnswer{BulkDump::EmptyMessage(BulkDump::HeaderAddress(*location)),
                             BulkDump::EmptyMessage(BulkDump::FooterAddress(*location))};
  }
  lastCompletion_.store(clock_->Now());
  queue_.Start();
  if (!request.empty()) {
    if (output != nullptr) {
      output->SendLongMsg(request);
    } else {
      ReportMidiError(kOpenOutputFirst, kSendCaption);
    }
  }
  const MidiWaitClock::TimePoint sent = clock_->Now();
  const auto quietFor = [&] { return clock_->Now() - std::max(sent, lastCompletion_.load()); };
  bool cancelled = false;
  do {
    clock_->SleepUntil(clock_->Now() + kWaitStep);
    cancelled = MidiDeviceSettings::Current().CancelRequested();
  } while (!cancelled && !answerComplete_.load() && quietFor() < limit);
  lastWait_ = std::chrono::duration_cast<std::chrono::milliseconds>(clock_->Now() - sent);
  queue_.Stop();
  // A cancelled answer is dropped whole: part of one would change only some of an item.
  return static_cast<int>(queue_.Collect(cancelled ? target.first(0) : target));
}

// --- MidiOutDevice ---

MidiOutDevice::MidiOutDevice(MidiPortLayer& layer, int port) : MidiDevice(layer, port) {
  RefreshName();
}

MidiOutDevice::~MidiOutDevice() {
  CloseForDestroy();
}

void MidiOutDevice::RefreshName() {
  SetName(layer_.OutputPortName(PortNumber()));
}

int MidiOutDevice::Open() {
  if (IsOpen()) {
    return 0;
  }
  connection_ = layer_.OpenOutputPort(PortNumber());
  return connection_ ? 0 : -1;
}

int MidiOutDevice::Close() {
  connection_.reset();
  return 0;
}

int MidiOutDevice::SendMessage(std::uint8_t status, std::uint8_t channel, std::uint8_t data1,
                               std::uint8_t data2) {
  if (!IsOpen()) {
    ReportMidiError(kOpenOutputFirst, kSendCaption);
    return -1;
  }
  const std::array<std::uint8_t, 3> message{static_cast<std::uint8_t>(status | channel), data1,
                                            data2};
  saidDisconnected_ = false;
  if (connection_->SendShortMessage(
          std::span(message).first(MidiWire::ChannelMessageLength(status))) != 0) {
    if (connection_->Disconnected()) {
      saidDisconnected_ = true;
      ReportMidiError(NothingConnected("output", Name()), kSendCaption);
    }
    return -1;
  }
  return 0;
}

int MidiOutDevice::SendLongMsg(std::span<const std::uint8_t> data) {
  if (!IsOpen()) {
    ReportMidiError(kOpenOutputFirst, kSendCaption);
    return -1;
  }
  const MidiDeviceSettings& settings = MidiDeviceSettings::Current();
  saidDisconnected_ = false;
  if (connection_->SendSysEx(data, settings.cancel) != 0) {
    // A cancelled send is no port error.
    if (connection_->Disconnected()) {
      saidDisconnected_ = true;
      ReportMidiError(NothingConnected("output", Name()), kLongMessageCaption);
    } else if (!settings.CancelRequested()) {
      ReportMidiError(kUnableToSendLong, kLongMessageCaption);
    }
    return -1;
  }
  return 0;
}
