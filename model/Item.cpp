#include "model/Item.h"

#include <algorithm>
#include <array>

#include "files/SmartFile.h"
#include "midi/sysex/SysxMemoryCore.h"
#include "model/Bank.h"
#include "model/SharedDefaults.h"

namespace {

constexpr std::array<ItemKindInfo, kItemKindCount> kKinds{{
    {"Instrument", 742, "Default Instrument.s2i", &InstrumentBlockTable},
    {"Percussion", 3775, "Default Percussion.s2i", &PercussionBlockTable},
    {"Performance", 1075, "Default Performance.s2i", &PerformanceBlockTable},
}};

constexpr std::array<const char*, 23> kCategoryNames{"--", "Pf", "Cp", "Or", "Gt", "Ba", "St", "En",
                                                     "Br", "Rd", "Pi", "Ld", "Pd", "Fx", "Et", "Pc",
                                                     "Se", "Dr", "Sc", "Vo", "Co", "Wv", "Sq"};

bool IsPrintableAscii(char c) {
  return c >= 0x20 && c <= 0x7E;
}

}  // namespace

const ItemKindInfo& KindInfo(ItemKind kind) {
  return kKinds[static_cast<int>(kind)];
}

std::optional<ItemKind> ItemKindFromCode(int code) {
  if (code < 0 || code >= kItemKindCount)
    return std::nullopt;
  return static_cast<ItemKind>(code);
}

Item::Item(ItemKind kind, int slotIndex, Bank* owner)
    : kind_(kind),
      owner_(owner),
      slotIndex_(static_cast<std::int8_t>(slotIndex)),
      image_(KindInfo(kind).imageSize, 0) {
  Reset();
}

Item::Item(ItemKind kind, BlankTag)
    : kind_(kind), owner_(nullptr), slotIndex_(-1), image_(KindInfo(kind).imageSize, 0) {}

Item::~Item() = default;

std::unique_ptr<Item> Item::CreateBlank(ItemKind kind) {
  switch (kind) {
    case ItemKind::Instrument:
      return std::make_unique<Instrument>(BlankTag{});
    case ItemKind::Percussion:
      return std::make_unique<Percussion>(BlankTag{});
    case ItemKind::Performance:
      return std::make_unique<Performance>(BlankTag{});
  }
  return nullptr;
}

std::unique_ptr<Item> CreateItem(ItemKind kind) {
  switch (kind) {
    case ItemKind::Instrument:
      return std::make_unique<Instrument>();
    case ItemKind::Percussion:
      return std::make_unique<Percussion>();
    case ItemKind::Performance:
      return std::make_unique<Performance>();
  }
  return nullptr;
}

std::unique_ptr<Item> CreateItem(int kindCode) {
  const std::optional<ItemKind> kind = ItemKindFromCode(kindCode);
  return kind ? CreateItem(*kind) : nullptr;
}

int Item::BankSelectMsb() const {
  return owner_ ? owner_->BankSelectMsb() : -1;
}
int Item::BankSelectLsb() const {
  return owner_ ? owner_->BankSelectLsb() : -1;
}

std::string Item::Name() const {
  const auto nameEnd = image_.begin() + kItemNameLength;
  return std::string(image_.begin(), std::find(image_.begin(), nameEnd, 0));
}

std::string Item::PrintableName() const {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  std::string printable;
  for (const char c : Name()) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsPrintableAscii(c)) {
      printable += c;
    } else {
      printable += "\\x";
      printable += kHexDigits[byte >> 4];
      printable += kHexDigits[byte & 0x0F];
    }
  }
  return printable;
}

int Item::SetName(std::string_view name) {
  if (name.size() > static_cast<std::size_t>(kItemNameLength) ||
      !std::all_of(name.begin(), name.end(), IsPrintableAscii))
    return -1;
  const auto nameEnd = std::copy(name.begin(), name.end(), image_.begin());
  std::fill(nameEnd, image_.begin() + kItemNameLength, 0);
  return 0;
}

std::int8_t Item::CategoryCode() const {
  return static_cast<std::int8_t>(image_[kItemCategoryOffset]);
}

std::string Item::CategoryName() const {
  const int code = CategoryCode();
  if (code < 0 || code >= static_cast<int>(kCategoryNames.size()))
    return kCategoryNames[0];
  return kCategoryNames[code];
}

int Item::BlockCount() const {
  return static_cast<int>(BlockTable().size());
}
ParamBlockTable Item::BlockTable() const {
  return KindInfo(kind_).blockTable();
}
int Item::DataSize() const {
  return static_cast<int>(image_.size());
}

Item& Item::Assign(const Item* source) {
  if (source == nullptr || source == this || source->kind_ != kind_)
    return *this;
  image_ = source->image_;
  return *this;
}

void Item::Reset() {
  std::fill_n(image_.begin(), kItemHeadSize, 0);
  EnsureDefaultLoaded();
  Assign(SharedDefaults::DefaultItem(kind_));
}

void Item::EnsureDefaultLoaded() const {
  SharedDefaults::DefaultItem(kind_);
}

void Item::MarkLoaded() {
  if (owner_ != nullptr)
    owner_->SetHasContent(true);
}

int Item::ReadFrom(SmartFile& stream) {
  MarkLoaded();
  const std::span<std::uint8_t> image(image_);
  const bool headRead = stream.Read(image.first(kItemHeadSize));
  const bool bodyRead = stream.Read(image.subspan(kItemHeadSize));
  return headRead && bodyRead ? 1 : 0;
}

int Item::WriteTo(SmartFile& stream) const {
  const std::span<const std::uint8_t> image(image_);
  const bool headWritten = stream.Write(image.first(kItemHeadSize));
  const bool bodyWritten = stream.Write(image.subspan(kItemHeadSize));
  return headWritten && bodyWritten ? 1 : 0;
}

int Item::WriteDirectoryEntry(SmartFile& stream) const {
  const std::span<const std::uint8_t> image(image_);
  const bool headWritten = stream.Write(image.first(kItemHeadSize));
  const bool firstBodyByteWritten = stream.Write(image.subspan(kItemHeadSize, 1));
  return headWritten && firstBodyByteWritten ? 1 : 0;
}

int Item::LoadFromBulk(const SysxMemoryCore& received) {
  std::span<std::uint8_t> rest(image_);
  for (const ParamBlock& block : BlockTable()) {
    if (rest.size() < static_cast<std::size_t>(block.size))
      return -1;
    received.ReadBytes(SysxAddress(block.high, block.mid, block.low), rest.first(block.size));
    rest = rest.subspan(block.size);
  }
  MarkLoaded();
  return 0;
}

namespace {

bool BlockReceived(const SysxMemoryCore& received, const ParamBlock& block) {
  return received.Arrived(SysxAddress(block.high, block.mid, block.low),
                          static_cast<std::size_t>(block.size));
}

}  // namespace

bool Item::HasBulkDataIn(const SysxMemoryCore& received) const {
  const ParamBlockTable table = BlockTable();
  return std::any_of(table.begin(), table.end(),
                     [&](const ParamBlock& block) { return BlockReceived(received, block); });
}

int Item::MissingBulkBlockCount(const SysxMemoryCore& received) const {
  const ParamBlockTable table = BlockTable();
  return static_cast<int>(std::count_if(table.begin(), table.end(), [&](const ParamBlock& block) {
    return !BlockReceived(received, block);
  }));
}
