#include "midi/settings/SettingsStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "files/SmartFile.h"
#include "midi/settings/SettingsFile.h"

namespace {

std::optional<std::string>& KeptConfigurationDirectory() {
  static std::optional<std::string> kept;
  return kept;
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The settings file's text; none when the file exists but cannot be read.
std::optional<std::string> ReadSettingsText(const std::string& location) {
  std::error_code error;
  if (!std::filesystem::exists(location, error))
    return std::string();
  SmartFile file;
  if (!file.Open(location))
    return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.Size()));
  if (!bytes.empty() && !file.Read(bytes))
    return std::nullopt;
  return std::string(bytes.begin(), bytes.end());
}

SettingsFile ReadSettingsForReading() {
  const std::optional<std::string> text = ReadSettingsText(SettingsStore::Location());
  return SettingsFile(text.value_or(""));
}

// An advisory lock on the lock file beside the settings file, held while it lives: the program
// and the command-line tool may write settings at the same time, and each read-modify-write
// must see the other's last write.
class SettingsWriteLock {
 public:
  explicit SettingsWriteLock(const std::string& location)
      : fd_(open((location + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_ < 0)
      return;
    int result = 0;
    do {
      result = flock(fd_, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    locked_ = result == 0;
  }
  ~SettingsWriteLock() {
    if (fd_ >= 0)
      close(fd_);  // releases the lock
  }
  SettingsWriteLock(const SettingsWriteLock&) = delete;
  SettingsWriteLock& operator=(const SettingsWriteLock&) = delete;

  bool Locked() const { return locked_; }

 private:
  int fd_;
  bool locked_ = false;
};

// Reads the file, lets `change` alter it, and writes it back whole, under the write lock;
// throws on any failure, so that an unreadable file is never replaced by one that lost its
// other values.
template <class Change>
void RewriteSettings(const std::string& name, Change change) {
  const std::string location = SettingsStore::Location();
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::path(location).parent_path();
  if (!folder.empty())
    std::filesystem::create_directories(folder, error);
  const SettingsWriteLock lock(location);
  if (!lock.Locked())
    throw SettingsWriteError(name);
  const std::optional<std::string> text = ReadSettingsText(location);
  if (!text)
    throw SettingsWriteError(name);
  SettingsFile settings(*text);
  change(settings);

  const std::string content = settings.Content();
  SmartFile file;
  if (!file.OpenForSave(location))
    throw SettingsWriteError(name);
  file.Write(std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()));
  if (!file.CommitSave())
    throw SettingsWriteError(name);
}

}  // namespace

SettingsWriteError::SettingsWriteError(const std::string& name)
    : std::runtime_error("Failed to set data for '" + name + "'") {}

std::string SettingsStore::Location() {
  const std::string explicitFile = EnvironmentValue("CORVALE_SETTINGS");
  if (!explicitFile.empty())
    return SmartFilename::Resolve(explicitFile);
  const std::string configHome = EnvironmentValue("XDG_CONFIG_HOME");
  if (!configHome.empty())
    return SmartFilename::Join(configHome, "corvale/settings.conf");
  return SmartFilename::Join(EnvironmentValue("HOME"), ".config/corvale/settings.conf");
}

std::string SettingsStore::WriteSettingString(const std::string& name, const std::string& text) {
  RewriteSettings(name, [&](SettingsFile& settings) { settings.SetText(name, text); });
  return text;
}

void SettingsStore::WriteSettingInteger(const std::string& name, int value) {
  RewriteSettings(name, [&](SettingsFile& settings) { settings.SetInteger(name, value); });
}

std::string SettingsStore::ReadSettingString(const std::string& name,
                                             const std::string& defaultText) {
  std::string text;
  switch (ReadSettingsForReading().FindText(name, text)) {
    case SettingsFile::TextLookup::Text:
      return text;
    case SettingsFile::TextLookup::Absent:
      return "";
    case SettingsFile::TextLookup::NotText:
      break;
  }
  return defaultText;
}

int SettingsStore::ReadSettingInteger(const std::string& name, int defaultValue) {
  return ReadSettingsForReading().FindInteger(name).value_or(defaultValue);
}

const std::string& SettingsStore::ConfigurationDirectoryValue() {
  std::optional<std::string>& kept = KeptConfigurationDirectory();
  if (!kept)
    kept = ReadSettingString(Settings::kConfigurationDirectory, "");
  return *kept;
}

void SettingsStore::ForgetConfigurationDirectory() {
  KeptConfigurationDirectory().reset();
}
