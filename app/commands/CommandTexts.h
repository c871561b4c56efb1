#pragma once

#include <QString>
#include <string>

class Item;
class QWidget;
struct BankFileLoad;
struct FileOutcome;
namespace BankTransfer {
struct Slot;
}

// The program's name, in titles and boxes.
inline constexpr const char* kProgramTitle = "Corvale";

// A path as the file layer takes it: the bytes the file system knows it by.
std::string SystemPath(const QString& path);
// Where an item is, as the list and the status texts name it: "INT:005(A05)".
QString PlaceText(const Item& item);
// Where an item of a bank transfer is, as the window names it: "Instrument EXT:001(A01)".
std::string TransferSlotName(const BankTransfer::Slot& slot);
// "1 program", "2 programs": the nouns are texts of the context "CountText", translated here.
QString CountText(qsizetype count, const char* one, const char* many);
// An edit's name as Undo, Redo and the status say it ("Paste", "Receive Bank"): a text of the
// context "EditStep", translated here.
QString StepText(const char* step);

// What the file layer said about a failed command, after the name of the file it concerned.
QString FailureReason(const QString& path, const FileOutcome& outcome);
// Why a name did not open as a document: a dump file of programs for an edit buffer only, the
// file layer's reason, or where it had nothing to say, that the name is of another kind.
QString WhyNotOpened(const QString& path, const BankFileLoad& load);
// The same for a save: the extension typed decides the format.
QString WhyNotSaved(const QString& path, const FileOutcome& save);
// Beside a successful open or merge: a file that ended before its last program.
QString LoadWarning(const QString& path, const BankFileLoad& load);

// The folder of a file, absolute, with its closing separator.
QString FolderOf(const QString& path);
// The folder a file dialog starts in, as a setting remembers it; empty when it cannot be read.
QString RememberedFolder(const char* settingName);
// Remembers the folder of `path` in the setting; a failure to write it is said in a box.
void RememberFolder(QWidget* parent, const char* settingName, const QString& path);
