#include "files/SafeSave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

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

const SaveSystemCalls& CurrentSaveSystemCalls() {
  return Calls();
}

ScopedSaveSystemCalls::ScopedSaveSystemCalls(const SaveSystemCalls& calls) : previous_(Calls()) {
  Calls() = calls;
}

ScopedSaveSystemCalls::~ScopedSaveSystemCalls() {
  Calls() = previous_;
}
