#include "midi/sysex/SYX_File.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "files/FileDiagnostics.h"
#include "files/SmartFile.h"
#include "midi/sysex/BulkMessageScanner.h"
#include "model/Item.h"

namespace {

// Reads the whole file into `buffer`: 0, or the error number that tells why not.
int ReadWholeFile(SmartFile& file, SmartBuffer& buffer) {
  if (file.Size() > SmartBuffer::kLargestLength)
    return EFBIG;
  const auto size = static_cast<std::int32_t>(file.Size());
  const std::span<std::uint8_t> bytes = buffer.Bytes(size);
  if (bytes.size() != static_cast<std::size_t>(size))
    return ENOMEM;
  if (bytes.empty() || file.Read(bytes))
    return 0;
  // Without an error code the file ended early: it shrank after it was opened.
  return file.Error() != 0 ? file.Error() : EIO;
}

}  // namespace

SYX_File::SYX_File() {
  Reset();
}

SYX_File::~SYX_File() = default;

void SYX_File::Reset() {
  BeginChange();
  buffer_.Clear();
  sevenBitBytes_ = 0;
  EndChange();
}

int SYX_File::Load(const std::optional<std::string>& path) {
  if (!TakePath(path))
    return -1;
  SmartFile file;
  if (!file.OpenOrReport(FileName()))
    return -1;
  SmartBuffer loaded;
  if (const int failure = ReadWholeFile(file, loaded); failure != 0) {
    ReportFileDiagnostic("Error reading file: %s\n", std::strerror(failure));
    return -1;
  }
  BeginChange();
  buffer_ = std::move(loaded);
  sevenBitBytes_ = 0;
  EndChange();
  return 0;
}

int SYX_File::Save(const std::optional<std::string>& path) {
  if (!TakePath(path))
    return -1;
  return SmartFile::SaveFile(*FileName(), [this](SmartFile& file) { file.Write(Bytes()); });
}

int SYX_File::AppendBytes(std::span<const std::uint8_t> bytes) {
  BeginChange();
  const bool written = buffer_.Write(bytes) == 0;
  return written ? EndChange() : -1;
}

int SYX_File::AppendMessage(std::uint8_t high, std::uint8_t mid, std::uint8_t low,
                            std::span<const std::uint8_t> data) {
  return AppendMessageAt(SysxAddress(high, mid, low), data);
}

int SYX_File::AppendMessageAt(SysxAddress address, std::span<const std::uint8_t> data) {
  if (data.size() > BulkDump::kLargestCount)
    return -1;
  const std::size_t size = BulkDump::MessageSize(data.size());
  BeginChange();
  const std::span<std::uint8_t> message = buffer_.WriteInPlace(static_cast<std::int32_t>(size));
  if (message.size() != size)
    return -1;
  sevenBitBytes_ += BulkDump::WriteMessage(address, data, message);
  return EndChange();
}

int SYX_File::BeginChange() {
  changed_ = true;
  return 1;
}

const SysxMemoryCore& SYX_File::Memory() {
  // The buffer is reachable through Buffer() for writing, so it is parsed on every call.
  if (changed_)
    ParseMessages();
  return memory_;
}

std::size_t SYX_File::ParseMessages() {
  memory_.Clear();
  const BulkScanCounts counts = ScanBulkMessages(Bytes(), [this](const BulkMessage& message) {
    memory_.WriteBytes(message.address, message.data);
  });
  return counts.dropped;
}

int SYX_File::StoreToMemory(const Item& item) {
  Reset();
  return AppendItemDump(item);
}

int SYX_File::AppendItemDump(const Item& item) {
  const std::optional<BulkDump::Location> location = BulkDump::MemoryLocation(item);
  if (!location)
    return -1;
  return AppendDump(item, *location);
}

int SYX_File::StoreToEditBuffer(const Item& item) {
  Reset();
  return AppendDump(item, BulkDump::EditBufferLocation(item.Kind()));
}

int SYX_File::AppendDump(const Item& item, BulkDump::Location location) {
  if (AppendMessageAt(BulkDump::HeaderAddress(location), {}) < 0)
    return -1;
  std::span<const std::uint8_t> rest = item.Data();
  for (const ParamBlock& block : item.BlockTable()) {
    const auto size = static_cast<std::size_t>(block.size);
    if (rest.size() < size)
      return -1;
    if (AppendMessage(block.high, block.mid, block.low, rest.first(size)) < 0)
      return -1;
    rest = rest.subspan(size);
  }
  return AppendMessageAt(BulkDump::FooterAddress(location), {}) < 0 ? -1 : 0;
}
