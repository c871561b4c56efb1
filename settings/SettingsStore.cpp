#include "settings/SettingsStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "files/FileDiagnostics.h"
#include "files/SmartFile.h"
#include "settings/SettingsFile.h"

namespace {

std::optional<std::string>& KeptConfigurationDirectory() {
  static std::optional<std::string> kept;
  return kept;
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The settings file's content, or why a file that is there cannot be read.
struct SettingsText {
  std::string content;
  std::string problem;  // empty when the content is the file's, or there is no file
};

SettingsText ReadSettingsText(const std::string& location) {
  SmartFile file;
  if (!file.OpenRegularFile(location)) {
    if (file.Error() == ENOENT || file.Error() == ENOTDIR)
      return {};
    return {{}, file.ErrorText()};
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.Size()));
  if (!bytes.empty() && !file.Read(bytes))
    return {{}, file.Error() != 0 ? file.ErrorText() : std::strerror(EIO)};
  return {std::string(bytes.begin(), bytes.end()), {}};
}

std::string ReadProblemLine(const std::string& location, const std::string& problem) {
  return "Settings file \"" + location + "\" could not be read: " + problem;
}

// The settings as read, the defaults when the file cannot be read: that is said each time.
SettingsFile ReadSettingsForReading() {
  const std::string location = SettingsStore::Location();
  const SettingsText text = ReadSettingsText(location);
  if (!text.problem.empty())
    ReportFileDiagnostic("%s", ReadProblemLine(location, text.problem).c_str());
  return SettingsFile(text.content);
}

// An advisory lock on the lock file beside the settings file, held while it lives: the program
// and the command-line tool may write settings at the same time, and each read-modify-write
// must see the other's last write.
class SettingsWriteLock {
 public:
  explicit SettingsWriteLock(const std::string& location)
      : fd_(open((location + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_ < 0) {
      error_ = errno;
      return;
    }
    int result = 0;
    do {
      result = flock(fd_, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    error_ = result == 0 ? 0 : errno;
  }
  ~SettingsWriteLock() {
    if (fd_ >= 0)
      close(fd_);  // releases the lock
  }
  SettingsWriteLock(const SettingsWriteLock&) = delete;
  SettingsWriteLock& operator=(const SettingsWriteLock&) = delete;

  // 0 when the lock is held, else why not.
  int Error() const { return error_; }

 private:
  int fd_;
  int error_ = 0;
};

// "A', 'B": the names of a batch, for the quotes of "Failed to set data for '%s'".
std::string NamesOf(const std::vector<SettingValue>& values) {
  std::string names;
  for (const SettingValue& value : values)
    names += (names.empty() ? "" : "', '") + value.name;
  return names;
}

void SetValue(SettingsFile& settings, const SettingValue& value) {
  if (const int* number = std::get_if<int>(&value.value))
    settings.SetInteger(value.name, *number);
  else
    settings.SetText(value.name, std::get<std::string>(value.value));
}

// Reads the file, sets the values, and writes it back whole, under the write lock; throws on
// any failure, so that an unreadable file is never replaced by one that lost its other values.
void RewriteSettings(const std::vector<SettingValue>& values) {
  if (values.empty())
    return;
  const std::string location = SettingsStore::Location();
  const auto failure = [&](const std::string& reason) {
    return SettingsWriteError(NamesOf(values), location, reason);
  };
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::path(location).parent_path();
  if (!folder.empty())
    std::filesystem::create_directories(folder, error);
  const SettingsWriteLock lock(location);
  if (lock.Error() != 0)
    throw failure(std::strerror(lock.Error()));
  const SettingsText text = ReadSettingsText(location);
  if (!text.problem.empty())
    throw failure(text.problem);
  SettingsFile settings(text.content);
  for (const SettingValue& value : values)
    SetValue(settings, value);

  const std::string content = settings.Content();
  SmartFile file;
  if (!file.OpenForSave(location))
    throw failure(file.ErrorText());
  file.Write(std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()));
  if (!file.CommitSave())
    throw failure(file.ErrorText());
}

}  // namespace

SettingsWriteError::SettingsWriteError(const std::string& names, const std::string& location,
                                       const std::string& reason)
    : std::runtime_error("Failed to set data for '" + names + "': " + location + ": " + reason) {}

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
  RewriteSettings({{name, text}});
  return text;
}

void SettingsStore::WriteSettingInteger(const std::string& name, int value) {
  RewriteSettings({{name, value}});
}

void SettingsStore::WriteSettings(const std::vector<SettingValue>& values) {
  RewriteSettings(values);
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

std::string SettingsStore::ReadProblem() {
  const std::string location = Location();
  const SettingsText text = ReadSettingsText(location);
  return text.problem.empty() ? std::string() : ReadProblemLine(location, text.problem);
}
