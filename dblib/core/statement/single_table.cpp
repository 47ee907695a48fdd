#include <string>
#include <vector>

#include "dblib/core/statement/lexer.h"
#include "dblib/core/statement/statement.h"

namespace dblib {

namespace {

// True when token is one of the upper-case keywords.
bool is_any_word(const Token& token, std::initializer_list<const char*> words) {
  for (const char* word : words) {
    if (word_is(token, word)) return true;
  }
  return false;
}

// Words after which a query's rows no longer are rows of its table.
bool ends_single_table(const Token& token) {
  return is_any_word(token, {"UNION", "INTERSECT", "EXCEPT", "GROUP", "HAVING", "WINDOW", "VALUES",
                             "OVER", "DISTINCT"});
}

// Aggregate functions fold many rows of the table into one.
bool is_aggregate(const Token& token) {
  return is_any_word(token,
                     {"COUNT", "SUM", "AVG", "MIN", "MAX", "TOTAL", "GROUP_CONCAT", "STRING_AGG"});
}

// Words that may follow a table name where an alias could stand.
bool is_clause_word(const Token& token) {
  return is_any_word(token,
                     {"WHERE", "ORDER",  "LIMIT",  "INDEXED", "NOT",       "NATURAL", "LEFT",
                      "RIGHT", "FULL",   "INNER",  "CROSS",   "JOIN",      "ON",      "USING",
                      "GROUP", "HAVING", "WINDOW", "UNION",   "INTERSECT", "EXCEPT"});
}

}  // namespace

// Reads the top level of the query (parentheses hide subqueries) for what
// makes its rows no table rows, then the FROM clause for one table and its
// alias.
std::unique_ptr<SingleTable> find_single_table(std::string_view sql) {
  std::vector<Token> tokens;
  Lexer lexer(sql);
  for (Token t = lexer.next(); t.kind != TokenKind::End && t.kind != TokenKind::Semicolon;
       t = lexer.next()) {
    tokens.push_back(t);
  }
  if (tokens.empty() || !word_is(tokens[0], "SELECT")) return nullptr;
  size_t list_start = word_is(tokens.size() > 1 ? tokens[1] : Token{}, "ALL") ? 2 : 1;
  size_t from = 0;
  int depth = 0;
  for (size_t i = 1; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (is_symbol(t, "(")) ++depth;
    if (is_symbol(t, ")")) --depth;
    if (depth != 0) continue;
    if (ends_single_table(t)) return nullptr;
    if (from == 0 && i + 1 < tokens.size() && is_aggregate(t) && is_symbol(tokens[i + 1], "(")) {
      return nullptr;
    }
    if (from == 0 && word_is(t, "FROM")) from = i;
  }
  if (from == 0 || from + 1 >= tokens.size() || from <= list_start) return nullptr;
  // FROM [schema.]table [[AS] alias], then nothing or WHERE, ORDER BY, LIMIT.
  size_t at = from + 1;
  if (!is_name(tokens[at])) return nullptr;
  size_t table = at;
  if (at + 2 < tokens.size() && is_symbol(tokens[at + 1], ".") && is_name(tokens[at + 2])) {
    table = at + 2;
  }
  at = table + 1;
  const Token* alias = nullptr;
  if (at < tokens.size() && word_is(tokens[at], "AS")) {
    if (at + 1 >= tokens.size() || !is_name(tokens[at + 1])) return nullptr;
    alias = &tokens[at + 1];
    at += 2;
  } else if (at < tokens.size() && is_name(tokens[at]) && !is_clause_word(tokens[at])) {
    alias = &tokens[at];
    at += 1;
  }
  if (at < tokens.size() && !is_any_word(tokens[at], {"WHERE", "ORDER", "LIMIT"})) return nullptr;

  const Token& first = tokens[from + 1];
  const Token& last = alias != nullptr ? *alias : tokens[table];
  std::string_view table_ref =
      sql.substr(first.offset, last.offset + last.text.size() - first.offset);
  std::string_view ref =
      alias != nullptr ? alias->text
                       : sql.substr(first.offset, tokens[table].offset + tokens[table].text.size() -
                                                      first.offset);
  size_t list_offset = tokens[list_start].offset;
  size_t from_offset = tokens[from].offset;
  auto shape = std::make_unique<SingleTable>();
  shape->table = identifier_of(tokens[table]);
  shape->cursor_sql.reserve(sql.size() + ref.size() + 10);
  shape->cursor_sql.append(sql.substr(0, from_offset))
      .append(", ")
      .append(ref)
      .append(".rowid ")
      .append(sql.substr(from_offset));
  shape->row_sql.append("SELECT ")
      .append(sql.substr(list_offset, from_offset - list_offset))
      .append(" FROM ")
      .append(table_ref)
      .append(" WHERE ")
      .append(ref)
      .append(".rowid = :dblib_rowid");
  return shape;
}

}  // namespace dblib
