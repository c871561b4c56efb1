#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <map>
#include <vector>

#include "library/LibraryRows.h"

class LibraryStore;

// The programs a filter gives, as the library's table shows them: the count comes from the
// store, and the rows a view asks for are read a page at a time and kept in a few pages. Each
// page is read from the nearest row already read, or from either end of the list: scrolling
// costs a page whatever the depth, and a jump the rows it skips.
class ProgramTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column {
    FavouriteColumn,
    NameColumn,
    CategoryColumn,
    KindColumn,
    PlaceColumn,
    SourcesColumn,
    TagsColumn,
    AddedColumn,
    ColumnCount
  };
  static constexpr int kPageSize = 100;
  static constexpr std::size_t kPagesKept = 8;

  explicit ProgramTableModel(QObject* parent = nullptr);

  // The store read from (none: an empty table) and the filter, each starting the rows afresh.
  void setStore(LibraryStore* store);
  void setFilter(const ProgramFilter& filter);
  const ProgramFilter& filter() const { return filter_; }
  // Why the library gave no rows for the filter (a search too long), empty when it gave them.
  const QString& failure() const { return failure_; }
  // Reads the count again, after the library changed.
  void reload();
  // The program of a row; 0 when there is none.
  std::int64_t programId(int row) const;
  // Every place the program was seen in, one a line, the files' whole paths.
  static QString placesText(LibraryStore& store, std::int64_t program);
  // What the list shows of a row; none when there is no such row.
  const ListedProgram* listed(int row) const { return rowAt(row); }
  // The row of `program` at `row` or the nearest one within a page of it; -1 when none is.
  int rowNear(int row, std::int64_t program) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Every column sorts, in the store.
  void sort(int column, Qt::SortOrder order) override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;

 private:
  const ListedProgram* rowAt(int row) const;
  // Where the rows [first, end) are read from most cheaply.
  ProgramPage nearestStart(std::int64_t first, std::int64_t end) const;
  void keepPage(std::int64_t page, std::vector<ListedProgram> rows) const;

  LibraryStore* store_ = nullptr;
  ProgramFilter filter_;
  int count_ = 0;
  QString failure_;
  // Pages read, by number, and the order they were read in, to let the oldest go.
  mutable std::map<std::int64_t, std::vector<ListedProgram>> pages_;
  mutable std::vector<std::int64_t> pageOrder_;
  // The first and last row of every page read since the count, by row number: where pages are
  // read from.
  mutable std::map<std::int64_t, ListedProgram> pageEnds_;
};
