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

#include "files/SectionFraming.h"
#include "files/SmartFile.h"
#include "model/BankLayouts.h"
#include "model/PrintableText.h"
#include "model/S2A_File.h"

namespace {
using namespace SectionFraming;
// The directory entries of the internal slots, written as zeros.
constexpr std::size_t kInternalVoiceEntries = 130;
constexpr std::size_t kInternalPerformanceEntries = 128;
constexpr std::size_t kVoiceSectionPadding = 386;
constexpr std::size_t kPerformanceSectionPadding = 320;

ItemSection VoiceSection(S2E_File& externals) {
  return {kVoiceType,
          kInternalVoiceEntries,
          {&externals.ExternalInstrumentBank(), &externals.ExternalPercussionBank()},
          kVoiceSectionPadding};
}

ItemSection PerformanceSection(S2E_File& externals) {
  return {kPerformanceType,
          kInternalPerformanceEntries,
          {&externals.ExternalPerformanceBank()},
          kPerformanceSectionPadding};
}
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

void S2E_File::CopyBanksTo(S2A_File& document) const {
  document.ExternalInstrumentBank().AssignFrom(*externalInstrument_);
  document.ExternalPercussionBank().AssignFrom(*externalPercussion_);
  document.ExternalPerformanceBank().AssignFrom(*externalPerformance_);
}

int S2E_File::Load(const std::optional<std::string>& path) {
  SetMissingItemRecords(0);
  if (!TakePath(path))
    return -1;
  SmartFile file;
  if (!file.OpenOrReport(FileName()))
    return -1;
  // The whole header block is read and its failures quote the path, as the S2A reader's do.
  if (!CheckFileHeader(ReadHeaderBlock(file), kExternalType, HeaderMessages::QuotingThePath,
                       FileNameText()))
    return -1;
  ItemSection performances = PerformanceSection(*this);
  // Read 16 bytes short of its padding, as this reader always has: bytes after the last section
  // are looked at 16 bytes early, so that up to 111 of them are passed over.
  performances.padding -= 16;
  const ItemSection items[] = {VoiceSection(*this), performances};
  int missing = 0;
  const int result = ReadSections(file, FileNameText(), items, {}, missing);
  SetMissingItemRecords(missing);
  return result;
}

int S2E_File::Save(const std::optional<std::string>& path) {
  if (!TakePath(path))
    return -1;
  return SmartFile::SaveFile(*FileName(), [this](SmartFile& file) {
    file.Write(MakeHeaderBlock(kExternalType));
    // The first section follows the file header without a lead block.
    file.Write(MakeHeaderBlock(kVoiceType));
    WriteItemSection(file, VoiceSection(*this));
    WriteSectionHeader(file, kPerformanceType);
    WriteItemSection(file, PerformanceSection(*this));
  });
}

void S2E_File::PrintListing() {
  std::printf("File \"%s\" (S2E File):\n  Voice:\n", PrintablePath(FileNameText()).c_str());
  PrintBankLines(*externalInstrument_, "\tEXT:%03d(%s) %s:%s\n");
  std::printf("\n");
  PrintBankLines(*externalPercussion_, "\tEXT:DR%d(%s) %s:%s\n");
  std::printf("\n  Performance:\n");
  PrintBankLines(*externalPerformance_, "\tEXT:%03d(%s) %s:%s\n");
}
