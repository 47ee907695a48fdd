// The baseline of workload 5: the query stepped through SQLite's C API until
// a row's name equals the key regardless of letter case, compared in the
// program as a row search does.
#include <sqlite3.h>
#include <strings.h>

#include "bench/common/registration.h"
#include "bench/find/find_fixture.h"

namespace velar_bench {
namespace {

// The id of the first row whose name matches key, or -1.
int FindRow(sqlite3* db, const std::string& key) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, kFindQuery, -1, &stmt, nullptr) != SQLITE_OK) return -1;
  int found = -1;
  while (found < 0 && sqlite3_step(stmt) == SQLITE_ROW) {
    const char* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
    if (name != nullptr && strcasecmp(name, key.c_str()) == 0) found = sqlite3_column_int(stmt, 0);
  }
  sqlite3_finalize(stmt);
  return found;
}

void Find(benchmark::State& state) {
  const ScratchDatabase& database = TheFindDatabase();
  if (!Require(state, database.ready(), "the database could not be made")) return;
  sqlite3* db = nullptr;
  sqlite3_open_v2(database.file().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  const std::string key = SearchKey();
  for (auto _ : state) {
    if (!Require(state, FindRow(db, key) == kFindRows, "the last row was not found")) break;
  }
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * kFindRows);
}

[[maybe_unused]] const bool registered = [] {
  Timed("find/sqlite", Find, 5);
  return true;
}();

}  // namespace
}  // namespace velar_bench
