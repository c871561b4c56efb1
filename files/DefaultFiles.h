#pragma once

#include <functional>
#include <string>

#include "model/SharedDefaults.h"

// The shared defaults read from the default files of the configuration folder: "Default
// Voice.s2i" and its kin for the items, "Default All.s2a" for the set.
class DefaultFiles : public DefaultSource {
 public:
  // Hands the default files to the model as the source of its defaults; every program calls
  // this once as it starts.
  static void Use();

  // "<configuration folder>/<fileName>". The configuration folder is the one the setting
  // "ConfigurationDirectory" names, else the folder of the settings file.
  static std::string DefaultFilePath(const char* fileName);
  // Loads a default file with `load` (0 on success). A file that is not there is normal on a
  // fresh install and says nothing; one that is there but cannot be loaded is one diagnostic
  // naming it. True when it was loaded.
  static bool LoadDefaultFile(const char* fileName,
                              const std::function<int(const std::string& path)>& load);

  void FillItem(Item& item) override;
  bool FillSet(S2A_File& set) override;
  void Forget() override;
};
