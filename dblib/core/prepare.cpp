#include <sqlite3.h>

#include <strings.h>

#include <cstring>

#include "dblib/core/connection.h"
#include "dblib/core/lexer.h"
#include "dblib/core/statement.h"
#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

bool is_name(const Token& token) {
  return token.kind == TokenKind::Word || token.kind == TokenKind::QuotedName;
}

bool is_symbol(const Token& token, const char* symbol) {
  return token.kind == TokenKind::Symbol && token.text == symbol;
}

bool at_statement_end(const Token& token) {
  return token.kind == TokenKind::End || token.kind == TokenKind::Semicolon;
}

// Offset just past the statement that ends at token (after its ";").
size_t end_offset(const Token& token, std::string_view text) {
  return token.kind == TokenKind::End ? text.size() : token.offset + 1;
}

// Statements SQLite must see outside an implicit transaction.
bool is_transaction_control(const Token& first) {
  static const char* const kWords[] = {"BEGIN",   "COMMIT", "END",    "ROLLBACK", "SAVEPOINT",
                                       "RELEASE", "VACUUM", "ATTACH", "DETACH",   "PRAGMA"};
  for (const char* word : kWords) {
    if (word_is(first, word)) return true;
  }
  return false;
}

// CREATE VARIABLE name type
bool parse_create_variable(Lexer& lexer, std::string_view text, Statement& st, size_t& consumed,
                           Status& status) {
  Token name = lexer.next();
  if (!is_name(name)) return status.fail(DBE_SYNTAX_ERROR, "Syntax error: variable name expected");
  st.target = identifier_of(name);
  Token first = lexer.next();
  if (at_statement_end(first)) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: data type of variable '%s' expected",
                       st.target.c_str());
  }
  Token last = first;
  Token t = lexer.next();
  while (!at_statement_end(t)) {
    last = t;
    t = lexer.next();
  }
  std::string_view type_text =
      text.substr(first.offset, last.offset + last.text.size() - first.offset);
  st.declared = parse_declared_type(type_text);
  st.kind = StatementKind::CreateVariable;
  consumed = end_offset(t, text);
  return true;
}

// DROP VARIABLE name
bool parse_drop_variable(Lexer& lexer, std::string_view text, Statement& st, size_t& consumed,
                         Status& status) {
  Token name = lexer.next();
  Token end = lexer.next();
  if (!is_name(name) || !at_statement_end(end)) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: DROP VARIABLE name expected");
  }
  st.target = identifier_of(name);
  st.kind = StatementKind::DropVariable;
  consumed = end_offset(end, text);
  return true;
}

// SET [TEMPORARY] OPTION [user.]name = value, value a literal or host variable.
bool parse_set_option(Lexer& lexer, std::string_view text, Statement& st, size_t& consumed,
                      Status& status) {
  Token name = lexer.next();
  if (!is_name(name)) return status.fail(DBE_SYNTAX_ERROR, "Syntax error: option name expected");
  if (is_symbol(lexer.peek(), ".")) {
    lexer.next();
    name = lexer.next();
    if (!is_name(name)) return status.fail(DBE_SYNTAX_ERROR, "Syntax error: option name expected");
  }
  st.target = identifier_of(name);
  if (!is_symbol(lexer.next(), "=")) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: '=' expected after option name");
  }
  Token value = lexer.next();
  Token end = lexer.next();
  if (at_statement_end(value) || !at_statement_end(end)) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: one value expected for option '%s'",
                       st.target.c_str());
  }
  if (value.kind == TokenKind::HostVariable) {
    st.inputs.emplace_back(host_variable_name(value));
  } else if (value.kind == TokenKind::String) {
    std::string literal;
    for (size_t i = 1; i + 1 < value.text.size(); ++i) {
      literal.push_back(value.text[i]);
      if (value.text[i] == '\'') ++i;
    }
    st.literal = literal;
  } else {
    st.literal.assign(value.text);
  }
  st.kind = StatementKind::SetOption;
  consumed = end_offset(end, text);
  return true;
}

