// The S2A all-bank file: a document's six banks and its four data blocks.
//
//   offset  0      file header "A0478 ALL V1.00" with the constants at 16-35
//   offset  64     VCE section: directory of 260 entries, 260 voice records, 260 zero bytes
//   offset  209408 PFM section: directory of 192 entries, 192 records, 448 zero bytes
//   offset  420352 SYS (384), CHN (1920), PLV (36736) and, when held, CLP (88960)
// Every section after the first is preceded by a copy of its header (the lead block).

#include <array>
#include <cstdio>

#include "files/FileDiagnostics.h"
#include "files/SectionFraming.h"
#include "files/SmartFile.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"

namespace {

using namespace SectionFraming;

constexpr std::array<std::uint8_t, 20> kFileHeaderConstants{
    0x00, 0x00, 0x01, 0x99, 0x00, 0x00, 0x01, 0x9C, 0x00, 0x00,
    0x00, 0x01, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x48};
constexpr std::size_t kFileHeaderConstantsOffset = 16;

constexpr std::size_t kVoiceDirectoryEntries = 260;
constexpr std::size_t kPerformanceDirectoryEntries = 192;
// Each section holds one item record per directory entry.
constexpr int kVoiceRecords = static_cast<int>(kVoiceDirectoryEntries);
constexpr int kPerformanceRecords = static_cast<int>(kPerformanceDirectoryEntries);
constexpr std::size_t kVoiceSectionPadding = 260;
constexpr std::size_t kPerformanceSectionPadding = 448;

HeaderBlock FileHeader() {
  HeaderBlock header = MakeHeaderBlock(kAllType);
  std::copy(kFileHeaderConstants.begin(), kFileHeaderConstants.end(),
            header.begin() + kFileHeaderConstantsOffset);
  return header;
}

void ReadBlock(SmartFile& file, std::span<std::uint8_t> block) {
  file.Read(block);
}

}  // namespace

int S2A_File::Load(const std::optional<std::string>& path) {
  SetMissingItemRecords(0);
  if (!TakePath(path))
    return -1;
  SmartFile file;
  if (!file.OpenOrReport(FileName()))
    return -1;
  const HeaderBlock header = ReadHeaderBlock(file);
  if (!HasFormatMark(header)) {
    ReportFileDiagnostic("Error: \"%s\" Has Unknown format.\n", FileNameText().c_str());
    return -1;
  }
  if (!HasVersion(header)) {
    ReportFileDiagnostic("Error: \"%s\" Has Unknown version.\n", FileNameText().c_str());
    return -1;
  }
  // The records each item section lacked; a section the file does not hold lacks them all.
  int voicesMissing = kVoiceRecords;
  int performancesMissing = kPerformanceRecords;
  // The file kind is not checked: an S2V file's voice section reads like an S2A file's.
  const int result = RunSectionLoop(file, FileNameText(), [&](const HeaderBlock& section) {
    if (IsSectionTag(section, kVoiceType)) {
      file.Skip(kDirectorySize);
      voicesMissing =
          ReadBanks(file, {{&InternalInstrumentBank(), kInternalInstrumentLayout.capacity},
                           {&InternalPercussionBank(), kInternalPercussionLayout.capacity},
                           {&ExternalInstrumentBank(), kExternalInstrumentLayout.capacity},
                           {&ExternalPercussionBank(), kExternalPercussionLayout.capacity}});
      file.Skip(kVoiceSectionPadding);
    } else if (IsSectionTag(section, kPerformanceType)) {
      file.Skip(kDirectorySize);
      performancesMissing =
          ReadBanks(file, {{&InternalPerformanceBank(), kInternalPerformanceLayout.capacity},
                           {&ExternalPerformanceBank(), kExternalPerformanceLayout.capacity}});
      file.Skip(kPerformanceSectionPadding);
    } else if (IsSectionTag(section, kSystemType)) {
      ReadBlock(file, SysBlock());
    } else if (IsSectionTag(section, kChannelType)) {
      ReadBlock(file, ChnBlock());
    } else if (IsSectionTag(section, kPlvType)) {
      ReadBlock(file, PlvBlock());
    } else if (IsSectionTag(section, kClpType)) {
      ReadBlock(file, ClpBlock());
      SetHasClpBlock(true);
    } else {
      return SectionResult::Unknown;
    }
    return SectionResult::Handled;
  });
  SetMissingItemRecords(voicesMissing + performancesMissing);
  return result;
}

int S2A_File::Save(const std::optional<std::string>& path) {
  if (!TakePath(path))
    return -1;
  return SmartFile::SaveFile(*FileName(), [this](SmartFile& file) {
    file.Write(FileHeader());
    file.Write(MakeHeaderBlock(kVoiceType));
    const Bank* voiceBanks[] = {&InternalInstrumentBank(), &InternalPercussionBank(),
                                &ExternalInstrumentBank(), &ExternalPercussionBank()};
    for (const Bank* bank : voiceBanks)
      WriteDirectoryEntries(file, *bank);
    file.WriteZeros(kDirectorySize - kVoiceDirectoryEntries * kDirectoryEntrySize);
    for (const Bank* bank : voiceBanks)
      WriteItemRecords(file, *bank);
    file.WriteZeros(kVoiceSectionPadding);

    WriteSectionHeader(file, kPerformanceType);
    const Bank* performanceBanks[] = {&InternalPerformanceBank(), &ExternalPerformanceBank()};
    for (const Bank* bank : performanceBanks)
      WriteDirectoryEntries(file, *bank);
    file.WriteZeros(kDirectorySize - kPerformanceDirectoryEntries * kDirectoryEntrySize);
    for (const Bank* bank : performanceBanks)
      WriteItemRecords(file, *bank);
    file.WriteZeros(kPerformanceSectionPadding);

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
  std::printf("File \"%s\" (S2A File):\n  Voice:\n", FileNameText().c_str());
  PrintBankLines(InternalInstrumentBank(), "\tINT:%03d(%s) %s:%s\n");
  PrintBankLines(ExternalInstrumentBank(), "\tEXT:%03d(%s) %s:%s\n");
  std::printf("\n");
  PrintBankLines(InternalPercussionBank(), "\tINT:DR%d(%s) %s:%s\n");
  PrintBankLines(ExternalPercussionBank(), "\tEXT:DR%d(%s) %s:%s\n");
  std::printf("\n  Performance:\n");
  PrintBankLines(InternalPerformanceBank(), "\tINT:%03d(%s) %s:%s\n");
  PrintBankLines(ExternalPerformanceBank(), "\tEXT:%03d(%s) %s:%s\n");
}
