#include "library/LibraryQuery.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>
#include <string_view>

#include "model/BankLayouts.h"

namespace LibraryQuery {
namespace {

constexpr const char* kProgramById =
    "SELECT p.id, p.kind, p.name, p.category, p.added_at FROM programs p WHERE p.id = ?1";
constexpr const char* kSameSound =
    "SELECT p.id, p.kind, p.name, p.category, p.added_at FROM programs p "
    "JOIN programs q ON q.id = ?1 AND p.sound_fingerprint = q.sound_fingerprint "
    "AND p.kind = q.kind WHERE p.id <> q.id ORDER BY p.id";
constexpr const char* kImageOfProgram =
    "SELECT p.kind, i.image FROM programs p JOIN program_images i ON i.program_id = p.id "
    "WHERE p.id = ?1";
constexpr const char* kPlacesOfProgram =
    "SELECT s.origin, ifnull(f.path, ''), s.bank, s.slot, s.seen_at FROM sources s "
    "LEFT JOIN files f ON f.id = s.file_id WHERE s.program_id = ?1 ORDER BY s.id";
// A collection with the number of its entries.
constexpr const char* kCollectionByNumberOrPath =
    "SELECT c.id, ifnull(c.parent_id, 0), c.kind, c.name, c.path, "
    "(SELECT count(*) FROM collection_entries e WHERE e.collection_id = c.id) "
    "FROM collections c WHERE c.path = ?1 OR CAST(c.id AS TEXT) = ?1";
constexpr const char* kCollectionsUnder =
    "SELECT c.id, ifnull(c.parent_id, 0), c.kind, c.name, c.path, "
    "(SELECT count(*) FROM collection_entries e WHERE e.collection_id = c.id) "
    "FROM collections c WHERE ifnull(c.parent_id, 0) = ?1 ORDER BY c.name";
constexpr const char* kEntriesOfCollection =
    "SELECT program_id, bank, slot, dropped FROM collection_entries WHERE collection_id = ?1 "
    "ORDER BY position";
// A program's first place as one text that sorts by file, bank and slot; `program` names the
// program's number in the query.
std::string PlaceKeyOf(std::string_view program) {
  return "ifnull((SELECT ifnull(pf.path, '') || char(9) || ps.bank || char(9) || "
         "printf('%04d', ps.slot) FROM sources ps LEFT JOIN files pf ON pf.id = ps.file_id "
         "WHERE ps.program_id = " +
         std::string(program) + " ORDER BY ps.id LIMIT 1), '')";
}

// A program's tags, sorted in any letter case, one a line; `program` names its number.
std::string TagsOf(std::string_view program) {
  return "ifnull((SELECT group_concat(t.tag, char(10)) FROM (SELECT tag FROM program_tags "
         "WHERE program_id = " +
         std::string(program) + " ORDER BY tag COLLATE NOCASE, tag) t), '')";
}

// What a list shows of each program the subquery k gives (its number and position): its row,
// its number of places, the first of them, the other programs of its sound, its mark and its
// tags, each an index lookup.
std::string ListedColumns() {
  return "SELECT k.id, p.kind, p.name, p.category, p.added_at, k.position, "
         "(SELECT count(*) FROM sources c WHERE c.program_id = k.id), "
         "s.origin, ifnull(f.path, ''), s.bank, s.slot, s.seen_at, "
         "(SELECT group_concat(q.id) FROM programs q WHERE q.sound_fingerprint = "
         "p.sound_fingerprint AND q.kind = p.kind AND q.id <> k.id), p.favourite, " +
         TagsOf("k.id") + ", " + PlaceKeyOf("k.id") + " FROM (";
}
constexpr const char* kListedJoins =
    ") k JOIN programs p ON p.id = k.id LEFT JOIN sources s ON s.id = "
    "(SELECT min(m.id) FROM sources m WHERE m.program_id = k.id) "
    "LEFT JOIN files f ON f.id = s.file_id";

ProgramRow ProgramRowOf(const SqliteStatement& statement) {
  ProgramRow row;
  row.id = statement.Int(0);
  row.kind = ItemKindFromCode(static_cast<int>(statement.Int(1))).value_or(ItemKind::Instrument);
  row.name = statement.Text(2);
  row.category = statement.Text(3);
  row.addedAt = statement.Text(4);
  return row;
}

ProgramImage ImageOf(const SqliteStatement& statement) {
  const std::span<const std::uint8_t> bytes = statement.Blob(1);
  ProgramImage image;
  image.image.assign(bytes.begin(), bytes.end());
  const std::int64_t code = statement.Int(0);
  const std::optional<ItemKind> kind =
      code >= 0 && code < kItemKindCount ? ItemKindFromCode(static_cast<int>(code)) : std::nullopt;
  if (!kind) {
    image.damage = "its kind " + std::to_string(code) + " is unknown";
    return image;
  }
  image.kind = *kind;
  const ItemKindInfo& info = KindInfo(*kind);
  if (bytes.size() != static_cast<std::size_t>(info.imageSize)) {
    image.damage = "its image holds " + std::to_string(bytes.size()) + " bytes, not the " +
                   std::to_string(info.imageSize) + " of its kind (" + info.name + ")";
  }
  return image;
}

// The place in the five columns from `first` on.
ProgramPlace PlaceAt(const SqliteStatement& statement, int first) {
  ProgramPlace place;
  place.origin =
      statement.Int(first) == 1 ? ProgramPlace::Origin::Received : ProgramPlace::Origin::File;
  place.path = statement.Text(first + 1);
  place.bank = statement.Text(first + 2);
  place.slot = static_cast<int>(statement.Int(first + 3));
  place.seenAt = statement.Text(first + 4);
  return place;
}

ProgramPlace PlaceOf(const SqliteStatement& statement) {
  return PlaceAt(statement, 0);
}

// "14,20" in increasing order.
std::vector<std::int64_t> NumbersOf(const std::string& list) {
  std::vector<std::int64_t> numbers;
  const char* at = list.data();
  const char* const end = at + list.size();
  while (at < end) {
    std::int64_t number = 0;
    at = std::from_chars(at, end, number).ptr + 1;
    numbers.push_back(number);
  }
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

std::string JoinedLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines)
    text += (text.empty() ? "" : "\n") + line;
  return text;
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);)
    lines.push_back(line);
  return lines;
}

