// The S2A all-bank file: a document's six banks and its four data blocks.
//
//   offset  0      file header "A0478 ALL V1.00" with the constants at 16-35
//   offset  64     VCE section: directory of 260 entries, 260 voice records, 260 zero bytes
//   offset  209408 PFM section: directory of 192 entries, 192 records, 448 zero bytes
//   offset  420352 SYS (384), CHN (1920), PLV (36736) and, when held, CLP (88960)
// Every section after the first is preceded by a copy of its header (the lead block).

#include <array>
#include <cstdio>

#include "files/SectionFraming.h"
#include "files/SmartFile.h"
#include "model/PrintableText.h"
#include "model/S2A_File.h"

namespace {

using namespace SectionFraming;

constexpr std::array<std::uint8_t, 20> kFileHeaderConstants{
    0x00, 0x00, 0x01, 0x99, 0x00, 0x00, 0x01, 0x9C, 0x00, 0x00,
    0x00, 0x01, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x48};
constexpr std::size_t kFileHeaderConstantsOffset = 16;

constexpr std::size_t kVoiceSectionPadding = 260;
constexpr std::size_t kPerformanceSectionPadding = 448;

HeaderBlock FileHeader() {
  HeaderBlock header = MakeHeaderBlock(kAllType);
  std::copy(kFileHeaderConstants.begin(), kFileHeaderConstants.end(),
            header.begin() + kFileHeaderConstantsOffset);
  return header;
}

ItemSection VoiceSection(S2A_File& document) {
  return {kVoiceType,
          0,
          {&document.InternalInstrumentBank(), &document.InternalPercussionBank(),
           &document.ExternalInstrumentBank(), &document.ExternalPercussionBank()},
          kVoiceSectionPadding};
}

ItemSection PerformanceSection(S2A_File& document) {
  return {kPerformanceType,
          0,
          {&document.InternalPerformanceBank(), &document.ExternalPerformanceBank()},
          kPerformanceSectionPadding};
}

}  // namespace

int S2A_File::Load(const std::optional<std::string>& path) {
  SetMissingItemRecords(0);
  if (!TakePath(path))
    return -1;
  SmartFile file;
  if (!file.OpenOrReport(FileName()))
    return -1;
  // No type: an S2V file's voice section reads like an S2A file's.
  if (!CheckFileHeader(ReadHeaderBlock(file), nullptr, HeaderMessages::QuotingThePath,
                       FileNameText()))
    return -1;
  const ItemSection items[] = {VoiceSection(*this), PerformanceSection(*this)};
  bool clpRead = false;
  const DataSection blocks[] = {{kSystemType, SysBlock(), nullptr},
                                {kChannelType, ChnBlock(), nullptr},
                                {kPlvType, PlvBlock(), nullptr},
                                {kClpType, ClpBlock(), &clpRead}};
  int missing = 0;
  const int result = ReadSections(file, FileNameText(), items, blocks, missing);
  if (clpRead)
    SetHasClpBlock(true);
  SetMissingItemRecords(missing);
  return result;
}

int S2A_File::Save(const std::optional<std::string>& path) {
  if (!TakePath(path))
    return -1;
  return SmartFile::SaveFile(*FileName(), [this](SmartFile& file) {
    file.Write(FileHeader());
    // The first section follows the file header without a lead block.
    file.Write(MakeHeaderBlock(kVoiceType));
    WriteItemSection(file, VoiceSection(*this));
    WriteSectionHeader(file, kPerformanceType);
    WriteItemSection(file, PerformanceSection(*this));
    WriteSectionHeader(file, kSystemType);
    file.Write(SysBlock());
    WriteSectionHeader(file, kChannelType);
    file.Write(ChnBlock());
    WriteSectionHeader(file, kPlvType);
    file.Write(PlvBlock());
    if (HasClpBlock()) {
      WriteSectionHeader(file, kClpType);
      file.Write(ClpBlock());
    }
  });
}
void S2A_File::PrintListing() {
  std::printf("File \"%s\" (S2A File):\n  Voice:\n", PrintablePath(FileNameText()).c_str());
  PrintBankLines(InternalInstrumentBank(), "\tINT:%03d(%s) %s:%s\n");
  PrintBankLines(ExternalInstrumentBank(), "\tEXT:%03d(%s) %s:%s\n");
  std::printf("\n");
  PrintBankLines(InternalPercussionBank(), "\tINT:DR%d(%s) %s:%s\n");
  PrintBankLines(ExternalPercussionBank(), "\tEXT:DR%d(%s) %s:%s\n");
  std::printf("\n  Performance:\n");
  PrintBankLines(InternalPerformanceBank(), "\tINT:%03d(%s) %s:%s\n");
  PrintBankLines(ExternalPerformanceBank(), "\tEXT:%03d(%s) %s:%s\n");
}
