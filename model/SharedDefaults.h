#pragma once

#include <memory>

#include "model/DefaultSource.h"
#include "model/ItemKind.h"

class Item;
class S2A_File;

// The shared default item of each kind and the shared default set. Every new item and every
// new set starts as a copy of these. Each is filled from the source the first time it is
// needed, and kept for the rest of the run; without a source, every default is all zeros. The
// items and the set keep their own (Item, S2A_File); this is where a program chooses the source
// and drops what was made from it.
class SharedDefaults {
 public:
  static const Item& DefaultItem(ItemKind kind);
  static const S2A_File& DefaultSet();

  // From now on the defaults come from `source` (none: all zeros); those made before are
  // dropped.
  static void Use(std::unique_ptr<DefaultSource> source);
  // Drops the defaults and what the source remembered, so that the next use reads them afresh
  // (a changed configuration, or a test that needs a clean run).
  static void Forget();
};
