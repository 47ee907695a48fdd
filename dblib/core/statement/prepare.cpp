#include <sqlite3.h>

#include <cctype>
#include <cstring>

#include "dblib/core/connect/connection.h"
#include "dblib/core/statement/lexer.h"
#include "dblib/core/statement/procedure.h"
#include "dblib/core/statement/statement.h"
#include "dblib/core/support/text.h"
#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

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

// The end of a statement that names one thing after its leading words (DROP
// VARIABLE name, REVOKE CONNECT FROM name): the name becomes st's target.
// expected says what was expected, for the syntax error.
bool parse_name_to_end(Lexer& lexer, std::string_view text, StatementKind kind,
                       const char* expected, Statement& st, size_t& consumed, Status& status) {
  Token name = lexer.next();
  Token end = lexer.next();
  if (!is_name(name) || !at_statement_end(end)) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: %s expected", expected);
  }
  st.target = identifier_of(name);
  st.kind = kind;
  consumed = end_offset(end, text);
  return true;
}

// The value of SET OPTION or IDENTIFIED BY: a host variable becomes the
// statement's one input, a string gives its text, any other token its text
// as written.
void take_value(const Token& value, Statement& st) {
  if (value.kind == TokenKind::HostVariable) {
    st.inputs.emplace_back(host_variable_name(value));
  } else if (value.kind == TokenKind::String) {
    st.literal = string_value(value);
  } else {
    st.literal.assign(value.text);
  }
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
  take_value(value, st);
  st.kind = StatementKind::SetOption;
  consumed = end_offset(end, text);
  return true;
}

// GRANT CONNECT TO name IDENTIFIED BY password, the password a string, a
// host variable or a word. Nothing of the password goes into a message.
bool parse_grant_connect(Lexer& lexer, std::string_view text, Statement& st, size_t& consumed,
                         Status& status) {
  Token to = lexer.next();
  Token name = lexer.next();
  if (!word_is(to, "TO") || !is_name(name)) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: GRANT CONNECT TO user name expected");
  }
  st.target = identifier_of(name);
  if (!word_is(lexer.next(), "IDENTIFIED") || !word_is(lexer.next(), "BY")) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: IDENTIFIED BY password expected");
  }
  Token password = lexer.next();
  Token end = lexer.next();
  if (at_statement_end(password) || !at_statement_end(end)) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: one password expected after IDENTIFIED BY");
  }
  take_value(password, st);
  st.kind = StatementKind::GrantConnect;
  st.effect.writes = true;
  consumed = end_offset(end, text);
  return true;
}

// Which names parameterize turns into statement parameters besides host
// variables.
enum class VariableNames { ProcedureParameters, AlsoSqlVariables };

// True when name stands for a procedure parameter in locals or, when asked,
// for an SQL variable of the connection.
bool names_variable(Connection& connection, Variables* locals, VariableNames names,
                    const std::string& name) {
  return (locals != nullptr && locals->find(name) != nullptr) ||
         (names == VariableNames::AlsoSqlVariables && connection.variables().find(name) != nullptr);
}

// Appends the text that tokens cover (from offset from) to out, replacing
// each host variable and each name of a variable by a numbered parameter
// recorded in st. A name used as a function, a qualifier, a qualified part
// or an alias is left alone.
void parameterize(Connection& connection, Variables* locals, VariableNames names,
                  std::string_view text, size_t from, const std::vector<Token>& tokens,
                  Statement& st, std::string& out) {
  size_t copied = from;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    ExpressionParam param;
    if (token.kind == TokenKind::HostVariable) {
      param.host = static_cast<int>(st.inputs.size());
      st.inputs.emplace_back(host_variable_name(token));
    } else if (is_name(token) &&
               !(i + 1 < tokens.size() &&
                 (is_symbol(tokens[i + 1], "(") || is_symbol(tokens[i + 1], "."))) &&
               !(i > 0 && (is_symbol(tokens[i - 1], ".") || word_is(tokens[i - 1], "AS"))) &&
               names_variable(connection, locals, names, identifier_of(token))) {
      param.variable = identifier_of(token);
    } else {
      continue;
    }
    out.append(text.substr(copied, token.offset - copied));
    st.expression_params.push_back(param);
    out.push_back('?');
    out.append(std::to_string(st.expression_params.size()));
    copied = token.offset + token.text.size();
  }
  if (!tokens.empty()) {
    const Token& last = tokens.back();
    out.append(text.substr(copied, last.offset + last.text.size() - copied));
  }
}

