#include "library/OpenFileLocks.h"

#include <fcntl.h>
#include <sqlite3.h>

#include <cstdarg>
#include <mutex>

namespace {

#ifdef F_OFD_SETLK

int OpenFileLockCommand(int command) {
  switch (command) {
    case F_SETLK:
      return F_OFD_SETLK;
    case F_SETLKW:
      return F_OFD_SETLKW;
    default:
      return F_OFD_GETLK;
  }
}

// SQLite's fcntl: the record-lock commands become open file description locks, every other
// command (SQLite passes an int with each) goes through as it is.
int FcntlWithOpenFileLocks(int descriptor, int command, ...) {
  std::va_list arguments;
  va_start(arguments, command);
  int result = 0;
  if (command == F_SETLK || command == F_SETLKW || command == F_GETLK) {
    auto* lock = va_arg(arguments, struct flock*);
    struct flock ownLock = *lock;
    ownLock.l_pid = 0;  // required of open file description locks
    result = fcntl(descriptor, OpenFileLockCommand(command), &ownLock);
    if (command == F_GETLK)
      *lock = ownLock;
  } else {
    result = fcntl(descriptor, command, va_arg(arguments, int));
  }
  va_end(arguments);
  return result;
}

void InstallInSqlite() {
  sqlite3_vfs* const unixFiles = sqlite3_vfs_find("unix");
  if (unixFiles != nullptr && unixFiles->iVersion >= 3 && unixFiles->xSetSystemCall != nullptr) {
    unixFiles->xSetSystemCall(unixFiles, "fcntl",
                              reinterpret_cast<sqlite3_syscall_ptr>(&FcntlWithOpenFileLocks));
  }
}

#else

void InstallInSqlite() {}

#endif

}  // namespace

void UseOpenFileLocks() {
  static std::once_flag installed;
  std::call_once(installed, &InstallInSqlite);
}
