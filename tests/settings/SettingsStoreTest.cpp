#include "settings/SettingsStore.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <tuple>

#include "files/FileDiagnostics.h"
#include "files/SmartFilename.h"
#include "settings/SettingsFile.h"
#include "tests/support/TestSupport.h"

namespace {

struct stat StatOf(const std::string& path) {
  struct stat info {};
  lstat(path.c_str(), &info);
  return info;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

class SettingsStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    location_ = dir_.File("nested/folder/settings.conf");
    ::setenv("CORVALE_SETTINGS", location_.c_str(), 1);
    SettingsStore::ForgetConfigurationDirectory();
  }
  void TearDown() override { test::UseNoConfiguration(dir_); }

  void WriteRaw(const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(location_).parent_path());
    std::ofstream(location_, std::ios::trunc) << content;
  }
  std::string ReadRaw() const {
    const auto bytes = test::ReadBytes(location_);
    return {bytes.begin(), bytes.end()};
  }

  test::TempDir dir_;
  std::string location_;
};

TEST_F(SettingsStoreTest, AFirstStartReadsEmptyTextsAndTheBuiltInNumbersAndCreatesNothing) {
  EXPECT_EQ(SettingsStore::ReadSettingString(Settings::kLastOpenDirectory, "x"), "");
  EXPECT_EQ(SettingsStore::ReadSettingInteger(Settings::kMidiInputTimeout, 25), 25);
  EXPECT_EQ(SettingsStore::ReadSettingInteger(Settings::kMidiInputBufSize, 256), 256);
  EXPECT_EQ(SettingsStore::ReadSettingInteger(Settings::kMidiInputBufNumber, 512), 512);
  EXPECT_FALSE(test::Exists(dir_.File("nested"))) << "reading never creates anything";
}

TEST_F(SettingsStoreTest, WritesCreateTheFolderAndRoundTripEveryText) {
  const std::string awkward = "/home/me/My \"Banks\" \\ back\\slash\nsecond line";
  EXPECT_EQ(SettingsStore::WriteSettingString(Settings::kLastOpenDirectory, awkward), awkward);
  SettingsStore::WriteSettingInteger(Settings::kMidiInputTimeout, -40);
  SettingsStore::WriteSettingInteger(Settings::kMidiInputBufSize, 2147483647);
  EXPECT_EQ(SettingsStore::ReadSettingString(Settings::kLastOpenDirectory, ""), awkward);
  EXPECT_EQ(SettingsStore::ReadSettingInteger(Settings::kMidiInputTimeout, 25), -40);
  EXPECT_EQ(SettingsStore::ReadSettingInteger(Settings::kMidiInputBufSize, 256), 2147483647);
  EXPECT_EQ(ReadRaw(),
            "LastOpenDirectory=\"/home/me/My \\\"Banks\\\" \\\\ back\\\\slash\\nsecond line\"\n"
            "MidiInputTimeout=-40\nMidiInputBufSize=2147483647\n");
  std::vector<std::string> entries = FolderEntries(dir_.File("nested/folder"));
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"settings.conf", "settings.conf.lock"}));
}

TEST_F(SettingsStoreTest, AWriteKeepsOtherValuesAndUnknownLines) {
  WriteRaw("# my notes\nMidiInputBufNumber=64\nSomethingElse=whatever\nLastSuppDirectory=\"/a\"");
  SettingsStore::WriteSettingString(Settings::kLastSuppDirectory, "/b");
  SettingsStore::WriteSettingString(Settings::kLastImportDirectory, "/c");
  EXPECT_EQ(ReadRaw(),
            "# my notes\nMidiInputBufNumber=64\nSomethingElse=whatever\nLastSuppDirectory=\"/b\"\n"
            "LastImportDirectory=\"/c\"\n");
}

