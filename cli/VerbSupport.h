#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/ItemSlot.h"

class Item;
class S2A_File;
struct BankLoadReport;

// What the verbs share: the names of the file kinds, the error lines, and the document a verb
// opens and saves.
inline constexpr const char* kBankFileKinds = ".s2a, .s2v or .s2e";
inline constexpr const char* kItemFileKinds = ".s2i, .syx or .mid";

// The number `text` writes in decimal digits, at most `maxDigits` of them and nothing else.
std::optional<int> DecimalNumber(const std::string& text, std::size_t maxDigits);

// From now on the file layers' diagnostics are kept for the verb's own error line instead of
// going to standard error.
void CollectFileDiagnostics();
// The diagnostics kept since the last call, joined by "; " (empty when there were none).
std::string TakeFileDiagnostics();

// Flushes standard output. The error number of the first output that could not be written
// is kept for OutputError (0 while all output was written): a later flush with nothing left to
// write would no longer tell it.
void FlushOutput();
int OutputError();

// Prints "corvale-cli: <verb>: <what>" on standard error, followed by ": <reason>" when the file
// layers gave one, and returns the failure status.
int Failure(const char* verb, const std::string& what);
// A usage error for a file of the wrong kind.
int WrongKind(const char* verb, const std::string& path, const char* expected);
// When a dump carried any of an item's bytes as their low seven bits, says how many on standard
// error: "corvale-cli: <verb>: <where> "<name>": 2 bytes sent as seven-bit values".
void ReportSevenBitBytes(const char* verb, const std::string& where, const Item& item,
                         std::size_t count);

// Opens a bank file or a dump file into a fresh document made of the default set. A file that
// ends before its last item record, or a dump file with dumps placed nowhere or messages
// skipped, opens with one line on standard error that says so.
int OpenDocument(const char* verb, const std::string& path, S2A_File& document);
// "corvale-cli: <verb>: <path>: ends early: 376 items missing", when any were
// missing.
void ReportMissingItems(const char* verb, const std::string& path, int missingItems);
// The same line for anything a load left out ("... 2 dumps to an edit buffer placed nowhere").
void ReportLoadWarning(const char* verb, const std::string& path, const BankLoadReport& report);
int SaveDocument(const char* verb, S2A_File& document, const std::string& path);

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
