#include "app/list/ProgramDragData.h"

#include <QMimeData>

#include "library/LibraryRows.h"
#include "library/LibraryStore.h"
#include "model/Item.h"

const char* const ProgramDragData::kMimeType = "application/x-corvale-program";

QByteArray ProgramDragData::encode(const ProgramImage& program) {
  QByteArray bytes;
  bytes.append(static_cast<char>(program.kind));
  bytes.append(reinterpret_cast<const char*>(program.image.data()),
               static_cast<qsizetype>(program.image.size()));
  return bytes;
}

bool ProgramDragData::carriesProgram(const QMimeData* data) {
  return data && data->hasFormat(QLatin1String(kMimeType));
}

std::unique_ptr<Item> ProgramDragData::decode(const QMimeData* data) {
  if (!carriesProgram(data))
    return nullptr;
  const QByteArray bytes = data->data(QLatin1String(kMimeType));
  if (bytes.isEmpty())
    return nullptr;
  const std::optional<ItemKind> kind = ItemKindFromCode(static_cast<unsigned char>(bytes[0]));
  if (!kind)
    return nullptr;
  ProgramImage program;
  program.kind = *kind;
  program.image.assign(bytes.begin() + 1, bytes.end());
  std::unique_ptr<Item> item = CreateItem(*kind);
  if (LibraryStore::FillItem(*item, program) != 0)
    return nullptr;
  return item;
}
