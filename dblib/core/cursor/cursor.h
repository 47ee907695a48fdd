// A named cursor of one connection over a prepared statement. Declared once,
// it may be opened and closed many times; while open it runs its own copy of
// the statement with the host values given at open.
//
// Positions: 0 stands before the first row, n on row n, one past the last
// row after it. A forward-only cursor (DBCUR_NO_SCROLL) streams: it keeps no
// rows, and a move back runs its query again from the start. A scrolling
// cursor keeps the rows it has read (RowStore) and moves freely among them.
// Both number the rows as the result now is: after a delete through the
// cursor the position stays on the hole, and the rows behind it have moved
// up by one.
//
// A cursor over one table carries each row's rowid as a hidden last column,
// through which positioned update, delete and put change that table. The
// row a change stored is read back, so the cursor shows what the table holds.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dblib/core/cursor/row_store.h"
#include "dblib/core/statement/statement.h"
#include "dblib/core/support/status.h"
#include "dblib/core/value/value.h"
#include "dblib/include/sqlda.h"

namespace dblib {

class Connection;
class ProcedureRun;

struct StmtFinalizer {
  void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using StmtHandle = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

class Cursor {
 public:
  Cursor(std::string name, int16_t statement, unsigned options);
  ~Cursor();
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  const std::string& name() const { return name_; }
  int16_t statement() const { return statement_; }
  bool is_open() const { return open_; }
  // Declares the closed cursor again, over another statement or options.
  void redeclare(int16_t statement, unsigned options);

  // Opens over st with the host values of input. count receives the row
  // count when option row_counts is on, else 0.
  bool open(Connection& connection, Statement& st, const sqlda* input, unsigned options,
            int32_t& count, Status& status);
  void close();

  // Moves (DBFETCH_ABSOLUTE or DBFETCH_RELATIVE) and writes up to width rows
  // into consecutive row groups of descriptor; count receives the rows
  // written. No row gives DBE_NOT_FOUND with every indicator -1.
  bool fetch(unsigned orientation, int32_t offset, sqlda* descriptor, unsigned width,
             int32_t& count, Status& status);
  // Writes the value of a column (1-based) of the current row from byte
  // offset into entry 0; DBE_TRUNCATED while more follows.
  bool get_data(unsigned column, int32_t offset, sqlda* descriptor, Status& status);
  bool describe(Connection& connection, sqlda* descriptor, unsigned what, int32_t& count,
                Status& status);
  // The query plan of the current result set, as text in entry 0.
  bool explain(Connection& connection, sqlda* descriptor, Status& status);
  // Moves a cursor over a CALL to the procedure's next result set;
  // DBE_NOT_FOUND when none is left.
  bool resume(Connection& connection, int32_t& count, Status& status);

  // Lets go of the run of the current result set, so that the connection
  // can move on to the latest committed state; the next read runs the query
  // again and counts its way back to where the cursor stood, as after a
  // failed step.
  void let_go();

  // Positioned changes (positioned.cpp).
  bool update(Connection& connection, const sqlda* input, Status& status);
  bool remove(Connection& connection, Status& status);
  bool put_into(Connection& connection, const sqlda* input, sqlda* output, Status& status);

 private:
  enum class Load { Row, End, Error };

  bool start_result_set(Connection& connection, std::unique_ptr<Statement> st, int32_t& count,
                        Status& status);
  void clear_result_set();
  void reset_position();
  bool scrolling() const;
  Load load_row(int64_t row, Status& status);
  // Whether the position is a row: not before the first, past the last or
  // on a row deleted through the cursor.
  bool on_row() const { return position_ >= 1 && !hole_ && (total_ < 0 || position_ <= total_); }
  // Loads the current row into row_; -197 when the cursor stands on none.
  bool load_current_row(Status& status);
  Load step_failed(int rc, Status& status);
  void restart_statement();
  bool find_total(Status& status);
  bool count_rows(Connection& connection, int32_t& count, Status& status);
  bool write_row(sqlda* descriptor, int group, Status& status);
  bool bind_kept(sqlite3_stmt* stmt, Connection& connection, Status& status);

  // positioned.cpp
  bool check_changeable(Status& status) const;
  bool current_rowid(int64_t& rowid, Status& status);
  bool resolve_column(Connection& connection, const sqlname& entry_name, std::string& column,
                      bool& expression, bool& character, Status& status);
  bool bind_change(Connection& connection, sqlite3_stmt* stmt, const sqlda* input,
                   const std::vector<int>& entries, const std::vector<bool>& character,
                   Status& status);
  bool build_change(Connection& connection, const sqlda* input, bool inserting,
                    std::vector<std::string>& columns, std::vector<int>& entries,
                    std::vector<bool>& character, Status& status);
  bool run_change(Connection& connection, const std::string& sql, const sqlda* input,
                  const std::vector<int>& entries, const std::vector<bool>& character,
                  int64_t rowid, int64_t& stored_rowid, Status& status);
  bool read_back(Connection& connection, int64_t rowid, std::vector<Value>& values, Status& status);

  std::string name_;
  int16_t statement_;
  unsigned options_;
  bool open_ = false;

  // The current result set.
  StmtHandle stmt_;
  std::string sql_;                    // its text, for counting and the query plan
  int columns_ = 0;                    // described columns
  int rowid_column_ = -1;              // the hidden rowid column, or -1
  std::vector<Value> bindings_;        // values bound to its parameters, in order
  std::unique_ptr<ProcedureRun> run_;  // over a CALL: the procedure's run
  bool described_ = false;
  std::vector<ColumnDesc> description_;

  // Single-table changes.
  std::string table_;  // empty when rows cannot be changed
  std::string row_sql_;
  StmtHandle row_stmt_;

  // Position.
  int64_t position_ = 0;
  int64_t total_ = -1;            // rows in the result, once its end was seen
  bool hole_ = false;             // the row at position_ was deleted through this cursor
  int64_t stmt_row_ = 0;          // rows the statement delivered since its last reset
  bool stmt_on_deleted_ = false;  // forward-only: the statement stands on a row since deleted
  bool stmt_done_ = false;
  RowStore store_;              // scrolling: the rows read so far
  std::vector<Value> changed_;  // forward-only: current row as a change stored it
  int64_t changed_row_ = 0;
  std::vector<ValueRef> row_;  // the row load_row produced
};

}  // namespace dblib
