#include "files/SmartFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

#include "files/FileDiagnostics.h"

namespace {

constexpr std::size_t kStreamBufferSize = 64 * 1024;
constexpr int kMaxLinkHops = 40;
constexpr int kTempNameAttempts = 100;
constexpr std::size_t kMaxTempStem = 200;

std::string DirectoryOf(const std::string& path) {
  const std::size_t separator = path.rfind(SmartFilename::kSeparator);
  if (separator == std::string::npos)
    return ".";
  if (separator == 0)
    return "/";
  return path.substr(0, separator);
}

std::string BaseNameOf(const std::string& path) {
  const std::size_t separator = path.rfind(SmartFilename::kSeparator);
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

// Follows symbolic links from `path` to the file they finally name (which need not exist).
// Empty with errno set when the chain is broken or too long.
std::string FollowLinks(std::string path) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
      return path;
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t length = readlink(path.c_str(), target.data(), target.size() - 1);
    if (length < 0)
      return {};
    std::string next(target.data(), static_cast<std::size_t>(length));
    path = next.front() == SmartFilename::kSeparator ? next
                                                     : SmartFilename::Join(DirectoryOf(path), next);
  }
  errno = ELOOP;
  return {};
}

// Gives a new file beside `target` a temporary name no other file has: `create` makes the file
// under the name it is given, true on success, false with errno set (EEXIST: the name is
// taken, and the next one is tried). The name is marked before the file exists, so that a
// termination signal never leaves it behind.
bool CreateUnderTempName(const std::string& target, std::string& tempPath, TempFileMark& mark,
                         const std::function<bool(const std::string&)>& create) {
  static std::atomic<unsigned> counter = 0;
  const std::string stem = "." + BaseNameOf(target).substr(0, kMaxTempStem);
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    tempPath =
        SmartFilename::Join(DirectoryOf(target), stem + "." + std::to_string(getpid()) + "-" +
                                                     std::to_string(counter++) + ".tmp");
    mark.Set(tempPath);
    if (create(tempPath))
      return true;
    if (errno != EEXIST)
      break;
  }
  mark.Clear();
  tempPath.clear();
  return false;
}

// The process's file mode creation mask. umask() reads it only by changing it, which would
// give files other threads create meanwhile the wrong mode; /proc tells it without a change.
mode_t CurrentUmask() {
  if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
    std::array<char, 256> line{};
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line.data(), line.size(), status) != nullptr)
      found = std::sscanf(line.data(), "Umask: %o", &mask) == 1;
    std::fclose(status);
    if (found)
      return static_cast<mode_t>(mask);
  }
  const mode_t current = umask(0);
  umask(current);
  return current;
}

// Reads the rest of `stream` into `bytes`; false with errno set when reading fails or the
// stream holds more than SmartFile::kMaxStreamSize bytes (EFBIG).
bool ReadRest(std::FILE* stream, std::vector<std::uint8_t>& bytes) {
  static_assert(SmartFile::kMaxStreamSize % kStreamBufferSize == 0);
  errno = 0;
  std::size_t count = kStreamBufferSize;
  while (count == kStreamBufferSize && bytes.size() < SmartFile::kMaxStreamSize) {
    const std::size_t had = bytes.size();
    bytes.resize(had + kStreamBufferSize);
    count = std::fread(bytes.data() + had, 1, kStreamBufferSize, stream);
    bytes.resize(had + count);
  }
  const bool beyondLimit = count == kStreamBufferSize && std::fgetc(stream) != EOF;
  if (std::ferror(stream)) {
    if (errno == 0)
      errno = EIO;
    return false;
  }
  if (beyondLimit)
    errno = EFBIG;
  return !beyondLimit;
}

std::atomic<bool>& RegularFilesOnlyPolicy() {
  static std::atomic<bool> on = false;
  return on;
}

const char* KindOfNonRegularFile(mode_t mode) {
  if (S_ISFIFO(mode))
    return "a pipe";
  if (S_ISCHR(mode) || S_ISBLK(mode))
    return "a device";
  if (S_ISSOCK(mode))
    return "a socket";
  return "a special file";
}

// Makes a rename in the folder of `path` durable; a folder that cannot be synced is no error.
void SyncFolderOf(const std::string& path) {
  const int fd = open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return;
  fsync(fd);
  close(fd);
}

}  // namespace

// The bytes of a stream that has no size, served as a file: positions past the end are allowed,
// and reads there find nothing, as with a regular file.
struct SmartFile::MemoryStream {
  std::vector<std::uint8_t> bytes;
  off64_t position = 0;

