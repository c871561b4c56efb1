#include "simulator/JackServerProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "midi/ports/JackServerWatch.h"

namespace {

constexpr const char* kJackd = "/usr/bin/jackd";
constexpr const char* kServerVariable = "JACK_DEFAULT_SERVER";
// Generous: on a loaded machine a server can take many seconds to answer.
constexpr std::chrono::seconds kStartLimit{60};
constexpr std::chrono::milliseconds kPollStep{20};
constexpr std::chrono::milliseconds kRetryPause{500};

// jackd's output goes to `log` (it only says that it starts, and why it did not). It ends with
// the thread that started it, should that end without stopping it (a test that crashed or was
// killed), so that no server is ever left behind holding the name.
pid_t SpawnJackd(const std::string& name, int framesPerPeriod, int log) {
  std::vector<std::string> arguments{kJackd, "--no-realtime",
                                     "-n",   name,
                                     "-d",   "dummy",
                                     "-r",   "48000",
                                     "-p",   std::to_string(framesPerPeriod)};
  std::vector<char*> argv;
  for (std::string& argument : arguments) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) {
    // Only calls that are safe between fork and exec in a program with threads.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) {
      ::_exit(1);
    }
    const int null = ::open("/dev/null", O_RDONLY);
    ::dup2(null, STDIN_FILENO);
    ::dup2(log, STDOUT_FILENO);
    ::dup2(log, STDERR_FILENO);
    ::execv(kJackd, argv.data());
    ::_exit(127);
  }
  return pid;
}

// An unnamed file for one jackd's output, gone with its last descriptor.
int OpenLog() {
  char path[] = "/tmp/corvale-jackd-XXXXXX";
  const int log = ::mkstemp(path);
  if (log >= 0) {
    ::unlink(path);
  }
  return log;
}

// What jackd said, without its banner: its complaints come first, as its standard output (the
// banner) is only written at its end.
std::string WhatJackdSaid(int log) {
  std::string text;
  char buffer[4096];
  ::lseek(log, 0, SEEK_SET);
  ssize_t count = 0;
  while ((count = ::read(log, buffer, sizeof buffer)) > 0) {
    text.append(buffer, static_cast<std::size_t>(count));
  }
  const std::size_t banner = text.find("jackdmp ");
  if (banner != std::string::npos && banner > 0) {
    text.resize(banner);
  }
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

// JACK's table holds a few servers of the whole machine; other programs' servers (tests of
// other build trees, say) free their entries as they end.
bool TableOfServersFull(const std::string& said) {
  return said.find("many servers") != std::string::npos;
}

bool Exited(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == pid;
}

}  // namespace

bool JackServerProcess::Installed() {
  return ::access(kJackd, X_OK) == 0;
}

std::unique_ptr<JackServerProcess> JackServerProcess::Start(const std::string& name,
                                                            std::string& error,
                                                            int framesPerPeriod) {
  if (!Installed()) {
    error = std::string(kJackd) + " is not installed";
    return nullptr;
  }
  const char* previous = std::getenv(kServerVariable);
  const std::string previousServer = previous ? previous : "";
  const bool hadPrevious = previous != nullptr;
  const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  std::string saidBefore;
  for (;;) {
    const int log = OpenLog();
    if (log < 0) {
      error = "no file for jackd's output could be made";
      return nullptr;
    }
    std::unique_ptr<JackServerProcess> server(new JackServerProcess(
        name, SpawnJackd(name, framesPerPeriod, log), previousServer, hadPrevious));
    if (server->pid_ < 0) {
      ::close(log);
      error = "jackd could not be started";
      return nullptr;
    }
    setenv(kServerVariable, name.c_str(), 1);
    const Outcome outcome = server->AwaitAnswer(deadline);
    std::string said = WhatJackdSaid(log);
    ::close(log);
    if (outcome == Outcome::kAnswered) {
      return server;
    }
    if (outcome == Outcome::kEnded && TableOfServersFull(said) &&
        std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(kRetryPause);
      saidBefore = std::move(said);
      continue;
    }
    if (said.empty() && !saidBefore.empty()) {
      said = "before, " + saidBefore;
    }
    error = "jackd -n " + name +
            (outcome == Outcome::kEnded ? " ended at once" : " did not answer") +
            (said.empty() ? "" : ": " + said);
    return nullptr;
  }
}

JackServerProcess::Outcome JackServerProcess::AwaitAnswer(
    std::chrono::steady_clock::time_point deadline) {
  // A jackd that finds its name taken ends within a few milliseconds; the server answering
  // then would be another one.
  do {
    std::this_thread::sleep_for(kPollStep);
    if (Exited(pid_)) {
      pid_ = -1;
      return Outcome::kEnded;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      return Outcome::kSilent;
    }
  } while (!JackServerWatch::Start());
  return Outcome::kAnswered;
}

JackServerProcess::JackServerProcess(std::string name, pid_t pid, std::string previousServer,
                                     bool hadPrevious)
    : name_(std::move(name)),
      pid_(pid),
      previousServer_(std::move(previousServer)),
      hadPrevious_(hadPrevious) {}

JackServerProcess::~JackServerProcess() {
  Stop();
  if (hadPrevious_) {
    setenv(kServerVariable, previousServer_.c_str(), 1);
  } else {
    unsetenv(kServerVariable);
  }
}

void JackServerProcess::Stop() {
  if (pid_ < 0) {
    return;
  }
  ::kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}
