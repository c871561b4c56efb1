#pragma once

#include <QString>
#include <QStringList>
#include <span>

// One entry of a file dialog's type list: the description the user reads, and the patterns
// ("*.s2a;*.s2v") of the names it shows.
struct FileFilter {
  const char* description;
  const char* patterns;
};

// The open dialog of Open, Open in New Window and Merge.
std::span<const FileFilter> OpenDialogFilters();
// The save dialog of Save As.
std::span<const FileFilter> SaveDialogFilters();
// The save dialog of Export Supporting File.
std::span<const FileFilter> ExportSuppDialogFilters();
// The dialogs of Import and Export.
std::span<const FileFilter> ImportDialogFilters();
std::span<const FileFilter> ExportDialogFilters();
// The open dialog of the library's Add Files.
std::span<const FileFilter> LibraryDialogFilters();

QStringList FilterDescriptions(std::span<const FileFilter> filters);
// The description the user reads, in the user's language.
QString FilterDescription(const FileFilter& filter);
// Whether a file name matches one of the filter's patterns, without regard to letter case:
// the instrument's own media name their files BANK1.S2A.
bool FilterMatches(const FileFilter& filter, const QString& fileName);