  static ssize_t Read(void* cookie, char* buffer, std::size_t size) {
    auto& memory = *static_cast<MemoryStream*>(cookie);
    const auto position = static_cast<std::size_t>(memory.position);
    if (position >= memory.bytes.size())
      return 0;
    const std::size_t count = std::min(size, memory.bytes.size() - position);
    std::memcpy(buffer, memory.bytes.data() + position, count);
    memory.position += static_cast<off64_t>(count);
    return static_cast<ssize_t>(count);
  }

  static int Seek(void* cookie, off64_t* offset, int whence) {
    auto& memory = *static_cast<MemoryStream*>(cookie);
    const off64_t base = whence == SEEK_CUR   ? memory.position
                         : whence == SEEK_END ? static_cast<off64_t>(memory.bytes.size())
                                              : 0;
    if (*offset < -base) {
      errno = EINVAL;
      return -1;
    }
    memory.position = base + *offset;
    *offset = memory.position;
    return 0;
  }

  static int Close(void*) { return 0; }
};

SmartFile::SmartFile() = default;

SmartFile::~SmartFile() {
  if (saving_)
    AbandonSave();
}

bool SmartFile::Attach(std::FILE* stream) {
  file_.reset(stream);
  streamBuffer_.resize(kStreamBufferSize);
  std::setvbuf(file_.get(), streamBuffer_.data(), _IOFBF, streamBuffer_.size());
  error_ = 0;
  return true;
}

// Regular files and block devices have a size and positions. Pipes, terminals, sockets and
// character devices have none (/dev/zero even seeks, to 0, and never ends): they are read whole.
bool SmartFile::AttachForReading(std::FILE* stream) {
  struct stat info {};
  const bool described = fstat(fileno(stream), &info) == 0;
  if (described && S_ISDIR(info.st_mode)) {
    std::fclose(stream);
    error_ = EISDIR;
    return false;
  }
  const bool sized = described ? S_ISREG(info.st_mode) || S_ISBLK(info.st_mode)
                               : std::fseek(stream, 0, SEEK_CUR) == 0;
  if (!sized && (stream = CopyIntoMemory(stream)) == nullptr)
    return false;
  Attach(stream);
  RecordSize();
  return true;
}

// Reads `source` whole and closes it; the stream that serves its bytes, or null with the error
// code set.
std::FILE* SmartFile::CopyIntoMemory(std::FILE* source) {
  auto memory = std::make_unique<MemoryStream>();
  const bool complete = ReadRest(source, memory->bytes);
  const int readError = errno;
  std::fclose(source);
  if (!complete) {
    error_ = readError;
    return nullptr;
  }
  static constexpr cookie_io_functions_t kCalls{&MemoryStream::Read, nullptr, &MemoryStream::Seek,
                                                &MemoryStream::Close};
  std::FILE* stream = fopencookie(memory.get(), "rb", kCalls);
  if (stream == nullptr) {
    RecordError(ENOMEM);
    return nullptr;
  }
  memory_ = std::move(memory);
  return stream;
}

void SmartFile::RecordSize() {
  size_ = 0;
  if (std::fseek(file_.get(), 0, SEEK_END) == 0)
    size_ = std::max<long>(std::ftell(file_.get()), 0);
  std::fseek(file_.get(), 0, SEEK_SET);
}

void SmartFile::RecordError(int fallback) {
  error_ = errno != 0 ? errno : fallback;
}

void SmartFile::SetRegularFilesOnly(bool on) {
  RegularFilesOnlyPolicy() = on;
}

bool SmartFile::RegularFilesOnly() {
  return RegularFilesOnlyPolicy();
}

bool SmartFile::Open(const std::optional<std::string>& path) {
  return OpenForReading(path, RegularFilesOnly());
}

bool SmartFile::OpenRegularFile(const std::optional<std::string>& path) {
  return OpenForReading(path, true);
}

bool SmartFile::OpenForReading(const std::optional<std::string>& path, bool regularOnly) {
  if (!path || IsOpen())
    return false;
  SetPath(path);
  if (PathTooLong()) {
    error_ = ENAMETOOLONG;
    return false;
  }
  errno = 0;
  error_ = 0;
  std::FILE* stream = regularOnly ? OpenRegularStream() : std::fopen(Path().c_str(), "rbe");
  if (stream == nullptr) {
    if (error_ == 0)
      RecordError(EIO);
    return false;
  }
  return AttachForReading(stream);
}