ListedProgram ListedOf(const SqliteStatement& statement) {
  ListedProgram row;
  row.program = ProgramRowOf(statement);
  row.position = statement.Int(5);
  row.placeCount = statement.Int(6);
  if (!statement.IsNull(7))
    row.firstPlace = PlaceAt(statement, 7);
  row.sameSound = NumbersOf(statement.Text(12));
  row.favourite = statement.Int(13) != 0;
  row.tags = LinesOf(statement.Text(14));
  row.placeKey = statement.Text(15);
  return row;
}

CollectionRow CollectionRowOf(const SqliteStatement& statement) {
  CollectionRow row;
  row.id = statement.Int(0);
  row.parentId = statement.Int(1);
  row.kind = statement.Int(2) == 1 ? CollectionRow::Kind::BankFile : CollectionRow::Kind::Folder;
  row.name = statement.Text(3);
  row.path = statement.Text(4);
  row.entryCount = statement.Int(5);
  return row;
}

// Why a stored bank word and slot name no place; empty when they do (or name none, as an entry
// of a folder does).
std::string PlaceDamage(const std::string& bank, std::int64_t slot) {
  if (bank.empty())
    return slot == -1 ? "" : "it has slot " + std::to_string(slot) + " but no bank";
  const BankLayout* layout = FindBankLayoutByWord(bank);
  if (layout == nullptr)
    return "its bank '" + bank + "' is unknown";
  if (slot < 0 || slot >= layout->capacity) {
    return "its slot " + std::to_string(slot) + " is outside " + bank + " (0 to " +
           std::to_string(layout->capacity - 1) + ")";
  }
  return "";
}

CollectionEntry EntryOf(const SqliteStatement& statement) {
  CollectionEntry entry;
  entry.programId = statement.Int(0);
  entry.bank = statement.Text(1);
  const std::int64_t slot = statement.Int(2);
  entry.dropped = statement.Int(3) != 0;
  entry.damage = PlaceDamage(entry.bank, slot);
  entry.slot = entry.damage.empty() ? static_cast<int>(slot) : -1;
  return entry;
}

