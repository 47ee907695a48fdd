#include "dblib/core/cursor/cursor.h"

#include <algorithm>
#include <limits>

#include "dblib/core/connect/connection.h"
#include "dblib/core/statement/describe.h"
#include "dblib/core/statement/execute.h"
#include "dblib/core/statement/procedure.h"
#include "dblib/core/value/convert.h"
#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

// Sets the indicators of entries [from, to) of descriptor to -1 (no value).
void mark_no_values(sqlda* descriptor, size_t from, size_t to) {
  if (descriptor == nullptr) return;
  to = std::min(to, static_cast<size_t>(std::max<int16_t>(descriptor->sqld, 0)));
  for (size_t i = from; i < to; ++i) {
    if (descriptor->sqlvar[i].sqlind != nullptr) *descriptor->sqlvar[i].sqlind = -1;
  }
}

}  // namespace

// A cursor is declared closed; open runs its statement.
Cursor::Cursor(std::string name, int16_t statement, unsigned options)
    : name_(std::move(name)), statement_(statement), options_(options) {}

Cursor::~Cursor() = default;

// Takes a new statement and options; only a closed cursor is declared again.
void Cursor::redeclare(int16_t statement, unsigned options) {
  statement_ = statement;
  options_ = options;
}

// Cursors scroll unless declared forward-only, which keeps them from
// holding rows.
bool Cursor::scrolling() const {
  return (options_ & DBCUR_NO_SCROLL) == 0;
}

// Stands before the first row of the current result set, with nothing read.
void Cursor::reset_position() {
  position_ = 0;
  total_ = stmt_ ? -1 : 0;
  hole_ = false;
  stmt_row_ = 0;
  stmt_done_ = false;
  stmt_on_deleted_ = false;
  store_ = RowStore{};
  changed_.clear();
  changed_row_ = 0;
  described_ = false;
  row_.assign(stmt_ ? static_cast<size_t>(sqlite3_column_count(stmt_.get())) : 0, ValueRef{});
}

// Forgets the current result set, with what was read of it.
void Cursor::clear_result_set() {
  stmt_.reset();
  row_stmt_.reset();
  bindings_.clear();
  table_.clear();
  row_sql_.clear();
  sql_.clear();
  columns_ = 0;
  rowid_column_ = -1;
  reset_position();
}

// Ends the procedure run and the result set; the declaration stays.
void Cursor::close() {
  open_ = false;
  run_.reset();
  clear_result_set();
}

// A query prepares its own copy (with the hidden rowid when it reads one
// table and may change it), so the statement stays free for executes and
// other cursors; a view or a table without rowids falls back to the plain
// query, read-only.
bool Cursor::open(Connection& connection, Statement& st, const sqlda* input, unsigned options,
                  int32_t& count, Status& status) {
  count = 0;
  close();
  if (options != 0) options_ = options;
  if (!check_input(st, input, status)) return false;
  if (st.kind == StatementKind::Call) {
    if (!start_call(connection, st, input, run_, status)) {
      close();
      return false;
    }
    open_ = true;
    std::unique_ptr<Statement> first = run_->next_result_set(connection, status);
    if ((!first && status.code() < 0) ||
        !start_result_set(connection, std::move(first), count, status)) {
      close();
      return false;
    }
    return true;
  }
  if (!returns_rows(st)) {
    return status.fail(DBE_ERROR,
                       "Statement %d returns no rows: a cursor needs a query (execute it instead)",
                       statement_);
  }
  sqlite3* db = connection.handle();
  sqlite3_stmt* raw = nullptr;
  const std::string* text = &st.sql;
  // A read-only cursor never changes rows, so it reads no rowids either.
  if (st.single_table != nullptr && (options_ & DBCUR_READ_ONLY) == 0) {
    const SingleTable& single = *st.single_table;
    if (sqlite3_prepare_v2(db, single.cursor_sql.c_str(), -1, &raw, nullptr) == SQLITE_OK) {
      table_ = single.table;
      row_sql_ = single.row_sql;
      text = &single.cursor_sql;
    } else {
      sqlite3_finalize(raw);
      raw = nullptr;
    }
  }
  if (raw == nullptr) {
    int rc = sqlite3_prepare_v2(db, st.sql.c_str(), -1, &raw, nullptr);
    if (rc != SQLITE_OK) return status.fail_sqlite(db, rc);
  }
  stmt_.reset(raw);
  sql_ = *text;
  int all = sqlite3_column_count(raw);
  rowid_column_ = table_.empty() ? -1 : all - 1;
  columns_ = table_.empty() ? all : all - 1;
  reset_position();
  bool ok = connection.prepare_to_run(st.effect, status) &&
            bind_parameters(connection, st, raw, input,
                            BindOptions{.copy = true, .keep = &bindings_}, status) &&
            (!connection.options().row_counts() || count_rows(connection, count, status));
  connection.ran(!ok, status);
  if (!ok) {
    close();
    return false;
  }
  open_ = true;
  return true;
}