// Opens without waiting (an ordinary open of a pipe waits for a writer) and without taking a
// terminal as the controlling one, and keeps the file only when it is a regular one.
std::FILE* SmartFile::OpenRegularStream() {
  const int fd = open(Path().c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0)
    return nullptr;
  struct stat info {};
  std::FILE* stream = nullptr;
  if (fstat(fd, &info) != 0) {
    RecordError(EIO);
  } else if (!S_ISREG(info.st_mode)) {
    RefuseNonRegular(info.st_mode);
  } else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 ||
             (stream = fdopen(fd, "rb")) == nullptr) {
    RecordError(EIO);
  }
  if (stream == nullptr)
    close(fd);
  return stream;
}

void SmartFile::RefuseNonRegular(mode_t mode) {
  error_ = S_ISDIR(mode) ? EISDIR : kNotRegularFile;
  refusedMode_ = mode;
}

bool SmartFile::OpenOrReport(const std::optional<std::string>& path) {
  if (Open(path))
    return true;
  ReportFileDiagnostic("Error opening file: %s\n", ErrorText().c_str());
  return false;
}

bool SmartFile::Adopt(std::FILE* stream, const std::string& name) {
  if (stream == nullptr || IsOpen())
    return false;
  SetPath(name);
  return AttachForReading(stream);
}

bool SmartFile::OpenForSave(const std::string& path) {
  if (IsOpen())
    return false;
  PrepareProcessForSaving();
  SetPath(path);
  if (PathTooLong()) {
    error_ = ENAMETOOLONG;
    return false;
  }
  errno = 0;
  targetPath_ = FollowLinks(Path());
  if (targetPath_.empty()) {
    RecordError(ENOENT);
    return false;
  }

  struct stat existing {};
  const bool exists = stat(targetPath_.c_str(), &existing) == 0;
  inPlace_ = exists && !S_ISREG(existing.st_mode);
  if (inPlace_ && RegularFilesOnly()) {
    RefuseNonRegular(existing.st_mode);
    return false;
  }
  std::FILE* stream = nullptr;
  if (inPlace_) {
    // A device or a pipe cannot be replaced by renaming; it is written where it is.
    stream = std::fopen(targetPath_.c_str(), "wb");
  } else {
    // Renaming would replace a file the user may not write; refuse it as opening it would.
    if (exists && access(targetPath_.c_str(), W_OK) != 0) {
      RecordError(EACCES);
      return false;
    }
    const int fd = CreateTemp();
    if (fd < 0) {
      RecordError(EIO);
      return false;
    }
    // The new file keeps the old one's owner where allowed (first: a change of owner clears the
    // set-user-ID and set-group-ID bits) and its permissions, never wider ones.
    if (exists && fchown(fd, existing.st_uid, existing.st_gid) != 0)
      errno = 0;
    const mode_t mode = exists ? existing.st_mode & 07777 : 0666 & ~CurrentUmask();
    if (CurrentSaveSystemCalls().changeMode(fd, mode) != 0 ||
        (stream = fdopen(fd, "wb")) == nullptr) {
      RecordError(EIO);
      close(fd);
      DiscardTemp();
      return false;
    }
  }
  if (stream == nullptr) {
    RecordError(EIO);
    return false;
  }
  Attach(stream);
  saving_ = true;
  firstWriteError_ = 0;
  size_ = 0;
  return true;
}

// The file the content goes to, readable by its owner only: unnamed where the file system
// allows it (nothing is left behind whatever ends the process), else named beside the target.
int SmartFile::CreateTemp() {
  static constexpr mode_t kOwnerOnly = 0600;
  tempPath_.clear();
  const int unnamed =
      CurrentSaveSystemCalls().openUnnamed(DirectoryOf(targetPath_).c_str(), kOwnerOnly);
  if (unnamed >= 0)
    return unnamed;
  int fd = -1;
  CreateUnderTempName(targetPath_, tempPath_, tempMark_, [&fd](const std::string& name) {
    fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kOwnerOnly);
    return fd >= 0;
  });
  return fd;
}

// Links the complete unnamed file under a temporary name, which the rename then moves over the
// target.
bool SmartFile::NameUnnamedTemp() {
  const std::string self = "/proc/self/fd/" + std::to_string(fileno(file_.get()));
  return CreateUnderTempName(targetPath_, tempPath_, tempMark_, [&self](const std::string& name) {
    return linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
  });
}

