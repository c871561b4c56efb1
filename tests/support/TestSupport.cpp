#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <stdexcept>
#include <thread>

#include "demo/DemoBank.h"
#include "files/DefaultFiles.h"
#include "files/S2E_File.h"
#include "files/S2I_File.h"
#include "files/S2V_File.h"
#include "midi/sysex/SYX_File.h"
#include "model/S2A_File.h"

namespace test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "corvale-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code error;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, error);
  std::filesystem::remove_all(path_, error);
}

std::vector<std::string> TempDir::Entries() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

bool WriteDemoFiles(const TempDir& dir) {
  S2A_File demo;
  DemoBank::FillDocument(demo);
  S2V_File voices;
  voices.CopyBanksFrom(demo);
  S2E_File externals;
  externals.CopyBanksFrom(demo);
  S2I_File drums;
  drums.SetItem(*demo.InternalPercussionBank().ItemAt(0));
  SYX_File dump;
  dump.StoreToMemory(*demo.ExternalPerformanceBank().ItemAt(7));
  return demo.Save(dir.File("demo.s2a")) == 0 && voices.Save(dir.File("demo.s2v")) == 0 &&
         externals.Save(dir.File("demo.s2e")) == 0 && drums.Save(dir.File("demo.s2i")) == 0 &&
         dump.Save(dir.File("demo.syx")) == 0;
}

void UseConfiguration(const TempDir& dir, const std::string& configDir) {
  const std::string settings = dir.File("settings.conf");
  std::ofstream out(settings, std::ios::trunc);
  if (!configDir.empty())
    out << "ConfigurationDirectory=\"" << configDir << "\"\n";
  out.close();
  ::setenv("CORVALE_SETTINGS", settings.c_str(), 1);
  DefaultFiles::Use();
}

void UseNoConfiguration(const TempDir& dir) {
  UseConfiguration(dir, "");
}

int RunInChild(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const int status = body();
    std::fflush(nullptr);
    _exit(status);
  }
  return WaitForChild(child);
}

namespace {

// Points `stream` at the file `path` names, made or emptied; true where `path` is empty.
bool Redirect(const char* path, int stream) {
  if (*path == '\0')
    return true;
  const int file = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  return file >= 0 && dup2(file, stream) >= 0;
}

}  // namespace

pid_t StartProgram(const std::vector<std::string>& arguments, const std::string& out,
                   const std::string& err, bool asNobody) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const bool dropRoot = asNobody && geteuid() == 0;
  const pid_t pid = fork();
  if (pid == 0) {
    constexpr uid_t kNobody = 65534;
    if (!Redirect(out.c_str(), STDOUT_FILENO) || !Redirect(err.c_str(), STDERR_FILENO) ||
        (dropRoot && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)))
      _exit(126);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

int WaitForChild(pid_t child) {
  constexpr auto kHung = std::chrono::minutes(5);
  const auto deadline = std::chrono::steady_clock::now() + kHung;
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (WIFSIGNALED(status))
    return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

std::vector<std::uint8_t> BulkMessage(SysxAddress address, std::span<const std::uint8_t> data) {
  SYX_File dump;
  dump.AppendMessageAt(address, data);
  const std::span<const std::uint8_t> bytes = dump.Bytes();
  return {bytes.begin(), bytes.end()};
}

std::string WithoutRetryCount(const std::string& summary, int* retries) {
  static const std::regex retryCount("; ([0-9]+) needed a retry");
  std::smatch match;
  const bool counted = std::regex_search(summary, match, retryCount);
  if (retries != nullptr) {
    *retries = counted ? std::stoi(match[1].str()) : 0;
  }
  return counted ? match.prefix().str() + match.suffix().str() : summary;
}

}  // namespace test
