// Positioned changes: update and delete of the cursor's current row and
// insert through the cursor, all on the cursor's one table by rowid.
#include <sqlite3.h>

#include <algorithm>
#include <cstring>

#include "dblib/core/connect/connection.h"
#include "dblib/core/cursor/cursor.h"
#include "dblib/core/support/text.h"
#include "dblib/core/value/convert.h"
#include "dblib/core/value/types.h"
#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

// Appends name as a quoted identifier.
void append_quoted(std::string& out, std::string_view name) {
  out.push_back('"');
  for (char c : name) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

// A change needs a descriptor whose entries in use it really has.
bool check_descriptor(const sqlda* input, const char* entry_point, Status& status) {
  if (input == nullptr) return status.fail(DBE_BAD_ARGUMENT, "%s needs an SQLDA", entry_point);
  if (input->sqld < 0 || input->sqld > input->sqln) {
    return status.fail(DBE_BAD_ARGUMENT, "Input SQLDA uses %d of its %d entries", input->sqld,
                       input->sqln);
  }
  return true;
}

}  // namespace

// A cursor changes rows when opened for update over one table with rowids.
bool Cursor::check_changeable(Status& status) const {
  if ((options_ & DBCUR_READ_ONLY) != 0) {
    return status.fail(DBE_CURSOR_READ_ONLY,
                       "Cursor '%s' is read-only: open it for update to change rows",
                       name_.c_str());
  }
  if (table_.empty()) {
    return status.fail(DBE_CURSOR_READ_ONLY,
                       "Cursor '%s' does not read the rows of one table, so its rows cannot be "
                       "changed through it",
                       name_.c_str());
  }
  return true;
}

// The rowid of the current row; -197 when the cursor stands on none.
bool Cursor::current_rowid(int64_t& rowid, Status& status) {
  if (!load_current_row(status)) return false;
  const ValueRef& id = row_[static_cast<size_t>(rowid_column_)];
  if (id.kind != Kind::Integer) {
    return status.fail(DBE_CURSOR_READ_ONLY, "The rows of cursor '%s' have no row identity",
                       name_.c_str());
  }
  rowid = id.integer;
  return true;
}

// The table column an entry names: a column of the cursor (by its name
// there) that comes straight from the table, else a table column of that
// name. expression tells that the name is a computed column of the cursor;
// character that the column holds text, so that bytes sent through a
// variable are stored as text.
bool Cursor::resolve_column(Connection& connection, const sqlname& entry_name, std::string& column,
                            bool& expression, bool& character, Status& status) {
  std::string_view name(entry_name.data,
                        static_cast<size_t>(std::clamp<int16_t>(entry_name.length, 0, 30)));
  sqlite3_stmt* stmt = stmt_.get();
  column.assign(name);
  expression = false;
  for (int i = 0; i < columns_; ++i) {
    std::string_view result_name(sqlite3_column_name(stmt, i));
    if (!same_name(result_name.substr(0, sizeof entry_name.data), name)) continue;
    const char* origin = sqlite3_column_origin_name(stmt, i);
    expression = origin == nullptr;
    if (origin != nullptr) column = origin;
    break;
  }
  sqlite3* db = connection.handle();
  const char* declared = nullptr;
  if (sqlite3_table_column_metadata(db, nullptr, table_.c_str(), nullptr, nullptr, nullptr, nullptr,
                                    nullptr, nullptr) != SQLITE_OK) {
    return status.fail(DBE_TABLE_NOT_FOUND, "Table '%s' not found", table_.c_str());
  }
  if (expression ||
      sqlite3_table_column_metadata(db, nullptr, table_.c_str(), column.c_str(), &declared, nullptr,
                                    nullptr, nullptr, nullptr) != SQLITE_OK) {
    return status.fail(DBE_COLUMN_NOT_FOUND, "Column '%.*s' not found in table '%s'",
                       static_cast<int>(name.size()), name.data(), table_.c_str());
  }
  character = declared != nullptr && is_character_type(parse_declared_type(declared).type);
  return true;
}

// Collects the entries that name a column (entries without a name are left
// out) with the table column each one names. An insert passes every column
// of the cursor, so it leaves out the computed ones; an update names only
// what it changes, so a computed column there is an error.
bool Cursor::build_change(Connection& connection, const sqlda* input, bool inserting,
                          std::vector<std::string>& columns, std::vector<int>& entries,
                          std::vector<bool>& character, Status& status) {
  for (int i = 0; i < input->sqld; ++i) {
    const sqlvar& entry = input->sqlvar[i];
    if (entry.sqlname.length <= 0) continue;
    std::string column;
    bool expression = false, text = false;
    if (!resolve_column(connection, entry.sqlname, column, expression, text, status)) {
      if (inserting && expression) {
        status.clear();
        continue;
      }
      return false;
    }
    columns.push_back(std::move(column));
    entries.push_back(i);
    character.push_back(text);
  }
  return true;
}

