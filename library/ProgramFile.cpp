#include "library/ProgramFile.h"

#include "files/DocumentFiles.h"
#include "files/DumpFiles.h"
#include "files/FileFormat.h"
#include "files/ItemFiles.h"
#include "files/S2I_File.h"
#include "midi/sysex/SYX_File.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"

namespace {

std::string LoaderReason(const FileOutcome& outcome) {
  const std::string said = outcome.Reason();
  return said.empty() ? "could not be loaded" : "could not be loaded: " + said;
}

}  // namespace

ProgramFile::ProgramFile() = default;
ProgramFile::~ProgramFile() = default;

bool ProgramFile::IsReadable(const std::string& path) {
  const FileFormat* format = FileFormatOf(path);
  return format != nullptr && format->IsReadable();
}

int ProgramFile::Load(const std::string& path) {
  programs_.clear();
  reason_.clear();
  note_.clear();
  const FileFormat* format = FileFormatOf(path);
  if (format == nullptr || !format->IsReadable()) {
    reason_ = "unknown extension (expected " + ExtensionList(&FileFormat::IsReadable) + ")";
    return -1;
  }
  if (format->HoldsBanks())
    return LoadBankFile(path);
  return format->HoldsDumps() ? LoadDumpFile(path) : LoadItemFile(path);
}

void ProgramFile::Take(std::unique_ptr<S2A_File> document) {
  programs_.clear();
  reason_.clear();
  note_.clear();
  document_ = std::move(document);
  for (const BankLayout& layout : kBankLayouts) {
    layout.bankIn(*document_).ForEachItem([&](const Item& item) {
      programs_.push_back({&item, layout.word, item.SlotIndex()});
    });
  }
}

int ProgramFile::LoadBankFile(const std::string& path) {
  document_ = std::make_unique<S2A_File>();
  const BankFileLoad load = OpenBankFile(*document_, path);
  if (!load.Succeeded()) {
    document_.reset();
    reason_ = LoaderReason(load);
    return -1;
  }
  note_ = load.report.Warning();
  for (const BankLayout& layout : kBankLayouts) {
    if (!BankFileHolds(path, layout))
      continue;
    layout.bankIn(*document_).ForEachItem([&](const Item& item) {
      programs_.push_back({&item, layout.word, item.SlotIndex()});
    });
  }
  return 0;
}

int ProgramFile::LoadItemFile(const std::string& path) {
  single_ = std::make_unique<S2I_File>();
  const ItemFileImport import = ImportItemFile(*single_, path);
  if (!import.Succeeded() || single_->GetItem(S2I_File::kAnyKind) == nullptr) {
    reason_ = LoaderReason(import);
    return -1;
  }
  programs_.push_back({single_->GetItem(S2I_File::kAnyKind), "", -1});
  return 0;
}

int ProgramFile::LoadDumpFile(const std::string& path) {
  SYX_File file;
  const DumpFileLoad load = ::LoadDumpFile(file, path);
  if (!load.Succeeded()) {
    reason_ = LoaderReason(load);
    return -1;
  }
  dumps_ = FindItemDumps(file.Bytes());
  int incomplete = 0;
  for (const FoundItemDump& dump : dumps_.dumps) {
    if (dump.item == nullptr)
      continue;
    if (dump.missingBlocks > 0) {
      ++incomplete;
      continue;
    }
    const bool inBank = dump.meaning && dump.meaning->bank != nullptr;
    programs_.push_back({dump.item.get(), inBank ? dump.meaning->bank->word : "",
                         inBank ? dump.meaning->slot : -1});
  }
  if (incomplete > 0) {
    note_ = std::to_string(incomplete) +
            (incomplete == 1 ? " item dump lacks" : " item dumps lack") + " blocks; left out";
  }
  if (programs_.empty()) {
    reason_ = incomplete > 0 ? note_ : "holds no item dump";
    note_.clear();
    return -1;
  }
  return 0;
}
