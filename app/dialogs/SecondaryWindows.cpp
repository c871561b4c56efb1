#include "app/dialogs/SecondaryWindows.h"

#include "app/dialogs/AboutDialog.h"
#include "app/dialogs/PreferencesDialog.h"

namespace {
SecondaryWindows* currentWindows = nullptr;
}  // namespace

SecondaryWindows::SecondaryWindows()
    : aboutDialog_(std::make_unique<AboutDialog>()),
      preferencesDialog_(std::make_unique<PreferencesDialog>()) {
  currentWindows = this;
}

SecondaryWindows::~SecondaryWindows() {
  currentWindows = nullptr;
}

SecondaryWindows* SecondaryWindows::current() {
  return currentWindows;
}
