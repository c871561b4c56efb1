#include "midi/ports/RtMidiPortLayer.h"

#include <alsa/asoundlib.h>
#include <unistd.h>

#include <RtMidi.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <exception>
#include <iostream>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "midi/MidiWire.h"
#include "midi/ports/JackServerWatch.h"
#include "midi/ports/MidiInputQueue.h"
#include "midi/ports/MidiWirePacer.h"
#include "midi/ports/SystemPortPresence.h"
#include "settings/SettingsStore.h"

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
constexpr const char* kInputPortName = "Corvale Input";
constexpr const char* kOutputPortName = "Corvale Output";
// Large enough for the longest answer the instrument sends in one message (a percussion dump
// is 7889 bytes). ALSA grows its own buffer and joins the sequencer's chunks up to the F7
// anyway; other backends take the size from here.
constexpr unsigned int kInputBufferSize = 8192;
constexpr unsigned int kInputBufferCount = 4;

constexpr std::array kSystems{MidiSystem::kAlsa, MidiSystem::kJack};

RtMidi::Api ApiOf(MidiSystem system) {
  return system == MidiSystem::kJack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA;
}

std::string_view SystemTag(MidiSystem system) {
  return system == MidiSystem::kJack ? " (JACK)" : " (ALSA)";
}

void IgnoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

// ALSA prints its errors to stderr unless told otherwise, and opening the sequencer on a
// system without one is such an error.
void SilenceAlsa() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(&IgnoreAlsaMessage); });
}

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

// Holds back what is written to std::cerr while it lives, for the caller to read.
class HeldBackErrorStream {
 public:
  HeldBackErrorStream() : previous_(std::cerr.rdbuf(held_.rdbuf())) {}
  ~HeldBackErrorStream() { std::cerr.rdbuf(previous_); }
  HeldBackErrorStream(const HeldBackErrorStream&) = delete;
  HeldBackErrorStream& operator=(const HeldBackErrorStream&) = delete;
  bool Empty() const { return held_.str().empty(); }

 private:
  std::ostringstream held_;
  std::streambuf* previous_;
};

// An RtMidi object on `system` that reports its errors to `failed`; none when the system will
// not open. RtMidi's constructors print to std::cerr (and on ALSA throw) when the system cannot
// be reached, before an error callback can be installed, so callers look first; and what they
// print is held back. A JACK server may still refuse a new client now and then (when another
// client of it has just gone, it says "Cannot notify add client"); RtMidi then keeps an object
// without a client that would try again, and leak, at every call, so it is made anew.
template <class Midi>
std::unique_ptr<Midi> MakeQuietMidi(MidiSystem system, const std::string& clientName,
                                    bool& failed) {
  constexpr int kAttempts = 3;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    try {
      std::unique_ptr<Midi> midi;
      {
        const HeldBackErrorStream held;
        midi = std::make_unique<Midi>(ApiOf(system), clientName);
        if (!held.Empty()) {
          midi.reset();  // while its last words are held back too
          continue;
        }
      }
      midi->setErrorCallback(&RecordRtMidiError, &failed);
      return midi;
    } catch (const RtMidiError&) {
      return nullptr;
    }
  }
  return nullptr;
}

// Whether `system` can be reached now; on JACK, `watch` is the server's watch, made anew when
// there is none or its server has gone.
bool Reachable(MidiSystem system, std::shared_ptr<JackServerWatch>& watch) {
  if (system == MidiSystem::kAlsa) {
    SilenceAlsa();
    return SequencerAvailable();
  }
  if (!watch || watch->ServerLost()) {
    watch = JackServerWatch::Start();
  }
  return watch != nullptr;
}

// RtMidi's names of every port of `midi`, in its order.
std::vector<std::string> RawPortNames(RtMidi& midi) {
  std::vector<std::string> names;
  try {
    const unsigned int count = midi.getPortCount();
    for (unsigned int port = 0; port < count; ++port) {
      names.push_back(midi.getPortName(port));
    }
  } catch (const RtMidiError&) {
  }
  return names;
}

// A port as the layer lists it: where it is and what it is called.
struct ListedPort {
  MidiSystem system;
  std::string rawName;
  std::string name;
};

// RtMidi's present number of the port it listed as `port`; ports come and go, so the number it
// had when it was listed may now belong to another.
std::optional<unsigned int> FindPort(RtMidi& midi, const ListedPort& port) {
  const std::vector<std::string> rawNames = RawPortNames(midi);
  const auto found = std::ranges::find(rawNames, port.rawName);
  if (found == rawNames.end()) {
    return std::nullopt;
  }
  return static_cast<unsigned int>(found - rawNames.begin());
}