TEST_F(SettingsStoreTest, ValuesOfTheWrongFormReadAsTheDefault) {
  WriteRaw(
      "MidiInputTimeout=\"30\"\nMidiInputBufSize=12abc\nMidiInputBufNumber=4294967296\n"
      "LastOpenDirectory=/bare/text\nLastSuppDirectory=\"bad \\q escape\"\n"
      "LastImportDirectory = \"/spaced\" \n");
  EXPECT_EQ(SettingsStore::ReadSettingInteger(Settings::kMidiInputTimeout, 25), 25);
  EXPECT_EQ(SettingsStore::ReadSettingInteger(Settings::kMidiInputBufSize, 256), 256);
  EXPECT_EQ(SettingsStore::ReadSettingInteger(Settings::kMidiInputBufNumber, 512), 512);
  EXPECT_EQ(SettingsStore::ReadSettingString(Settings::kLastOpenDirectory, "default"), "default");
  EXPECT_EQ(SettingsStore::ReadSettingString(Settings::kLastSuppDirectory, "default"), "default");
  EXPECT_EQ(SettingsStore::ReadSettingString(Settings::kLastImportDirectory, ""), "/spaced");
}

TEST_F(SettingsStoreTest, TheConfigurationFolderIsReadOncePerRun) {
  WriteRaw("ConfigurationDirectory=\"/first\"\n");
  EXPECT_EQ(SettingsStore::ConfigurationDirectoryValue(), "/first");
  WriteRaw("ConfigurationDirectory=\"/second\"\n");
  EXPECT_EQ(SettingsStore::ConfigurationDirectoryValue(), "/first");
}

TEST_F(SettingsStoreTest, AFailedWriteThrowsAndLeavesTheFileAsItWas) {
  WriteRaw("MidiInputTimeout=30\n");
  // A settings path whose folder is a regular file cannot be written.
  ::setenv("CORVALE_SETTINGS", (location_ + "/inside.conf").c_str(), 1);
  try {
    SettingsStore::WriteSettingInteger(Settings::kMidiInputTimeout, 99);
    FAIL() << "no exception";
  } catch (const SettingsWriteError& error) {
    EXPECT_EQ(error.what(), "Failed to set data for 'MidiInputTimeout': " + location_ +
                                "/inside.conf: " + std::strerror(ENOTDIR));
  }
  ::setenv("CORVALE_SETTINGS", location_.c_str(), 1);
  EXPECT_EQ(ReadRaw(), "MidiInputTimeout=30\n");
}

// A settings file that is there but cannot be read gives the built-in values and, at each read,
// a line naming it and why; a write fails naming it, and leaves it as it was. A pipe is never
// waited for.
TEST_F(SettingsStoreTest, AnUnreadableSettingsFileIsSaidAtEachReadAndNeverReplaced) {
  std::filesystem::create_directories(std::filesystem::path(location_).parent_path());
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { std::filesystem::create_directory(location_); }, std::strerror(EISDIR)},
      {[&] { ASSERT_EQ(mkfifo(location_.c_str(), 0600), 0); }, "not a regular file (a pipe)"},
      {[&] {
         WriteRaw("MidiInputTimeout=30\n");
         chmod(location_.c_str(), 0);
       },
       std::strerror(EACCES)}};  // a case only without root, who reads whatever the mode
  for (const auto& [make, reason] : cases) {
    if (reason == std::strerror(EACCES) && geteuid() == 0)
      continue;
    make();
    const struct stat before = StatOf(location_);
    std::vector<std::string> said;
    {
      const FileDiagnosticScope scope([&](const std::string& text) { said.push_back(text); });
      EXPECT_EQ(SettingsStore::ReadSettingInteger(Settings::kMidiInputTimeout, 25), 25);
      EXPECT_EQ(SettingsStore::ReadSettingString(Settings::kLastOpenDirectory, "x"), "");
    }
    const std::string line = "Settings file \"" + location_ + "\" could not be read: " + reason;
    EXPECT_EQ(said, std::vector<std::string>(2, line));
    EXPECT_EQ(SettingsStore::ReadProblem(), line);
    try {
      SettingsStore::WriteSettingInteger(Settings::kMidiInputTimeout, 99);
      ADD_FAILURE() << reason;
    } catch (const SettingsWriteError& error) {
      EXPECT_EQ(error.what(),
                "Failed to set data for 'MidiInputTimeout': " + location_ + ": " + reason);
    }
    const struct stat after = StatOf(location_);
    EXPECT_EQ(std::tie(after.st_ino, after.st_mode), std::tie(before.st_ino, before.st_mode));
    std::filesystem::remove(location_);
  }
}

