#pragma once

#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

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
// 1: every program received from the synthesizer (in the window or by corvale-cli) joins the
// library.
inline constexpr const char* kAddReceivedToLibrary = "AddReceivedToLibrary";
// 1: each program selected in a window goes to the synthesizer's edit buffer.
inline constexpr const char* kAudition = "Audition";
// Where the windows were when last closed: "x y width height", the frame's top left corner and
// the size inside the frame.
inline constexpr const char* kEditorWindowPlacement = "EditorWindowPlacement";
inline constexpr const char* kLibraryWindowPlacement = "LibraryWindowPlacement";
inline constexpr int kDefaultMidiInputTimeout = 25;
inline constexpr int kDefaultReceiveRetries = 2;
inline constexpr int kDefaultVerifyAfterSending = 0;
inline constexpr int kDefaultAddReceivedToLibrary = 1;
inline constexpr int kDefaultAudition = 0;
inline constexpr int kDefaultMidiInputBufSize = 256;
inline constexpr int kDefaultMidiInputBufNumber = 512;
inline constexpr int kDefaultMidiOutputF7Delay = 0;
}  // namespace Settings

// Raised when settings cannot be written: "Failed to set data for '<name>'", then the settings
// file and the reason, as in "Failed to set data for 'MidiInputTimeout':
// /home/u/.config/corvale/settings.conf: Permission denied". A batch names each of its values:
// "Failed to set data for 'MidiInputTimeout', 'MidiInputBufSize': ...".
class SettingsWriteError : public std::runtime_error {
 public:
  SettingsWriteError(const std::string& names, const std::string& location,
                     const std::string& reason);
};

// One value of a batch write: a text or an integer.
struct SettingValue {
  std::string name;
  std::variant<std::string, int> value;
};

// Reads and writes named settings. They live in one text file: $CORVALE_SETTINGS when that is
// set, else $XDG_CONFIG_HOME/corvale/settings.conf, else ~/.config/corvale/settings.conf.
// Every access reads or rewrites the file afresh; a write replaces it whole, atomically, and
// keeps every other line. Reading never creates anything. A settings file that is not a regular
// file (a pipe, a device) is never opened for reading or writing.
//
// A read that finds the file there but unreadable falls back to the defaults and reports one
// file diagnostic (ReportFileDiagnostic) naming the file and the reason, each time it happens.
class SettingsStore {
 public:
  static std::string WriteSettingString(const std::string& name, const std::string& text);
  static void WriteSettingInteger(const std::string& name, int value);
  // Replaces the file once with all the values, or, throwing SettingsWriteError, leaves it
  // exactly as it was. An empty batch changes nothing.
  static void WriteSettings(const std::vector<SettingValue>& values);
  // Empty text when the value is absent; `defaultText` when it is there but not a text.
  static std::string ReadSettingString(const std::string& name, const std::string& defaultText);
  // `defaultValue` when the value is absent or not an integer.
  static int ReadSettingInteger(const std::string& name, int defaultValue);

  // "ConfigurationDirectory", read at the first call and kept for the rest of the run.
  static const std::string& ConfigurationDirectoryValue();
  static void ForgetConfigurationDirectory();

  // Where the settings file is.
  static std::string Location();
  // The line a read reports when the settings file is there but cannot be read, as in
  // "Settings file \"/home/u/.config/corvale/settings.conf\" could not be read: Is a
  // directory"; empty while it can be read or is not there. Reports nothing itself.
  static std::string ReadProblem();
};
