#include "app/dialogs/FileFilters.h"

#include <QRegularExpression>
#include <array>

namespace {

constexpr std::array kOpenDialogFilters{
    FileFilter{"All Loadable Files (*.s2a;*.s2v;*.s2e;*.mid;*.syx)",
               "*.s2a;*.s2v;*.s2e;*.mid;*.syx"},
    FileFilter{"S80 Bank Files (*.s2a;*.s2v;*.s2e)", "*.s2a;*.s2v;*.s2e"},
    FileFilter{"S80 All Bank Files (*.s2a)", "*.s2a"},
    FileFilter{"S80 Voice Bank Files (*.s2v)", "*.s2v"},
    FileFilter{"S80 External Bank Files (*.s2e)", "*.s2e"},
    FileFilter{"Standard MIDI Files (*.mid)", "*.mid"},
    FileFilter{"System Exclusive Files (*.syx)", "*.syx"},
    FileFilter{"All Files (*.*)", "*.*"},
};

constexpr std::array kSaveDialogFilters{
    kOpenDialogFilters[0], kOpenDialogFilters[1], kOpenDialogFilters[2], kOpenDialogFilters[3],
    kOpenDialogFilters[4], kOpenDialogFilters[5], kOpenDialogFilters[6],
};

constexpr std::array kExportSuppDialogFilters{
    FileFilter{"Cakewalk Instrument Definition (*.ins)", "*.ins"},
    FileFilter{"MIDI Name Document (*.midnam)", "*.midnam"},
    FileFilter{"System Exclusive Files, every program (*.syx)", "*.syx"},
    FileFilter{"Standard MIDI Files, every program (*.mid)", "*.mid"},
};

constexpr std::array kImportDialogFilters{
    FileFilter{"All Importable Files (*.s2i;*.mid;*.syx)", "*.s2i;*.mid;*.syx"},
    FileFilter{"S80 Instrument Files (*.s2i)", "*.s2i"},
    kOpenDialogFilters[5],
    FileFilter{"System Exclusive Files (*.syx)", "*.syx"},
    FileFilter{"All Files (*.*)", "*.*"},
};

constexpr std::array kExportDialogFilters{
    kImportDialogFilters[0],
    kImportDialogFilters[1],
    kImportDialogFilters[2],
    kImportDialogFilters[3],
};

constexpr std::array kLibraryDialogFilters{
    FileFilter{"S80 Programs (*.s2a;*.s2v;*.s2e;*.s2i;*.syx;*.mid)",
               "*.s2a;*.s2v;*.s2e;*.s2i;*.syx;*.mid"},
    FileFilter{"All Files (*.*)", "*.*"},
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
    descriptions << QString::fromLatin1(filter.description);
  return descriptions;
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