// Makes st (a result set of the cursor's procedure, or null when the body
// has ended) the current result set.
bool Cursor::start_result_set(Connection& connection, std::unique_ptr<Statement> st, int32_t& count,
                              Status& status) {
  count = 0;
  clear_result_set();
  if (st == nullptr) return true;
  stmt_.reset(st->stmt);
  st->stmt = nullptr;
  sql_ = st->sql;
  columns_ = sqlite3_column_count(stmt_.get());
  reset_position();
  return connection.prepare_to_run(st->effect, status) &&
         bind_parameters(connection, *st, stmt_.get(), nullptr,
                         BindOptions{.locals = &run_->frame(), .copy = true, .keep = &bindings_},
                         status) &&
         (!connection.options().row_counts() || count_rows(connection, count, status));
}

// Binds the values kept from open to the matching parameters of another
// statement over the same text (the count and the row read-back).
bool Cursor::bind_kept(sqlite3_stmt* stmt, Connection& connection, Status& status) {
  int params = std::min(sqlite3_bind_parameter_count(stmt), static_cast<int>(bindings_.size()));
  for (int i = 1; i <= params; ++i) {
    const char* name = sqlite3_bind_parameter_name(stmt, i);
    if (name != nullptr && name[0] == ':') continue;  // the rowid, bound by the caller
    int rc = bind_value(stmt, i, bindings_[static_cast<size_t>(i - 1)].view(), Binding::InPlace);
    if (rc != SQLITE_OK) return status.fail_sqlite(connection.handle(), rc);
  }
  return true;
}

// The exact row count, from a count over the same query and values; the
// cursor's own statement does not move.
bool Cursor::count_rows(Connection& connection, int32_t& count, Status& status) {
  sqlite3* db = connection.handle();
  std::string text = "SELECT count(*) FROM (" + sql_ + "\n)";  // the query may end in a comment
  sqlite3_stmt* raw = nullptr;
  int rc = sqlite3_prepare_v2(db, text.c_str(), static_cast<int>(text.size()), &raw, nullptr);
  StmtHandle counter(raw);
  if (rc != SQLITE_OK) return status.fail_sqlite(db, rc);
  if (!bind_kept(raw, connection, status)) return false;
  rc = sqlite3_step(raw);
  if (rc != SQLITE_ROW) return status.fail_sqlite(db, rc);
  count = static_cast<int32_t>(
      std::min<sqlite3_int64>(sqlite3_column_int64(raw, 0), std::numeric_limits<int32_t>::max()));
  return true;
}

// Makes row (1-based) the row in row_. A scrolling cursor reads ahead into
// its store; a forward-only one steps its statement, from the start again
// when the row lies behind it.
//
// The store holds the first rows of the result as it now is (rows deleted
// through the cursor are gone from both), so a statement run again after a
// failed step passes over as many rows as the store holds and goes on from
// there.
Cursor::Load Cursor::load_row(int64_t row, Status& status) {
  if (!stmt_ || row < 1) return Load::End;
  sqlite3_stmt* stmt = stmt_.get();
  int all = static_cast<int>(row_.size());
  if (scrolling()) {
    while (static_cast<int64_t>(store_.size()) < row) {
      if (stmt_done_) return Load::End;
      int rc = sqlite3_step(stmt);
      if (rc == SQLITE_DONE) {
        stmt_done_ = true;
        total_ = static_cast<int64_t>(store_.size());
        return Load::End;
      }
      if (rc != SQLITE_ROW) return step_failed(rc, status);
      if (++stmt_row_ <= static_cast<int64_t>(store_.size())) continue;  // stored already
      store_.append(stmt, all);
    }
    store_.read(static_cast<size_t>(row - 1), row_);
    return Load::Row;
  }
  if (row == changed_row_) {
    for (int i = 0; i < all; ++i)
      row_[static_cast<size_t>(i)] = changed_[static_cast<size_t>(i)].view();
    return Load::Row;
  }
  if (total_ >= 0 && row > total_) return Load::End;
  if (stmt_done_ || row < stmt_row_ || (row == stmt_row_ && stmt_on_deleted_)) {
    sqlite3_reset(stmt);
    stmt_row_ = 0;
    stmt_done_ = false;
    changed_row_ = 0;
  }
  while (stmt_row_ < row) {
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
      ++stmt_row_;
      stmt_on_deleted_ = false;
      continue;
    }
    if (rc == SQLITE_DONE) {
      stmt_done_ = true;
      total_ = stmt_row_;
      return Load::End;
    }
    return step_failed(rc, status);
  }
  for (int i = 0; i < all; ++i)
    row_[static_cast<size_t>(i)] = column_view(stmt, i);
  return Load::Row;
}

