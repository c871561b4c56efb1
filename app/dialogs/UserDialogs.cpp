#include "app/dialogs/UserDialogs.h"

#include "app/dialogs/QtUserDialogs.h"

namespace {

std::unique_ptr<UserDialogs>& InstalledDialogs() {
  static std::unique_ptr<UserDialogs> dialogs = std::make_unique<QtUserDialogs>();
  return dialogs;
}

}  // namespace

UserDialogs& Dialogs() {
  return *InstalledDialogs();
}

std::unique_ptr<UserDialogs> SetUserDialogs(std::unique_ptr<UserDialogs> dialogs) {
  if (!dialogs)
    dialogs = std::make_unique<QtUserDialogs>();
  return std::exchange(InstalledDialogs(), std::move(dialogs));
}
