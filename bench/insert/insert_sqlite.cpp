// The baseline of workload 3: one prepared INSERT through SQLite's C API,
// bound and stepped for each row, inside one transaction. The timestamp is
// bound as the text SQLite stores.
#include "bench/common/registration.h"
#include "bench/common/sqlite_handle.h"
#include "bench/insert/insert_fixture.h"

namespace velar_bench {
namespace {

bool InsertAll(sqlite3* db) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(db, kInsertStatement, -1, &stmt, nullptr) != SQLITE_OK)
    return false;
  InsertRow row;
  char made[20];
  bool ok = true;
  for (int i = 0; i < kInsertRows && ok; ++i) {
    MakeInsertRow(i, row);
    int made_length = FormatStamp(row.made, made);
    sqlite3_bind_int(stmt, 1, row.id);
    sqlite3_bind_double(stmt, 2, row.price);
    sqlite3_bind_text(stmt, 3, row.name, row.name_length, SQLITE_STATIC);
    sqlite3_bind_text(stmt, 4, made, made_length, SQLITE_STATIC);
    sqlite3_bind_double(stmt, 5, row.amount);
    ok = sqlite3_step(stmt) == SQLITE_DONE;
    sqlite3_reset(stmt);
  }
  sqlite3_finalize(stmt);
  return sqlite3_exec(db, ok ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
}

void Insert(benchmark::State& state) {
  RunInserts(
      state, [](const std::string& file) { return OpenSqlite(file, true); },
      [](sqlite3& db) { return InsertAll(&db); });
}

[[maybe_unused]] const bool registered = [] {
  Timed("insert/sqlite", Insert, 3);
  return true;
}();

}  // namespace
}  // namespace velar_bench
