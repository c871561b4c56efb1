#include "model/SharedDefaults.h"

#include <array>
#include <filesystem>
#include <memory>

#include "files/FileDiagnostics.h"
#include "files/S2I_File.h"
#include "files/SmartFile.h"
#include "files/SmartFilename.h"
#include "midi/settings/SettingsStore.h"
#include "model/Item.h"
#include "model/S2A_File.h"

namespace {

struct Registry {
  std::array<std::unique_ptr<Item>, kItemKindCount> items;
  std::unique_ptr<S2A_File> set;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

// Why `path` cannot be opened as a regular file, as the loader would say it; empty when it can.
// A default file is never a stream: one that is a pipe must not hold the program.
std::string RegularFileProblem(const std::string& path) {
  SmartFile probe;
  return probe.OpenRegularFile(path) ? std::string() : "Error opening file: " + probe.ErrorText();
}

}  // namespace

std::string SharedDefaults::DefaultFilePath(const char* fileName) {
  std::string folder = SettingsStore::ConfigurationDirectoryValue();
  if (folder.empty())
    folder = std::filesystem::path(SettingsStore::Location()).parent_path().string();
  return SmartFilename::Join(folder, fileName);
}

bool SharedDefaults::LoadDefaultFile(const char* fileName,
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

const Item& SharedDefaults::DefaultItem(ItemKind kind) {
  std::unique_ptr<Item>& slot = TheRegistry().items[static_cast<int>(kind)];
  if (slot)
    return *slot;

  // Registered before the file is read, so that the items made while reading it copy the
  // default in its current, all-zero state.
  slot = Item::CreateBlank(kind);
  S2I_File file;
  if (LoadDefaultFile(KindInfo(kind).defaultFileName,
                      [&](const std::string& path) { return file.Load(path); })) {
    const Item* loaded = file.GetItem(S2I_File::kAnyKind);
    if (loaded != nullptr && loaded->Kind() == kind)
      slot->Assign(loaded);
  }
  return *slot;
}

const S2A_File& SharedDefaults::DefaultSet() {
  std::unique_ptr<S2A_File>& set = TheRegistry().set;
  if (!set)
    set = std::make_unique<S2A_File>(S2A_File::SharedDefaultTag{});
  return *set;
}

void SharedDefaults::Forget() {
  Registry& registry = TheRegistry();
  registry.set.reset();
  for (std::unique_ptr<Item>& item : registry.items)
    item.reset();
  SettingsStore::ForgetConfigurationDirectory();
}
