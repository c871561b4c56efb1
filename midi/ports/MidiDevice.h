#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "midi/ports/MidiInputQueue.h"
#include "midi/ports/MidiPortLayer.h"
#include "midi/ports/MidiWaitClock.h"
#include "midi/sysex/BulkDump.h"

// What the port tells an input device. kLongData: a buffer was completed; the first parameter
// points at its bytes, the second is their number.
enum class MidiDriverMessage { kOpen, kClose, kData, kLongData };

// One MIDI port of the system, input or output. A device is open exactly when it holds a
// connection to its port.
class MidiDevice {
 public:
  static constexpr int kInputKind = 1;
  static constexpr int kOutputKind = 2;
  static constexpr const char* kUnnamedDevice = "Unnamed Device";

  virtual ~MidiDevice() = default;
  MidiDevice(const MidiDevice&) = delete;
  MidiDevice& operator=(const MidiDevice&) = delete;

  virtual void HandleDriverMessage(MidiDriverMessage message, std::uintptr_t parameter1,
                                   std::uintptr_t parameter2) = 0;
  virtual void RefreshName() = 0;
  virtual int DeviceKind() const = 0;
  virtual bool IsOpen() const = 0;
  virtual int Open() = 0;
  virtual int Close() = 0;
  virtual void CloseForDestroy() { Close(); }
  // Output only: on an input device these report "Must use a MIDI output device" and give -1.
  virtual int SendMessage(std::uint8_t status, std::uint8_t channel, std::uint8_t data1,
                          std::uint8_t data2);
  virtual int SendLongMsg(std::span<const std::uint8_t> data);
  // Input only: sends the request (when there is one) through `output` and collects the System
  // Exclusive bytes that arrive into `target` until the line has stayed quiet for the quiet
  // limit since the request went out or a buffer last completed, whichever was later, or, for a
  // dump request, until the footer of the requested location has followed its header; a cancel
  // (MidiDeviceSettings::cancel) ends the wait at once and delivers nothing. The number of
  // bytes delivered; -1 on an output device.
  virtual int DoSysxDump(std::span<const std::uint8_t> request, MidiDevice* output,
                         std::span<std::uint8_t> target);
  // Whether the open port has lost what it was connected to (see MidiOutputConnection).
  virtual bool Disconnected() const { return false; }
  // Whether the last send through this port failed saying nothing was connected any more.
  virtual bool SaidDisconnected() const { return false; }

  int PortNumber() const { return port_; }
  // The port's number in a fresh listing of the same ports.
  void Renumber(int port) { port_ = port; }
  const std::string& Name() const { return name_; }

 protected:
  MidiDevice(MidiPortLayer& layer, int port) : layer_(layer), port_(port) {}
  void SetName(const std::optional<std::string>& name);

  MidiPortLayer& layer_;

 private:
  int port_;
  std::string name_;
};

class MidiInDevice : public MidiDevice {
 public:
  MidiInDevice(MidiPortLayer& layer, int port);
  ~MidiInDevice() override;

  void HandleDriverMessage(MidiDriverMessage message, std::uintptr_t parameter1,
                           std::uintptr_t parameter2) override;
  void RefreshName() override;
  int DeviceKind() const override { return kInputKind; }
  bool IsOpen() const override { return connection_ != nullptr; }
  // Opens the port and queues the number of buffers of the size the settings give.
  int Open() override;
  int Close() override;
  int DoSysxDump(std::span<const std::uint8_t> request, MidiDevice* output,
                 std::span<std::uint8_t> target) override;
  bool Disconnected() const override { return connection_ && connection_->Disconnected(); }

  int BufferCount() const { return queue_.BufferCount(); }
  // The quiet time that ends a dump, in milliseconds: the timeout setting plus the wire time of
  // one full input buffer, the longest a buffer can take to fill while the synthesizer is still
  // sending, plus the port's delivery latency (which also delays the first message of the
  // answer).
  int QuietLimit() const;
  // How long the last dump waited after sending its request.
  std::chrono::milliseconds LastWait() const { return lastWait_; }
  // The clock the wait reads and sleeps on (the system's until another is given); it must
  // outlive the device or be replaced first.
  void UseClock(MidiWaitClock& clock) { clock_ = &clock; }

 private:
  // The messages that open and close the answer to a dump request, and whether the opening one
  // has arrived. Set while not recording; used by the listener under the queue's lock.
  struct AwaitedAnswer {
    std::array<std::uint8_t, BulkDump::kMessageOverhead> header;
    std::array<std::uint8_t, BulkDump::kMessageOverhead> footer;
    bool headerArrived = false;
  };
  bool CompletesAnswer(std::span<const std::uint8_t> completed);

  std::optional<AwaitedAnswer> awaited_;
  MidiInputQueue queue_;
  std::unique_ptr<MidiInputConnection> connection_;
  MidiWaitClock* clock_ = &MidiWaitClock::System();
  // Written by the port's thread as each buffer completes, read by the waiting one. The time is
  // read from the clock rather than counted in steps of the wait, so that a waiting thread held
  // up on a loaded machine does not take its own delay for quiet while the answer arrived.
  std::atomic<MidiWaitClock::TimePoint> lastCompletion_{};
  std::atomic<bool> answerComplete_ = false;
  int bufferSize_ = 0;
  std::chrono::milliseconds lastWait_{0};
};

class MidiOutDevice : public MidiDevice {
 public:
  MidiOutDevice(MidiPortLayer& layer, int port);
  ~MidiOutDevice() override;

  void HandleDriverMessage(MidiDriverMessage, std::uintptr_t, std::uintptr_t) override {}
  void RefreshName() override;
  int DeviceKind() const override { return kOutputKind; }
  bool IsOpen() const override { return connection_ != nullptr; }
  int Open() override;
  int Close() override;
  // status OR channel, then the data bytes the status takes (one for program change and
  // channel pressure, two for the others).
  int SendMessage(std::uint8_t status, std::uint8_t channel, std::uint8_t data1,
                  std::uint8_t data2) override;
  // Returns when the whole string has gone out.
  int SendLongMsg(std::span<const std::uint8_t> data) override;
  bool Disconnected() const override { return connection_ && connection_->Disconnected(); }
  bool SaidDisconnected() const override { return saidDisconnected_; }

 private:
  std::unique_ptr<MidiOutputConnection> connection_;
  bool saidDisconnected_ = false;
};
