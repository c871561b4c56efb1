#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/DecimalNumber.h"
#include "cli/ItemSlot.h"
#include "files/FileFormat.h"

class Item;
class S2A_File;
class S2I_File;
struct BankLoadReport;
struct FileOutcome;

// What the verbs share: the names of the file kinds, the error lines, and the document or item a
// verb opens and saves.
inline const std::string kBankFileKinds = ExtensionList(&FileFormat::HoldsBanks);
inline const std::string kItemFileKinds = ExtensionList(&FileFormat::HoldsItem);

// From now on the file layers' diagnostics are kept for the verb's own error line instead of
// going to standard error.
void CollectFileDiagnostics();
// The diagnostics kept since the last call, joined by "; " (empty when there were none).
std::string TakeFileDiagnostics();

// -q: the transfer steps and progress lines stay off standard error; errors still print. Set
// once by main before a verb runs.
void SetQuiet(bool quiet);
bool Quiet();

// Flushes standard output. The error number of the first output that could not be written
// is kept for OutputError (0 while all output was written): a later flush with nothing left to
// write would no longer tell it.
void FlushOutput();
int OutputError();

// Prints "corvale-cli: <verb>: <what>" on standard error, followed by ": <reason>" when the file
// layers gave one, and returns the failure status.
int Failure(const char* verb, const std::string& what);
// The same when a load or save through the file formats failed: its reason joins what the file
// layers said before it.
int Failure(const char* verb, const std::string& what, const FileOutcome& outcome);
// A usage error for a file of the wrong kind.
int WrongKind(const char* verb, const std::string& path, const std::string& expected);
// When a dump carried any of an item's bytes as their low seven bits, says how many on standard
// error: "corvale-cli: <verb>: <where> "<name>": 2 bytes sent as seven-bit values".
void ReportSevenBitBytes(const char* verb, const std::string& where, const Item& item,
                         std::size_t count);

// Opens a bank file or a dump file into a fresh document made of the default set. A file that
// ends before its last item record, or a dump file with dumps placed nowhere or messages
// skipped, opens with one line on standard error that says so.
int OpenDocument(const char* verb, const std::string& path, S2A_File& document);
// "corvale-cli: <verb>: <path>: ends early: 376 items missing", or the same line for anything
// else a load left out ("... 2 dumps to an edit buffer placed nowhere"); nothing when it left
// out nothing.
void ReportLoadWarning(const char* verb, const std::string& path, const BankLoadReport& report);
int SaveDocument(const char* verb, S2A_File& document, const std::string& path);

// Reads a single item of any kind: from an .s2i file, or from the first item dump of a dump file
// whose header names a known location (saying on standard error when it held more than one). A
// dump file without item dumps is read as bulk data for the kind `item` already holds, when it
// holds one.
int LoadSingleItem(const char* verb, const std::string& path, S2I_File& item);

// Checks an ITEM argument against the bank file it is taken from; usage errors return the
// status, success none.
std::optional<int> CheckSlot(const char* verb, const std::string& document, const std::string& text,
                             std::optional<ItemSlot>& slot);

// What the ITEM of a transfer names: one slot (BANK:SLOT, checked against the first of `files`
// as CheckSlot checks it), or whole banks: a bank word, which each of `files` must hold, or
// "all", every bank that each of them holds.
struct TransferItems {
  std::optional<ItemSlot> slot;
  std::vector<const BankLayout*> banks;  // when no slot
};
std::optional<int> CheckTransferItems(const char* verb, std::span<const std::string> files,
                                      const std::string& text, TransferItems& items);