// Binds the value of each named entry in order; text arriving as bytes (a
// long value sent through a binary variable) stays text in a text column.
bool Cursor::bind_change(Connection& connection, sqlite3_stmt* stmt, const sqlda* input,
                         const std::vector<int>& entries, const std::vector<bool>& character,
                         Status& status) {
  InputValue value;
  for (size_t k = 0; k < entries.size(); ++k) {
    int index = entries[k];
    if (!read_input(input->sqlvar[index], index, &connection.variables(), value, status)) {
      return false;
    }
    if (character[k] && value.value.kind == Kind::Blob) value.value.kind = Kind::Text;
    int rc = bind_value(stmt, static_cast<int>(k) + 1, value.value, Binding::Copy);
    if (rc != SQLITE_OK) return status.fail_sqlite(connection.handle(), rc);
  }
  return true;
}

// Runs an UPDATE, DELETE or INSERT ending in RETURNING rowid inside the
// connection's transaction; the last parameter, when rowid is not 0, is the
// row's rowid. No row returned means the row was gone (-197).
bool Cursor::run_change(Connection& connection, const std::string& sql, const sqlda* input,
                        const std::vector<int>& entries, const std::vector<bool>& character,
                        int64_t rowid, int64_t& stored_rowid, Status& status) {
  sqlite3* db = connection.handle();
  if (!connection.prepare_to_run(StatementEffect{.writes = true}, status)) return false;
  sqlite3_stmt* raw = nullptr;
  int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr);
  StmtHandle change(raw);
  bool ok = rc == SQLITE_OK || status.fail_sqlite(db, rc);
  if (ok && input != nullptr) ok = bind_change(connection, raw, input, entries, character, status);
  if (ok && rowid != 0) {
    rc = sqlite3_bind_int64(raw, static_cast<int>(entries.size()) + 1, rowid);
    ok = rc == SQLITE_OK || status.fail_sqlite(db, rc);
  }
  if (ok) {
    rc = sqlite3_step(raw);
    if (rc == SQLITE_ROW) {
      stored_rowid = sqlite3_column_int64(raw, 0);
      rc = sqlite3_step(raw);
    } else if (rc == SQLITE_DONE) {
      ok = status.fail(DBE_NO_CURRENT_ROW,
                       "No current row of cursor '%s': the row is no longer in table '%s'",
                       name_.c_str(), table_.c_str());
    }
    if (ok && rc != SQLITE_DONE) ok = status.fail_sqlite(db, rc);
  }
  change.reset();
  connection.ran(!ok, status);
  return ok;
}

// Reads the row with rowid through the cursor's columns, as the table now
// holds it; values receives the columns and then the rowid.
bool Cursor::read_back(Connection& connection, int64_t rowid, std::vector<Value>& values,
                       Status& status) {
  sqlite3* db = connection.handle();
  if (!row_stmt_) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db, row_sql_.c_str(), -1, &raw, nullptr);
    row_stmt_.reset(raw);
    if (rc != SQLITE_OK) return status.fail_sqlite(db, rc);
  }
  sqlite3_stmt* stmt = row_stmt_.get();
  if (!bind_kept(stmt, connection, status)) return false;
  sqlite3_bind_int64(stmt, sqlite3_bind_parameter_index(stmt, ":dblib_rowid"), rowid);
  int rc = sqlite3_step(stmt);
  bool ok = true;
  values.assign(static_cast<size_t>(columns_) + 1, Value{});
  if (rc == SQLITE_ROW) {
    for (int i = 0; i < columns_; ++i)
      values[static_cast<size_t>(i)].assign(column_view(stmt, i));
  } else if (rc != SQLITE_DONE) {
    ok = status.fail_sqlite(db, rc);
  }
  values.back().kind = Kind::Integer;
  values.back().integer = rowid;
  sqlite3_reset(stmt);
  return ok;
}

