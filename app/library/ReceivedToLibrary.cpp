#include "app/library/ReceivedToLibrary.h"

#include "app/commands/CommandTexts.h"
#include "app/library/AdditionProgressDialog.h"
#include "library/LibraryStore.h"
#include "settings/SettingsStore.h"

bool ReceivedToLibrary::wanted() {
  return SettingsStore::ReadSettingInteger(Settings::kAddReceivedToLibrary,
                                           Settings::kDefaultAddReceivedToLibrary) != 0;
}

ReceivedToLibrary::Outcome ReceivedToLibrary::keep(QWidget* parent,
                                                   std::span<const ReceivedProgram> programs,
                                                   std::int64_t collectionId) {
  AdditionReport report;
  std::string error;
  int result = -1;
  {
    AdditionProgressDialog dialog(parent);
    result = dialog.run(
        LibraryStore::DefaultPath(),
        [programs, collectionId](LibraryAddition& addition, AdditionReport& added) {
          return addition.AddReceived(programs, collectionId, added);
        },
        report, error);
  }
  if (result != 0)
    return {false, tr("Not kept in the library: %1").arg(QString::fromStdString(error))};
  return {true,
          tr("%1 in the library, %2 already there")
              .arg(CountText(report.newPrograms, QT_TRANSLATE_NOOP("CountText", "new program"),
                             QT_TRANSLATE_NOOP("CountText", "new programs")))
              .arg(report.knownPrograms)};
}