bool SmartFile::CommitSave() {
  if (!saving_ || !IsOpen())
    return false;
  saving_ = false;
  int failure = firstWriteError_;
  const auto check = [&failure](bool succeeded) {
    if (!succeeded && failure == 0)
      failure = errno ? errno : EIO;
  };
  check(std::fflush(file_.get()) == 0);
  if (!inPlace_ && failure == 0)
    check(fsync(fileno(file_.get())) == 0);
  if (!inPlace_ && failure == 0 && tempPath_.empty())
    check(NameUnnamedTemp());
  check(std::fclose(file_.release()) == 0);
  if (!inPlace_ && failure == 0) {
    check(std::rename(tempPath_.c_str(), targetPath_.c_str()) == 0);
    if (failure == 0)
      SyncFolderOf(targetPath_);
  }
  if (failure != 0) {
    DiscardTemp();
    error_ = failure;
    return false;
  }
  tempMark_.Clear();
  tempPath_.clear();
  return true;
}

void SmartFile::DiscardTemp() {
  if (!tempPath_.empty())
    unlink(tempPath_.c_str());
  tempMark_.Clear();
  tempPath_.clear();
}

void SmartFile::AbandonSave() {
  saving_ = false;
  file_.reset();
  DiscardTemp();
}

bool SmartFile::CanSaveTo(const std::string& path) {
  SmartFile file;
  file.SetPath(path);
  struct stat existing {};
  const std::string target = FollowLinks(file.Path());
  if (!target.empty() && stat(target.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode) &&
      !RegularFilesOnly())
    return true;
  if (!file.OpenForSave(path)) {
    ReportFileDiagnostic("Error opening file: %s\n", file.ErrorText().c_str());
    return false;
  }
  return true;  // the destructor removes the temporary file
}

int SmartFile::SaveFile(const std::string& path, const std::function<void(SmartFile&)>& content) {
  SmartFile file;
  if (!file.OpenForSave(path)) {
    ReportFileDiagnostic("Error opening file: %s\n", file.ErrorText().c_str());
    return -1;
  }
  content(file);
  if (!file.CommitSave()) {
    ReportFileDiagnostic("Error writing file: %s\n", file.ErrorText().c_str());
    return -1;
  }
  return 0;
}

bool SmartFile::Read(std::span<std::uint8_t> buffer) {
  if (!IsOpen() || buffer.data() == nullptr)
    return false;
  errno = 0;
  if (std::fread(buffer.data(), 1, buffer.size(), file_.get()) == buffer.size())
    return true;
  error_ = std::ferror(file_.get()) ? (errno ? errno : EIO) : 0;
  return false;
}

bool SmartFile::Write(std::span<const std::uint8_t> buffer) {
  if (!IsOpen() || buffer.data() == nullptr)
    return false;
  errno = 0;
  if (std::fwrite(buffer.data(), 1, buffer.size(), file_.get()) == buffer.size())
    return true;
  RecordError(EIO);
  if (firstWriteError_ == 0)
    firstWriteError_ = error_;
  return false;
}

bool SmartFile::WriteZeros(std::size_t count) {
  static constexpr std::array<std::uint8_t, 4096> kZeros{};
  bool ok = true;
  while (count > 0) {
    const std::size_t chunk = std::min(count, kZeros.size());
    ok = Write(std::span(kZeros).first(chunk)) && ok;
    count -= chunk;
  }
  return ok;
}

bool SmartFile::Skip(long count) {
  if (!IsOpen())
    return false;
  errno = 0;
  if (std::fseek(file_.get(), count, SEEK_CUR) == 0)
    return true;
  RecordError(EIO);
  return false;
}

bool SmartFile::Seek(long position) {
  if (!IsOpen())
    return false;
  errno = 0;
  const bool moved = position == -1 ? std::fseek(file_.get(), 0, SEEK_END) == 0
                                    : std::fseek(file_.get(), position, SEEK_SET) == 0;
  if (!moved)
    RecordError(EIO);
  return moved;
}

long SmartFile::Tell() const {
  if (!IsOpen())
    return 0;
  const long position = std::ftell(file_.get());
  return position < 0 ? 0 : position;
}

int SmartFile::Error() {
  if (error_ == 0 && IsOpen() && std::ferror(file_.get()))
    error_ = errno ? errno : EIO;
  return error_;
}

std::string SmartFile::ErrorText() const {
  if (error_ == kNotRegularFile)
    return std::string("not a regular file (") + KindOfNonRegularFile(refusedMode_) + ")";
  return std::strerror(error_);
}
