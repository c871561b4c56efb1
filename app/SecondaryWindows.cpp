#include "app/SecondaryWindows.h"

#include "app/TAboutDialog.h"
#include "app/TLibraryForm.h"
#include "app/TPreferencesForm.h"

namespace {
SecondaryWindows* current = nullptr;
}  // namespace

SecondaryWindows::SecondaryWindows()
    : AboutDialog(std::make_unique<TAboutDialog>()),
      PreferencesForm(std::make_unique<TPreferencesForm>()),
      LibraryForm(std::make_unique<TLibraryForm>()) {
  current = this;
}

SecondaryWindows::~SecondaryWindows() {
  current = nullptr;
}

SecondaryWindows* SecondaryWindows::Current() {
  return current;
}
