// The S2V voice-bank file: byte for byte the first 209408 bytes an S2A writer produces for the
// same four banks, except for the file header ("A0478 VCE V1.00" and no constants).

#include "files/S2V_File.h"

#include <cstdio>

#include "files/FileDiagnostics.h"
#include "files/SectionFraming.h"
#include "files/SmartFile.h"
#include "model/BankLayouts.h"
#include "model/PrintableText.h"
#include "model/S2A_File.h"

namespace {
using namespace SectionFraming;
constexpr std::size_t kSectionPadding = 260;
constexpr long kRestOfHeaderBlock = kBlockSize - kTagSize;

// Reads the 16-byte tag of a header block; a tag the file does not hold whole reads as zeros.
std::array<std::uint8_t, kTagSize> ReadTag(SmartFile& file) {
  std::array<std::uint8_t, kTagSize> tag{};
  if (!file.Read(tag))
    tag.fill(0);
  return tag;
}

ItemSection VoiceSection(S2V_File& voices) {
  return {kVoiceType,
          0,
          {&voices.InternalInstrumentBank(), &voices.InternalPercussionBank(),
           &voices.ExternalInstrumentBank(), &voices.ExternalPercussionBank()},
          kSectionPadding};
}
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

void S2V_File::CopyBanksTo(S2A_File& document) const {
  document.InternalInstrumentBank().AssignFrom(*internalInstrument_);
  document.InternalPercussionBank().AssignFrom(*internalPercussion_);
  document.ExternalInstrumentBank().AssignFrom(*externalInstrument_);
  document.ExternalPercussionBank().AssignFrom(*externalPercussion_);
}

int S2V_File::Load(const std::optional<std::string>& path) {
  SetMissingItemRecords(0);
  if (!TakePath(path))
    return -1;
  SmartFile file;
  if (!file.OpenOrReport(FileName()))
    return -1;
  // The tags alone are read, as this reader always has: a file cut inside its first header
  // block says it holds unexpected data rather than an unknown format.
  if (!CheckFileHeader(ReadTag(file), kVoiceType, HeaderMessages::Plain, FileNameText()))
    return -1;
  file.Skip(kRestOfHeaderBlock);
  // The file header is the lead block of its one section, which follows: nothing after that
  // section is read.
  if (!IsSectionTag(ReadTag(file), kVoiceType)) {
    ReportFileDiagnostic("Error: File contained unexpected data.\n");
    return -1;
  }
  file.Skip(kRestOfHeaderBlock);
  SetMissingItemRecords(ReadItemSection(file, VoiceSection(*this)));
  return 0;
}

int S2V_File::Save(const std::optional<std::string>& path) {
  if (!TakePath(path))
    return -1;
  return SmartFile::SaveFile(*FileName(), [this](SmartFile& file) {
    WriteSectionHeader(file, kVoiceType);
    WriteItemSection(file, VoiceSection(*this));
  });
}

void S2V_File::PrintListing() {
  std::printf("File \"%s\" (S2V File):\n", PrintablePath(FileNameText()).c_str());
  PrintBankLines(*internalInstrument_, "\tINT:%03d(%s) %s:%s\n");
  PrintBankLines(*externalInstrument_, "\tEXT:%03d(%s) %s:%s\n");
  std::printf("\n");
  PrintBankLines(*internalPercussion_, "\tINT:DR%d(%s) %s:%s\n");
  PrintBankLines(*externalPercussion_, "\tEXT:DR%d(%s) %s:%s\n");
}
