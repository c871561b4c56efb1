#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

class Bank;
class Item;
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

// How a reader says that a file header fails its checks.
enum class HeaderMessages {
  QuotingThePath,  // "Error: "<path>" Has Unknown format." (the S2A and S2E readers)
  Plain,           // "Error with file: Unknown format." (the S2V and S2I readers)
};
// Checks a file header (or its tag) in order: the format mark, the type (any, when none is
// given), the version. False after one diagnostic naming the first check that failed.
bool CheckFileHeader(std::span<const std::uint8_t> header, const char* type,
                     HeaderMessages messages, const std::string& fileName);

// The section header twice: the lead block, then the header the reader compares.
void WriteSectionHeader(SmartFile& file, const char* type);

// One item record: the item's image, head then body (1, or 0 when a byte could not be read or
// written). Reading marks the item's bank as holding content, also when the record is cut short.
int ReadItemRecord(SmartFile& file, Item& item);
int WriteItemRecord(SmartFile& file, const Item& item);
// The 14-byte directory entry of an item: its head and the first byte of its body.
int WriteDirectoryEntry(SmartFile& file, const Item& item);

// Reads the first `count` items of a bank, in slot order. Returns how many of their records the
// file ended before, or within (their items keep what they held: never half a record).
int ReadItemRecords(SmartFile& file, Bank& bank, int count);
void WriteItemRecords(SmartFile& file, const Bank& bank);
void WriteDirectoryEntries(SmartFile& file, const Bank& bank);

// A section of item records, after its header: the directory (`zeroEntries` zero entries for
// slots the file leaves out, then one entry per item of `banks`, then zeros up to
// kDirectorySize), the records of every item of `banks` in order, then `padding` zero bytes.
struct ItemSection {
  const char* type;
  std::size_t zeroEntries;
  std::vector<Bank*> banks;
  std::size_t padding;

  // How many item records the section holds.
  int Records() const;
};
// Reads a section's content: its directory is passed over (the records hold everything it
// says). Returns the records the file ended before or within.
int ReadItemSection(SmartFile& file, const ItemSection& section);
void WriteItemSection(SmartFile& file, const ItemSection& section);

// A section of one block of data kept as it is (the system and channel settings of an S2A
// file); `read`, when given, is set when the file held it.
struct DataSection {
  const char* type;
  std::span<std::uint8_t> bytes;
  bool* read;
};

enum class SectionResult { Handled, Unknown };

// Reads the sections of a file whose file header has been read and checked. `handle` is given
// each section header and reads the section's content. 0 when the file ends (also inside a
// section header, and after a read error, which is reported), -1 after an unknown section
// (reported with `fileName`).
int RunSectionLoop(SmartFile& file, const std::string& fileName,
                   const std::function<SectionResult(const HeaderBlock&)>& handle);

// RunSectionLoop over the sections a file may hold, each known by its type. `missingRecords`
// becomes the records the item sections lacked, all of them for a section the file does not
// hold.
int ReadSections(SmartFile& file, const std::string& fileName,
                 std::span<const ItemSection> itemSections,
                 std::span<const DataSection> dataSections, int& missingRecords);

// One listing line per item of a bank: `lineFormat` takes the slot number, the slot label, the
// category and the name.
void PrintBankLines(const Bank& bank, const char* lineFormat);

}  // namespace SectionFraming
