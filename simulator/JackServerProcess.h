#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>

// A JACK server of its own for tests and benchmarks: `jackd` on its dummy backend (no sound
// hardware), under a server name no user's server has, made the server this process's JACK
// clients reach ($JACK_DEFAULT_SERVER) for the server's life. Stopped and waited for at
// destruction, and the variable restored.
//
// JACK keeps a machine-wide table of a few servers, and an entry outlives a server that was
// killed; only a server of the same name takes it back. So names are fixed ones (per test,
// say), never made up anew for each run, and servers are stopped, never killed.
class JackServerProcess {
 public:
  // A running server named `name` at 48000 frames a second, passing data on every
  // `framesPerPeriod` frames; none, with `error` set, when jackd is not installed or the server
  // does not answer within a minute (what jackd said last, if anything, is in `error`). While
  // JACK's table of servers is full, it tries again until the minute is out.
  static std::unique_ptr<JackServerProcess> Start(const std::string& name, std::string& error,
                                                  int framesPerPeriod = 1024);
  static bool Installed();

  ~JackServerProcess();
  JackServerProcess(const JackServerProcess&) = delete;
  JackServerProcess& operator=(const JackServerProcess&) = delete;

  const std::string& Name() const { return name_; }
  // Ends the server now, as a user quitting it would, and waits for it.
  void Stop();

 private:
  enum class Outcome { kAnswered, kEnded, kSilent };

  JackServerProcess(std::string name, pid_t pid, std::string previousServer, bool hadPrevious);
  Outcome AwaitAnswer(std::chrono::steady_clock::time_point deadline);

  std::string name_;
  pid_t pid_ = -1;
  std::string previousServer_;
  bool hadPrevious_ = false;
};
