#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

struct _jack_client;

// What the MIDI layer needs to know of a JACK server beside what RtMidi tells: whether one is
// running (asked without ever starting one, and without JACK's library printing anything),
// whether it is still running, and how late it delivers. A watch is a client of the server.
//
// The server is the one JACK's library picks: $JACK_DEFAULT_SERVER, else "default".
class JackServerWatch {
 public:
  // JACK's library prints its errors and notices to stderr unless told otherwise; this tells
  // it once per process. Every call below does it first.
  static void SilenceJack();

  // A watch on the running server; none when no server runs.
  static std::unique_ptr<JackServerWatch> Start();
  ~JackServerWatch();
  JackServerWatch(const JackServerWatch&) = delete;
  JackServerWatch& operator=(const JackServerWatch&) = delete;

  // Set, from JACK's thread, when the server has gone away or closed this client.
  bool ServerLost() const { return lost_.load(); }
  // Whether the port of that full name ("client:port") is there and connected to any other:
  // false once its client has gone (a program that ended or was killed) or the server has.
  bool PortConnected(const std::string& name) const;

  // JACK's library may crash closing a client whose server has gone (seen once the process has
  // tried to reach a server after the loss), so whatever holds such a client is kept, unclosed,
  // for the rest of the process: a few hundred bytes for each server that went away.
  template <class T>
  static void KeepUnclosed(std::unique_ptr<T> holder) {
    KeepUnclosedPointer(holder.release());
  }
  // The longest a message waits between the moment a port's client hands it over and the
  // moment its receiver gets it: the server passes messages on once per period, and a message
  // may wait for the end of the period on each side.
  std::chrono::milliseconds DeliveryLatency() const { return latency_; }

 private:
  JackServerWatch() = default;
  static void KeepUnclosedPointer(const void* holder);

  _jack_client* client_ = nullptr;
  std::atomic<bool> lost_{false};
  std::chrono::milliseconds latency_{0};
};
