#pragma once

// SQLite locks the library's files with POSIX record locks, which belong to the process: when
// any code in the process closes any descriptor of one of those files (a file dialog reading
// the folder, a type detection peeking at its first bytes), every lock the process held on it
// is gone. Another program then believes it is alone, checkpoints and deletes the write-ahead
// log this process still writes to, and the library is damaged.
//
// UseOpenFileLocks makes SQLite take open file description locks instead (Linux's F_OFD_*):
// they belong to the descriptor SQLite opened, conflict with other processes' record locks as
// before, and only SQLite's own close releases them. Called before the process opens its first
// library; a no-op where the system has no such locks.
void UseOpenFileLocks();
