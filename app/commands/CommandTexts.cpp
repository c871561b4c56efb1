#include "app/commands/CommandTexts.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "app/commands/FileNameText.h"
#include "app/dialogs/UserDialogs.h"
#include "files/DocumentFiles.h"
#include "files/FileFormat.h"
#include "files/SmartFilename.h"
#include "midi/ports/BankTransfer.h"
#include "model/BankLayouts.h"
#include "settings/SettingsStore.h"

std::string SystemPath(const QString& path) {
  return EncodeFileName(path).toStdString();
}

QString PlaceText(const Item& item) {
  return QString::fromStdString(SlotPlace(item));
}

std::string TransferSlotName(const BankTransfer::Slot& slot) {
  return std::string(KindInfo(slot.layout->kind).name) + " " + SlotPlace(*slot.layout, slot.index);
}

QString FailureReason(const QString& path, const FileOutcome& outcome) {
  const std::string said = outcome.Reason();
  return said.empty() ? QString()
                      : QFileInfo(path).fileName() + ": " + QString::fromStdString(said);
}

QString WhyNotOpened(const QString& path, const BankFileLoad& load) {
  const QString name = QFileInfo(path).fileName();
  if (load.report.placedDumps == 0 && load.report.editBufferDumps > 0)
    return QCoreApplication::translate(
               "CommandTexts", "%1 holds programs for an edit buffer only: use Edit > Import")
        .arg(name);
  if (OpensAsDocument(SystemPath(path)))
    return FailureReason(path, load);
  if (IsItemFile(SystemPath(path)))
    return QCoreApplication::translate("CommandTexts",
                                       "%1 holds a single program: use Edit > Import")
        .arg(name);
  return QCoreApplication::translate("CommandTexts", "%1: not a bank file (%2)")
      .arg(name, QString::fromStdString(ExtensionList(&FileFormat::OpensAsDocument)));
}

QString WhyNotSaved(const QString& path, const FileOutcome& save) {
  if (OpensAsDocument(SystemPath(path)) || IsSupportingFile(SystemPath(path)))
    return FailureReason(path, save);
  const QString name = QFileInfo(path).fileName();
  if (IsItemFile(SystemPath(path)))
    return QCoreApplication::translate("CommandTexts",
                                       "%1: single programs only: use Edit > Export")
        .arg(name);
  return QCoreApplication::translate("CommandTexts", "%1: add %2 to the name")
      .arg(name, QString::fromStdString(ExtensionList(&FileFormat::SavesDocument)));
}

QString LoadWarning(const QString& path, const BankFileLoad& load) {
  const std::string warning = load.report.Warning();
  return warning.empty() ? QString()
                         : QFileInfo(path).fileName() + u' ' + QString::fromStdString(warning);
}

QString FolderOf(const QString& path) {
  const QString absolute =
      QFileInfo(QString::fromStdString(SmartFilename::Resolve(SystemPath(path)))).path();
  return absolute.endsWith(u'/') ? absolute : absolute + u'/';
}

QString RememberedFolder(const char* settingName) {
  return QString::fromStdString(SettingsStore::ReadSettingString(settingName, ""));
}

void RememberFolder(QWidget* parent, const char* settingName, const QString& path) {
  try {
    SettingsStore::WriteSettingString(settingName, SystemPath(FolderOf(path)));
  } catch (const SettingsWriteError& error) {
    userDialogs().showError(parent, QString::fromUtf8(kProgramTitle),
                            QString::fromUtf8(error.what()));
  }
}

QString CountText(qsizetype count, const char* one, const char* many) {
  const char* noun = count == 1 ? one : many;
  return QStringLiteral("%1 %2").arg(count).arg(QCoreApplication::translate("CountText", noun));
}

QString StepText(const char* step) {
  return QCoreApplication::translate("EditStep", step);
}