// SET name = expression. "SET v = v || :x" appends in place; any other
// expression runs as SELECT with host variables and SQL variables bound.
bool parse_set_variable(Connection& connection, Variables* locals, Lexer& lexer, const Token& name,
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
      tokens[2].kind == TokenKind::HostVariable && same_name(identifier_of(tokens[0]), st.target)) {
    st.append = true;
    st.inputs.emplace_back(host_variable_name(tokens[2]));
    return true;
  }
  // General form: host variables and SQL variables become parameters.
  std::string select = "SELECT ";
  parameterize(connection, locals, VariableNames::AlsoSqlVariables, text, expression_start, tokens,
               st, select);
  int rc = sqlite3_prepare_v2(connection.handle(), select.c_str(), static_cast<int>(select.size()),
                              &st.stmt, nullptr);
  return rc == SQLITE_OK || status.fail_sqlite(connection.handle(), rc);
}

// Hands the statement to SQLite, numbering host variables unless the text
// may hold several statements; inside a procedure its parameters become
// statement parameters too. A query over one table learns how a cursor can
// change its rows.
bool prepare_sql(Connection& connection, const PrepareOptions& options, std::string_view text,
                 Statement& st, size_t& consumed, Status& status) {
  sqlite3* db = connection.handle();
  const char* tail = nullptr;
  int rc;
  Variables* locals = options.locals;
  if (options.more_may_follow) {
    rc = sqlite3_prepare_v2(db, text.data(), static_cast<int>(text.size()), &st.stmt, &tail);
    if (rc != SQLITE_OK) return status.fail_sqlite(db, rc);
    consumed = static_cast<size_t>(tail - text.data());
  } else {
    std::string& numbered = st.sql;
    if (locals != nullptr) {
      std::vector<Token> tokens;
      Lexer lexer(text);
      for (Token t = lexer.next(); !at_statement_end(t); t = lexer.next())
        tokens.push_back(t);
      parameterize(connection, locals, VariableNames::ProcedureParameters, text, 0, tokens, st,
                   numbered);
    } else {
      number_host_variables(text, numbered, st.inputs);
    }
    rc = sqlite3_prepare_v2(db, numbered.c_str(), static_cast<int>(numbered.size()), &st.stmt,
                            &tail);
    if (rc != SQLITE_OK) return status.fail_sqlite(db, rc);
    if (!only_blanks_remain(tail)) {
      return status.fail(DBE_SYNTAX_ERROR,
                         "Syntax error: only one statement can be prepared at a time");
    }
    // Cursors wrap the text in other statements: it must end with the query.
    numbered.resize(static_cast<size_t>(tail - numbered.c_str()));
    while (!numbered.empty() &&
           (std::isspace(static_cast<unsigned char>(numbered.back())) || numbered.back() == ';')) {
      numbered.pop_back();
    }
    consumed = text.size();
  }
  if (st.stmt != nullptr) st.effect.writes = sqlite3_stmt_readonly(st.stmt) == 0;
  if (!options.more_may_follow && returns_rows(st)) st.single_table = find_single_table(st.sql);
  return true;
}

// CREATE PROCEDURE name (...) BEGIN ... END: checked now, stored when run.
bool parse_create_procedure(std::string_view text, Statement& st, size_t& consumed,
                            Status& status) {
  Procedure procedure;
  if (!parse_procedure(text, procedure, consumed, status)) return false;
  st.kind = StatementKind::CreateProcedure;
  st.target = procedure.name;
  st.literal.assign(text.substr(0, consumed));
  st.effect.writes = true;
  return true;
}

// DROP PROCEDURE [owner.]name
bool parse_drop_procedure(Lexer& lexer, std::string_view text, Statement& st, size_t& consumed,
                          Status& status) {
  Token name = lexer.next();
  if (is_name(name) && is_symbol(lexer.peek(), ".")) {
    lexer.next();
    name = lexer.next();
  }
  Token end = lexer.next();
  if (!is_name(name) || !at_statement_end(end)) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: DROP PROCEDURE name expected");
  }
  st.kind = StatementKind::DropProcedure;
  st.target = identifier_of(name);
  st.effect.writes = true;
  consumed = end_offset(end, text);
  return true;
}

