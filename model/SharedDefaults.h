#pragma once

#include <functional>
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

  // "<configuration folder>/<fileName>". The configuration folder is the one the setting
  // "ConfigurationDirectory" names, else the folder of the settings file.
  static std::string DefaultFilePath(const char* fileName);
  // Loads a default file with `load` (0 on success). A file that is not there is normal on a
  // fresh install and says nothing; one that is there but cannot be loaded is one diagnostic
  // naming it. True when it was loaded.
  static bool LoadDefaultFile(const char* fileName,
                              const std::function<int(const std::string& path)>& load);

  // Drops the defaults and the remembered configuration folder, so that the next use reads
  // them afresh (a changed configuration, or a test that needs a clean run).
  static void Forget();
};
