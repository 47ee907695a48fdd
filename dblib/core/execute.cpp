#include "dblib/core/execute.h"

#include <sqlite3.h>
#include <strings.h>

#include <algorithm>
#include <cstring>

#include "dblib/core/connection.h"
#include "dblib/core/convert.h"
#include "dblib/core/lexer.h"
#include "dblib/core/statement.h"
#include "dblib/core/types.h"
#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

// The input descriptor must hold one entry per host variable.
bool check_input(const Statement& st, const sqlda* input, Status& status) {
  size_t needed = st.inputs.size();
  if (needed == 0) return true;
  if (input == nullptr) {
    return status.fail(DBE_SQLDA_TOO_SMALL,
                       "The statement has %zu host variables but no input SQLDA was given", needed);
  }
  if (input->sqld < 0 || input->sqld > input->sqln) {
    return status.fail(DBE_BAD_ARGUMENT, "Input SQLDA uses %d of its %d entries", input->sqld,
                       input->sqln);
  }
  if (static_cast<size_t>(input->sqld) < needed) {
    return status.fail(DBE_SQLDA_TOO_SMALL,
                       "The statement has %zu host variables but the input SQLDA holds %d", needed,
                       input->sqld);
  }
  return true;
}

// Binds every host variable of a SQLite statement. Values that live in the
// caller's buffers are bound without copying: they stay put for this call.
bool bind_inputs(Connection& connection, sqlite3_stmt* stmt, const sqlda* input, size_t count,
                 Status& status) {
  InputValue value;
  for (size_t i = 0; i < count; ++i) {
    if (!read_input(input->sqlvar[i], static_cast<int>(i), &connection.variables(), value,
                    status)) {
      return false;
    }
    bool copy = value.value.bytes == value.scratch;
    int rc = bind_value(stmt, static_cast<int>(i) + 1, value.value, copy);
    if (rc != SQLITE_OK) return status.fail_sqlite(connection.handle(), rc);
  }
  return true;
}

// Writes the current row of stmt into output.
bool write_row(sqlite3_stmt* stmt, sqlda* output, Status& status) {
  int columns = sqlite3_column_count(stmt);
  if (output->sqld < 0 || output->sqld > output->sqln) {
    return status.fail(DBE_BAD_ARGUMENT, "Output SQLDA uses %d of its %d entries", output->sqld,
                       output->sqln);
  }
  if (output->sqld < columns) {
    return status.fail(DBE_SQLDA_TOO_SMALL,
                       "The statement returns %d columns but the output SQLDA holds %d", columns,
                       output->sqld);
  }
  for (int i = 0; i < columns; ++i) {
    if (!write_output(column_view(stmt, i), output->sqlvar[i], i, status)) return false;
  }
  return true;
}

bool run_sql(Connection& connection, Statement& st, const sqlda* input, sqlda* output,
             int32_t& count, Status& status) {
  sqlite3* db = connection.handle();
  sqlite3_stmt* stmt = st.stmt;
  if (stmt == nullptr) return true;  // only comments
  size_t inputs = st.inputs.size();
  bool ok = bind_inputs(connection, stmt, input, inputs, status);
  if (ok) {
    sqlite3_int64 changes_before = sqlite3_total_changes64(db);
    bool returns_rows = sqlite3_column_count(stmt) > 0;
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
      if (output != nullptr) ok = write_row(stmt, output, status);
      if (!st.writes) {
        // A single-row execute: a second row is an error, not a silent pick.
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
          ok = status.fail(DBE_TOO_MANY_ROWS, "The statement returns more than one row");
        }
        count = 1;
      } else {
        while (rc == SQLITE_ROW)
          rc = sqlite3_step(stmt);
      }
    }
    if (ok && rc != SQLITE_DONE && rc != SQLITE_ROW) ok = status.fail_sqlite(db, rc);
    if (ok && st.writes) {
      count = sqlite3_total_changes64(db) != changes_before ? sqlite3_changes(db) : 0;
    } else if (ok && returns_rows && !st.writes && count == 0 && output != nullptr) {
      status.warn(DBE_NOT_FOUND, "Row not found");
    }
  }
  sqlite3_reset(stmt);
  // Bindings point into the caller's buffers, which may go away after this call.
  if (inputs > 0) sqlite3_clear_bindings(stmt);
  return ok;
}

