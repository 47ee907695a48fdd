// A prepared statement of one connection. Most statements are SQLite's; the
// library itself runs the SQL-variable statements (CREATE VARIABLE, SET,
// DROP VARIABLE), SET OPTION, the procedure statements (CREATE PROCEDURE,
// DROP PROCEDURE, CALL) and the user statements (GRANT CONNECT, REVOKE
// CONNECT). Host variables (? and :name) are numbered by
// occurrence: each one is a separate entry of the input SQLDA.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dblib/core/connect/connection.h"
#include "dblib/core/support/status.h"
#include "dblib/core/value/types.h"

namespace dblib {

class Connection;

enum class StatementKind {
  Sql,
  CreateVariable,
  SetVariable,
  DropVariable,
  SetOption,
  CreateProcedure,
  DropProcedure,
  Call,
  GrantConnect,
  RevokeConnect
};

struct Procedure;
class Variables;

// One parameter of a rewritten statement: a host variable (its input index)
// or an SQL variable or procedure parameter (its name).
struct ExpressionParam {
  int host = -1;
  std::string variable;
};

// The description of one result column, kept once computed.
struct ColumnDesc {
  ColumnType type;
  bool nullable = true;
  std::string name;
};

// A SELECT over one table, which a cursor can change row by row: the cursor
// runs cursor_sql, whose last column is the row's rowid (never described),
// and reads a changed row back through row_sql (parameter :dblib_rowid).
struct SingleTable {
  std::string table;  // as SQLite names it
  std::string cursor_sql;
  std::string row_sql;
};

// The single-table form of a query (host variables already numbered), or
// null when it reads several tables, groups, aggregates, removes duplicates
// or combines queries: rows of such a result are no rows of a table.
std::unique_ptr<SingleTable> find_single_table(std::string_view sql);

struct Statement {
  StatementKind kind = StatementKind::Sql;
  sqlite3_stmt* stmt = nullptr;     // Sql, and the expression of a general SET
  std::vector<std::string> inputs;  // name of each host-variable occurrence ("" for ?)
  StatementEffect effect;           // whether it writes or controls transactions
  // Library-run statements.
  std::string target;   // variable, option, procedure or user name
  ColumnType declared;  // CREATE VARIABLE
  bool append = false;  // SET v = v || :x, done in place
  std::vector<ExpressionParam> expression_params;
  std::string literal;  // SET OPTION and GRANT CONNECT: the value, when no host variable
  // Text SQLite prepared (host variables numbered), which a cursor prepares
  // again for itself; set for Sql statements.
  std::string sql;
  std::unique_ptr<SingleTable> single_table;  // null unless over one table
  // CREATE PROCEDURE (source in literal), DROP PROCEDURE (name in target), CALL.
  std::shared_ptr<const Procedure> procedure;
  std::vector<int> call_hosts;  // per argument: the host variable it is, or -1
  // Cached description of the result columns.
  bool described = false;
  bool fixed_shape = true;
  std::vector<ColumnDesc> columns;

  Statement() = default;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { sqlite3_finalize(stmt); }
};

// How prepare_statement reads its text.
struct PrepareOptions {
  // Statements may follow the first (consumed tells how much was used, and
  // host variables stay SQLite's own and read as NULL); otherwise only blanks
  // and a ";" may.
  bool more_may_follow = false;
  // Inside a procedure: its parameters. Their names (and those of SQL
  // variables) become statement parameters bound when the statement runs.
  Variables* locals = nullptr;
};

// Prepares the statement at the start of text.
std::unique_ptr<Statement> prepare_statement(Connection& connection, std::string_view text,
                                             const PrepareOptions& options, size_t& consumed,
                                             Status& status);

// True for a statement whose rows a cursor reads (a query, not a change).
inline bool returns_rows(const Statement& st) {
  return st.kind == StatementKind::Sql && st.stmt != nullptr && !st.effect.writes &&
         sqlite3_column_count(st.stmt) > 0;
}

}  // namespace dblib
