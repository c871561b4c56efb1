#include "library/ProgramQuery.h"

#include <sstream>

namespace ProgramQuery {
namespace {

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

struct SplitWords {
  std::string indexed;  // an FTS5 query: each word quoted, all of them required
  std::vector<std::string> scanned;
};

SplitWords Split(const std::string& text) {
  SplitWords split;
  for (const std::string& word : FilterWords(text)) {
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
  const SplitWords words = Split(filter.text);
  std::string sql = " FROM programs p";
  if (filter.collection)
    sql += " JOIN collection_entries e ON e.program_id = p.id AND e.collection_id = ?";
  sql += " WHERE 1";
  if (filter.kind)
    sql += " AND p.kind = ?";
  if (!words.indexed.empty())
    sql += " AND p.id IN (SELECT rowid FROM programs_fts WHERE programs_fts MATCH ?)";
  for (std::size_t i = 0; i < words.scanned.size(); ++i)
    sql += " AND p.search LIKE ? ESCAPE '\\'";
  return sql;
}

// Binds the parameters of FromAndWhere in their order; returns the next free index.
int BindFilter(SqliteStatement& statement, const ProgramFilter& filter) {
  const SplitWords words = Split(filter.text);
  int index = 1;
  if (filter.collection)
    statement.Bind(index++, *filter.collection);
  if (filter.kind)
    statement.Bind(index++, static_cast<std::int64_t>(*filter.kind));
  if (!words.indexed.empty())
    statement.Bind(index++, words.indexed);
  for (const std::string& word : words.scanned)
    statement.Bind(index++, ContainsPattern(word));
  return index;
}

std::string OrderBy(const ProgramFilter& filter) {
  const std::string direction = filter.descending ? " DESC" : "";
  const std::string byName = "p.name COLLATE NOCASE" + direction + ", p.id" + direction;
  switch (filter.sort) {
    case ProgramFilter::Sort::Name:
      return byName;
    case ProgramFilter::Sort::Category:
      return "p.category" + direction + ", " + byName;
    case ProgramFilter::Sort::Kind:
      return "p.kind" + direction + ", " + byName;
    case ProgramFilter::Sort::Added:
      return "p.added_at" + direction + ", p.id" + direction;
    case ProgramFilter::Sort::Position:
      break;
  }
  return (filter.collection ? "e.position" : "p.id") + direction;
}

}  // namespace

std::vector<std::string> FilterWords(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream stream(text);
  for (std::string word; stream >> word;)
    words.push_back(word);
  return words;
}

int Count(SqliteConnection& connection, const ProgramFilter& filter, std::int64_t& count) {
  SqliteStatement statement = connection.Prepare("SELECT count(*)" + FromAndWhere(filter));
  BindFilter(statement, filter);
  if (!statement.NextRow())
    return -1;
  count = statement.Int(0);
  return 0;
}

SqliteStatement Page(SqliteConnection& connection, const ProgramFilter& filter, std::int64_t offset,
                     int limit) {
  SqliteStatement statement = connection.Prepare(
      "SELECT p.id, p.kind, p.name, p.category, p.added_at" + FromAndWhere(filter) + " ORDER BY " +
      OrderBy(filter) + " LIMIT ? OFFSET ?");
  const int index = BindFilter(statement, filter);
  statement.Bind(index, std::int64_t{limit}).Bind(index + 1, offset);
  return statement;
}

}  // namespace ProgramQuery
