#include "files/SectionFraming.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "files/FileDiagnostics.h"
#include "files/SmartFile.h"
#include "model/Bank.h"

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

void WriteSectionHeader(SmartFile& file, const char* type) {
  const HeaderBlock block = MakeHeaderBlock(type);
  file.Write(block);
  file.Write(block);
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
    } else if (item->ReadFrom(file) == 0) {
      ++cut;
    }
  }
  return cut;
}

int ReadBanks(SmartFile& file, std::initializer_list<BankRecords> banks) {
  int cut = 0;
  for (const BankRecords& records : banks)
    cut += ReadItemRecords(file, *records.bank, records.count);
  return cut;
}

void WriteItemRecords(SmartFile& file, const Bank& bank) {
  bank.ForEachItem([&file](const Item& item) { item.WriteTo(file); });
}

void WriteDirectoryEntries(SmartFile& file, const Bank& bank) {
  bank.ForEachItem([&file](const Item& item) { item.WriteDirectoryEntry(file); });
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

void PrintBankLines(const Bank& bank, const char* lineFormat) {
  int slot = 0;
  bank.ForEachItem([&slot, lineFormat](const Item& item) {
    std::printf(lineFormat, slot + 1, Bank::SlotLabel(slot).c_str(), item.CategoryName().c_str(),
                item.PrintableName().c_str());
    ++slot;
  });
}

}  // namespace SectionFraming
