#pragma once

#include <string>

#include "model/ItemKind.h"

class Item;
class S2A_File;

// The shared default item of each kind and the shared default set. Every new item and every
// new set starts as a copy of these. Each is filled from its default file in the configuration
// folder the first time it is needed, and kept for the rest of the run.
class SharedDefaults {
 public:
  static const Item& DefaultItem(ItemKind kind);
  static const S2A_File& DefaultSet();

  // "<configuration folder>/<fileName>".
  static std::string DefaultFilePath(const char* fileName);

  // Drops the defaults and the remembered configuration folder, so that the next use reads
  // them afresh (a changed configuration, or a test that needs a clean run).
  static void Forget();
};
