#include "model/SharedDefaults.h"

#include <array>
#include <memory>

#include "files/S2I_File.h"
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

}  // namespace

std::string SharedDefaults::DefaultFilePath(const char* fileName) {
  return SettingsStore::ConfigurationDirectoryValue() + "/" + fileName;
}

const Item& SharedDefaults::DefaultItem(ItemKind kind) {
  std::unique_ptr<Item>& slot = TheRegistry().items[static_cast<int>(kind)];
  if (slot)
    return *slot;

  // Registered before the file is read, so that the items made while reading it copy the
  // default in its current, all-zero state.
  slot = Item::CreateBlank(kind);
  S2I_File file;
  if (file.Load(DefaultFilePath(KindInfo(kind).defaultFileName)) == 0) {
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