class RtMidiOutputConnection final : public MidiOutputConnection {
 public:
  // `port` none: a port of our own named `portName`.
  // `watch`: the JACK server's, for a port on JACK.
  static std::unique_ptr<MidiOutputConnection> Open(MidiSystem system,
                                                    const std::string& clientName,
                                                    const std::optional<ListedPort>& port,
                                                    const std::string& portName,
                                                    std::shared_ptr<JackServerWatch> watch) {
    auto connection = std::make_unique<RtMidiOutputConnection>();
    // On JACK a port of a server that has gone takes every message without a word, so the
    // connection keeps the server's watch.
    connection->watch_ = std::move(watch);
    connection->out_ = MakeQuietMidi<RtMidiOut>(system, clientName, connection->failed_);
    if (!connection->out_) {
      return nullptr;
    }
    try {
      if (!port) {
        connection->out_->openVirtualPort(portName);
      } else if (const std::optional<unsigned int> number = FindPort(*connection->out_, *port)) {
        connection->out_->openPort(*number, portName);
      } else {
        return nullptr;
      }
    } catch (const RtMidiError&) {
      return nullptr;
    }
    if (connection->failed_ || (port && !connection->out_->isPortOpen())) {
      return nullptr;
    }
    if (port) {
      AwaitConnectionShown(port->system, port->rawName, connection->watch_.get());
      connection->presence_ = SystemPortPresence(port->system, port->rawName, connection->watch_);
      connection->bytesPerSecond_ = MidiWire::kDinBytesPerSecond;
      connection->pauseAfterF7_ = std::chrono::milliseconds(SettingsStore::ReadSettingInteger(
          Settings::kMidiOutputF7Delay, Settings::kDefaultMidiOutputF7Delay));
    }
    return connection;
  }

  ~RtMidiOutputConnection() override {
    if (watch_ && watch_->ServerLost()) {
      JackServerWatch::KeepUnclosed(std::move(out_));
      return;
    }
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
        bytes, bytesPerSecond_, pauseAfterF7_,
        [this](std::span<const std::uint8_t> message) { return Send(message); }, stop);
  }

  bool Disconnected() const override {
    return (watch_ && watch_->ServerLost()) || (presence_ && !presence_());
  }

 private:
  // Asked before every message, so that a send stops where its receiver went away.
  int Send(std::span<const std::uint8_t> message) {
    if (Disconnected()) {
      return -1;
    }
    failed_ = false;
    try {
      out_->sendMessage(message.data(), message.size());
    } catch (const RtMidiError&) {
      return -1;
    }
    return failed_ ? -1 : 0;
  }

  bool failed_ = false;
  std::shared_ptr<JackServerWatch> watch_;
  PortPresenceCheck presence_;
  std::unique_ptr<RtMidiOut> out_;
  int bytesPerSecond_ = 0;
  std::chrono::milliseconds pauseAfterF7_{0};
};

class RtMidiInputConnection final : public MidiInputConnection {
 public:
  // `port` none: a port of our own named `portName`.
  static std::unique_ptr<MidiInputConnection> Open(MidiSystem system, const std::string& clientName,
                                                   const std::optional<ListedPort>& port,
                                                   const std::string& portName,
                                                   std::shared_ptr<JackServerWatch> watch,
                                                   MidiMessageHandler onMessage) {
    auto connection = std::make_unique<RtMidiInputConnection>();
    connection->onMessage_ = std::move(onMessage);
    connection->watch_ = std::move(watch);
    connection->in_ = MakeQuietMidi<RtMidiIn>(system, clientName, connection->failed_);
    if (!connection->in_) {
      return nullptr;
    }
    try {
      RtMidiIn& in = *connection->in_;
      in.ignoreTypes(false, true, true);  // System Exclusive in; clock and active sensing out
      in.setBufferSize(kInputBufferSize, kInputBufferCount);  // only before a port opens
      in.setCallback(&Deliver, &connection->onMessage_);
      if (!port) {
        in.openVirtualPort(portName);
      } else if (const std::optional<unsigned int> number = FindPort(in, *port)) {
        in.openPort(*number, portName);
      } else {
        return nullptr;
      }
    } catch (const RtMidiError&) {
      return nullptr;
    }
    if (connection->failed_ || (port && !connection->in_->isPortOpen())) {
      return nullptr;
    }
    if (port) {
      AwaitConnectionShown(port->system, port->rawName, connection->watch_.get());
      connection->presence_ = SystemPortPresence(port->system, port->rawName, connection->watch_);
    }
    return connection;
  }

