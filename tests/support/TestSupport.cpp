#include "tests/support/TestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <stdexcept>

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
  int status = 0;
  waitpid(child, &status, 0);
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
