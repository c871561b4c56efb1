#include "files/SafeSave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

namespace {

constexpr std::array<int, 2> kWriteSignals{SIGXFSZ, SIGPIPE};
constexpr std::array<int, 3> kTerminationSignals{SIGINT, SIGTERM, SIGHUP};

// A mark's slot: kFree, then kFilling while its name is copied in, kReady when a handler may
// use the name.
enum SlotState : int { kFree, kFilling, kReady };

constexpr std::size_t kMarkSlots = 16;
constexpr std::size_t kMarkPathSize = PATH_MAX;

struct MarkSlot {
  std::atomic<int> state{kFree};
  std::array<char, kMarkPathSize> path{};
};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler reads the slot states");

std::array<MarkSlot, kMarkSlots> markSlots;

void RemoveTempFilesAndEnd(int signal) {
  for (MarkSlot& slot : markSlots) {
    if (slot.state.load(std::memory_order_acquire) == kReady)
      unlink(slot.path.data());
  }
  struct sigaction original {};
  original.sa_handler = SIG_DFL;
  sigemptyset(&original.sa_mask);
  sigaction(signal, &original, nullptr);
  // Still blocked inside this handler, the signal ends the process as soon as it returns.
  raise(signal);
}

void ReplaceDefaultDisposition(int signal, void (*handler)(int)) {
  struct sigaction current {};
  if (sigaction(signal, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0 ||
      current.sa_handler != SIG_DFL) {
    return;
  }
  struct sigaction replacement {};
  replacement.sa_handler = handler;
  sigemptyset(&replacement.sa_mask);
  for (const int other : kTerminationSignals)
    sigaddset(&replacement.sa_mask, other);
  sigaction(signal, &replacement, nullptr);
}

int OpenUnnamed(const char* folder, mode_t mode) {
  // The complete file is given its name through /proc/self/fd.
  if (access("/proc/self/fd", X_OK) != 0) {
    errno = EOPNOTSUPP;
    return -1;
  }
  return open(folder, O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
}

SaveSystemCalls& Calls() {
  static SaveSystemCalls calls{&OpenUnnamed, &fchmod};
  return calls;
}

}  // namespace

void PrepareProcessForSaving() {
  for (const int signal : kWriteSignals)
    ReplaceDefaultDisposition(signal, SIG_IGN);
  for (const int signal : kTerminationSignals)
    ReplaceDefaultDisposition(signal, &RemoveTempFilesAndEnd);
}

void TempFileMark::Set(const std::string& path) {
  if (path.size() >= kMarkPathSize) {
    Clear();
    return;
  }
  if (slot_ < 0) {
    for (std::size_t i = 0; i < kMarkSlots && slot_ < 0; ++i) {
      int expected = kFree;
      if (markSlots[i].state.compare_exchange_strong(expected, kFilling))
        slot_ = static_cast<int>(i);
    }
    if (slot_ < 0)
      return;
  }
  MarkSlot& slot = markSlots[static_cast<std::size_t>(slot_)];
  slot.state.store(kFilling, std::memory_order_release);
  std::memcpy(slot.path.data(), path.c_str(), path.size() + 1);
  slot.state.store(kReady, std::memory_order_release);
}

void TempFileMark::Clear() {
  if (slot_ < 0)
    return;
  markSlots[static_cast<std::size_t>(slot_)].state.store(kFree, std::memory_order_release);
  slot_ = -1;
}

const SaveSystemCalls& CurrentSaveSystemCalls() {
  return Calls();
}

ScopedSaveSystemCalls::ScopedSaveSystemCalls(const SaveSystemCalls& calls) : previous_(Calls()) {
  Calls() = calls;
}

ScopedSaveSystemCalls::~ScopedSaveSystemCalls() {
  Calls() = previous_;
}
