// A SQLite connection owned by a unique_ptr, opened as the baselines use it.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>

namespace velar_bench {

struct SqliteCloser {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

// Opens file for reading, or for writing with foreign keys enforced as the
// stand-in's connections have them; empty when it cannot be opened.
inline SqliteHandle OpenSqlite(const std::string& file, bool for_writing) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &db,
                           for_writing ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, nullptr);
  SqliteHandle handle(db);
  if (rc != SQLITE_OK ||
      (for_writing && sqlite3_exec(db, "PRAGMA foreign_keys=ON", nullptr, nullptr, nullptr)))
    handle.reset();
  return handle;
}

}  // namespace velar_bench