// A failed step (an interrupt, a lock) ends SQLite's run of the statement:
// the next step would start again at the first row. The statement goes back
// to the start now and counts its way back to where it was, so no row is
// delivered twice or under another number.
Cursor::Load Cursor::step_failed(int rc, Status& status) {
  status.fail_sqlite(sqlite3_db_handle(stmt_.get()), rc);
  restart_statement();
  return Load::Error;
}

void Cursor::restart_statement() {
  sqlite3_reset(stmt_.get());
  stmt_row_ = 0;
  stmt_done_ = false;
  stmt_on_deleted_ = false;
  changed_row_ = 0;
}

// A statement that has not started or has run to its end holds no read.
void Cursor::let_go() {
  if (stmt_ && sqlite3_stmt_busy(stmt_.get())) restart_statement();
}

bool Cursor::load_current_row(Status& status) {
  Load load = on_row() ? load_row(position_, status) : Load::End;
  if (load == Load::End) {
    return status.fail(DBE_NO_CURRENT_ROW, "No current row of cursor '%s'", name_.c_str());
  }
  return load == Load::Row;
}

// Reads to the end once, so that positions counted from the end are known.
bool Cursor::find_total(Status& status) {
  return total_ >= 0 || load_row(std::numeric_limits<int64_t>::max(), status) != Load::Error;
}

// Writes the row in row_ into row group group of descriptor.
bool Cursor::write_row(sqlda* descriptor, int group, Status& status) {
  int first = group * columns_;
  for (int c = 0; c < columns_; ++c) {
    if (!write_output(row_[static_cast<size_t>(c)], descriptor->sqlvar[first + c], first + c,
                      status)) {
      return false;
    }
  }
  return true;
}

// Checks the descriptor before anything moves, so that a refused fetch
// writes nothing and leaves the position alone. A short last block is a
// success with fewer rows; the groups it did not fill read as NULL.
bool Cursor::fetch(unsigned orientation, int32_t offset, sqlda* descriptor, unsigned width,
                   int32_t& count, Status& status) {
  count = 0;
  if (width == 0) width = 1;
  if (orientation != DBFETCH_ABSOLUTE && orientation != DBFETCH_RELATIVE) {
    return status.fail(DBE_BAD_ARGUMENT, "Unknown fetch orientation %u", orientation);
  }
  size_t needed = static_cast<size_t>(columns_) * width;
  if (needed > 0) {
    if (descriptor == nullptr) {
      return status.fail(DBE_SQLDA_TOO_SMALL, "A fetch from cursor '%s' needs an SQLDA",
                         name_.c_str());
    }
    if (descriptor->sqld < 0 || descriptor->sqld > descriptor->sqln) {
      return status.fail(DBE_BAD_ARGUMENT, "Output SQLDA uses %d of its %d entries",
                         descriptor->sqld, descriptor->sqln);
    }
    if (static_cast<size_t>(descriptor->sqld) < needed) {
      return status.fail(DBE_SQLDA_TOO_SMALL,
                         "A fetch of %u rows of %d columns needs %zu SQLDA entries, but the "
                         "SQLDA holds %d",
                         width, columns_, needed, descriptor->sqld);
    }
  }
  int64_t target;
  if (orientation == DBFETCH_ABSOLUTE) {
    if (offset >= 0) {
      target = offset;
    } else {
      if (!find_total(status)) return false;
      target = std::max<int64_t>(total_ + offset + 1, 0);
    }
  } else if (hole_ && offset == 0) {
    mark_no_values(descriptor, 0, needed);
    status.warn(DBE_NOT_FOUND, "Row not found: the current row of cursor '%s' was deleted",
                name_.c_str());
    return true;
  } else {
    // After a delete the rows behind the hole have moved up by one.
    target = position_ + offset - (hole_ && offset > 0 ? 1 : 0);
  }
  if (target < 1) {
    position_ = 0;
    hole_ = false;
    mark_no_values(descriptor, 0, needed);
    status.warn(DBE_NOT_FOUND, "Row not found");
    return true;
  }
  unsigned delivered = 0;
  for (; delivered < width; ++delivered) {
    Load load = load_row(target + delivered, status);
    if (load == Load::End) break;
    // A failed fetch leaves the position as it was, so the same move can be tried again.
    if (load == Load::Error || !write_row(descriptor, static_cast<int>(delivered), status)) {
      return false;
    }
  }
  hole_ = false;
  mark_no_values(descriptor, static_cast<size_t>(columns_) * delivered, needed);
  if (delivered == 0) {
    position_ = total_ + 1;
    status.warn(DBE_NOT_FOUND, "Row not found");
    return true;
  }
  position_ = target + delivered - 1;
  count = static_cast<int32_t>(delivered);
  return true;
}

