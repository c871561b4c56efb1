#include "cli/DiffVerb.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "cli/ExitStatus.h"
#include "cli/StandardStreams.h"
#include "cli/VerbArguments.h"
#include "cli/VerbSupport.h"
#include "files/FileFormat.h"
#include "files/S2I_File.h"
#include "library/LibraryStore.h"
#include "model/ItemComparison.h"
#include "model/PrintableText.h"
#include "model/S2A_File.h"

namespace {

constexpr const char* kVerb = "diff";
constexpr std::string_view kLibraryPrefix = "library:";
// As cmp and diff: anything that keeps the two from being compared.
constexpr int kExitTrouble = 2;

// One program named on the command line, as one or two arguments.
struct Operand {
  enum class Source { ItemFile, BankSlot, Library };
  Source source = Source::ItemFile;
  std::string path;  // the item file or the bank file
  std::optional<ItemSlot> slot;
  int programId = 0;

  // Where the program is, for its line: "x.s2i", "demo.s2a int-inst:A05", "library:14".
  std::string Place() const {
    switch (source) {
      case Source::BankSlot:
        return path + " " + slot->Label();
      case Source::Library:
        return std::string(kLibraryPrefix) + std::to_string(programId);
      case Source::ItemFile:
        break;
    }
    return path;
  }
};

// Takes the operand that starts at `next` and moves past it: the status of a usage error, or
// none.
std::optional<int> ParseOperand(std::span<const std::string> arguments, std::size_t& next,
                                Operand& operand) {
  const std::string& first = arguments[next++];
  if (first.starts_with(kLibraryPrefix)) {
    const std::string number = first.substr(kLibraryPrefix.size());
    const std::optional<int> id = DecimalNumber(number, 9);
    if (!id)
      return UsageError("diff: '" + number + "' is no program number");
    operand.source = Operand::Source::Library;
    operand.programId = *id;
    return std::nullopt;
  }
  operand.path = first;
  if (IsItemFile(first))
    return std::nullopt;
  if (!IsBankFile(first))
    return WrongKind(kVerb, first, kItemFileKinds + ", a bank file and ITEM, or library:ID");
  if (next == arguments.size())
    return UsageError("diff: " + first + ": no ITEM after the bank file");
  operand.source = Operand::Source::BankSlot;
  return CheckSlot(kVerb, first, arguments[next++], operand.slot);
}

int LoadLibraryProgram(int id, S2I_File& item) {
  const std::string path = LibraryStore::DefaultPath();
  std::string error;
  const std::unique_ptr<LibraryStore> store =
      LibraryStore::Open(path, error, LibraryStore::Access::Read);
  if (!store)
    return Failure(kVerb, path + ": " + error);
  ProgramImage image;
  if (store->ReadImage(id, image) != 0)
    return Failure(kVerb, path + ": " + store->LastError());
  if (LibraryStore::FillItem(*item.GetItem(static_cast<int>(image.kind)), image) != 0)
    return Failure(kVerb, "program " + std::to_string(id) + " has an image of another size");
  return kExitSuccess;
}

int LoadOperand(const Operand& operand, S2I_File& item) {
  switch (operand.source) {
    case Operand::Source::ItemFile:
      return LoadSingleItem(kVerb, operand.path, item);
    case Operand::Source::BankSlot: {
      S2A_File document;
      if (const int status = OpenDocument(kVerb, operand.path, document); status != kExitSuccess)
        return status;
      item.SetItem(operand.slot->ItemIn(document));
      return kExitSuccess;
    }
    case Operand::Source::Library:
      return LoadLibraryProgram(operand.programId, item);
  }
  return kExitFailure;
}

}  // namespace

int DiffVerb(std::span<const std::string> given) {
  VerbArguments parsed;
  constexpr OptionRule kOptions[] = {{"--format", "a file format"}};
  if (parsed.Parse(kVerb, given, kOptions) != kExitSuccess)
    return kExitTrouble;
  StandardStreams streams(kVerb);
  std::string listing;
  if (streams.TakeFormats(parsed.Values("--format"), {}, listing) != kExitSuccess)
    return kExitTrouble;
  std::vector<std::string> arguments = parsed.Words();
  for (std::string& argument : arguments) {
    if (streams.Input(argument) != kExitSuccess)
      return kExitTrouble;
  }
  Operand a;
  Operand b;
  std::size_t next = 0;
  for (Operand* operand : {&a, &b}) {
    if (next == arguments.size())
      return UsageError("diff: expected A B, each FILE, DOC ITEM or library:ID");
    if (const auto status = ParseOperand(arguments, next, *operand))
      return *status;
  }
  if (next != arguments.size())
    return UsageError("diff: '" + arguments[next] + "' after A and B");

  S2I_File itemA;
  S2I_File itemB;
  if (LoadOperand(a, itemA) != kExitSuccess || LoadOperand(b, itemB) != kExitSuccess)
    return kExitTrouble;
  const ItemComparison comparison(*itemA.GetItem(S2I_File::kAnyKind),
                                  *itemB.GetItem(S2I_File::kAnyKind));
  if (!comparison.Refusal().empty()) {
    std::fprintf(stderr, "corvale-cli: diff: %s\n", comparison.Refusal().c_str());
    return kExitTrouble;
  }
  for (const std::string& line : comparison.Lines(a.Place(), b.Place()))
    std::printf("%s\n", line.c_str());
  // Lines that did not reach standard output tell nothing: trouble, not a difference.
  FlushOutput();
  if (OutputError() != 0)
    return kExitTrouble;
  return comparison.Identical() ? kExitSuccess : kExitFailure;
}