template <class Row>
int ReadAllRows(SqliteStatement& statement, Row (*rowOf)(const SqliteStatement&),
                std::vector<Row>& rows) {
  rows.clear();
  while (statement.NextRow())
    rows.push_back(rowOf(statement));
  const bool failed = statement.Failed();
  statement.Reset();
  return failed ? -1 : 0;
}

template <class Row>
int ReadOneRow(SqliteStatement& statement, Row (*rowOf)(const SqliteStatement&), Row& row) {
  const bool found = statement.NextRow();
  if (found)
    row = rowOf(statement);
  const bool failed = statement.Failed();
  statement.Reset();
  return failed ? -1 : found ? 1 : 0;
}

// "%word%" with LIKE's own characters taken literally (escaped by a backslash).
std::string ContainsPattern(const std::string& word) {
  std::string pattern = "%";
  for (const char c : word) {
    if (c == '%' || c == '_' || c == '\\')
      pattern += '\\';
    pattern += c;
  }
  return pattern + "%";
}

// The trigram index finds words of three characters or more; shorter ones are looked for in
// every row.
constexpr std::size_t kIndexedWordLength = 3;

// What a filter's text asks for: words to find, favourites only, tags.
struct SplitWords {
  std::string indexed;  // an FTS5 query: each word quoted, all of them required
  std::vector<std::string> scanned;
  bool favourites = false;
  std::vector<std::string> tags;
};

constexpr std::string_view kFavouriteWord = "fav:";
constexpr std::string_view kTagWord = "tag:";

