#include "model/Item.h"

#include <algorithm>
#include <array>

#include "midi/sysex/SysxMemoryCore.h"
#include "model/DefaultSource.h"
#include "model/ItemOwner.h"
#include "model/PrintableText.h"

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

// The shared default item of each kind, made on first use; read and changed under
// DefaultSource::Hold.
std::array<std::unique_ptr<Item>, kItemKindCount>& SharedDefaultItems() {
  static std::array<std::unique_ptr<Item>, kItemKindCount> items;
  return items;
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

Item::Item(ItemKind kind, int slotIndex, ItemOwner* owner)
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

const Item& Item::SharedDefault(ItemKind kind) {
  const auto hold = DefaultSource::Hold();
  std::unique_ptr<Item>& slot = SharedDefaultItems()[static_cast<int>(kind)];
  if (slot)
    return *slot;

  // Registered before the source fills it, so that the items made while it reads copy the
  // default in its current, all-zero state.
  slot = CreateBlank(kind);
  if (DefaultSource* source = DefaultSource::Current())
    source->FillItem(*slot);
  return *slot;
}

void Item::DropSharedDefaults() {
  const auto hold = DefaultSource::Hold();
  for (std::unique_ptr<Item>& item : SharedDefaultItems())
    item.reset();
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
  return PrintableText(Name());
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

std::span<const char* const> Item::CategoryNames() {
  return kCategoryNames;
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
  Assign(SharedDefault(kind_));
}

void Item::EnsureDefaultLoaded() const {
  SharedDefault(kind_);
}

void Item::MarkLoaded() {
  if (owner_ != nullptr)
    owner_->SetHasContent(true);
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