// Updates the named columns of the current row and shows the row as stored.
bool Cursor::update(Connection& connection, const sqlda* input, Status& status) {
  int64_t rowid = 0;
  if (!check_descriptor(input, "dbpp_update", status) || !check_changeable(status) ||
      !current_rowid(rowid, status)) {
    return false;
  }
  std::vector<std::string> columns;
  std::vector<int> entries;
  std::vector<bool> character;
  if (!build_change(connection, input, false, columns, entries, character, status)) return false;
  if (columns.empty()) return true;  // nothing named: nothing to change
  std::string sql = "UPDATE ";
  append_quoted(sql, table_);
  for (size_t k = 0; k < columns.size(); ++k) {
    sql.append(k == 0 ? " SET " : ", ");
    append_quoted(sql, columns[k]);
    sql.append(" = ?").append(std::to_string(k + 1));
  }
  sql.append(" WHERE rowid = ?").append(std::to_string(columns.size() + 1));
  sql.append(" RETURNING rowid");
  int64_t stored = rowid;
  if (!run_change(connection, sql, input, entries, character, rowid, stored, status)) return false;
  // The cursor shows the row as stored (its key, and so its rowid, may have changed).
  std::vector<Value> values;
  if (!read_back(connection, stored, values, status)) return false;
  if (scrolling()) {
    store_.replace(static_cast<size_t>(position_ - 1), values);
  } else {
    changed_ = std::move(values);
    changed_row_ = position_;
  }
  return true;
}

// Deletes the current row. The position stays as a hole, which is no current
// row: a move forward reaches the next row (which now has the deleted row's
// number), a move back the row before it.
bool Cursor::remove(Connection& connection, Status& status) {
  int64_t rowid = 0;
  if (!check_changeable(status) || !current_rowid(rowid, status)) return false;
  std::string sql = "DELETE FROM ";
  append_quoted(sql, table_);
  sql.append(" WHERE rowid = ?1 RETURNING rowid");
  int64_t stored = 0;
  if (!run_change(connection, sql, nullptr, {}, {}, rowid, stored, status)) return false;
  // The rows behind the hole move up by one. A forward-only statement that
  // has passed the deleted row has delivered one row fewer of the result as
  // it now is (and, standing on that row, has none to show until it steps
  // on); one run again from the start no longer meets the row at all, so
  // both count the same and no row is skipped.
  if (scrolling()) {
    store_.erase(static_cast<size_t>(position_ - 1));
  } else if (stmt_row_ >= position_) {
    stmt_on_deleted_ = stmt_row_ == position_;
    --stmt_row_;
  }
  if (total_ >= 0) --total_;
  if (changed_row_ == position_) changed_row_ = 0;
  if (changed_row_ > position_) --changed_row_;
  hole_ = true;
  return true;
}

// Inserts a row into the cursor's table and writes the stored row (with its
// defaults, key and computed columns) into row group 0 of output.
bool Cursor::put_into(Connection& connection, const sqlda* input, sqlda* output, Status& status) {
  if (!check_descriptor(input, "dbpp_put_into", status) || !check_changeable(status)) {
    return false;
  }
  std::vector<std::string> columns;
  std::vector<int> entries;
  std::vector<bool> character;
  if (!build_change(connection, input, true, columns, entries, character, status)) return false;
  if (output != nullptr &&
      (output->sqld < 0 || output->sqld > output->sqln || output->sqld < columns_)) {
    return status.fail(DBE_SQLDA_TOO_SMALL,
                       "Cursor '%s' has %d columns but the receiving SQLDA holds %d", name_.c_str(),
                       columns_, output->sqld);
  }
  std::string sql = "INSERT INTO ";
  append_quoted(sql, table_);
  if (columns.empty()) {
    sql.append(" DEFAULT VALUES");
  } else {
    for (size_t k = 0; k < columns.size(); ++k) {
      sql.append(k == 0 ? " (" : ", ");
      append_quoted(sql, columns[k]);
    }
    for (size_t k = 0; k < columns.size(); ++k) {
      sql.append(k == 0 ? ") VALUES (?" : ", ?").append(std::to_string(k + 1));
    }
    sql.push_back(')');
  }
  sql.append(" RETURNING rowid");
  int64_t stored = 0;
  if (!run_change(connection, sql, input, entries, character, 0, stored, status)) return false;
  if (output == nullptr) return true;
  std::vector<Value> values;
  if (!read_back(connection, stored, values, status)) return false;
  for (int i = 0; i < columns_; ++i) {
    if (!write_output(values[static_cast<size_t>(i)].view(), output->sqlvar[i], i, status)) {
      return false;
    }
  }
  return true;
}

}  // namespace dblib
