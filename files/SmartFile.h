#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "files/SafeSave.h"
#include "files/SmartFilename.h"

// The binary file stream every reader and writer uses.
//
// Reading opens the file for reading only. Saving never touches the old file until the new one
// is complete: the content goes to a temporary file in the target's folder, unnamed where the
// file system allows it, which replaces the target only when every write, the flush and the
// sync succeeded. A failed read, write, skip or seek records the system's error number.
class SmartFile : public SmartFilename {
 public:
  // The most a stream without a size (a pipe, a character device) may hold.
  static constexpr std::size_t kMaxStreamSize = 256 * 1024 * 1024;

  SmartFile();
  SmartFile(const SmartFile&) = delete;
  SmartFile& operator=(const SmartFile&) = delete;
  ~SmartFile();

  // Opens an existing file for reading. A stream without a size or positions (a pipe, a
  // character device) is read whole into memory first and then reads like a regular file of
  // those bytes. False when no path is given, a file is already open, the path is too long, the
  // file cannot be opened or read, or such a stream holds more than kMaxStreamSize bytes
  // (EFBIG); the error code tells why.
  bool Open(const std::optional<std::string>& path);
  // Open, printing "Error opening file: %s\n" with the system's text when it fails.
  bool OpenOrReport(const std::optional<std::string>& path);
  // Open, refusing whatever is not a regular file (ErrorText says what it is), whatever the
  // process-wide policy: for files that are never streams, such as the settings.
  bool OpenRegularFile(const std::optional<std::string>& path);

  // Process-wide, off by default: when on, Open and saving refuse a path that is not a regular
  // file (a pipe, a device, a socket) instead of reading it whole or writing it in place, so that
  // a pipe nobody writes to or reads from never holds the program. Opening never waits for one.
  static void SetRegularFilesOnly(bool on);
  static bool RegularFilesOnly();

  // Takes over a stream that is already open for reading (standard input, or a stream built by
  // the caller) as Open takes its file; `name` becomes the path. A stream that cannot be read
  // whole when it must be is closed.
  bool Adopt(std::FILE* stream, const std::string& name);

  // Starts saving to `path`: a temporary file in the target's folder (the folder of the file a
  // symbolic link points to), or the target itself when it exists and is not a regular file
  // (refused while RegularFilesOnly is on).
  // The temporary file is created owner-only, then given the old file's permissions (a new
  // file's: 0666 less the umask); when these cannot be given, the save fails.
  bool OpenForSave(const std::string& path);
  // Completes a save: flush, sync, close and put the new file in place. False (with the error
  // code set) when any write or any of these steps failed; the old file is then untouched.
  bool CommitSave();

  // Whether a save to `path` can begin now: its temporary file is made and removed again, and
  // nothing else happens (a target that is not a regular file is not touched). False, with the
  // diagnostic "Error opening file: %s\n", when it cannot; so a long task that ends in a save
  // can find out before it starts.
  static bool CanSaveTo(const std::string& path);

  // Writes a whole file through OpenForSave and CommitSave. Prints "Error opening file: %s\n"
  // or "Error writing file: %s\n" on failure; 0 on success, -1 on failure.
  static int SaveFile(const std::string& path, const std::function<void(SmartFile&)>& content);

  bool IsOpen() const { return file_ != nullptr; }
  // True only when all bytes were transferred. Reaching the end of the file is not an error.
  bool Read(std::span<std::uint8_t> buffer);
  bool Write(std::span<const std::uint8_t> buffer);
  bool WriteZeros(std::size_t count);
  bool Skip(long count);
  // A position of 0 or more counts from the start; -1 moves to the end.
  bool Seek(long position);
  long Tell() const;
  // The size taken when the file was opened.
  std::int64_t Size() const { return size_; }
  int Error();
  std::string ErrorText() const;

 private:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  struct MemoryStream;

  // Error() of a path refused for not being a regular file; ErrorText names what it is.
  static constexpr int kNotRegularFile = -1;

  bool OpenForReading(const std::optional<std::string>& path, bool regularOnly);
  std::FILE* OpenRegularStream();
  void RefuseNonRegular(mode_t mode);
  bool Attach(std::FILE* stream);
  bool AttachForReading(std::FILE* stream);
  std::FILE* CopyIntoMemory(std::FILE* source);
  void RecordSize();
  void RecordError(int fallback);
  int CreateTemp();
  bool NameUnnamedTemp();
  void DiscardTemp();
  void AbandonSave();

  // The buffer and the memory are declared first so that they outlive the stream that uses them.
  std::vector<char> streamBuffer_;
  std::unique_ptr<MemoryStream> memory_;
  std::unique_ptr<std::FILE, Closer> file_;
  std::int64_t size_ = 0;
  int error_ = 0;
  mode_t refusedMode_ = 0;  // what a path refused with kNotRegularFile is

  // While saving: where the content goes and where it ends up. The temporary path is empty
  // while the temporary file has no name, and always when the target is written in place.
  std::string tempPath_;
  TempFileMark tempMark_;
  std::string targetPath_;
  bool saving_ = false;
  bool inPlace_ = false;
  int firstWriteError_ = 0;
};
