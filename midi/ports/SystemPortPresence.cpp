#include "midi/ports/SystemPortPresence.h"

#include <alsa/asoundlib.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "midi/ports/JackServerWatch.h"

namespace {

constexpr std::chrono::seconds kJackConnectionShowsWithin{5};
constexpr std::chrono::milliseconds kJackConnectionPoll{10};

// Whether an ALSA sequencer port, known by the client and port numbers at the end of RtMidi's
// name for it ("client:port 20:0"), is still there; through a sequencer handle of its own.
class AlsaPortPresence {
 public:
  explicit AlsaPortPresence(const std::string& rawName) {
    std::smatch match;
    if (std::regex_search(rawName, match, AlsaAddressPattern())) {
      client_ = std::stoi(match[1].str());
      port_ = std::stoi(match[2].str());
    }
  }
  ~AlsaPortPresence() {
    if (seq_ != nullptr) {
      snd_seq_close(seq_);
    }
  }
  AlsaPortPresence(const AlsaPortPresence&) = delete;
  AlsaPortPresence& operator=(const AlsaPortPresence&) = delete;

  // True where it cannot tell.
  bool Present() {
    const std::lock_guard lock(mutex_);
    if (client_ < 0) {
      return true;
    }
    if (seq_ == nullptr &&
        snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
      seq_ = nullptr;
      return true;
    }
    snd_seq_port_info_t* info = nullptr;
    snd_seq_port_info_alloca(&info);
    return snd_seq_get_any_port_info(seq_, client_, port_, info) >= 0;
  }

 private:
  std::mutex mutex_;
  int client_ = -1;
  int port_ = -1;
  snd_seq_t* seq_ = nullptr;
};

}  // namespace

PortPresenceCheck SystemPortPresence(MidiSystem system, const std::string& rawName,
                                     std::shared_ptr<JackServerWatch> watch) {
  if (system == MidiSystem::kJack) {
    return [watch = std::move(watch), rawName] { return watch && watch->PortConnected(rawName); };
  }
  return [presence = std::make_shared<AlsaPortPresence>(rawName)] { return presence->Present(); };
}

void AwaitConnectionShown(MidiSystem system, const std::string& rawName,
                          const JackServerWatch* watch) {
  if (system != MidiSystem::kJack || watch == nullptr) {
    return;
  }
  const auto until = std::chrono::steady_clock::now() + kJackConnectionShowsWithin;
  while (!watch->PortConnected(rawName) && !watch->ServerLost() &&
         std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(kJackConnectionPoll);
  }
}

const std::regex& AlsaAddressPattern() {
  static const std::regex pattern(R"( (\d+):(\d+)$)");
  return pattern;
}