  // closePort stops and joins RtMidi's input thread (on JACK: deactivates the client), so once
  // it has returned the handler is never called again. Only then is the callback cancelled:
  // RtMidi's thread tests whether a callback is set and then reads it, without a lock, so
  // cancelling first could leave it calling a null function. Destroying the RtMidiIn closes
  // the client.
  ~RtMidiInputConnection() override {
    if (!in_) {
      return;
    }
    if (watch_ && watch_->ServerLost()) {
      JackServerWatch::KeepUnclosed(std::move(in_));  // its server calls nothing any more
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
  std::chrono::milliseconds DeliveryLatency() const override {
    return watch_ ? watch_->DeliveryLatency() : std::chrono::milliseconds{};
  }
  bool SystemLost() const override { return watch_ && watch_->ServerLost(); }
  bool Disconnected() const override { return SystemLost() || (presence_ && !presence_()); }

 private:
  // On RtMidi's thread (on JACK, the server's process thread): one whole message, System
  // Exclusive already joined up to its F7.
  static void Deliver(double, std::vector<unsigned char>* message, void* handler) {
    try {
      (*static_cast<MidiMessageHandler*>(handler))(
          std::span<const std::uint8_t>(message->data(), message->size()));
    } catch (const std::exception&) {
      // Nothing may escape into RtMidi's thread; the device notices missing bytes by timeout.
    }
  }

  bool failed_ = false;
  MidiMessageHandler onMessage_;
  std::shared_ptr<JackServerWatch> watch_;
  PortPresenceCheck presence_;
  std::unique_ptr<RtMidiIn> in_;
};

class RtMidiPortLayer final : public MidiPortLayer {
 public:
  ~RtMidiPortLayer() override { KeepQueriesOfALostServer(); }

  // Each count lists the ports afresh; names and opening go by the last listing.
  int InputPortCount() override {
    inputs_ = ListPorts<RtMidiIn>();
    return static_cast<int>(inputs_.size());
  }
  int OutputPortCount() override {
    outputs_ = ListPorts<RtMidiOut>();
    return static_cast<int>(outputs_.size());
  }
  std::optional<std::string> InputPortName(int port) override {
    const ListedPort* listed = Listed(inputs_, port);
    return listed ? std::optional(listed->name) : std::nullopt;
  }
  std::optional<std::string> OutputPortName(int port) override {
    const ListedPort* listed = Listed(outputs_, port);
    return listed ? std::optional(listed->name) : std::nullopt;
  }
  std::unique_ptr<MidiInputConnection> OpenInputPort(int port, MidiInputQueue& queue) override {
    const ListedPort* listed = Listed(inputs_, port);
    if (!listed || !Reachable(listed->system)) {
      return nullptr;
    }
    return RtMidiInputConnection::Open(
        listed->system, kClientName, *listed, kInputPortName, WatchOf(listed->system),
        [&queue](std::span<const std::uint8_t> message) { queue.Receive(message); });
  }
  std::unique_ptr<MidiOutputConnection> OpenOutputPort(int port) override {
    const ListedPort* listed = Listed(outputs_, port);
    if (!listed || !Reachable(listed->system)) {
      return nullptr;
    }
    return RtMidiOutputConnection::Open(listed->system, kClientName, *listed, kOutputPortName,
                                        WatchOf(listed->system));
  }

 private:
  // The objects that list one system's ports, kept while the system stays reachable: each
  // is a client of the system, and making one takes a JACK server tens of milliseconds.
  struct Queries {
    bool inFailed = false;  // set by RtMidi's error callback; the answers tell instead
    bool outFailed = false;
    std::unique_ptr<RtMidiIn> in;
    std::unique_ptr<RtMidiOut> out;
  };

  static const ListedPort* Listed(const std::vector<ListedPort>& ports, int port) {
    if (port < 0 || static_cast<std::size_t>(port) >= ports.size()) {
      return nullptr;
    }
    return &ports[static_cast<std::size_t>(port)];
  }

  Queries& QueriesOf(MidiSystem system) { return queries_[static_cast<std::size_t>(system)]; }

  std::shared_ptr<JackServerWatch> WatchOf(MidiSystem system) const {
    return system == MidiSystem::kJack ? jack_ : nullptr;
  }

  void KeepQueriesOfALostServer() {
    if (jack_ && jack_->ServerLost()) {
      Queries& lost = QueriesOf(MidiSystem::kJack);
      JackServerWatch::KeepUnclosed(std::move(lost.in));
      JackServerWatch::KeepUnclosed(std::move(lost.out));
      jack_.reset();
    }
  }

  bool Reachable(MidiSystem system) {
    if (system == MidiSystem::kJack) {
      KeepQueriesOfALostServer();
    }
    const bool reachable = ::Reachable(system, jack_);
    if (!reachable) {
      QueriesOf(system) = {};
    }
    return reachable;
  }

  template <class Midi>
  Midi* Query(MidiSystem system) {
    Queries& queries = QueriesOf(system);
    if constexpr (std::is_same_v<Midi, RtMidiIn>) {
      if (!queries.in) {
        queries.in = MakeQuietMidi<RtMidiIn>(system, kClientName, queries.inFailed);
      }
      return queries.in.get();
    } else {
      if (!queries.out) {
        queries.out = MakeQuietMidi<RtMidiOut>(system, kClientName, queries.outFailed);
      }
      return queries.out.get();
    }
  }

  // The ports of every system, in the order ALSA then JACK.
  template <class Midi>
  std::vector<ListedPort> ListPorts() {
    std::vector<ListedPort> ports;
    for (const MidiSystem system : kSystems) {
      Midi* midi = Reachable(system) ? Query<Midi>(system) : nullptr;
      if (midi == nullptr) {
        continue;
      }
      const std::vector<std::string> rawNames = RawPortNames(*midi);
      const std::vector<std::optional<std::string>> names = StableMidiPortNames(system, rawNames);
      for (std::size_t i = 0; i < rawNames.size(); ++i) {
        if (names[i]) {
          ports.push_back({system, rawNames[i], *names[i]});
        }
      }
    }
    return ports;
  }

  std::vector<ListedPort> inputs_;
  std::vector<ListedPort> outputs_;
  std::shared_ptr<JackServerWatch> jack_;
  std::array<Queries, kSystems.size()> queries_;
};

// "client:port" of a raw name, the numbers ALSA adds taken off.
std::pair<std::string, std::string> ClientAndPort(MidiSystem system, std::string rawName) {
  if (system == MidiSystem::kAlsa) {
    rawName = std::regex_replace(rawName, AlsaAddressPattern(), "");
  }
  const std::size_t colon = rawName.find(':');
  if (colon == std::string::npos) {
    return {"", rawName};
  }
  return {rawName.substr(0, colon), rawName.substr(colon + 1)};
}

// Our own clients: "Corvale", and on JACK "Corvale-01" and so on when several are open.
bool IsOwnClient(const std::string& client) {
  static const std::regex kOwnClient(std::string(kClientName) + "(-[0-9]+)?");
  return std::regex_match(client, kOwnClient);
}

}  // namespace

std::unique_ptr<MidiPortLayer> MakeRtMidiPortLayer() {
  SilenceAlsa();
  JackServerWatch::SilenceJack();
  return std::make_unique<RtMidiPortLayer>();
}

std::vector<std::optional<std::string>> StableMidiPortNames(MidiSystem system,
                                                            std::span<const std::string> rawNames) {
  std::vector<std::pair<std::string, std::string>> split;
  for (const std::string& rawName : rawNames) {
    split.push_back(ClientAndPort(system, rawName));
  }
  std::vector<std::optional<std::string>> names;
  for (const auto& clientAndPort : split) {
    const auto& [client, port] = clientAndPort;
    if (IsOwnClient(client)) {
      names.emplace_back();
      continue;
    }
    const bool shared = std::ranges::count_if(split, [&](const auto& other) {
                          return !IsOwnClient(other.first) && other.second == clientAndPort.second;
                        }) > 1;
    names.push_back((shared ? client + ":" + port : port) + std::string(SystemTag(system)));
  }
  return names;
}

std::unique_ptr<MidiInputConnection> OpenOwnMidiInputPort(MidiSystem system,
                                                          const std::string& clientName,
                                                          const std::string& portName,
                                                          MidiMessageHandler onMessage) {
  std::shared_ptr<JackServerWatch> watch;
  if (!Reachable(system, watch)) {
    return nullptr;
  }
  return RtMidiInputConnection::Open(system, clientName, std::nullopt, portName, std::move(watch),
                                     std::move(onMessage));
}

std::unique_ptr<MidiOutputConnection> OpenOwnMidiOutputPort(MidiSystem system,
                                                            const std::string& clientName,
                                                            const std::string& portName) {
  std::shared_ptr<JackServerWatch> watch;
  if (!Reachable(system, watch)) {
    return nullptr;
  }
  return RtMidiOutputConnection::Open(system, clientName, std::nullopt, portName, std::move(watch));
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
