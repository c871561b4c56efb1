// The S2E external-bank file: an S2A file reduced to its VCE and PFM sections, with the
// directory entries of the internal slots written as zero bytes and their records left out.
//
//   0       file header "A0478 EXT V1.00", then the VCE header at 64
//   128     1820 zero bytes, 130 directory entries, 328 zero bytes
//   4096    130 voice records, 386 zero bytes
//   107008  PFM lead block and header; 1792 zero bytes, 64 entries, 1280 zero bytes
//   111104  64 performance records, 320 zero bytes; 180224 bytes in all

#include "files/S2E_File.h"

#include <cstdio>

#include "files/FileDiagnostics.h"
#include "files/SectionFraming.h"
#include "files/SmartFile.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"

namespace {
using namespace SectionFraming;
constexpr std::size_t kInternalVoiceEntries = 130;
constexpr std::size_t kExternalVoiceEntries = 130;
constexpr std::size_t kInternalPerformanceEntries = 128;
constexpr std::size_t kExternalPerformanceEntries = 64;
constexpr int kVoiceRecords = static_cast<int>(kExternalVoiceEntries);
constexpr int kPerformanceRecords = static_cast<int>(kExternalPerformanceEntries);
constexpr std::size_t kVoiceSectionPadding = 386;
constexpr std::size_t kPerformanceSectionPadding = 320;
// The reader skips 16 bytes less after the last section, so that the lead-block skip that
// follows every section takes it past the end of the file.
constexpr std::size_t kPerformanceSectionReadPadding = 304;
}  // namespace

S2E_File::S2E_File()
    : externalInstrument_(MakeBank<Instrument>(kExternalInstrumentLayout)),
      externalPercussion_(MakeBank<Percussion>(kExternalPercussionLayout)),
      externalPerformance_(MakeBank<Performance>(kExternalPerformanceLayout)) {}

S2E_File::~S2E_File() = default;

void S2E_File::CopyBanksFrom(const S2A_File& document) {
  externalInstrument_->AssignFrom(document.ExternalInstrumentBank());
  externalPercussion_->AssignFrom(document.ExternalPercussionBank());
  externalPerformance_->AssignFrom(document.ExternalPerformanceBank());
}

int S2E_File::Load(const std::optional<std::string>& path) {
  SetMissingItemRecords(0);
  if (!TakePath(path))
    return -1;
  SmartFile file;
  if (!file.OpenOrReport(FileName()))
    return -1;
  const HeaderBlock header = ReadHeaderBlock(file);
  const char* problem = !HasFormatMark(header) ? "Error: \"%s\" Has Unknown format.\n"
                        : !HasType(header, kExternalType)
                            ? "Error: \"%s\" Has Improper file type.\n"
                        : !HasVersion(header) ? "Error: \"%s\" Has Unknown version.\n"
                                              : nullptr;
  if (problem != nullptr) {
    ReportFileDiagnostic(problem, FileNameText().c_str());
    return -1;
  }
  // The records each item section lacked; a section the file does not hold lacks them all.
  int voicesMissing = kVoiceRecords;
  int performancesMissing = kPerformanceRecords;
  const int result = RunSectionLoop(file, FileNameText(), [&](const HeaderBlock& section) {
    if (IsSectionTag(section, kVoiceType)) {
      file.Skip(kDirectorySize);
      voicesMissing =
          ReadBanks(file, {{externalInstrument_.get(), kExternalInstrumentLayout.capacity},
                           {externalPercussion_.get(), kExternalPercussionLayout.capacity}});
      file.Skip(kVoiceSectionPadding);
    } else if (IsSectionTag(section, kPerformanceType)) {
      file.Skip(kDirectorySize);
      performancesMissing =
          ReadItemRecords(file, *externalPerformance_, kExternalPerformanceLayout.capacity);
      file.Skip(kPerformanceSectionReadPadding);
    } else {
      return SectionResult::Unknown;
    }
    return SectionResult::Handled;
  });
  SetMissingItemRecords(voicesMissing + performancesMissing);
  return result;
}

int S2E_File::Save(const std::optional<std::string>& path) {
  if (!TakePath(path))
    return -1;
  return SmartFile::SaveFile(*FileName(), [this](SmartFile& file) {
    file.Write(MakeHeaderBlock(kExternalType));
    file.Write(MakeHeaderBlock(kVoiceType));
    file.WriteZeros(kInternalVoiceEntries * kDirectoryEntrySize);
    WriteDirectoryEntries(file, *externalInstrument_);
    WriteDirectoryEntries(file, *externalPercussion_);
    file.WriteZeros(kDirectorySize -
                    (kInternalVoiceEntries + kExternalVoiceEntries) * kDirectoryEntrySize);
    WriteItemRecords(file, *externalInstrument_);
    WriteItemRecords(file, *externalPercussion_);
    file.WriteZeros(kVoiceSectionPadding);

    WriteSectionHeader(file, kPerformanceType);
    file.WriteZeros(kInternalPerformanceEntries * kDirectoryEntrySize);
    WriteDirectoryEntries(file, *externalPerformance_);
    file.WriteZeros(kDirectorySize - (kInternalPerformanceEntries + kExternalPerformanceEntries) *
                                         kDirectoryEntrySize);
    WriteItemRecords(file, *externalPerformance_);
    file.WriteZeros(kPerformanceSectionPadding);
  });
}

void S2E_File::PrintListing() {
  std::printf("File \"%s\" (S2E File):\n  Voice:\n", FileNameText().c_str());
  PrintBankLines(*externalInstrument_, "\tEXT:%03d(%s) %s:%s\n");
  std::printf("\n");
  PrintBankLines(*externalPercussion_, "\tEXT:DR%d(%s) %s:%s\n");
  std::printf("\n  Performance:\n");
  PrintBankLines(*externalPerformance_, "\tEXT:%03d(%s) %s:%s\n");
}
