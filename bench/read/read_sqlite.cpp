// The baseline of workloads 1 and 2: the rows read through SQLite's C API
// into C++ values, one prepared statement stepped to its end. The scrolling
// workload has no cursor to turn back here, so the baseline reads forward and
// then runs the query last to first.
#include <sqlite3.h>

#include "bench/common/peak_memory.h"
#include "bench/common/registration.h"
#include "bench/read/read_fixture.h"

namespace velar_bench {
namespace {

// Steps query to its end, reading every field of every row; answers the
// number of rows, or -1 when the query fails.
long ReadAll(sqlite3* db, const std::string& query) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, query.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return -1;
  RowValues row;
  long rows = 0;
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    row.id = sqlite3_column_int(stmt, 0);
    row.price = sqlite3_column_double(stmt, 1);
    row.SetName(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2)),
                static_cast<size_t>(sqlite3_column_bytes(stmt, 2)));
    row.made = ParseStamp(sqlite3_column_text(stmt, 3), sqlite3_column_bytes(stmt, 3));
    row.amount = sqlite3_column_double(stmt, 4);
    row.Keep();
    ++rows;
  }
  sqlite3_finalize(stmt);
  return rc == SQLITE_DONE ? rows : -1;
}

void Read(benchmark::State& state, int rows, bool backward_too) {
  const ScratchDatabase& database = TheReadDatabase();
  if (!Require(state, database.ready(), "the database could not be made")) return;
  PeakMemory peak;
  sqlite3* db = nullptr;
  sqlite3_open_v2(database.file().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  for (auto _ : state) {
    bool ok = ReadAll(db, ReadQuery(rows)) == rows;
    if (backward_too) ok = ok && ReadAll(db, kReadBackwardQuery) == rows;
    if (!Require(state, ok, "wrong row count")) break;
  }
  sqlite3_close(db);
  state.counters["peak_kib"] = static_cast<double>(peak.GrowthKiB());
  state.SetItemsProcessed(state.iterations() * rows * (backward_too ? 2 : 1));
}

[[maybe_unused]] const bool registered = [] {
  Timed("read/sqlite", [](benchmark::State& s) { Read(s, kReadRows, false); });
  Timed("scroll/sqlite", [](benchmark::State& s) { Read(s, kReadRows, true); });
  for (int rows : kMemoryRowCounts)
    Memory("read_" + RowCountName(rows) + "/sqlite",
           [rows](benchmark::State& s) { Read(s, rows, false); });
  return true;
}();

}  // namespace
}  // namespace velar_bench
