#include "cli/VerbSupport.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <initializer_list>
#include <vector>

#include "cli/Verbs.h"
#include "files/FileDiagnostics.h"
#include "files/FileExtension.h"

namespace {
std::vector<std::string>& KeptDiagnostics() {
  static std::vector<std::string> kept;
  return kept;
}

int& FirstOutputError() {
  static int error = 0;
  return error;
}

bool HasAnyExtension(const std::string& path, std::initializer_list<const char*> extensions) {
  return std::any_of(extensions.begin(), extensions.end(),
                     [&](const char* extension) { return HasExtension(path, extension); });
}
}  // namespace

bool IsBankFile(const std::string& path) {
  return HasAnyExtension(path, {"s2a", "s2v", "s2e"});
}

bool IsItemFile(const std::string& path) {
  return HasAnyExtension(path, {"s2i", "syx"});
}

void CollectFileDiagnostics() {
  SetFileDiagnosticHandler([](const std::string& text) { KeptDiagnostics().push_back(text); });
}

std::string TakeFileDiagnostics() {
  std::string joined;
  for (const std::string& text : KeptDiagnostics())
    joined += (joined.empty() ? "" : "; ") + text;
  KeptDiagnostics().clear();
  return joined;
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
  std::fprintf(stderr, "corvale-cli: %s: %s%s%s\n", verb, what.c_str(), reason.empty() ? "" : ": ",
               reason.c_str());
  return kExitFailure;
}

int WrongKind(const char* verb, const std::string& path, const char* expected) {
  return UsageError(std::string(verb) + ": " + path + ": unknown extension (expected " + expected +
                    ")");
}

// Opens a bank file into a fresh document made of the default set.
int OpenDocument(const char* verb, const std::string& path, S2A_File& document) {
  if (OpenBankFile(document, path) != 0)
    return Failure(verb, path + ": could not be loaded");
  return kExitSuccess;
}

int SaveDocument(const char* verb, S2A_File& document, const std::string& path) {
  if (SaveBankFile(document, path) != 0)
    return Failure(verb, path + ": could not be saved");
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
  if (!slot->IsHeldBy(document)) {
    return UsageError(std::string(verb) + ": " + document + " holds no " + slot->bankName +
                      " bank");
  }
  return std::nullopt;
}
