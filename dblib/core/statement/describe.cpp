#include "dblib/core/statement/describe.h"

#include <algorithm>

#include "dblib/core/connect/connection.h"
#include "dblib/core/statement/procedure.h"
#include "dblib/core/support/text.h"
#include "dblib/core/value/types.h"
#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

// Fills the column descriptions of a prepared statement once. Expression
// columns of a read-only statement are typed from its first row (the
// statement is run up to it and reset); otherwise they describe as text.
void describe_columns(Connection& connection, Statement& st) {
  if (st.described) return;
  st.described = true;
  sqlite3_stmt* stmt = st.stmt;
  int columns = stmt != nullptr ? sqlite3_column_count(stmt) : 0;
  st.columns.resize(static_cast<size_t>(columns));
  bool peeked = false, have_row = false;
  for (int i = 0; i < columns; ++i) {
    ColumnDesc& column = st.columns[static_cast<size_t>(i)];
    if (describe_declared_column(connection.handle(), stmt, i, column)) continue;
    st.fixed_shape = false;
    if (!peeked && !st.effect.writes) {
      peeked = true;
      have_row = sqlite3_step(stmt) == SQLITE_ROW;
    }
    column.type = have_row ? type_of_value(column_view(stmt, i)) : type_of_value(ValueRef{});
  }
  if (peeked) sqlite3_reset(stmt);
}

}  // namespace

// Types a column from its declaration; nullability comes from the table,
// since a result column alone does not tell.
bool describe_declared_column(sqlite3* db, sqlite3_stmt* stmt, int i, ColumnDesc& column) {
  column.name = sqlite3_column_name(stmt, i);
  const char* declared = sqlite3_column_decltype(stmt, i);
  if (declared == nullptr) return false;
  column.type = parse_declared_type(declared);
  const char* table = sqlite3_column_table_name(stmt, i);
  const char* origin = sqlite3_column_origin_name(stmt, i);
  int not_null = 0, primary_key = 0;
  if (table != nullptr && origin != nullptr &&
      sqlite3_table_column_metadata(db, sqlite3_column_database_name(stmt, i), table, origin,
                                    nullptr, nullptr, &not_null, &primary_key,
                                    nullptr) == SQLITE_OK) {
    // An INTEGER PRIMARY KEY is the rowid, which is never NULL.
    column.nullable = !not_null && !(primary_key && same_name(declared, "integer"));
  }
  return true;
}

// Fills no more entries than the descriptor has.
void fill_column_entries(const std::vector<ColumnDesc>& columns, sqlda* descriptor) {
  size_t fill =
      std::min(columns.size(), static_cast<size_t>(std::max<int16_t>(descriptor->sqln, 0)));
  for (size_t i = 0; i < fill; ++i) {
    const ColumnDesc& column = columns[i];
    sqlvar& entry = descriptor->sqlvar[i];
    entry.sqltype = static_cast<int16_t>(column.type.type | (column.nullable ? DBT_NULLABLE : 0));
    entry.sqllen = column.type.length;
    set_sqlname(entry.sqlname, column.name);
  }
}

// Host variables take any value, so they describe as nullable text.
void fill_input_entries(const std::vector<std::string>& inputs, sqlda* descriptor) {
  size_t fill =
      std::min(inputs.size(), static_cast<size_t>(std::max<int16_t>(descriptor->sqln, 0)));
  for (size_t i = 0; i < fill; ++i) {
    sqlvar& entry = descriptor->sqlvar[i];
    entry.sqltype = DBT_STRING | DBT_NULLABLE;
    entry.sqllen = DBT_MAX_SHORT_LENGTH;
    if (entry.sqlind != nullptr) *entry.sqlind = 0;
    set_sqlname(entry.sqlname, inputs[i]);
  }
}

// A CALL describes its parameters; everything else its columns or its
// host variables.
bool describe_statement(Connection& connection, Statement& st, sqlda* descriptor, unsigned what,
                        int32_t& count, Status& status) {
  count = 0;
  if (descriptor == nullptr) return status.fail(DBE_BAD_ARGUMENT, "No SQLDA to describe into");
  if (st.kind == StatementKind::Call) return describe_call(st, descriptor, what, count, status);
  if (what == DBDESC_INPUT) {
    descriptor->sqld = static_cast<int16_t>(st.inputs.size());
    fill_input_entries(st.inputs, descriptor);
    count = descriptor->sqld;
    return true;
  }
  if (what != DBDESC_OUTPUT && what != DBDESC_FIXED_SHAPE) {
    return status.fail(DBE_BAD_ARGUMENT, "Unknown describe request %u", what);
  }
  describe_columns(connection, st);
  descriptor->sqld = static_cast<int16_t>(st.columns.size());
  fill_column_entries(st.columns, descriptor);
  count = what == DBDESC_FIXED_SHAPE ? (st.fixed_shape ? 1 : 0) : descriptor->sqld;
  return true;
}

}  // namespace dblib
