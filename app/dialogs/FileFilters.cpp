#include "app/dialogs/FileFilters.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <array>

namespace {

constexpr std::array kOpenDialogFilters{
    FileFilter{
        QT_TRANSLATE_NOOP("FileFilters", "All Loadable Files (*.s2a;*.s2v;*.s2e;*.mid;*.syx)"),
        "*.s2a;*.s2v;*.s2e;*.mid;*.syx"},
    FileFilter{QT_TRANSLATE_NOOP("FileFilters", "S80 Bank Files (*.s2a;*.s2v;*.s2e)"),
               "*.s2a;*.s2v;*.s2e"},
    FileFilter{QT_TRANSLATE_NOOP("FileFilters", "S80 All Bank Files (*.s2a)"), "*.s2a"},
    FileFilter{QT_TRANSLATE_NOOP("FileFilters", "S80 Voice Bank Files (*.s2v)"), "*.s2v"},
    FileFilter{QT_TRANSLATE_NOOP("FileFilters", "S80 External Bank Files (*.s2e)"), "*.s2e"},
    FileFilter{QT_TRANSLATE_NOOP("FileFilters", "Standard MIDI Files (*.mid)"), "*.mid"},
    FileFilter{QT_TRANSLATE_NOOP("FileFilters", "System Exclusive Files (*.syx)"), "*.syx"},
    FileFilter{QT_TRANSLATE_NOOP("FileFilters", "All Files (*.*)"), "*.*"},
};

constexpr std::array kSaveDialogFilters{
    kOpenDialogFilters[0], kOpenDialogFilters[1], kOpenDialogFilters[2], kOpenDialogFilters[3],
    kOpenDialogFilters[4], kOpenDialogFilters[5], kOpenDialogFilters[6],
};

constexpr std::array kExportSuppDialogFilters{
    FileFilter{QT_TRANSLATE_NOOP("FileFilters", "Cakewalk Instrument Definition (*.ins)"), "*.ins"},
    FileFilter{QT_TRANSLATE_NOOP("FileFilters", "MIDI Name Document (*.midnam)"), "*.midnam"},
    FileFilter{QT_TRANSLATE_NOOP("FileFilters", "System Exclusive Files, every program (*.syx)"),
               "*.syx"},
    FileFilter{QT_TRANSLATE_NOOP("FileFilters", "Standard MIDI Files, every program (*.mid)"),
               "*.mid"},
};

constexpr std::array kImportDialogFilters{
    FileFilter{QT_TRANSLATE_NOOP("FileFilters", "All Importable Files (*.s2i;*.mid;*.syx)"),
               "*.s2i;*.mid;*.syx"},
    FileFilter{QT_TRANSLATE_NOOP("FileFilters", "S80 Instrument Files (*.s2i)"), "*.s2i"},
    kOpenDialogFilters[5],
    FileFilter{QT_TRANSLATE_NOOP("FileFilters", "System Exclusive Files (*.syx)"), "*.syx"},
    FileFilter{QT_TRANSLATE_NOOP("FileFilters", "All Files (*.*)"), "*.*"},
};

constexpr std::array kExportDialogFilters{
    kImportDialogFilters[0],
    kImportDialogFilters[1],
    kImportDialogFilters[2],
    kImportDialogFilters[3],
};

constexpr std::array kLibraryDialogFilters{
    FileFilter{
        QT_TRANSLATE_NOOP("FileFilters", "S80 Programs (*.s2a;*.s2v;*.s2e;*.s2i;*.syx;*.mid)"),
        "*.s2a;*.s2v;*.s2e;*.s2i;*.syx;*.mid"},
    FileFilter{QT_TRANSLATE_NOOP("FileFilters", "All Files (*.*)"), "*.*"},
};

}  // namespace

std::span<const FileFilter> OpenDialogFilters() {
  return kOpenDialogFilters;
}
std::span<const FileFilter> SaveDialogFilters() {
  return kSaveDialogFilters;
}
std::span<const FileFilter> ExportSuppDialogFilters() {
  return kExportSuppDialogFilters;
}

std::span<const FileFilter> ImportDialogFilters() {
  return kImportDialogFilters;
}
std::span<const FileFilter> ExportDialogFilters() {
  return kExportDialogFilters;
}

QStringList FilterDescriptions(std::span<const FileFilter> filters) {
  QStringList descriptions;
  for (const FileFilter& filter : filters)
    descriptions << FilterDescription(filter);
  return descriptions;
}

QString FilterDescription(const FileFilter& filter) {
  return QCoreApplication::translate("FileFilters", filter.description);
}

bool FilterMatches(const FileFilter& filter, const QString& fileName) {
  const QStringList patterns = QString::fromLatin1(filter.patterns).split(u';');
  for (const QString& pattern : patterns) {
    // "*.*" is every file, with or without an extension, as on the system it comes from.
    if (pattern == QLatin1String("*.*"))
      return true;
    const QRegularExpression expression(QRegularExpression::wildcardToRegularExpression(pattern),
                                        QRegularExpression::CaseInsensitiveOption);
    if (expression.match(fileName).hasMatch())
      return true;
  }
  return false;
}

std::span<const FileFilter> LibraryDialogFilters() {
  return kLibraryDialogFilters;
}
