#include "files/SectionFraming.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "files/FileDiagnostics.h"
#include "files/SmartFile.h"
#include "model/Bank.h"
#include "model/Item.h"

namespace SectionFraming {

namespace {
constexpr std::size_t kFormatMarkLength = 5;
constexpr std::size_t kTypeLength = 3;
constexpr std::size_t kVersionLength = 5;
constexpr std::size_t kTagCompareLength = 15;

bool BytesEqual(std::span<const std::uint8_t> bytes, std::size_t offset, const char* text,
                std::size_t length) {
  return bytes.size() >= offset + length && std::memcmp(bytes.data() + offset, text, length) == 0;
}
}  // namespace

HeaderBlock MakeHeaderBlock(const char* type) {
  HeaderBlock block{};
  const std::string tag = std::string(kFormatMark) + " " + type + " " + kVersion;
  std::memcpy(block.data(), tag.data(), std::min(tag.size(), kTagSize - 1));
  return block;
}

bool HasFormatMark(std::span<const std::uint8_t> header) {
  return BytesEqual(header, 0, kFormatMark, kFormatMarkLength);
}

bool HasType(std::span<const std::uint8_t> header, const char* type) {
  return BytesEqual(header, kTypeOffset, type, kTypeLength);
}

bool HasVersion(std::span<const std::uint8_t> header) {
  return BytesEqual(header, kVersionOffset, kVersion, kVersionLength);
}

bool IsSectionTag(std::span<const std::uint8_t> header, const char* type) {
  const HeaderBlock tag = MakeHeaderBlock(type);
  return header.size() >= kTagCompareLength &&
         std::memcmp(header.data(), tag.data(), kTagCompareLength) == 0;
}

HeaderBlock ReadHeaderBlock(SmartFile& file) {
  HeaderBlock block{};
  // A short read may have filled part of the block; a partial header is never a header.
  if (!file.Read(block))
    block.fill(0);
  return block;
}

bool CheckFileHeader(std::span<const std::uint8_t> header, const char* type,
                     HeaderMessages messages, const std::string& fileName) {
  const char* problem = !HasFormatMark(header)                      ? "Unknown format"
                        : type != nullptr && !HasType(header, type) ? "Improper file type"
                        : !HasVersion(header)                       ? "Unknown version"
                                                                    : nullptr;
  if (problem == nullptr)
    return true;
  if (messages == HeaderMessages::QuotingThePath) {
    ReportFileDiagnostic("Error: \"%s\" Has %s.", fileName.c_str(), problem);
  } else {
    // The plain readers say a wrong format mark "with file", the other problems as plain errors.
    ReportFileDiagnostic(!HasFormatMark(header) ? "Error with file: %s." : "Error: %s.", problem);
  }
  return false;
}

void WriteSectionHeader(SmartFile& file, const char* type) {
  const HeaderBlock block = MakeHeaderBlock(type);
  file.Write(block);
  file.Write(block);
}

int ReadItemRecord(SmartFile& file, Item& item) {
  item.MarkLoaded();
  const std::span<std::uint8_t> image = item.Data();
  const bool headRead = file.Read(image.first(kItemHeadSize));
  const bool bodyRead = file.Read(image.subspan(kItemHeadSize));
  return headRead && bodyRead ? 1 : 0;
}

int WriteItemRecord(SmartFile& file, const Item& item) {
  const std::span<const std::uint8_t> image = item.Data();
  const bool headWritten = file.Write(image.first(kItemHeadSize));
  const bool bodyWritten = file.Write(image.subspan(kItemHeadSize));
  return headWritten && bodyWritten ? 1 : 0;
}

int WriteDirectoryEntry(SmartFile& file, const Item& item) {
  const std::span<const std::uint8_t> image = item.Data();
  const bool headWritten = file.Write(image.first(kItemHeadSize));
  const bool firstBodyByteWritten = file.Write(image.subspan(kItemHeadSize, 1));
  return headWritten && firstBodyByteWritten ? 1 : 0;
}

int ReadItemRecords(SmartFile& file, Bank& bank, int count) {
  int cut = 0;
  Item* item = bank.First();
  for (int slot = 0; slot < count; ++slot, item = bank.Next()) {
    if (item == nullptr)
      item = bank.ItemAt(slot);
    // A record the file ends within is not read: half a program would be one nobody made, so
    // the slot keeps what it held. Nothing after it is read either: its bytes are not a record.
    const auto recordSize = static_cast<std::int64_t>(item->Data().size());
    if (file.Size() - file.Tell() < recordSize) {
      file.Seek(static_cast<long>(file.Size()));
      ++cut;
    } else if (ReadItemRecord(file, *item) == 0) {
      ++cut;
    }
  }
  return cut;
}

void WriteItemRecords(SmartFile& file, const Bank& bank) {
  bank.ForEachItem([&file](const Item& item) { WriteItemRecord(file, item); });
}

void WriteDirectoryEntries(SmartFile& file, const Bank& bank) {
  bank.ForEachItem([&file](const Item& item) { WriteDirectoryEntry(file, item); });
}

int ItemSection::Records() const {
  int records = 0;
  for (const Bank* bank : banks)
    records += bank->Count();
  return records;
}

int ReadItemSection(SmartFile& file, const ItemSection& section) {
  file.Skip(kDirectorySize);
  int cut = 0;
  for (Bank* bank : section.banks)
    cut += ReadItemRecords(file, *bank, bank->Count());
  file.Skip(static_cast<long>(section.padding));
  return cut;
}

void WriteItemSection(SmartFile& file, const ItemSection& section) {
  file.WriteZeros(section.zeroEntries * kDirectoryEntrySize);
  for (const Bank* bank : section.banks)
    WriteDirectoryEntries(file, *bank);
  const auto entries = section.zeroEntries + static_cast<std::size_t>(section.Records());
  file.WriteZeros(kDirectorySize - entries * kDirectoryEntrySize);
  for (const Bank* bank : section.banks)
    WriteItemRecords(file, *bank);
  file.WriteZeros(section.padding);
}

int RunSectionLoop(SmartFile& file, const std::string& fileName,
                   const std::function<SectionResult(const HeaderBlock&)>& handle) {
  while (file.Tell() < file.Size()) {
    // Fewer bytes than a header block: the file ends inside a section header.
    if (file.Size() - file.Tell() < static_cast<std::int64_t>(kBlockSize))
      return 0;
    const HeaderBlock header = ReadHeaderBlock(file);
    if (file.Error() != 0) {
      ReportFileDiagnostic("Error: Error While reading file - %s.\n", file.ErrorText().c_str());
      return 0;
    }
    if (handle(header) == SectionResult::Unknown) {
      ReportFileDiagnostic("Error: Encountered unknown section in file \"%s\"\n", fileName.c_str());
      return -1;
    }
    file.Skip(kBlockSize);
  }
  return 0;
}

int ReadSections(SmartFile& file, const std::string& fileName,
                 std::span<const ItemSection> itemSections,
                 std::span<const DataSection> dataSections, int& missingRecords) {
  std::vector<int> missing;
  for (const ItemSection& section : itemSections)
    missing.push_back(section.Records());
  const int result = RunSectionLoop(file, fileName, [&](const HeaderBlock& header) {
    for (std::size_t i = 0; i < itemSections.size(); ++i) {
      if (IsSectionTag(header, itemSections[i].type)) {
        missing[i] = ReadItemSection(file, itemSections[i]);
        return SectionResult::Handled;
      }
    }
    for (const DataSection& section : dataSections) {
      if (IsSectionTag(header, section.type)) {
        file.Read(section.bytes);
        if (section.read != nullptr)
          *section.read = true;
        return SectionResult::Handled;
      }
    }
    return SectionResult::Unknown;
  });
  missingRecords = 0;
  for (const int records : missing)
    missingRecords += records;
  return result;
}

void PrintBankLines(const Bank& bank, const char* lineFormat) {
  int slot = 0;
  bank.ForEachItem([&slot, lineFormat](const Item& item) {
    std::printf(lineFormat, slot + 1, Bank::SlotLabel(slot).c_str(), item.CategoryName().c_str(),
                item.PrintableName().c_str());
    ++slot;
  });
}

}  // namespace SectionFraming
