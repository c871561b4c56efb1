#pragma once

#include <sys/types.h>

// What a safe save needs from the system around it.

// The system calls of a save that tests replace to reach its failure paths.
struct SaveSystemCalls {
  // A new file without a name in `folder` (open with O_TMPFILE); -1 with errno set where the
  // file system or the system has none, and the save then names its temporary file at once.
  int (*openUnnamed)(const char* folder, mode_t mode);
  // Gives the new file its permissions (fchmod).
  int (*changeMode)(int fd, mode_t mode);
};

// The calls in use: the system's unless a ScopedSaveSystemCalls is alive.
const SaveSystemCalls& CurrentSaveSystemCalls();

// Puts other calls in place for as long as it lives.
class ScopedSaveSystemCalls {
 public:
  explicit ScopedSaveSystemCalls(const SaveSystemCalls& calls);
  ScopedSaveSystemCalls(const ScopedSaveSystemCalls&) = delete;
  ScopedSaveSystemCalls& operator=(const ScopedSaveSystemCalls&) = delete;
  ~ScopedSaveSystemCalls();

 private:
  SaveSystemCalls previous_;
};