bool StartsWithInAnyCase(const std::string& word, std::string_view start) {
  return word.size() >= start.size() &&
         std::equal(start.begin(), start.end(), word.begin(),
                    [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

SplitWords Split(const ProgramFilter& filter) {
  SplitWords split;
  split.favourites = filter.favouritesOnly;
  split.tags = filter.tags;
  for (const std::string& word : FilterWords(filter.text)) {
    if (StartsWithInAnyCase(word, kFavouriteWord) && word.size() == kFavouriteWord.size()) {
      split.favourites = true;
      continue;
    }
    if (StartsWithInAnyCase(word, kTagWord) && word.size() > kTagWord.size()) {
      split.tags.push_back(word.substr(kTagWord.size()));
      continue;
    }
    if (word.size() < kIndexedWordLength) {
      split.scanned.push_back(word);
      continue;
    }
    split.indexed += split.indexed.empty() ? "\"" : " \"";
    for (const char c : word)
      split.indexed += c == '"' ? std::string("\"\"") : std::string(1, c);
    split.indexed += '"';
  }
  return split;
}

std::string FromAndWhere(const ProgramFilter& filter) {
  const SplitWords words = Split(filter);
  std::string sql = " FROM programs p";
  if (filter.collection)
    sql += " JOIN collection_entries e ON e.program_id = p.id AND e.collection_id = ?";
  sql += " WHERE 1";
  if (filter.kind)
    sql += " AND p.kind = ?";
  if (filter.category)
    sql += " AND p.category = ?";
  if (words.favourites)
    sql += " AND p.favourite = 1";
  for (std::size_t i = 0; i < words.tags.size(); ++i)
    sql += " AND p.id IN (SELECT program_id FROM program_tags WHERE tag = ?)";
  if (!words.indexed.empty())
    sql += " AND p.id IN (SELECT rowid FROM programs_fts WHERE programs_fts MATCH ?)";
  for (std::size_t i = 0; i < words.scanned.size(); ++i)
    sql += " AND p.search LIKE ? ESCAPE '\\'";
  return sql;
}

// Binds the parameters of FromAndWhere in their order; returns the next free index.
int BindFilter(SqliteStatement& statement, const ProgramFilter& filter) {
  const SplitWords words = Split(filter);
  int index = 1;
  if (filter.collection)
    statement.Bind(index++, *filter.collection);
  if (filter.kind)
    statement.Bind(index++, static_cast<std::int64_t>(*filter.kind));
  if (filter.category)
    statement.Bind(index++, *filter.category);
  for (const std::string& tag : words.tags)
    statement.Bind(index++, tag);
  if (!words.indexed.empty())
    statement.Bind(index++, words.indexed);
  for (const std::string& word : words.scanned)
    statement.Bind(index++, ContainsPattern(word));
  return index;
}

// A column a list sorts by.
enum class SortColumn { Name, Category, Kind, Added, Id, Position, Favourite, Places, Place, Tags };

// The columns a filter's rows sort by, in order; the last of them tells every two rows apart.
std::vector<SortColumn> SortColumns(const ProgramFilter& filter) {
  using enum SortColumn;
  std::vector<SortColumn> columns;
  switch (filter.sort) {
    case ProgramFilter::Sort::Name:
      columns = {Name, Id};
      break;
    case ProgramFilter::Sort::Category:
      columns = {Category, Name, Id};
      break;
    case ProgramFilter::Sort::Kind:
      columns = {Kind, Name, Id};
      break;
    case ProgramFilter::Sort::Added:
      columns = {Added, Id};
      break;
    case ProgramFilter::Sort::Favourite:
      columns = {Favourite, Name, Id};
      break;
    case ProgramFilter::Sort::Places:
      columns = {Places, Name, Id};
      break;
    case ProgramFilter::Sort::Place:
      columns = {Place, Id};
      break;
    case ProgramFilter::Sort::Tags:
      columns = {Tags, Name, Id};
      break;
    case ProgramFilter::Sort::Position:
      return {filter.collection ? Position : Id};
  }
  // A collection may hold one program twice.
  if (filter.collection)
    columns.push_back(Position);
  return columns;
}

// The columns as terms, each followed by `suffix`: "p.name COLLATE NOCASE DESC, p.id DESC". A
// program's own columns are those of p, the position that of `positionTable`.
std::string Terms(const std::vector<SortColumn>& columns, const char* positionTable,
                  const char* suffix) {
  const std::string kTerms[] = {
      "p.name COLLATE NOCASE",
      "p.category",
      "p.kind",
      "p.added_at",
      "p.id",
      "position",
      "p.favourite",
      "(SELECT count(*) FROM sources n WHERE n.program_id = p.id)",
      PlaceKeyOf("p.id"),
      TagsOf("p.id"),
  };
  std::string terms;
  for (const SortColumn column : columns) {
    terms += terms.empty() ? "" : ", ";
    terms += column == SortColumn::Position ? positionTable : "";
    terms += kTerms[static_cast<int>(column)];
    terms += suffix;
  }
  return terms;
}

// Binds the values `row` has in `columns` from parameter `index` on.
void BindKey(SqliteStatement& statement, int index, const std::vector<SortColumn>& columns,
             const ListedProgram& row) {
  for (const SortColumn column : columns) {
    switch (column) {
      case SortColumn::Name:
        statement.Bind(index++, row.program.name);
        break;
      case SortColumn::Category:
        statement.Bind(index++, row.program.category);
        break;
      case SortColumn::Kind:
        statement.Bind(index++, static_cast<std::int64_t>(row.program.kind));
        break;
      case SortColumn::Added:
        statement.Bind(index++, row.program.addedAt);
        break;
      case SortColumn::Id:
        statement.Bind(index++, row.program.id);
        break;
      case SortColumn::Position:
        statement.Bind(index++, row.position);
        break;
      case SortColumn::Favourite:
        statement.Bind(index++, std::int64_t{row.favourite});
        break;
      case SortColumn::Places:
        statement.Bind(index++, row.placeCount);
        break;
      case SortColumn::Place:
        statement.Bind(index++, row.placeKey);
        break;
      case SortColumn::Tags:
        statement.Bind(index++, JoinedLines(row.tags));
        break;
    }
  }
}

// The filter's rows with what a list shows of them, in the filter's order (reversed for a page
// read backward). The subquery k gives the rows' numbers in order: for a page it keeps those of
// the page alone, so that what is shown is looked up for them only (and SQLite sorts no more
// than it needs to find them); without a page it merges into the query, which looks it up once
// for each row.
std::string ListedSql(const ProgramFilter& filter, const ProgramPage* page) {
  const std::vector<SortColumn> columns = SortColumns(filter);
  const bool reversed = filter.descending != (page != nullptr && page->backward);
  const char* const direction = reversed ? " DESC" : "";
  std::string sql = ListedColumns();
  sql += filter.collection ? "SELECT p.id, e.position" : "SELECT p.id, 0 AS position";
  sql += FromAndWhere(filter);
  if (page != nullptr && page->from != nullptr) {
    // The first column's own bound lets SQLite start in its index; the whole key then passes
    // over the rows of an equal first value before the page's.
    const std::string bound = reversed ? " <= " : " >= ";
    std::string values = "?";
    for (std::size_t i = 1; i < columns.size(); ++i)
      values += ", ?";
    sql += " AND " + Terms({columns.front()}, "e.", "") + bound + "? AND (" +
           Terms(columns, "e.", "") + ")" + bound + "(" + values + ")";
  }
  sql += " ORDER BY " + Terms(columns, "e.", direction);
  if (page != nullptr)
    sql += " LIMIT ? OFFSET ?";
  return sql + kListedJoins + " ORDER BY " + Terms(columns, "k.", direction);
}

}  // namespace

std::vector<std::string> FilterWords(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream stream(text);
  for (std::string word; stream >> word;)
    words.push_back(word);
  return words;
}

std::size_t FilterWordCount(const ProgramFilter& filter) {
  return FilterWords(filter.text).size() + filter.tags.size();
}

int Count(SqliteConnection& connection, const ProgramFilter& filter, std::int64_t& count) {
  SqliteStatement statement = connection.Prepare("SELECT count(*)" + FromAndWhere(filter));
  BindFilter(statement, filter);
  if (!statement.NextRow())
    return -1;
  count = statement.Int(0);
  return 0;
}

int ForEachListed(SqliteConnection& connection, const ProgramFilter& filter,
                  const std::function<void(const ListedProgram&)>& visit) {
  SqliteStatement statement = connection.Prepare(ListedSql(filter, nullptr));
  BindFilter(statement, filter);
  while (statement.NextRow())
    visit(ListedOf(statement));
  return statement.Failed() ? -1 : 0;
}

int Page(SqliteConnection& connection, const ProgramFilter& filter, const ProgramPage& page,
         std::vector<ListedProgram>& rows) {
  SqliteStatement statement = connection.Prepare(ListedSql(filter, &page));
  int index = BindFilter(statement, filter);
  if (page.from != nullptr) {
    const std::vector<SortColumn> columns = SortColumns(filter);
    BindKey(statement, index, {columns.front()}, *page.from);
    BindKey(statement, index + 1, columns, *page.from);
    index += 1 + static_cast<int>(columns.size());
  }
  statement.Bind(index, std::int64_t{page.limit}).Bind(index + 1, page.skip);
  if (ReadAllRows(statement, &ListedOf, rows) != 0)
    return -1;
  if (page.backward)
    std::reverse(rows.begin(), rows.end());
  return 0;
}

int Program(SqliteConnection& connection, std::int64_t programId, ProgramRow& row) {
  return ReadOneRow(connection.Cached(kProgramById).Bind(1, programId), &ProgramRowOf, row);
}

int Image(SqliteConnection& connection, std::int64_t programId, ProgramImage& image) {
  return ReadOneRow(connection.Cached(kImageOfProgram).Bind(1, programId), &ImageOf, image);
}

int Places(SqliteConnection& connection, std::int64_t programId,
           std::vector<ProgramPlace>& places) {
  return ReadAllRows(connection.Cached(kPlacesOfProgram).Bind(1, programId), &PlaceOf, places);
}

int SameSound(SqliteConnection& connection, std::int64_t programId, std::vector<ProgramRow>& rows) {
  return ReadAllRows(connection.Cached(kSameSound).Bind(1, programId), &ProgramRowOf, rows);
}

int Collection(SqliteConnection& connection, const std::string& numberOrPath, CollectionRow& row) {
  return ReadOneRow(connection.Cached(kCollectionByNumberOrPath).Bind(1, numberOrPath),
                    &CollectionRowOf, row);
}

int Collections(SqliteConnection& connection, std::int64_t parentId,
                std::vector<CollectionRow>& rows) {
  return ReadAllRows(connection.Cached(kCollectionsUnder).Bind(1, parentId), &CollectionRowOf,
                     rows);
}

int Entries(SqliteConnection& connection, std::int64_t collectionId,
            std::vector<CollectionEntry>& entries) {
  return ReadAllRows(connection.Cached(kEntriesOfCollection).Bind(1, collectionId), &EntryOf,
                     entries);
}

}  // namespace LibraryQuery
