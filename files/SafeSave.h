#pragma once

#include <sys/types.h>

#include <string>

// What a safe save needs from the process around it.

// Makes the signals a save can meet harmless to its files. SIGXFSZ (a write beyond the file size
// limit) and SIGPIPE (a write into a pipe nobody reads) are ignored, so that the write fails
// with EFBIG or EPIPE and the save reports it; SIGINT, SIGTERM and SIGHUP first remove the
// temporary files of the saves in flight, then end the process as they would have. Only a
// signal at its default disposition is changed: a handler or an ignore the program chose stays.
// Every save calls it; a program that writes elsewhere (standard output) calls it at start.
void PrepareProcessForSaving();

// Keeps the name of a named temporary file where the termination signals find it, for as long
// as the mark lives or until Clear. Marks are few and fixed in size (a handler cannot allocate);
// a name that finds no room is not marked and the save goes on without that protection.
class TempFileMark {
 public:
  TempFileMark() = default;
  TempFileMark(const TempFileMark&) = delete;
  TempFileMark& operator=(const TempFileMark&) = delete;
  ~TempFileMark() { Clear(); }

  // Marks `path` instead of the name marked before, if any.
  void Set(const std::string& path);
  void Clear();

 private:
  int slot_ = -1;
};

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
