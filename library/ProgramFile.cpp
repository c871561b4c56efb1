#include "library/ProgramFile.h"

#include "files/FileDiagnostics.h"
#include "files/FileExtension.h"
#include "files/S2I_File.h"
#include "midi/sysex/SYX_File.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"

namespace {

std::string LoaderReason(FileDiagnosticCapture& capture) {
  const std::string said = capture.TakeText();
  return said.empty() ? "could not be loaded" : "could not be loaded: " + said;
}

}  // namespace

ProgramFile::ProgramFile() = default;
ProgramFile::~ProgramFile() = default;

bool ProgramFile::IsReadable(const std::string& path) {
  return ::IsBankFile(path) || IsItemFile(path);
}

int ProgramFile::Load(const std::string& path) {
  programs_.clear();
  reason_.clear();
  note_.clear();
  if (::IsBankFile(path))
    return LoadBankFile(path);
  if (HasExtension(path, "s2i"))
    return LoadItemFile(path);
  if (IsDumpFile(path))
    return LoadDumpFile(path);
  reason_ = "unknown extension (expected .s2a, .s2v, .s2e, .s2i, .syx or .mid)";
  return -1;
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
  FileDiagnosticCapture capture;
  document_ = std::make_unique<S2A_File>();
  BankLoadReport report;
  if (OpenBankFile(*document_, path, &report) != 0) {
    document_.reset();
    reason_ = LoaderReason(capture);
    return -1;
  }
  note_ = BankLoadWarning(report);
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
  FileDiagnosticCapture capture;
  single_ = std::make_unique<S2I_File>();
  if (single_->Load(path) != 0 || single_->GetItem(S2I_File::kAnyKind) == nullptr) {
    reason_ = LoaderReason(capture);
    return -1;
  }
  programs_.push_back({single_->GetItem(S2I_File::kAnyKind), "", -1});
  return 0;
}

int ProgramFile::LoadDumpFile(const std::string& path) {
  FileDiagnosticCapture capture;
  SYX_File file;
  if (::LoadDumpFile(file, path) != 0) {
    reason_ = LoaderReason(capture);
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
