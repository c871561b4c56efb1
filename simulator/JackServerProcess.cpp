#include "simulator/JackServerProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

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

// jackd's own output goes nowhere: it only says that it starts (and why it did not). It ends
// with the thread that started it, should that end without stopping it (a test that crashed or
// was killed), so that no server is ever left behind holding the name.
pid_t SpawnJackd(const std::string& name, int framesPerPeriod) {
  std::vector<std::string> arguments{
      kJackd, "--no-realtime", "-n", name, "-d", "dummy", "-r", "48000", "-p",
      std::to_string(framesPerPeriod)};
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
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    ::execv(kJackd, argv.data());
    ::_exit(127);
  }
  return pid;
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
  std::unique_ptr<JackServerProcess> server(new JackServerProcess(
      name, SpawnJackd(name, framesPerPeriod), previous ? previous : "", previous != nullptr));
  if (server->pid_ < 0) {
    error = "jackd could not be started";
    return nullptr;
  }
  setenv(kServerVariable, name.c_str(), 1);
  // A jackd that finds its name taken ends within a few milliseconds; the server answering
  // then would be another one.
  const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  do {
    std::this_thread::sleep_for(kPollStep);
    if (Exited(server->pid_)) {
      server->pid_ = -1;
      error = "jackd -n " + name + " ended at once (is a server of that name running?)";
      return nullptr;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      error = "jackd -n " + name + " did not answer";
      return nullptr;
    }
  } while (!JackServerWatch::Start());
  return server;
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
