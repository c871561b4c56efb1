#include "app/library/ProgramTableModel.h"

#include <QMimeData>
#include <algorithm>
#include <iterator>
#include <optional>
#include <set>

#include "app/list/ProgramDragData.h"
#include "library/LibraryStore.h"
#include "model/BankLayouts.h"

namespace {

using Sort = ProgramFilter::Sort;

// Each column's header and the order it sorts in.
const struct {
  const char* header;
  Sort sort;
} kColumns[] = {
    {"\u2605", Sort::Favourite},
    {QT_TRANSLATE_NOOP("ProgramTableModel", "Name"), Sort::Name},
    {QT_TRANSLATE_NOOP("ProgramTableModel", "Category"), Sort::Category},
    {QT_TRANSLATE_NOOP("ProgramTableModel", "Kind"), Sort::Kind},
    {QT_TRANSLATE_NOOP("ProgramTableModel", "Place"), Sort::Place},
    {QT_TRANSLATE_NOOP("ProgramTableModel", "Sources"), Sort::Places},
    {QT_TRANSLATE_NOOP("ProgramTableModel", "Tags"), Sort::Tags},
    {QT_TRANSLATE_NOOP("ProgramTableModel", "Added"), Sort::Added},
};
static_assert(std::size(kColumns) == ProgramTableModel::ColumnCount);

// "set 6.s2a INT:017(B01)", "received 2026-12-09 INT:017(B01)", or the file's name alone; with
// `wholePath` the file's path.
QString PlaceText(const ProgramPlace& place, bool wholePath = false) {
  const QString path = QString::fromStdString(place.path);
  QString text =
      place.origin == ProgramPlace::Origin::Received
          ? ProgramTableModel::tr("received %1").arg(QString::fromStdString(place.seenAt).left(10))
      : wholePath ? path
                  : path.section(u'/', -1);
  const BankLayout* layout = FindBankLayoutByWord(place.bank);
  if (layout != nullptr && place.slot >= 0 && place.slot < layout->capacity)
    text += u' ' + QString::fromStdString(SlotPlace(*layout, place.slot));
  return text;
}

}  // namespace

QString ProgramTableModel::placesText(LibraryStore& store, std::int64_t program) {
  std::vector<ProgramPlace> places;
  if (store.Places(program, places) != 0)
    return {};
  QStringList lines;
  for (const ProgramPlace& place : places)
    lines << PlaceText(place, true);
  return lines.join(u'\n');
}

ProgramTableModel::ProgramTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void ProgramTableModel::setStore(LibraryStore* store) {
  store_ = store;
  reload();
}

void ProgramTableModel::setFilter(const ProgramFilter& filter) {
  filter_ = filter;
  reload();
}

void ProgramTableModel::reload() {
  beginResetModel();
  pages_.clear();
  pageOrder_.clear();
  pageEnds_.clear();
  std::int64_t count = 0;
  failure_.clear();
  if (store_ && store_->CountPrograms(filter_, count) != 0) {
    count = 0;
    failure_ = QString::fromStdString(store_->LastError());
  }
  count_ = static_cast<int>(count);
  endResetModel();
}

ProgramPage ProgramTableModel::nearestStart(std::int64_t first, std::int64_t end) const {
  const int limit = static_cast<int>(end - first);
  ProgramPage nearest{nullptr, false, first, limit};
  const auto consider = [&nearest, limit](const ListedProgram* from, bool backward,
                                          std::int64_t skip) {
    if (skip < nearest.skip)
      nearest = {from, backward, skip, limit};
  };
  consider(nullptr, true, count_ - end);
  const auto after = pageEnds_.upper_bound(first);
  if (after != pageEnds_.begin())
    consider(&std::prev(after)->second, false, first - std::prev(after)->first);
  const auto last = pageEnds_.lower_bound(end - 1);
  if (last != pageEnds_.end())
    consider(&last->second, true, last->first - (end - 1));
  return nearest;
}

void ProgramTableModel::keepPage(std::int64_t page, std::vector<ListedProgram> rows) const {
  const std::int64_t first = page * kPageSize;
  pageEnds_.insert_or_assign(first, rows.front());
  pageEnds_.insert_or_assign(first + static_cast<std::int64_t>(rows.size()) - 1, rows.back());
  if (pageOrder_.size() >= kPagesKept) {
    pages_.erase(pageOrder_.front());
    pageOrder_.erase(pageOrder_.begin());
  }
  pageOrder_.push_back(page);
  pages_.emplace(page, std::move(rows));
}

