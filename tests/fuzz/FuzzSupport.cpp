#include "tests/fuzz/FuzzSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "files/DefaultFiles.h"

namespace fuzz {
namespace {

// The scratch folder, removed again when the process ends normally. A crash leaves it behind
// (libFuzzer ends through _Exit then); scripts/fuzz runs every target inside a folder of its
// own and removes that afterwards.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() /
                           ("corvale-fuzz-" + std::to_string(getpid()) + "-XXXXXX"))
                              .string();
    if (mkdtemp(pattern.data()) == nullptr)
      throw std::runtime_error("mkdtemp failed for " + pattern);
    path_ = pattern + "/";
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

ScratchDir& Scratch() {
  static ScratchDir dir;
  return dir;
}

}  // namespace

void Initialize() {
  WriteFile(SettingsPath(), {});
  ::setenv("CORVALE_SETTINGS", SettingsPath().c_str(), 1);
  DefaultFiles::Use();
  std::fflush(stdout);
  if (std::freopen("/dev/null", "w", stdout) == nullptr)
    std::fprintf(stderr, "fuzz: standard output stays open\n");
}

const std::string& SettingsPath() {
  static const std::string path = Scratch().Path() + "settings.conf";
  return path;
}

void WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  Check(fd >= 0, "a scratch file cannot be opened");
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    Check(n > 0, "a scratch file cannot be written");
    written += static_cast<std::size_t>(n);
  }
  ::close(fd);
}

const std::string& WriteInput(std::span<const std::uint8_t> bytes) {
  static const std::string path = Scratch().Path() + "input";
  WriteFile(path, bytes);
  return path;
}

void Check(bool condition, const char* what) {
  if (condition)
    return;
  std::fprintf(stderr, "fuzz: property failed: %s\n", what);
  std::abort();
}

}  // namespace fuzz
