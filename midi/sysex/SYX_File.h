#pragma once

#include <cstdint>
#include <span>

#include "midi/sysex/BulkDump.h"
#include "midi/sysex/SmartBuffer.h"
#include "midi/sysex/SysxMemoryCore.h"
#include "model/File.h"

class Item;

// One System Exclusive dump held in memory: the message bytes to send or write to a .syx file,
// or received or read from one, and the memory image parsed from them: every data byte of the
// valid bulk dump messages, filed under its address.
//
// A .syx file is exactly the buffer's bytes, messages back to back.
class SYX_File : public File {
 public:
  SYX_File();
  ~SYX_File() override;

  void Reset() override;
  // Reads the whole file into the buffer (position 0). A file that cannot be opened or read
  // leaves the dump as it was: -1 after one line on standard error.
  int Load(const std::optional<std::string>& path = std::nullopt) override;
  // Writes the buffer through the safe save; -1 after one line on standard error.
  int Save(const std::optional<std::string>& path = std::nullopt) override;
  // A dump lists nothing of its own; the item dumps of a byte string are found by
  // FindItemDumps.
  void PrintListing() override {}

  // These return 1, or -1 when the buffer could not grow. A message's data bytes of 80 or more
  // go out as their low seven bits (see BulkDump::WriteMessage).
  int AppendBytes(std::span<const std::uint8_t> bytes);
  int AppendMessage(std::uint8_t high, std::uint8_t mid, std::uint8_t low,
                    std::span<const std::uint8_t> data);
  int AppendMessageAt(SysxAddress address, std::span<const std::uint8_t> data);

  int BeginChange();
  int EndChange() { return 1; }
  SmartBuffer& Buffer() { return buffer_; }
  const SmartBuffer& Buffer() const { return buffer_; }
  std::span<const std::uint8_t> Bytes() const { return buffer_.Contents(); }

  // The memory image of the buffer, parsed again when the buffer may have changed.
  const SysxMemoryCore& Memory();
  // Parses the buffer into the memory image; the number of messages dropped as invalid.
  std::size_t ParseMessages();

  // The dump of an item to its own memory location (after emptying the buffer); -1 for an
  // item outside any bank.
  int StoreToMemory(const Item& item);
  // Appends the memory-form dump of an item of a bank.
  int AppendItemDump(const Item& item);
  // The dump of an item to its kind's edit buffer, after emptying the buffer.
  int StoreToEditBuffer(const Item& item);
  // How many data bytes of the messages appended since the buffer was last emptied or loaded
  // went out as their low seven bits: for a stored item, how many of its bytes were 80 or more.
  std::size_t SevenBitBytes() const { return sevenBitBytes_; }

 private:
  int AppendDump(const Item& item, BulkDump::Location location);

  SmartBuffer buffer_;
  SysxMemoryCore memory_;
  bool changed_ = true;
  std::size_t sevenBitBytes_ = 0;
};
