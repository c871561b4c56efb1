#include "cli/VerbSupport.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "cli/ExitStatus.h"
#include "files/DocumentFiles.h"
#include "files/FileDiagnostics.h"
#include "files/ItemFiles.h"
#include "model/BankLayouts.h"
#include "model/CountText.h"
#include "model/Item.h"
#include "model/PrintableText.h"

namespace {
std::unique_ptr<FileDiagnosticCapture>& KeptDiagnostics() {
  static std::unique_ptr<FileDiagnosticCapture> kept;
  return kept;
}

std::atomic<bool>& QuietFlag() {
  static std::atomic<bool> quiet{false};
  return quiet;
}

int& FirstOutputError() {
  static int error = 0;
  return error;
}

int HoldsNoBank(const char* verb, const std::string& path, const BankLayout& bank) {
  return UsageError(std::string(verb) + ": " + path + " holds no " + bank.word + " bank");
}
}  // namespace

void CollectFileDiagnostics() {
  KeptDiagnostics() = std::make_unique<FileDiagnosticCapture>();
}

std::string TakeFileDiagnostics() {
  return KeptDiagnostics() ? KeptDiagnostics()->TakeText() : std::string();
}

void SetQuiet(bool quiet) {
  QuietFlag() = quiet;
}

bool Quiet() {
  return QuietFlag();
}

void FlushOutput() {
  errno = 0;
  if ((std::fflush(stdout) != 0 || std::ferror(stdout)) && FirstOutputError() == 0)
    FirstOutputError() = errno != 0 ? errno : EIO;
}

int OutputError() {
  return FirstOutputError();
}

int Failure(const char* verb, const std::string& what) {
  const std::string reason = TakeFileDiagnostics();
  // What names a file, and the file layers' reason, may hold the file system's bytes.
  std::fprintf(stderr, "corvale-cli: %s: %s%s%s\n", verb, PrintablePath(what).c_str(),
               reason.empty() ? "" : ": ", PrintablePath(reason).c_str());
  return kExitFailure;
}

int Failure(const char* verb, const std::string& what, const FileOutcome& outcome) {
  outcome.PassOn();
  return Failure(verb, what);
}

int WrongKind(const char* verb, const std::string& path, const std::string& expected) {
  return UsageError(std::string(verb) + ": " + path + ": unknown extension (expected " + expected +
                    ")");
}

void ReportSevenBitBytes(const char* verb, const std::string& where, const Item& item,
                         std::size_t count) {
  if (count == 0)
    return;
  std::fprintf(stderr, "corvale-cli: %s: %s \"%s\": %s sent as %s\n", verb, where.c_str(),
               item.PrintableName().c_str(), CountText(count, "byte", "bytes").c_str(),
               count == 1 ? "a seven-bit value" : "seven-bit values");
}

// What a load or save that succeeded said (a file read only in part) joins the verb's closing
// line, as all the file layers say outside a failure.
int OpenDocument(const char* verb, const std::string& path, S2A_File& document) {
  const BankFileLoad load = OpenBankFile(document, path);
  if (!load.Succeeded())
    return Failure(verb, path + ": could not be loaded", load);
  load.PassOn();
  ReportLoadWarning(verb, path, load.report);
  return kExitSuccess;
}

void ReportLoadWarning(const char* verb, const std::string& path, const BankLoadReport& report) {
  const std::string warning = report.Warning();
  if (!warning.empty())
    std::fprintf(stderr, "corvale-cli: %s: %s: %s\n", verb, PrintablePath(path).c_str(),
                 warning.c_str());
}

int SaveDocument(const char* verb, S2A_File& document, const std::string& path) {
  const FileSave save = SaveBankFile(document, path);
  if (!save.Succeeded())
    return Failure(verb, path + ": could not be saved", save);
  save.PassOn();
  if (save.sevenBitBytes > 0) {
    std::fprintf(stderr, "corvale-cli: %s: %s: %s written as %s\n", verb,
                 PrintablePath(path).c_str(),
                 CountText(save.sevenBitBytes, "item byte", "item bytes").c_str(),
                 save.sevenBitBytes == 1 ? "a seven-bit value" : "seven-bit values");
  }
  return kExitSuccess;
}

int LoadSingleItem(const char* verb, const std::string& path, S2I_File& item) {
  const AnyItemImport import = ImportAnyItem(item, path);
  if (!import.Succeeded()) {
    return Failure(verb,
                   path + (import.fileRead ? ": holds no item dump with a known location"
                                           : ": could not be loaded"),
                   import);
  }
  import.PassOn();
  if (import.dumpCount > 1) {
    std::fprintf(stderr, "corvale-cli: %s: %s holds %zu item dumps; the first is used\n", verb,
                 PrintablePath(path).c_str(), import.dumpCount);
  }
  return kExitSuccess;
}

// Checks an ITEM argument against the bank file it is taken from; usage errors return the
// status, success none.
std::optional<int> CheckSlot(const char* verb, const std::string& document, const std::string& text,
                             std::optional<ItemSlot>& slot) {
  std::string error;
  slot = ParseItemSlot(text, error);
  if (!slot)
    return UsageError(std::string(verb) + ": " + error);
  if (!BankFileHolds(document, *slot->layout))
    return HoldsNoBank(verb, document, *slot->layout);
  return std::nullopt;
}

std::optional<int> CheckTransferItems(const char* verb, std::span<const std::string> files,
                                      const std::string& text, TransferItems& items) {
  if (text.find(':') != std::string::npos)
    return CheckSlot(verb, files.front(), text, items.slot);
  std::string error;
  const std::vector<const BankLayout*> named = ParseBanks(text, error);
  if (named.empty())
    return UsageError(std::string(verb) + ": " + error);
  for (const BankLayout* bank : named) {
    const auto lacking = std::find_if(files.begin(), files.end(), [bank](const std::string& path) {
      return !BankFileHolds(path, *bank);
    });
    if (lacking == files.end())
      items.banks.push_back(bank);
    else if (named.size() == 1)
      return HoldsNoBank(verb, *lacking, *bank);
  }
  return std::nullopt;
}
