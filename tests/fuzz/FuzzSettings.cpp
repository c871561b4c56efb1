// The settings parser: any text as a settings file, looked up, changed and written out again
// under every name the system uses; and the same text read through the settings store.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "settings/SettingsFile.h"
#include "settings/SettingsStore.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

constexpr const char* kNames[] = {
    Settings::kLastOpenDirectory,   Settings::kLastSuppDirectory,
    Settings::kLastImportDirectory, Settings::kConfigurationDirectory,
    Settings::kMidiInputDeviceName, Settings::kMidiOutputDeviceName,
    Settings::kMidiInputTimeout,    Settings::kMidiInputBufSize,
    Settings::kMidiInputBufNumber,
};

// A text reads back up to its first NUL; the stored form cannot carry one.
std::string AsReadBack(std::string_view text) {
  return std::string(text.substr(0, text.find('\0')));
}

struct Lookup {
  SettingsFile::TextLookup kind;
  std::string text;
  std::optional<int> integer;
  bool operator==(const Lookup&) const = default;
};

Lookup Find(const SettingsFile& settings, std::string_view name) {
  Lookup lookup;
  lookup.kind = settings.FindText(name, lookup.text);
  lookup.integer = settings.FindInteger(name);
  return lookup;
}

// Every other name reads as it did before a change of `changed`.
void CheckOthersKept(const SettingsFile& before, const SettingsFile& after,
                     std::string_view changed) {
  for (const char* name : kNames) {
    if (name != changed)
      fuzz::Check(Find(before, name) == Find(after, name), "a change keeps the other values");
  }
}

void CheckText(SettingsFile settings, std::string_view name, std::string_view text) {
  const SettingsFile before = settings;
  settings.SetText(name, text);
  std::string read;
  fuzz::Check(settings.FindText(name, read) == SettingsFile::TextLookup::Text,
              "a set text reads as a text");
  fuzz::Check(read == AsReadBack(text), "a set text reads back");
  CheckOthersKept(before, settings, name);
  const SettingsFile reread(settings.Content());
  fuzz::Check(Find(reread, name) == Find(settings, name), "a set text survives the file");
}

void CheckInteger(SettingsFile settings, std::string_view name, int value) {
  const SettingsFile before = settings;
  settings.SetInteger(name, value);
  fuzz::Check(settings.FindInteger(name) == value, "a set integer reads back");
  CheckOthersKept(before, settings, name);
  const SettingsFile reread(settings.Content());
  fuzz::Check(reread.FindInteger(name) == value, "a set integer survives the file");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::Initialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  const SettingsFile settings(input);
  const std::string content = settings.Content();
  fuzz::Check(SettingsFile(content).Content() == content, "the written form reads as itself");
  for (const char* name : kNames) {
    const Lookup found = Find(settings, name);
    fuzz::Check(Find(SettingsFile(content), name) == found, "the written form keeps every value");
    if (found.kind == SettingsFile::TextLookup::Text)
      CheckText(settings, name, found.text);
    if (found.integer)
      CheckInteger(settings, name, *found.integer);
  }
  // The whole input as a text exercises every escape; the integers the two extremes.
  CheckText(settings, Settings::kConfigurationDirectory, input);
  CheckInteger(settings, Settings::kMidiInputTimeout, INT_MIN);
  CheckInteger(settings, Settings::kMidiInputBufSize, INT_MAX);

  // The value forms on their own.
  fuzz::Check(SettingsFile::Unquote(SettingsFile::Quote(input)) == AsReadBack(input),
              "a quoted text unquotes to itself");
  if (const std::optional<std::string> text = SettingsFile::Unquote(input))
    fuzz::Check(SettingsFile::Unquote(SettingsFile::Quote(*text)) == *text,
                "an unquoted text quotes back");
  if (const std::optional<int> number = SettingsFile::ParseInteger(input))
    fuzz::Check(SettingsFile::ParseInteger(std::to_string(*number)) == number,
                "a parsed integer prints back");

  // The same text as the settings file of the run, read through the store: a text, an integer
  // and the configuration folder (every read opens the file afresh, which costs far more than
  // the lookups behind it, checked above for every name).
  fuzz::WriteFile(fuzz::SettingsPath(), std::span(data, size));
  const Lookup text = Find(settings, Settings::kLastOpenDirectory);
  fuzz::Check(SettingsStore::ReadSettingString(Settings::kLastOpenDirectory, "(not a text)") ==
                  (text.kind == SettingsFile::TextLookup::Text     ? text.text
                   : text.kind == SettingsFile::TextLookup::Absent ? ""
                                                                   : "(not a text)"),
              "the store reads a text of the file");
  const Lookup integer = Find(settings, Settings::kMidiInputTimeout);
  fuzz::Check(SettingsStore::ReadSettingInteger(Settings::kMidiInputTimeout, -77) ==
                  integer.integer.value_or(-77),
              "the store reads an integer of the file");
  SettingsStore::ForgetConfigurationDirectory();
  std::string folder;
  const bool isText = settings.FindText(Settings::kConfigurationDirectory, folder) ==
                      SettingsFile::TextLookup::Text;
  fuzz::Check(SettingsStore::ConfigurationDirectoryValue() == (isText ? folder : ""),
              "the configuration folder is the file's text");
  SettingsStore::ForgetConfigurationDirectory();
  return 0;
}