// Reads the current row again (kept by the store, or the statement still
// standing on it), so a long value is served without running the query.
bool Cursor::get_data(unsigned column, int32_t offset, sqlda* descriptor, Status& status) {
  if (descriptor == nullptr || descriptor->sqln < 1) {
    return status.fail(DBE_SQLDA_TOO_SMALL, "dbpp_get_data needs an SQLDA with one entry");
  }
  if (column < 1 || column > static_cast<unsigned>(columns_)) {
    return status.fail(DBE_COLUMN_NOT_FOUND, "Column %u not found: cursor '%s' has %d columns",
                       column, name_.c_str(), columns_);
  }
  if (offset < 0) return status.fail(DBE_BAD_ARGUMENT, "Negative offset %d", offset);
  if (!load_current_row(status)) return false;
  return write_output(row_[column - 1], descriptor->sqlvar[0], 0, status,
                      static_cast<size_t>(offset));
}

// Describes the current result set, once per result set.
bool Cursor::describe(Connection& connection, sqlda* descriptor, unsigned what, int32_t& count,
                      Status& status) {
  count = 0;
  if (descriptor == nullptr) return status.fail(DBE_BAD_ARGUMENT, "No SQLDA to describe into");
  if (what != DBDESC_OUTPUT && what != DBDESC_FIXED_SHAPE) {
    return status.fail(DBE_BAD_ARGUMENT, "A cursor describes its result columns only (not %u)",
                       what);
  }
  if (!described_) {
    // Expressions have no declared type: the current row (or the first) types them.
    description_.assign(static_cast<size_t>(columns_), ColumnDesc{});
    bool peeked = false;
    Load peek = Load::End;
    for (int i = 0; i < columns_; ++i) {
      ColumnDesc& column = description_[static_cast<size_t>(i)];
      if (describe_declared_column(connection.handle(), stmt_.get(), i, column)) continue;
      if (!peeked) {
        peeked = true;
        peek = load_row(on_row() ? position_ : 1, status);
        if (peek == Load::Error) return false;
      }
      column.type = type_of_value(peek == Load::Row ? row_[static_cast<size_t>(i)] : ValueRef{});
    }
    described_ = true;
  }
  descriptor->sqld = static_cast<int16_t>(columns_);
  fill_column_entries(description_, descriptor);
  count = what == DBDESC_FIXED_SHAPE ? 1 : columns_;
  return true;
}

// Writes SQLite's plan for the current result set, one line per step,
// indented by depth.
bool Cursor::explain(Connection& connection, sqlda* descriptor, Status& status) {
  if (descriptor == nullptr || descriptor->sqln < 1) {
    return status.fail(DBE_SQLDA_TOO_SMALL, "dbpp_explain needs an SQLDA with one entry");
  }
  std::string plan;
  if (!sql_.empty()) {
    sqlite3* db = connection.handle();
    std::string text = "EXPLAIN QUERY PLAN " + sql_;
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db, text.c_str(), static_cast<int>(text.size()), &raw, nullptr);
    StmtHandle query(raw);
    if (rc != SQLITE_OK) return status.fail_sqlite(db, rc);
    std::vector<std::pair<int, int>> depth_of;  // plan line id, its depth
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
      int id = sqlite3_column_int(raw, 0), parent = sqlite3_column_int(raw, 1), depth = 0;
      for (const auto& [line, line_depth] : depth_of) {
        if (line == parent) depth = line_depth + 1;
      }
      depth_of.emplace_back(id, depth);
      if (!plan.empty()) plan.push_back('\n');
      plan.append(static_cast<size_t>(depth) * 2, ' ');
      plan.append(reinterpret_cast<const char*>(sqlite3_column_text(raw, 3)));
    }
    if (rc != SQLITE_DONE) return status.fail_sqlite(db, rc);
  }
  // A plan longer than the entry is cut without a warning: it is text for
  // people. The indicator still tells its full length.
  if (!write_output(text_ref(plan), descriptor->sqlvar[0], 0, status)) return false;
  if (status.code() == DBE_TRUNCATED) status.clear();
  return true;
}

// Finishes the current result set and runs the procedure body on to its
// next one; a cursor over a plain query has no further result set.
bool Cursor::resume(Connection& connection, int32_t& count, Status& status) {
  count = 0;
  if (run_ != nullptr) {
    std::unique_ptr<Statement> next = run_->next_result_set(connection, status);
    if (!next && status.code() < 0) return false;
    bool more = next != nullptr;
    if (!start_result_set(connection, std::move(next), count, status)) return false;
    if (more) return true;
  }
  status.warn(DBE_NOT_FOUND, "No more result sets for cursor '%s'", name_.c_str());
  return true;
}

}  // namespace dblib
