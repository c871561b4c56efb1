#include "midi/ports/RtMidiPortLayer.h"

#include <alsa/asoundlib.h>
#include <unistd.h>

#include <RtMidi.h>

#include <exception>
#include <mutex>
#include <string>
#include <vector>

#include "midi/MidiWire.h"
#include "midi/ports/MidiInputQueue.h"
#include "midi/ports/MidiWirePacer.h"
#include "midi/settings/SettingsStore.h"

// Why System Exclusive is paced here, one message at a time: RtMidi's ALSA output opens the
// sequencer non-blocking and hands every event on at once, and the sequencer passes it
// straight to the interface's rawmidi buffer of a few kilobytes; what does not fit is dropped
// without any error coming back to us, and one event of several kilobytes is refused outright.
// A bank dump handed over whole would reach the instrument with holes. The wire behind a
// system port runs at 31250 baud, so feeding it no faster than that is the only way to know
// nothing is lost, and it also makes SendSysEx return when the last byte really is out, which
// is when the device starts waiting for the answer. The loopback and simulated layers have no
// wire and do not pace.

namespace {

constexpr const char* kClientName = "Corvale";
// Large enough for the longest answer the instrument sends in one message (a percussion dump
// is 7889 bytes). ALSA grows its own buffer and joins the sequencer's chunks up to the F7
// anyway; other backends take the size from here.
constexpr unsigned int kInputBufferSize = 8192;
constexpr unsigned int kInputBufferCount = 4;

void IgnoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

// ALSA prints its errors to stderr unless told otherwise, and opening the sequencer on a
// system without one is such an error.
void SilenceAlsa() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(&IgnoreAlsaMessage); });
}

// RtMidi's constructors print to stderr and throw when the sequencer cannot be opened, before
// an error callback can be installed, so look first.
bool SequencerAvailable() {
  if (::access("/dev/snd/seq", F_OK) != 0) {
    return false;
  }
  snd_seq_t* seq = nullptr;
  if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
    return false;
  }
  snd_seq_close(seq);
  return true;
}

// With an error callback installed RtMidi neither prints nor throws; it calls this instead,
// on the thread that made the failing call. `failed` points at the owner's flag.
void RecordRtMidiError(RtMidiError::Type type, const std::string&, void* failed) {
  if (type != RtMidiError::DEBUG_WARNING) {
    *static_cast<bool*>(failed) = true;
  }
}

// An RtMidi object on the ALSA sequencer that reports its errors to `failed`; none when the
// sequencer is missing or will not open.
template <class Midi>
std::unique_ptr<Midi> MakeQuietMidi(bool& failed) {
  SilenceAlsa();
  if (!SequencerAvailable()) {
    return nullptr;
  }
  try {
    auto midi = std::make_unique<Midi>(RtMidi::LINUX_ALSA, kClientName);
    midi->setErrorCallback(&RecordRtMidiError, &failed);
    return midi;
  } catch (const RtMidiError&) {
    return nullptr;
  }
}

std::optional<std::string> PortName(RtMidi& midi, int port) {
  if (port < 0) {
    return std::nullopt;
  }
  try {
    std::string name = midi.getPortName(static_cast<unsigned int>(port));
    if (name.empty()) {
      return std::nullopt;
    }
    return name;
  } catch (const RtMidiError&) {
    return std::nullopt;
  }
}

int PortCount(RtMidi& midi) {
  try {
    return static_cast<int>(midi.getPortCount());
  } catch (const RtMidiError&) {
    return 0;
  }
}

class RtMidiOutputConnection final : public MidiOutputConnection {
 public:
  static std::unique_ptr<MidiOutputConnection> Open(int port) {
    auto connection = std::make_unique<RtMidiOutputConnection>();
    connection->out_ = MakeQuietMidi<RtMidiOut>(connection->failed_);
    if (!connection->out_) {
      return nullptr;
    }
    try {
      connection->out_->openPort(static_cast<unsigned int>(port), "Corvale Output");
    } catch (const RtMidiError&) {
      return nullptr;
    }
    if (connection->failed_ || !connection->out_->isPortOpen()) {
      return nullptr;
    }
    connection->pauseAfterF7_ = std::chrono::milliseconds(SettingsStore::ReadSettingInteger(
        Settings::kMidiOutputF7Delay, Settings::kDefaultMidiOutputF7Delay));
    return connection;
  }

  ~RtMidiOutputConnection() override {
    try {
      if (out_) {
        out_->closePort();
      }
    } catch (const RtMidiError&) {
    }
  }

  int SendShortMessage(std::span<const std::uint8_t> message) override { return Send(message); }

  int SendSysEx(std::span<const std::uint8_t> bytes, const std::atomic<bool>* stop) override {
    return SendSysExPaced(
        bytes, MidiWire::kDinBytesPerSecond, pauseAfterF7_,
        [this](std::span<const std::uint8_t> message) { return Send(message); }, stop);
  }

 private:
  int Send(std::span<const std::uint8_t> message) {
    failed_ = false;
    try {
      out_->sendMessage(message.data(), message.size());
    } catch (const RtMidiError&) {
      return -1;
    }
    return failed_ ? -1 : 0;
  }

