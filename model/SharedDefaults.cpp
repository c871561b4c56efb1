#include "model/SharedDefaults.h"

#include <utility>

#include "model/Item.h"
#include "model/S2A_File.h"

const Item& SharedDefaults::DefaultItem(ItemKind kind) {
  return Item::SharedDefault(kind);
}

const S2A_File& SharedDefaults::DefaultSet() {
  return S2A_File::SharedDefault();
}

void SharedDefaults::Use(std::unique_ptr<DefaultSource> source) {
  const auto hold = DefaultSource::Hold();
  Forget();
  DefaultSource::Replace(std::move(source));
}

void SharedDefaults::Forget() {
  const auto hold = DefaultSource::Hold();
  S2A_File::DropSharedDefault();
  Item::DropSharedDefaults();
  if (DefaultSource* source = DefaultSource::Current())
    source->Forget();
}
