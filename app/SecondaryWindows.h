#pragma once

#include <memory>

class TAboutDialog;
class TLibraryForm;
class TPreferencesForm;

// The About dialog, the Preferences dialog and the Library window: made once when the program
// starts, after its first window (and after the ports, which the Preferences dialog holds),
// hidden until asked for and reused at every opening.
class SecondaryWindows {
 public:
  SecondaryWindows();
  ~SecondaryWindows();
  SecondaryWindows(const SecondaryWindows&) = delete;
  SecondaryWindows& operator=(const SecondaryWindows&) = delete;

  // The program's set; none before it made them or after they went.
  static SecondaryWindows* Current();

  std::unique_ptr<TAboutDialog> AboutDialog;
  std::unique_ptr<TPreferencesForm> PreferencesForm;
  std::unique_ptr<TLibraryForm> LibraryForm;
};