const ListedProgram* ProgramTableModel::rowAt(int row) const {
  if (!store_ || row < 0 || row >= count_)
    return nullptr;
  const std::int64_t page = row / kPageSize;
  auto found = pages_.find(page);
  if (found == pages_.end()) {
    const std::int64_t first = page * kPageSize;
    const std::int64_t end = std::min<std::int64_t>(first + kPageSize, count_);
    std::vector<ListedProgram> rows;
    if (store_->FetchPrograms(filter_, nearestStart(first, end), rows) != 0 || rows.empty())
      return nullptr;
    keepPage(page, std::move(rows));
    found = pages_.find(page);
  }
  const std::size_t offset = static_cast<std::size_t>(row % kPageSize);
  return offset < found->second.size() ? &found->second[offset] : nullptr;
}

std::int64_t ProgramTableModel::programId(int row) const {
  const ListedProgram* listed = rowAt(row);
  return listed ? listed->program.id : 0;
}

int ProgramTableModel::rowNear(int row, std::int64_t program) const {
  for (int distance = 0; distance <= kPageSize; ++distance) {
    for (const int candidate : {row - distance, row + distance}) {
      if (candidate >= 0 && candidate < count_ && programId(candidate) == program)
        return candidate;
    }
  }
  return -1;
}

int ProgramTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count_;
}

int ProgramTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProgramTableModel::data(const QModelIndex& index, int role) const {
  if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid())
    return {};
  const ListedProgram* listed = rowAt(index.row());
  if (!listed)
    return {};
  const ProgramRow& program = listed->program;
  if (role == Qt::ToolTipRole) {
    if (index.column() == PlaceColumn && store_)
      return placesText(*store_, program.id);
    if (index.column() == FavouriteColumn)
      return tr("Favourite: a click or Ctrl+D marks and unmarks it");
    return {};
  }
  switch (index.column()) {
    case FavouriteColumn:
      return listed->favourite ? QStringLiteral("\u2605") : QString();
    case NameColumn:
      return QString::fromStdString(program.name);
    case CategoryColumn:
      return QString::fromStdString(program.category);
    case KindColumn:
      return QString::fromLatin1(KindInfo(program.kind).name);
    case PlaceColumn:
      return listed->firstPlace ? PlaceText(*listed->firstPlace) : QString();
    case SourcesColumn:
      return static_cast<int>(listed->placeCount);
    case TagsColumn: {
      QStringList tags;
      for (const std::string& tag : listed->tags)
        tags << QString::fromStdString(tag);
      return tags.join(QStringLiteral(", "));
    }
    case AddedColumn:
      // "2026-12-09T06:50:00Z" shown as "2026-12-09 06:50".
      return QString::fromStdString(program.addedAt).left(16).replace(u'T', u' ');
    default:
      return {};
  }
}

QVariant ProgramTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
      section >= ColumnCount)
    return QAbstractTableModel::headerData(section, orientation, role);
  return tr(kColumns[section].header);
}

Qt::ItemFlags ProgramTableModel::flags(const QModelIndex& index) const {
  const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  return index.isValid() ? flags | Qt::ItemIsDragEnabled : flags;
}

void ProgramTableModel::sort(int column, Qt::SortOrder order) {
  ProgramFilter sorted = filter_;
  if (column >= 0 && column < ColumnCount) {
    sorted.sort = kColumns[column].sort;
    sorted.descending = order == Qt::DescendingOrder;
  } else {
    // No column: a collection's own order, else by name.
    sorted.sort = sorted.collection ? ProgramFilter::Sort::Position : ProgramFilter::Sort::Name;
    sorted.descending = false;
  }
  setFilter(sorted);
}

QStringList ProgramTableModel::mimeTypes() const {
  return {QString::fromLatin1(ProgramDragData::kMimeType),
          QString::fromLatin1(ProgramDragData::kListMimeType)};
}

QMimeData* ProgramTableModel::mimeData(const QModelIndexList& indexes) const {
  if (indexes.isEmpty() || !store_)
    return nullptr;
  // The row pressed on goes to a bank window's line; every row chosen, in the table's order,
  // to a collection.
  std::set<int> rows;
  for (const QModelIndex& index : indexes)
    rows.insert(index.row());
  std::vector<ProgramImage> images;
  ProgramImage pressed;
  if (store_->ReadImage(programId(indexes.front().row()), pressed) != 0)
    return nullptr;
  for (const int row : rows) {
    if (store_->ReadImage(programId(row), images.emplace_back()) != 0)
      return nullptr;
  }
  auto data = std::make_unique<QMimeData>();
  data->setData(QLatin1String(ProgramDragData::kMimeType), ProgramDragData::encode(pressed));
  if (images.size() > 1)
    data->setData(QLatin1String(ProgramDragData::kListMimeType),
                  ProgramDragData::encodeList(images));
  return data.release();
}