// SET name = expression. "SET v = v || :x" appends in place; any other
// expression runs as SELECT with host variables and SQL variables bound.
bool parse_set_variable(Connection& connection, Lexer& lexer, const Token& name,
                        std::string_view text, Statement& st, size_t& consumed, Status& status) {
  st.target = identifier_of(name);
  st.kind = StatementKind::SetVariable;
  if (!is_symbol(lexer.next(), "=")) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: '=' expected after variable '%s'",
                       st.target.c_str());
  }
  size_t expression_start = lexer.offset();
  std::vector<Token> tokens;
  Token t = lexer.next();
  while (!at_statement_end(t)) {
    tokens.push_back(t);
    t = lexer.next();
  }
  consumed = end_offset(t, text);
  if (tokens.empty()) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: value expected for variable '%s'",
                       st.target.c_str());
  }
  if (tokens.size() == 3 && is_name(tokens[0]) && is_symbol(tokens[1], "||") &&
      tokens[2].kind == TokenKind::HostVariable &&
      strcasecmp(identifier_of(tokens[0]).c_str(), st.target.c_str()) == 0) {
    st.append = true;
    st.inputs.emplace_back(host_variable_name(tokens[2]));
    return true;
  }
  // General form: number host variables and SQL variables as parameters.
  std::string select = "SELECT ";
  size_t copied = expression_start;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    ExpressionParam param;
    if (token.kind == TokenKind::HostVariable) {
      param.host = static_cast<int>(st.inputs.size());
      st.inputs.emplace_back(host_variable_name(token));
    } else if (is_name(token) && connection.variables().find(identifier_of(token)) != nullptr &&
               !(i + 1 < tokens.size() && is_symbol(tokens[i + 1], "(")) &&
               !(i > 0 && is_symbol(tokens[i - 1], "."))) {
      param.variable = identifier_of(token);
    } else {
      continue;
    }
    select.append(text.substr(copied, token.offset - copied));
    st.expression_params.push_back(param);
    select.push_back('?');
    select.append(std::to_string(st.expression_params.size()));
    copied = token.offset + token.text.size();
  }
  const Token& last = tokens.back();
  select.append(text.substr(copied, last.offset + last.text.size() - copied));
  int rc = sqlite3_prepare_v2(connection.handle(), select.c_str(), static_cast<int>(select.size()),
                              &st.stmt, nullptr);
  return rc == SQLITE_OK || status.fail_sqlite(connection.handle(), rc);
}

// Hands the statement to SQLite, numbering host variables unless the text
// may hold several statements.
bool prepare_sql(Connection& connection, std::string_view text, bool allow_tail, Statement& st,
                 size_t& consumed, Status& status) {
  sqlite3* db = connection.handle();
  const char* tail = nullptr;
  int rc;
  if (allow_tail) {
    rc = sqlite3_prepare_v2(db, text.data(), static_cast<int>(text.size()), &st.stmt, &tail);
    if (rc != SQLITE_OK) return status.fail_sqlite(db, rc);
    consumed = static_cast<size_t>(tail - text.data());
  } else {
    std::string numbered;
    number_host_variables(text, numbered, st.inputs);
    rc = sqlite3_prepare_v2(db, numbered.c_str(), static_cast<int>(numbered.size()), &st.stmt,
                            &tail);
    if (rc != SQLITE_OK) return status.fail_sqlite(db, rc);
    if (!only_blanks_remain(tail)) {
      return status.fail(DBE_SYNTAX_ERROR,
                         "Syntax error: only one statement can be prepared at a time");
    }
    consumed = text.size();
  }
  if (st.stmt != nullptr) st.writes = sqlite3_stmt_readonly(st.stmt) == 0;
  return true;
}

}  // namespace

std::unique_ptr<Statement> prepare_statement(Connection& connection, std::string_view text,
                                             bool allow_tail, size_t& consumed, Status& status) {
  auto st = std::make_unique<Statement>();
  consumed = text.size();
  Lexer lexer(text);
  Token first = lexer.next();
  if (first.kind == TokenKind::End) {
    status.fail(DBE_SYNTAX_ERROR, "Syntax error: the statement is empty");
    return nullptr;
  }
  bool ok;
  Token second = lexer.peek();
  if (word_is(first, "CREATE") && word_is(second, "VARIABLE")) {
    lexer.next();
    ok = parse_create_variable(lexer, text, *st, consumed, status);
  } else if (word_is(first, "DROP") && word_is(second, "VARIABLE")) {
    lexer.next();
    ok = parse_drop_variable(lexer, text, *st, consumed, status);
  } else if (word_is(first, "SET") && (word_is(second, "OPTION") || word_is(second, "TEMPORARY"))) {
    lexer.next();
    if (word_is(second, "TEMPORARY") && !word_is(lexer.next(), "OPTION")) {
      ok = status.fail(DBE_SYNTAX_ERROR, "Syntax error: OPTION expected after SET TEMPORARY");
    } else {
      ok = parse_set_option(lexer, text, *st, consumed, status);
    }
  } else if (word_is(first, "SET")) {
    Token name = lexer.next();
    ok = is_name(name)
             ? parse_set_variable(connection, lexer, name, text, *st, consumed, status)
             : status.fail(DBE_SYNTAX_ERROR, "Syntax error: variable name expected after SET");
  } else {
    st->transaction_control = is_transaction_control(first);
    ok = prepare_sql(connection, text.substr(first.offset), allow_tail, *st, consumed, status);
    consumed += first.offset;
  }
  if (!ok) return nullptr;
  if (!allow_tail && !only_blanks_remain(text.substr(consumed))) {
    status.fail(DBE_SYNTAX_ERROR, "Syntax error: only one statement can be prepared at a time");
    return nullptr;
  }
  return st;
}

}  // namespace dblib