// A batch replaces the file once with all its values, or throws and leaves it as it was.
TEST_F(SettingsStoreTest, ABatchWriteSetsAllItsValuesOrNone) {
  WriteRaw("# kept\nMidiInputTimeout=30\n");
  std::vector<SettingValue> batch = {{Settings::kMidiInputTimeout, 40},
                                     {Settings::kMidiInputDeviceName, "UM-ONE"}};
  SettingsStore::WriteSettings(batch);
  const std::string written = "# kept\nMidiInputTimeout=40\nMidiInputDeviceName=\"UM-ONE\"\n";
  EXPECT_EQ(ReadRaw(), written);
  // The file may not grow (as root too): the new one cannot be written whole.
  batch = {{Settings::kMidiInputTimeout, 50},
           {Settings::kLastOpenDirectory, std::string(4096, 'x')}};
  EXPECT_EQ(test::RunInChild([&] {
              const rlimit limit{1024, 1024};
              try {
                setrlimit(RLIMIT_FSIZE, &limit);
                SettingsStore::WriteSettings(batch);
              } catch (const SettingsWriteError& error) {
                return std::string(error.what()) ==
                               "Failed to set data for 'MidiInputTimeout', 'LastOpenDirectory': " +
                                   location_ + ": " + std::strerror(EFBIG)
                           ? 0
                           : 1;
              }
              return 2;
            }),
            0);
  EXPECT_EQ(ReadRaw(), written) << "none of the batch";
}

// The program and the command-line tool may write at the same time: no write undoes another.
TEST_F(SettingsStoreTest, ConcurrentWritersFromTwoProcessesLoseNoValue) {
  constexpr int kValuesEach = 60;
  WriteRaw("");
  std::vector<pid_t> writers;
  for (const char* prefix : {"A", "B"}) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
      for (int i = 0; i < kValuesEach; ++i)
        SettingsStore::WriteSettingInteger(prefix + std::to_string(i), i);
      _exit(0);
    }
    writers.push_back(child);
  }
  for (const pid_t child : writers)
    EXPECT_EQ(test::WaitForChild(child), 0);
  for (const char* prefix : {"A", "B"}) {
    for (int i = 0; i < kValuesEach; ++i)
      EXPECT_EQ(SettingsStore::ReadSettingInteger(prefix + std::to_string(i), -1), i)
          << prefix << i;
  }
}

TEST_F(SettingsStoreTest, TheLocationFollowsTheEnvironment) {
  ::setenv("CORVALE_SETTINGS", "relative.conf", 1);
  EXPECT_EQ(SettingsStore::Location(), SmartFilename::StartupDirectory() + "/relative.conf");
  ::unsetenv("CORVALE_SETTINGS");
  ::setenv("XDG_CONFIG_HOME", "/xdg", 1);
  EXPECT_EQ(SettingsStore::Location(), "/xdg/corvale/settings.conf");
  ::unsetenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  EXPECT_EQ(SettingsStore::Location(),
            std::string(home ? home : "") + "/.config/corvale/settings.conf");
}

TEST(SettingsFile, IntegersMustBeBareDecimalsOfThirtyTwoBits) {
  EXPECT_EQ(SettingsFile::ParseInteger("0"), 0);
  EXPECT_EQ(SettingsFile::ParseInteger("-2147483648"), -2147483647 - 1);
  EXPECT_FALSE(SettingsFile::ParseInteger("2147483648"));
  EXPECT_FALSE(SettingsFile::ParseInteger("+5"));
  EXPECT_FALSE(SettingsFile::ParseInteger("0x10"));
  EXPECT_FALSE(SettingsFile::ParseInteger(""));
  EXPECT_FALSE(SettingsFile::Unquote("\"unterminated"));
  EXPECT_FALSE(SettingsFile::Unquote("\"inner\"quote\""));
  EXPECT_EQ(SettingsFile::Unquote("\"\""), "");
}

}  // namespace
