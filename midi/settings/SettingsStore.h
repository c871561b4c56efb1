#pragma once

#include <stdexcept>
#include <string>

// Names and built-in values of the persistent settings.
namespace Settings {
inline constexpr const char* kLastOpenDirectory = "LastOpenDirectory";
inline constexpr const char* kLastSuppDirectory = "LastSuppDirectory";
inline constexpr const char* kLastImportDirectory = "LastImportDirectory";
inline constexpr const char* kConfigurationDirectory = "ConfigurationDirectory";
inline constexpr const char* kMidiInputDeviceName = "MidiInputDeviceName";
inline constexpr const char* kMidiOutputDeviceName = "MidiOutputDeviceName";
inline constexpr const char* kMidiInputTimeout = "MidiInputTimeout";
inline constexpr const char* kMidiInputBufSize = "MidiInputBufSize";
inline constexpr const char* kMidiInputBufNumber = "MidiInputBufNumber";
// Milliseconds to wait after each F7 sent, for interfaces that need a pause between messages.
inline constexpr const char* kMidiOutputF7Delay = "MidiOutputF7Delay";
// How many more times a receive asks for an item whose answer was incomplete or damaged.
inline constexpr const char* kReceiveRetries = "ReceiveRetries";
// 1: every item stored on the synthesizer is read back and compared.
inline constexpr const char* kVerifyAfterSending = "VerifyAfterSending";
inline constexpr int kDefaultMidiInputTimeout = 25;
inline constexpr int kDefaultReceiveRetries = 2;
inline constexpr int kDefaultVerifyAfterSending = 0;
inline constexpr int kDefaultMidiInputBufSize = 256;
inline constexpr int kDefaultMidiInputBufNumber = 512;
inline constexpr int kDefaultMidiOutputF7Delay = 0;
}  // namespace Settings

// Raised when a setting cannot be written: "Failed to set data for '<name>'".
class SettingsWriteError : public std::runtime_error {
 public:
  explicit SettingsWriteError(const std::string& name);
};

// Reads and writes named settings. They live in one text file: $CORVALE_SETTINGS when that is
// set, else $XDG_CONFIG_HOME/corvale/settings.conf, else ~/.config/corvale/settings.conf.
// Every access reads or rewrites the file afresh; a write replaces it whole, atomically, and
// keeps every other line. Reading never creates anything.
class SettingsStore {
 public:
  static std::string WriteSettingString(const std::string& name, const std::string& text);
  static void WriteSettingInteger(const std::string& name, int value);
  // Empty text when the value is absent; `defaultText` when it is there but not a text.
  static std::string ReadSettingString(const std::string& name, const std::string& defaultText);
  // `defaultValue` when the value is absent or not an integer.
  static int ReadSettingInteger(const std::string& name, int defaultValue);

  // "ConfigurationDirectory", read at the first call and kept for the rest of the run.
  static const std::string& ConfigurationDirectoryValue();
  static void ForgetConfigurationDirectory();

  // Where the settings file is.
  static std::string Location();
};
