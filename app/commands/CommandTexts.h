#pragma once

#include <QString>
#include <string>

class FileDiagnosticCapture;
class Item;
class QWidget;
struct BankLoadReport;

// The program's name, in titles and boxes.
inline constexpr const char* kProgramTitle = "Corvale";

// A path as the file layer takes it: the bytes the file system knows it by.
std::string SystemPath(const QString& path);
// Where an item is, as the list and the status texts name it: "INT:005(A05)".
QString PlaceText(const Item& item);
// "1 program", "2 programs".
QString CountText(qsizetype count, const char* one, const char* many);

// What the file layer said about a failed command, after the name of the file it concerned.
QString FailureReason(const QString& path, FileDiagnosticCapture& diagnostics);
// Why a name did not open as a document: a dump file of programs for an edit buffer only, the
// file layer's reason, or where it had nothing to say, that the name is of another kind.
QString WhyNotOpened(const QString& path, FileDiagnosticCapture& diagnostics,
                     const BankLoadReport& report);
// The same for a save: the extension typed decides the format.
QString WhyNotSaved(const QString& path, FileDiagnosticCapture& diagnostics);
// Beside a successful open or merge: a file that ended before its last program.
QString LoadWarning(const QString& path, const BankLoadReport& report);

// The folder of a file, absolute, with its closing separator.
QString FolderOf(const QString& path);
// The folder a file dialog starts in, as a setting remembers it; empty when it cannot be read.
QString RememberedFolder(const char* settingName);
// Remembers the folder of `path` in the setting; a failure to write it is said in a box.
void RememberFolder(QWidget* parent, const char* settingName, const QString& path);
