#include "cli/ReceivedToLibrary.h"

#include <cstdio>
#include <memory>
#include <string>

#include "cli/VerbSupport.h"
#include "library/LibraryAddition.h"
#include "library/LibraryStore.h"
#include "model/CountText.h"
#include "settings/SettingsStore.h"

void KeepReceived(const char* verb, std::span<const ReceivedProgram> programs) {
  if (programs.empty() ||
      SettingsStore::ReadSettingInteger(Settings::kAddReceivedToLibrary,
                                        Settings::kDefaultAddReceivedToLibrary) == 0)
    return;
  const std::string path = LibraryStore::DefaultPath();
  std::string error;
  const std::unique_ptr<LibraryStore> store = LibraryStore::Open(path, error);
  AdditionReport report;
  if (store) {
    LibraryAddition addition(*store);
    if (addition.AddReceived(programs, 0, report) != 0)
      error = addition.Error();
  }
  if (!error.empty()) {
    std::fprintf(stderr, "corvale-cli: %s: not kept in the library: %s\n", verb, error.c_str());
    return;
  }
  if (Quiet())
    return;
  std::fprintf(stderr, "Kept in the library: %s, %zu already known\n",
               CountText(report.newPrograms, "new program", "new programs").c_str(),
               report.knownPrograms);
}
