#include "app/commands/CommandTexts.h"

#include <QFileInfo>

#include "app/commands/FileNameText.h"
#include "app/dialogs/UserDialogs.h"
#include "files/FileDiagnostics.h"
#include "files/FileExtension.h"
#include "files/SmartFilename.h"
#include "model/BankLayouts.h"
#include "model/CountText.h"
#include "settings/SettingsStore.h"

std::string SystemPath(const QString& path) {
  return EncodeFileName(path).toStdString();
}

QString PlaceText(const Item& item) {
  return QString::fromStdString(SlotPlace(item));
}

QString FailureReason(const QString& path, FileDiagnosticCapture& diagnostics) {
  const std::string said = diagnostics.TakeText();
  return said.empty() ? QString()
                      : QFileInfo(path).fileName() + ": " + QString::fromStdString(said);
}

QString WhyNotOpened(const QString& path, FileDiagnosticCapture& diagnostics,
                     const BankLoadReport& report) {
  const QString name = QFileInfo(path).fileName();
  if (report.placedDumps == 0 && report.editBufferDumps > 0) {
    diagnostics.TakeText();
    return name + QStringLiteral(" holds programs for an edit buffer only: use Edit > Import");
  }
  if (OpensAsDocument(SystemPath(path)))
    return FailureReason(path, diagnostics);
  if (IsItemFile(SystemPath(path)))
    return name + QStringLiteral(" holds a single program: use Edit > Import");
  return name + QStringLiteral(": not a bank file (.s2a, .s2v, .s2e, .syx or .mid)");
}

QString WhyNotSaved(const QString& path, FileDiagnosticCapture& diagnostics) {
  if (OpensAsDocument(SystemPath(path)) || IsSupportingFile(SystemPath(path)))
    return FailureReason(path, diagnostics);
  const QString name = QFileInfo(path).fileName();
  if (IsItemFile(SystemPath(path)))
    return name + QStringLiteral(": single programs only: use Edit > Export");
  return name + QStringLiteral(": add .s2a, .s2v, .s2e, .syx, .mid, .ins or .midnam to the name");
}

QString LoadWarning(const QString& path, const BankLoadReport& report) {
  const std::string warning = BankLoadWarning(report);
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
  return QString::fromStdString(::CountText(static_cast<std::size_t>(count), one, many));
}
