#include "cli/VerbSupport.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "cli/Verbs.h"
#include "files/FileDiagnostics.h"
#include "files/FileExtension.h"
#include "model/BankLayouts.h"
#include "model/CountText.h"
#include "model/Item.h"

namespace {
std::unique_ptr<FileDiagnosticCapture>& KeptDiagnostics() {
  static std::unique_ptr<FileDiagnosticCapture> kept;
  return kept;
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

void FlushOutput() {
  errno = 0;
  if ((std::fflush(stdout) != 0 || std::ferror(stdout)) && FirstOutputError() == 0)
    FirstOutputError() = errno != 0 ? errno : EIO;
}

int OutputError() {
  return FirstOutputError();
}

std::optional<int> DecimalNumber(const std::string& text, std::size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits ||
      !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
    return std::nullopt;
  }
  return std::stoi(text);
}

int Failure(const char* verb, const std::string& what) {
  const std::string reason = TakeFileDiagnostics();
  std::fprintf(stderr, "corvale-cli: %s: %s%s%s\n", verb, what.c_str(), reason.empty() ? "" : ": ",
               reason.c_str());
  return kExitFailure;
}

int WrongKind(const char* verb, const std::string& path, const char* expected) {
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

int OpenDocument(const char* verb, const std::string& path, S2A_File& document) {
  BankLoadReport report;
  if (OpenBankFile(document, path, &report) != 0)
    return Failure(verb, path + ": could not be loaded");
  ReportLoadWarning(verb, path, report);
  return kExitSuccess;
}

void ReportMissingItems(const char* verb, const std::string& path, int missingItems) {
  ReportLoadWarning(verb, path, BankLoadReport{missingItems});
}

void ReportLoadWarning(const char* verb, const std::string& path, const BankLoadReport& report) {
  const std::string warning = BankLoadWarning(report);
  if (!warning.empty())
    std::fprintf(stderr, "corvale-cli: %s: %s: %s\n", verb, path.c_str(), warning.c_str());
}

int SaveDocument(const char* verb, S2A_File& document, const std::string& path) {
  std::size_t sevenBitBytes = 0;
  if (SaveBankFile(document, path, sevenBitBytes) != 0)
    return Failure(verb, path + ": could not be saved");
  if (sevenBitBytes > 0) {
    std::fprintf(stderr, "corvale-cli: %s: %s: %s written as %s\n", verb, path.c_str(),
                 CountText(sevenBitBytes, "item byte", "item bytes").c_str(),
                 sevenBitBytes == 1 ? "a seven-bit value" : "seven-bit values");
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