// SET v = v || :x: appends in place, so a value sent in chunks costs linear time.
bool append_to_variable(Connection& connection, Variable& variable, const sqlda* input,
                        Status& status) {
  InputValue piece;
  if (!read_input(input->sqlvar[0], 0, &connection.variables(), piece, status)) return false;
  Value& value = variable.value;
  if (value.kind == Kind::Null) return true;  // NULL || x stays NULL
  if (piece.value.kind == Kind::Null) {
    value = Value{};
    return true;
  }
  if (value.kind == Kind::Integer || value.kind == Kind::Real) {
    char scratch[32];
    std::string_view text = text_of(value.view(), scratch);
    value.bytes.assign(text);
    value.kind = Kind::Text;
  }
  char scratch[32];
  std::string_view bytes = text_of(piece.value, scratch);
  value.bytes.append(bytes.data(), bytes.size());
  return true;
}

bool run_set_variable(Connection& connection, Statement& st, const sqlda* input, Status& status) {
  Variable* variable = connection.variables().find(st.target);
  if (variable == nullptr) {
    return status.fail(DBE_VARIABLE_NOT_FOUND, "Variable '%s' not found", st.target.c_str());
  }
  if (st.append) return append_to_variable(connection, *variable, input, status);
  sqlite3_stmt* stmt = st.stmt;
  bool ok = true;
  InputValue value;
  for (size_t i = 0; ok && i < st.expression_params.size(); ++i) {
    const ExpressionParam& param = st.expression_params[i];
    ValueRef ref;
    if (param.host >= 0) {
      ok =
          read_input(input->sqlvar[param.host], param.host, &connection.variables(), value, status);
      ref = value.value;
    } else {
      Variable* source = connection.variables().find(param.variable);
      if (source == nullptr) {
        ok = status.fail(DBE_VARIABLE_NOT_FOUND, "Variable '%s' not found", param.variable.c_str());
      } else {
        ref = source->value.view();
      }
    }
    if (ok) bind_value(stmt, static_cast<int>(i) + 1, ref, true);
  }
  if (ok) {
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
      Variables::assign(*variable, column_view(stmt, 0));
    } else {
      ok = status.fail_sqlite(connection.handle(), rc);
    }
  }
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  return ok;
}

bool run_set_option(Connection& connection, Statement& st, const sqlda* input, Status& status) {
  if (st.inputs.empty()) return connection.set_option(st.target, st.literal, status);
  InputValue value;
  if (!read_input(input->sqlvar[0], 0, &connection.variables(), value, status)) return false;
  char scratch[32];
  return connection.set_option(st.target, text_of(value.value, scratch), status);
}

// Fills the column descriptions once. Columns of expressions have no
// declared type: a read-only statement is run up to its first row so that
// they are typed from their values; otherwise they describe as text.
void describe_columns(Connection& connection, Statement& st) {
  if (st.described) return;
  st.described = true;
  sqlite3_stmt* stmt = st.stmt;
  int columns = stmt != nullptr ? sqlite3_column_count(stmt) : 0;
  st.columns.resize(static_cast<size_t>(columns));
  bool peeked = false, have_row = false;
  for (int i = 0; i < columns; ++i) {
    ColumnDesc& column = st.columns[static_cast<size_t>(i)];
    column.name = sqlite3_column_name(stmt, i);
    const char* declared = sqlite3_column_decltype(stmt, i);
    if (declared != nullptr) {
      column.type = parse_declared_type(declared);
      const char* table = sqlite3_column_table_name(stmt, i);
      const char* origin = sqlite3_column_origin_name(stmt, i);
      int not_null = 0, primary_key = 0;
      if (table != nullptr && origin != nullptr &&
          sqlite3_table_column_metadata(connection.handle(), sqlite3_column_database_name(stmt, i),
                                        table, origin, nullptr, nullptr, &not_null, &primary_key,
                                        nullptr) == SQLITE_OK) {
        // An INTEGER PRIMARY KEY is the rowid, which is never NULL.
        column.nullable = !not_null && !(primary_key && strcasecmp(declared, "integer") == 0);
      }
      continue;
    }
    st.fixed_shape = false;
    if (!peeked && !st.writes) {
      peeked = true;
      have_row = sqlite3_step(stmt) == SQLITE_ROW;
    }
    column.type = have_row ? type_of_value(column_view(stmt, i)) : type_of_value(ValueRef{});
  }
  if (peeked) sqlite3_reset(stmt);
}

