#include "bench/insert/insert_fixture.h"

#include <sqlite3.h>

namespace velar_bench {

std::unique_ptr<ScratchDatabase> MakeInsertDatabase() {
  return std::make_unique<ScratchDatabase>(
      "insert", [](const std::string& file) { return ExecuteOn(file, kCreateTable); });
}

bool HoldsAllRows(const std::string& file) {
  sqlite3* db = nullptr;
  sqlite3_stmt* stmt = nullptr;
  long rows = -1;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, "SELECT count(*) FROM t", -1, &stmt, nullptr) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW)
    rows = sqlite3_column_int(stmt, 0);
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return rows == kInsertRows;
}

}  // namespace velar_bench
