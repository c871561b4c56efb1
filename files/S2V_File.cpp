// The S2V voice-bank file: byte for byte the first 209408 bytes an S2A writer produces for the
// same four banks, except for the file header ("A0478 VCE V1.00" and no constants).

#include "files/S2V_File.h"

#include <cstdio>

#include "files/FileDiagnostics.h"
#include "files/SectionFraming.h"
#include "files/SmartFile.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"

namespace {
using namespace SectionFraming;
constexpr std::size_t kDirectoryEntries = 260;
constexpr std::size_t kSectionPadding = 260;
constexpr long kRestOfHeaderBlock = kBlockSize - kTagSize;
}  // namespace

S2V_File::S2V_File()
    : internalInstrument_(MakeBank<Instrument>(kInternalInstrumentLayout)),
      internalPercussion_(MakeBank<Percussion>(kInternalPercussionLayout)),
      externalInstrument_(MakeBank<Instrument>(kExternalInstrumentLayout)),
      externalPercussion_(MakeBank<Percussion>(kExternalPercussionLayout)) {}

S2V_File::~S2V_File() = default;

void S2V_File::CopyBanksFrom(const S2A_File& document) {
  internalInstrument_->AssignFrom(document.InternalInstrumentBank());
  internalPercussion_->AssignFrom(document.InternalPercussionBank());
  externalInstrument_->AssignFrom(document.ExternalInstrumentBank());
  externalPercussion_->AssignFrom(document.ExternalPercussionBank());
}

int S2V_File::Load(const std::optional<std::string>& path) {
  SetMissingItemRecords(0);
  if (!TakePath(path))
    return -1;
  SmartFile file;
  if (!file.OpenOrReport(FileName()))
    return -1;
  std::array<std::uint8_t, kTagSize> tag{};
  if (!file.Read(tag))
    tag.fill(0);
  if (!HasFormatMark(tag)) {
    ReportFileDiagnostic("Error with file: Unknown format.\n");
    return -1;
  }
  if (!HasType(tag, kVoiceType)) {
    ReportFileDiagnostic("Error: Improper file type.\n");
    return -1;
  }
  if (!HasVersion(tag)) {
    ReportFileDiagnostic("Error: Unknown version.\n");
    return -1;
  }
  file.Skip(kRestOfHeaderBlock);
  if (!file.Read(tag))
    tag.fill(0);
  if (!IsSectionTag(tag, kVoiceType)) {
    ReportFileDiagnostic("Error: File contained unexpected data.\n");
    return -1;
  }
  file.Skip(kRestOfHeaderBlock + static_cast<long>(kDirectorySize));
  SetMissingItemRecords(
      ReadBanks(file, {{internalInstrument_.get(), kInternalInstrumentLayout.capacity},
                       {internalPercussion_.get(), kInternalPercussionLayout.capacity},
                       {externalInstrument_.get(), kExternalInstrumentLayout.capacity},
                       {externalPercussion_.get(), kExternalPercussionLayout.capacity}}));
  return 0;
}

int S2V_File::Save(const std::optional<std::string>& path) {
  if (!TakePath(path))
    return -1;
  return SmartFile::SaveFile(*FileName(), [this](SmartFile& file) {
    WriteSectionHeader(file, kVoiceType);
    const Bank* banks[] = {internalInstrument_.get(), internalPercussion_.get(),
                           externalInstrument_.get(), externalPercussion_.get()};
    for (const Bank* bank : banks)
      WriteDirectoryEntries(file, *bank);
    file.WriteZeros(kDirectorySize - kDirectoryEntries * kDirectoryEntrySize);
    for (const Bank* bank : banks)
      WriteItemRecords(file, *bank);
    file.WriteZeros(kSectionPadding);
  });
}

void S2V_File::PrintListing() {
  std::printf("File \"%s\" (S2V File):\n", FileNameText().c_str());
  PrintBankLines(*internalInstrument_, "\tINT:%03d(%s) %s:%s\n");
  PrintBankLines(*externalInstrument_, "\tEXT:%03d(%s) %s:%s\n");
  std::printf("\n");
  PrintBankLines(*internalPercussion_, "\tINT:DR%d(%s) %s:%s\n");
  PrintBankLines(*externalPercussion_, "\tEXT:DR%d(%s) %s:%s\n");
}