// CALL [owner.]name [(argument, ...)]. The arguments are evaluated together
// as one SELECT when the call runs; an argument that is a lone host variable
// is that parameter's host variable (for OUT and INOUT marks).
bool parse_call(Connection& connection, Lexer& lexer, std::string_view text, Statement& st,
                size_t& consumed, Status& status) {
  Token name = lexer.next();
  if (is_name(name) && is_symbol(lexer.peek(), ".")) {
    lexer.next();
    name = lexer.next();
  }
  if (!is_name(name)) return status.fail(DBE_SYNTAX_ERROR, "Syntax error: procedure name expected");
  st.kind = StatementKind::Call;
  st.procedure = load_procedure(connection, identifier_of(name), status);
  if (!st.procedure) return false;
  Token t = lexer.next();
  if (is_symbol(t, "(")) {
    size_t list_start = lexer.offset(), list_end = list_start;
    int depth = 0, hosts = 0, tokens_in_argument = 0, lone_host = -1;
    for (t = lexer.next();; t = lexer.next()) {
      if (t.kind == TokenKind::End || t.kind == TokenKind::Semicolon) {
        return status.fail(DBE_SYNTAX_ERROR, "Syntax error: ')' expected after the arguments");
      }
      if (depth == 0 && (is_symbol(t, ",") || is_symbol(t, ")"))) {
        bool empty_list = is_symbol(t, ")") && st.call_hosts.empty() && tokens_in_argument == 0;
        if (tokens_in_argument == 0 && !empty_list) {
          return status.fail(DBE_SYNTAX_ERROR, "Syntax error: argument expected in CALL");
        }
        if (!empty_list) st.call_hosts.push_back(tokens_in_argument == 1 ? lone_host : -1);
        tokens_in_argument = 0;
        lone_host = -1;
        if (is_symbol(t, ")")) {
          list_end = t.offset;
          break;
        }
        continue;
      }
      if (is_symbol(t, "(")) ++depth;
      if (is_symbol(t, ")")) --depth;
      lone_host = t.kind == TokenKind::HostVariable ? hosts++ : -1;
      ++tokens_in_argument;
    }
    if (!st.call_hosts.empty()) {
      std::string select = "SELECT ";
      std::string numbered;
      number_host_variables(text.substr(list_start, list_end - list_start), numbered, st.inputs);
      select.append(numbered);
      int rc = sqlite3_prepare_v2(connection.handle(), select.c_str(),
                                  static_cast<int>(select.size()), &st.stmt, nullptr);
      if (rc != SQLITE_OK) return status.fail_sqlite(connection.handle(), rc);
    }
    t = lexer.next();
  }
  if (!at_statement_end(t)) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: end of CALL statement expected");
  }
  consumed = end_offset(t, text);
  if (st.call_hosts.size() > st.procedure->params.size()) {
    return status.fail(
        DBE_WRONG_PARAMETER_COUNT, "Procedure '%s' takes %zu parameters but the call passes %zu",
        st.procedure->name.c_str(), st.procedure->params.size(), st.call_hosts.size());
  }
  return true;
}

}  // namespace

std::unique_ptr<Statement> prepare_statement(Connection& connection, std::string_view text,
                                             const PrepareOptions& options, size_t& consumed,
                                             Status& status) {
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
    ok = parse_name_to_end(lexer, text, StatementKind::DropVariable, "DROP VARIABLE name", *st,
                           consumed, status);
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
             ? parse_set_variable(connection, options.locals, lexer, name, text, *st, consumed,
                                  status)
             : status.fail(DBE_SYNTAX_ERROR, "Syntax error: variable name expected after SET");
  } else if (word_is(first, "CREATE") && word_is(second, "PROCEDURE")) {
    ok = parse_create_procedure(text.substr(first.offset), *st, consumed, status);
    consumed += first.offset;
  } else if (word_is(first, "DROP") && word_is(second, "PROCEDURE")) {
    lexer.next();
    ok = parse_drop_procedure(lexer, text, *st, consumed, status);
  } else if (word_is(first, "CALL")) {
    ok = parse_call(connection, lexer, text, *st, consumed, status);
  } else if (word_is(first, "GRANT") && word_is(second, "CONNECT")) {
    lexer.next();
    ok = parse_grant_connect(lexer, text, *st, consumed, status);
  } else if (word_is(first, "REVOKE") && word_is(second, "CONNECT")) {
    lexer.next();
    st->effect.writes = true;
    ok =
        word_is(lexer.next(), "FROM")
            ? parse_name_to_end(lexer, text, StatementKind::RevokeConnect,
                                "REVOKE CONNECT FROM user name", *st, consumed, status)
            : status.fail(DBE_SYNTAX_ERROR, "Syntax error: REVOKE CONNECT FROM user name expected");
  } else {
    st->effect.transaction_control = is_transaction_control(first);
    ok = prepare_sql(connection, options, text.substr(first.offset), *st, consumed, status);
    consumed += first.offset;
  }
  if (!ok) return nullptr;
  if (!options.more_may_follow && !only_blanks_remain(text.substr(consumed))) {
    status.fail(DBE_SYNTAX_ERROR, "Syntax error: only one statement can be prepared at a time");
    return nullptr;
  }
  return st;
}

}  // namespace dblib
