#include "app/list/ProgramDragData.h"

#include <QMimeData>

#include "library/LibraryRows.h"
#include "library/LibraryStore.h"
#include "model/Item.h"

const char* const ProgramDragData::kMimeType = "application/x-corvale-program";
const char* const ProgramDragData::kListMimeType = "application/x-corvale-programs";

namespace {

constexpr qsizetype kSizeBytes = 4;

std::unique_ptr<Item> ItemOf(std::uint8_t kindCode, const char* begin, const char* end) {
  const std::optional<ItemKind> kind = ItemKindFromCode(kindCode);
  if (!kind)
    return nullptr;
  ProgramImage program;
  program.kind = *kind;
  program.image.assign(begin, end);
  std::unique_ptr<Item> item = CreateItem(*kind);
  if (LibraryStore::FillItem(*item, program) != 0)
    return nullptr;
  return item;
}

std::vector<std::unique_ptr<Item>> DecodeList(const QByteArray& bytes) {
  std::vector<std::unique_ptr<Item>> items;
  qsizetype at = 0;
  while (at < bytes.size()) {
    if (bytes.size() - at < 1 + kSizeBytes)
      return {};
    const auto kindCode = static_cast<std::uint8_t>(bytes[at]);
    qsizetype size = 0;
    for (qsizetype i = 1; i <= kSizeBytes; ++i)
      size = size << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    at += 1 + kSizeBytes;
    if (size > bytes.size() - at)
      return {};
    std::unique_ptr<Item> item =
        ItemOf(kindCode, bytes.constData() + at, bytes.constData() + at + size);
    if (!item)
      return {};
    items.push_back(std::move(item));
    at += size;
  }
  return items;
}

void AppendRecord(QByteArray& bytes, ItemKind kind, std::span<const std::uint8_t> image) {
  bytes.append(static_cast<char>(kind));
  for (int shift = 8 * (kSizeBytes - 1); shift >= 0; shift -= 8)
    bytes.append(static_cast<char>(image.size() >> shift & 0xFF));
  bytes.append(reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(image.size()));
}

}  // namespace

QByteArray ProgramDragData::encode(const ProgramImage& program) {
  QByteArray bytes;
  AppendRecord(bytes, program.kind, program.image);
  return bytes;
}

QByteArray ProgramDragData::encodeList(std::span<const Item* const> items) {
  QByteArray bytes;
  for (const Item* item : items)
    AppendRecord(bytes, item->Kind(), item->Data());
  return bytes;
}

QByteArray ProgramDragData::encodeList(std::span<const ProgramImage> programs) {
  QByteArray bytes;
  for (const ProgramImage& program : programs)
    AppendRecord(bytes, program.kind, program.image);
  return bytes;
}

QMimeData* ProgramDragData::mimeDataOf(const Item& item) {
  auto* data = new QMimeData;
  QByteArray bytes;
  AppendRecord(bytes, item.Kind(), item.Data());
  data->setData(QLatin1String(kMimeType), bytes);
  return data;
}

bool ProgramDragData::carriesPrograms(const QMimeData* data) {
  return carriesProgram(data) || (data && data->hasFormat(QLatin1String(kListMimeType)));
}

bool ProgramDragData::carriesProgram(const QMimeData* data) {
  return data && data->hasFormat(QLatin1String(kMimeType));
}

std::unique_ptr<Item> ProgramDragData::decode(const QMimeData* data) {
  if (!carriesProgram(data))
    return nullptr;
  std::vector<std::unique_ptr<Item>> items = DecodeList(data->data(QLatin1String(kMimeType)));
  return items.size() == 1 ? std::move(items.front()) : nullptr;
}

std::vector<std::unique_ptr<Item>> ProgramDragData::decodeAll(const QMimeData* data) {
  if (data && data->hasFormat(QLatin1String(kListMimeType)))
    return DecodeList(data->data(QLatin1String(kListMimeType)));
  std::vector<std::unique_ptr<Item>> items;
  if (std::unique_ptr<Item> item = decode(data))
    items.push_back(std::move(item));
  return items;
}
