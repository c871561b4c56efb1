#include "model/SharedDefaults.h"

#include <array>
#include <mutex>
#include <utility>

#include "model/Item.h"
#include "model/S2A_File.h"

namespace {

// Filled on first use from any thread (the library's additions read files on a thread of
// their own); filling one default makes items and sets that ask for the others, so the lock is
// taken again by the thread that holds it.
struct Registry {
  std::recursive_mutex lock;
  std::array<std::unique_ptr<Item>, kItemKindCount> items;
  std::unique_ptr<S2A_File> set;
  std::unique_ptr<DefaultSource> source;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

const Item& SharedDefaults::DefaultItem(ItemKind kind) {
  Registry& registry = TheRegistry();
  const std::lock_guard hold(registry.lock);
  std::unique_ptr<Item>& slot = registry.items[static_cast<int>(kind)];
  if (slot)
    return *slot;

  // Registered before the source fills it, so that the items made while it reads copy the
  // default in its current, all-zero state.
  slot = Item::CreateBlank(kind);
  if (registry.source)
    registry.source->FillItem(*slot);
  return *slot;
}

const S2A_File& SharedDefaults::DefaultSet() {
  Registry& registry = TheRegistry();
  const std::lock_guard hold(registry.lock);
  std::unique_ptr<S2A_File>& set = registry.set;
  if (!set)
    set = std::make_unique<S2A_File>(S2A_File::SharedDefaultTag{});
  return *set;
}

bool SharedDefaults::FillSet(S2A_File& set) {
  Registry& registry = TheRegistry();
  const std::lock_guard hold(registry.lock);
  DefaultSource* source = registry.source.get();
  return source && source->FillSet(set);
}

void SharedDefaults::Use(std::unique_ptr<DefaultSource> source) {
  Registry& registry = TheRegistry();
  const std::lock_guard hold(registry.lock);
  Forget();
  registry.source = std::move(source);
}

void SharedDefaults::Forget() {
  Registry& registry = TheRegistry();
  const std::lock_guard hold(registry.lock);
  registry.set.reset();
  for (std::unique_ptr<Item>& item : registry.items)
    item.reset();
  if (registry.source)
    registry.source->Forget();
}