  bool failed_ = false;
  std::unique_ptr<RtMidiOut> out_;
  std::chrono::milliseconds pauseAfterF7_{0};
};

class RtMidiInputConnection final : public MidiInputConnection {
 public:
  static std::unique_ptr<MidiInputConnection> Open(int port, MidiInputQueue& queue) {
    auto connection = std::make_unique<RtMidiInputConnection>();
    connection->in_ = MakeQuietMidi<RtMidiIn>(connection->failed_);
    if (!connection->in_) {
      return nullptr;
    }
    try {
      RtMidiIn& in = *connection->in_;
      in.ignoreTypes(false, true, true);  // System Exclusive in; clock and active sensing out
      in.setBufferSize(kInputBufferSize, kInputBufferCount);  // only before openPort
      in.setCallback(&Deliver, &queue);
      in.openPort(static_cast<unsigned int>(port), "Corvale Input");
    } catch (const RtMidiError&) {
      return nullptr;
    }
    if (connection->failed_ || !connection->in_->isPortOpen()) {
      return nullptr;
    }
    return connection;
  }

  // closePort stops and joins RtMidi's input thread, so once it has returned the queue is never
  // called again. Only then is the callback cancelled: RtMidi's thread tests whether a callback
  // is set and then reads it, without a lock, so cancelling first could leave it calling a null
  // function. Destroying the RtMidiIn closes the sequencer client.
  ~RtMidiInputConnection() override {
    if (!in_) {
      return;
    }
    try {
      in_->closePort();
      in_->cancelCallback();
    } catch (const RtMidiError&) {
    }
    in_.reset();
  }

  int BytesPerSecond() const override { return MidiWire::kDinBytesPerSecond; }

 private:
  // On RtMidi's thread: one whole message (System Exclusive already joined up to its F7).
  static void Deliver(double, std::vector<unsigned char>* message, void* queue) {
    try {
      static_cast<MidiInputQueue*>(queue)->Receive(
          std::span<const std::uint8_t>(message->data(), message->size()));
    } catch (const std::exception&) {
      // Nothing may escape into RtMidi's thread; the device notices missing bytes by timeout.
    }
  }

  bool failed_ = false;
  std::unique_ptr<RtMidiIn> in_;
};

class RtMidiPortLayer final : public MidiPortLayer {
 public:
  int InputPortCount() override {
    RtMidiIn* in = QueryIn();
    return in ? PortCount(*in) : 0;
  }
  int OutputPortCount() override {
    RtMidiOut* out = QueryOut();
    return out ? PortCount(*out) : 0;
  }
  std::optional<std::string> InputPortName(int port) override {
    RtMidiIn* in = QueryIn();
    return in ? PortName(*in, port) : std::nullopt;
  }
  std::optional<std::string> OutputPortName(int port) override {
    RtMidiOut* out = QueryOut();
    return out ? PortName(*out, port) : std::nullopt;
  }
  std::unique_ptr<MidiInputConnection> OpenInputPort(int port, MidiInputQueue& queue) override {
    if (port < 0) {
      return nullptr;
    }
    return RtMidiInputConnection::Open(port, queue);
  }
  std::unique_ptr<MidiOutputConnection> OpenOutputPort(int port) override {
    if (port < 0) {
      return nullptr;
    }
    return RtMidiOutputConnection::Open(port);
  }

 private:
  // Made at the first question, and tried again at the next one while the sequencer is
  // missing (its module may be loaded later).
  RtMidiIn* QueryIn() {
    if (!queryIn_) {
      queryIn_ = MakeQuietMidi<RtMidiIn>(queryInFailed_);
    }
    return queryIn_.get();
  }
  RtMidiOut* QueryOut() {
    if (!queryOut_) {
      queryOut_ = MakeQuietMidi<RtMidiOut>(queryOutFailed_);
    }
    return queryOut_.get();
  }

  // Set by RtMidi's error callback; the queries look at the answers instead.
  bool queryInFailed_ = false;
  bool queryOutFailed_ = false;
  std::unique_ptr<RtMidiIn> queryIn_;
  std::unique_ptr<RtMidiOut> queryOut_;
};

}  // namespace

std::unique_ptr<MidiPortLayer> MakeRtMidiPortLayer() {
  SilenceAlsa();
  return std::make_unique<RtMidiPortLayer>();
}

int SendSysExPaced(std::span<const std::uint8_t> bytes, int bytesPerSecond,
                   std::chrono::milliseconds pauseAfterF7,
                   const std::function<int(std::span<const std::uint8_t>)>& send,
                   const std::atomic<bool>* stop) {
  MidiWirePacer pacer(bytesPerSecond);
  for (std::span<const std::uint8_t> message : MidiWire::SysExMessages(bytes)) {
    if ((stop != nullptr && stop->load()) || send(message) != 0) {
      return -1;
    }
    pacer.Sent(message.size());
    pacer.Pause(pauseAfterF7);
  }
  return 0;
}
