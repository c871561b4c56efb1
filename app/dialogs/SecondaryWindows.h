#pragma once

#include <memory>

class AboutDialog;
class PreferencesDialog;

// The About dialog and the Preferences dialog: made once when the program
// starts, after its first window (and after the ports, which the Preferences dialog holds),
// hidden until asked for and reused at every opening.
class SecondaryWindows {
 public:
  SecondaryWindows();
  ~SecondaryWindows();
  SecondaryWindows(const SecondaryWindows&) = delete;
  SecondaryWindows& operator=(const SecondaryWindows&) = delete;

  // The program's set; none before it made them or after they went.
  static SecondaryWindows* current();

  AboutDialog& aboutDialog() const { return *aboutDialog_; }
  PreferencesDialog& preferencesDialog() const { return *preferencesDialog_; }

 private:
  std::unique_ptr<AboutDialog> aboutDialog_;
  std::unique_ptr<PreferencesDialog> preferencesDialog_;
};
