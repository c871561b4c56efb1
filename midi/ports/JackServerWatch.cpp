#include "midi/ports/JackServerWatch.h"

#include <jack/jack.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr const char* kWatchClientName = "Corvale";
// Periods a message may wait: one at the sending client, one at the receiving one.
constexpr int kPeriodsOfLatency = 2;

void IgnoreJackMessage(const char*) {}

// A server that is there but refuses a client now and then (while another client of it comes
// or goes) is asked again; no server at all answers at once and is not.
jack_client_t* OpenClientIfRunning() {
  JackServerWatch::SilenceJack();
  constexpr int kAttempts = 3;
  constexpr std::chrono::milliseconds kPause{20};
  for (int attempt = 1;; ++attempt) {
    jack_status_t status{};
    jack_client_t* client = jack_client_open(kWatchClientName, JackNoStartServer, &status);
    if (client != nullptr || (status & JackServerFailed) != 0 || attempt == kAttempts) {
      return client;
    }
    std::this_thread::sleep_for(kPause);
  }
}

}  // namespace

void JackServerWatch::SilenceJack() {
  static std::once_flag once;
  std::call_once(once, [] {
    jack_set_error_function(&IgnoreJackMessage);
    jack_set_info_function(&IgnoreJackMessage);
  });
}

std::unique_ptr<JackServerWatch> JackServerWatch::Start() {
  jack_client_t* client = OpenClientIfRunning();
  if (client == nullptr) {
    return nullptr;
  }
  std::unique_ptr<JackServerWatch> watch(new JackServerWatch());
  watch->client_ = client;
  jack_on_info_shutdown(
      client,
      [](jack_status_t, const char*, void* lost) {
        static_cast<std::atomic<bool>*>(lost)->store(true);
      },
      &watch->lost_);
  // Only an active client hears of the server's end.
  if (jack_activate(client) != 0) {
    return nullptr;  // the destructor closes the client
  }
  const jack_nframes_t rate = jack_get_sample_rate(client);
  if (rate > 0) {
    const auto period = std::chrono::microseconds(
        static_cast<long long>(jack_get_buffer_size(client)) * 1'000'000 / rate);
    watch->latency_ = std::chrono::ceil<std::chrono::milliseconds>(period * kPeriodsOfLatency);
  }
  return watch;
}

JackServerWatch::~JackServerWatch() {
  if (client_ == nullptr) {
    return;
  }
  if (ServerLost()) {
    KeepUnclosedPointer(client_);
  } else {
    jack_client_close(client_);
  }
}

bool JackServerWatch::PortConnected(const std::string& name) const {
  if (ServerLost()) {
    return false;
  }
  const jack_port_t* port = jack_port_by_name(client_, name.c_str());
  return port != nullptr && jack_port_connected(port) > 0;
}

void JackServerWatch::KeepUnclosedPointer(const void* holder) {
  static std::mutex mutex;
  // Never freed, so that what it holds stays reachable to the end, and no leak check counts it.
  static auto* const kept = new std::vector<const void*>();
  const std::lock_guard lock(mutex);
  kept->push_back(holder);
}
