// A prepared statement of one connection. Most statements are SQLite's; the
// library itself runs the SQL-variable statements (CREATE VARIABLE, SET,
// DROP VARIABLE) and SET OPTION. Host variables (? and :name) are numbered by
// occurrence: each one is a separate entry of the input SQLDA.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dblib/core/status.h"
#include "dblib/core/types.h"

namespace dblib {

class Connection;

enum class StatementKind { Sql, CreateVariable, SetVariable, DropVariable, SetOption };

// One parameter of a SET expression: a host variable (its input index) or an
// SQL variable (its name).
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

struct Statement {
  StatementKind kind = StatementKind::Sql;
  sqlite3_stmt* stmt = nullptr;      // Sql, and the expression of a general SET
  std::vector<std::string> inputs;   // name of each host-variable occurrence ("" for ?)
  bool writes = false;               // changes the database
  bool transaction_control = false;  // BEGIN, COMMIT, PRAGMA, ...: never wrapped
  // Library-run statements.
  std::string target;   // variable or option name
  ColumnType declared;  // CREATE VARIABLE
  bool append = false;  // SET v = v || :x, done in place
  std::vector<ExpressionParam> expression_params;
  std::string literal;  // SET OPTION with a literal value
  // Cached description of the result columns.
  bool described = false;
  bool fixed_shape = true;
  std::vector<ColumnDesc> columns;

  Statement() = default;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { sqlite3_finalize(stmt); }
};

// Prepares the statement at the start of text. With allow_tail, statements
// may follow (consumed tells how much was used; host variables stay SQLite's
// own and read as NULL); without it only blanks may follow.
std::unique_ptr<Statement> prepare_statement(Connection& connection, std::string_view text,
                                             bool allow_tail, size_t& consumed, Status& status);

}  // namespace dblib
