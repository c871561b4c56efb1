#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>

class Bank;
class SmartFile;

// The 64-byte tagged framing shared by the synthesizer's bank files: header blocks that open
// with a 16-byte tag such as "A0478 VCE V1.00", directories of 14-byte entries, item records.
namespace SectionFraming {

inline constexpr std::size_t kBlockSize = 64;
inline constexpr std::size_t kTagSize = 16;
inline constexpr std::size_t kDirectorySize = 3968;
inline constexpr std::size_t kDirectoryEntrySize = 14;

inline constexpr const char* kFormatMark = "A0478";  // bytes 0-4
inline constexpr std::size_t kTypeOffset = 6;        // bytes 6-8
inline constexpr const char* kVersion = "V1.00";     // bytes 10-14
inline constexpr std::size_t kVersionOffset = 10;

inline constexpr const char* kAllType = "ALL";
inline constexpr const char* kVoiceType = "VCE";
inline constexpr const char* kPerformanceType = "PFM";
inline constexpr const char* kSystemType = "SYS";
inline constexpr const char* kChannelType = "CHN";
inline constexpr const char* kPlvType = "PLV";
inline constexpr const char* kClpType = "CLP";
inline constexpr const char* kExternalType = "EXT";
inline constexpr const char* kInstrumentFileType = "INS";

using HeaderBlock = std::array<std::uint8_t, kBlockSize>;

// The tag of `type` followed by zero bytes.
HeaderBlock MakeHeaderBlock(const char* type);

// File header checks compare exact bytes: the format mark, the type, the version.
bool HasFormatMark(std::span<const std::uint8_t> header);
bool HasType(std::span<const std::uint8_t> header, const char* type);
bool HasVersion(std::span<const std::uint8_t> header);
// A section header check compares the first 15 bytes with the whole tag.
bool IsSectionTag(std::span<const std::uint8_t> header, const char* type);

// Reads a header block; bytes the file does not hold read as zero, never as an earlier header.
HeaderBlock ReadHeaderBlock(SmartFile& file);

// The section header twice: the lead block, then the header the reader compares.
void WriteSectionHeader(SmartFile& file, const char* type);

// Reads the first `count` items of a bank, in slot order. Returns how many of their records the
// file ended before, or within (their items keep what they held: never half a record).
int ReadItemRecords(SmartFile& file, Bank& bank, int count);
// ReadItemRecords of each bank in turn, for its first `count` items; the records the file ended
// before, in all.
struct BankRecords {
  Bank* bank;
  int count;
};
int ReadBanks(SmartFile& file, std::initializer_list<BankRecords> banks);
void WriteItemRecords(SmartFile& file, const Bank& bank);
void WriteDirectoryEntries(SmartFile& file, const Bank& bank);

enum class SectionResult { Handled, Unknown };

// Reads the sections of a file whose file header has been read and checked. `handle` is given
// each section header and reads the section's content. 0 when the file ends (also inside a
// section header, and after a read error, which is reported), -1 after an unknown section
// (reported with `fileName`).
int RunSectionLoop(SmartFile& file, const std::string& fileName,
                   const std::function<SectionResult(const HeaderBlock&)>& handle);

// One listing line per item of a bank: `lineFormat` takes the slot number, the slot label, the
// category and the name.
void PrintBankLines(const Bank& bank, const char* lineFormat);

}  // namespace SectionFraming