void fill_column_entries(const Statement& st, sqlda* descriptor) {
  size_t fill =
      std::min(st.columns.size(), static_cast<size_t>(std::max<int16_t>(descriptor->sqln, 0)));
  for (size_t i = 0; i < fill; ++i) {
    const ColumnDesc& column = st.columns[i];
    sqlvar& entry = descriptor->sqlvar[i];
    entry.sqltype = static_cast<int16_t>(column.type.type | (column.nullable ? DBT_NULLABLE : 0));
    entry.sqllen = column.type.length;
    set_sqlname(entry.sqlname, column.name);
  }
}

void fill_input_entries(const Statement& st, sqlda* descriptor) {
  size_t fill =
      std::min(st.inputs.size(), static_cast<size_t>(std::max<int16_t>(descriptor->sqln, 0)));
  for (size_t i = 0; i < fill; ++i) {
    sqlvar& entry = descriptor->sqlvar[i];
    entry.sqltype = DBT_STRING | DBT_NULLABLE;
    entry.sqllen = DBT_MAX_SHORT_LENGTH;
    if (entry.sqlind != nullptr) *entry.sqlind = 0;
    set_sqlname(entry.sqlname, st.inputs[i]);
  }
}

}  // namespace

bool execute_statement(Connection& connection, Statement& st, const sqlda* input, sqlda* output,
                       int32_t& count, Status& status) {
  count = 0;
  if (!check_input(st, input, status)) return false;
  switch (st.kind) {
    case StatementKind::CreateVariable:
      return connection.variables().create(st.target, st.declared) ||
             status.fail(DBE_VARIABLE_EXISTS, "Variable '%s' already exists", st.target.c_str());
    case StatementKind::DropVariable:
      return connection.variables().drop(st.target) ||
             status.fail(DBE_VARIABLE_NOT_FOUND, "Variable '%s' not found", st.target.c_str());
    case StatementKind::SetVariable:
      return run_set_variable(connection, st, input, status);
    case StatementKind::SetOption:
      return run_set_option(connection, st, input, status);
    case StatementKind::Sql:
      break;
  }
  if (!connection.prepare_to_run(st, status)) return false;
  bool ok = run_sql(connection, st, input, output, count, status);
  connection.ran(!ok, status);
  return ok;
}

bool describe_statement(Connection& connection, Statement& st, sqlda* descriptor, unsigned what,
                        int32_t& count, Status& status) {
  count = 0;
  if (descriptor == nullptr) return status.fail(DBE_BAD_ARGUMENT, "No SQLDA to describe into");
  if (what == DBDESC_INPUT) {
    descriptor->sqld = static_cast<int16_t>(st.inputs.size());
    fill_input_entries(st, descriptor);
    count = descriptor->sqld;
    return true;
  }
  if (what != DBDESC_OUTPUT && what != DBDESC_FIXED_SHAPE) {
    return status.fail(DBE_BAD_ARGUMENT, "Unknown describe request %u", what);
  }
  describe_columns(connection, st);
  descriptor->sqld = static_cast<int16_t>(st.columns.size());
  fill_column_entries(st, descriptor);
  count = what == DBDESC_FIXED_SHAPE ? (st.fixed_shape ? 1 : 0) : descriptor->sqld;
  return true;
}

bool execute_immediate(Connection& connection, const char* text, int32_t& count, Status& status) {
  count = 0;
  std::string_view rest(text);
  if (only_blanks_remain(rest)) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: the statement is empty");
  }
  while (!rest.empty()) {
    size_t consumed = 0;
    std::unique_ptr<Statement> st = prepare_statement(connection, rest, true, consumed, status);
    if (!st) return false;
    if (!execute_statement(connection, *st, nullptr, nullptr, count, status)) return false;
    rest.remove_prefix(std::min(consumed, rest.size()));
    if (only_blanks_remain(rest)) break;
  }
  return true;
}

}  // namespace dblib
