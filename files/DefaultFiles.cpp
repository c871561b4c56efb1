#include "files/DefaultFiles.h"

#include <filesystem>
#include <memory>

#include "files/FileDiagnostics.h"
#include "files/S2I_File.h"
#include "files/SmartFile.h"
#include "files/SmartFilename.h"
#include "model/Item.h"
#include "model/S2A_File.h"
#include "settings/SettingsStore.h"

namespace {

constexpr const char* kDefaultSetFileName = "Default All.s2a";

// Why `path` cannot be opened as a regular file, as the loader would say it; empty when it can.
// A default file is never a stream: one that is a pipe must not hold the program.
std::string RegularFileProblem(const std::string& path) {
  SmartFile probe;
  return probe.OpenRegularFile(path) ? std::string() : "Error opening file: " + probe.ErrorText();
}

}  // namespace

void DefaultFiles::Use() {
  SharedDefaults::Use(std::make_unique<DefaultFiles>());
}

std::string DefaultFiles::DefaultFilePath(const char* fileName) {
  std::string folder = SettingsStore::ConfigurationDirectoryValue();
  if (folder.empty())
    folder = std::filesystem::path(SettingsStore::Location()).parent_path().string();
  return SmartFilename::Join(folder, fileName);
}

bool DefaultFiles::LoadDefaultFile(const char* fileName,
                                   const std::function<int(const std::string& path)>& load) {
  const std::string path = DefaultFilePath(fileName);
  std::error_code error;
  if (!std::filesystem::exists(path, error) && !error)
    return false;
  std::string reason = RegularFileProblem(path);
  if (reason.empty()) {
    const FileDiagnosticCapture capture;
    if (load(path) == 0)
      return true;
    reason = capture.Text();
  }
  ReportFileDiagnostic("Default file \"%s\" could not be loaded: %s", path.c_str(),
                       reason.empty() ? "unknown format" : reason.c_str());
  return false;
}

void DefaultFiles::FillItem(Item& item) {
  S2I_File file;
  if (!LoadDefaultFile(KindInfo(item.Kind()).defaultFileName,
                       [&](const std::string& path) { return file.Load(path); }))
    return;
  const Item* loaded = file.GetItem(S2I_File::kAnyKind);
  if (loaded != nullptr && loaded->Kind() == item.Kind())
    item.Assign(loaded);
}

bool DefaultFiles::FillSet(S2A_File& set) {
  return LoadDefaultFile(kDefaultSetFileName,
                         [&set](const std::string& path) { return set.Load(path); });
}

void DefaultFiles::Forget() {
  SettingsStore::ForgetConfigurationDirectory();
}
