// Workload 3 through SQLiteCpp, a peer: one Statement bound, run and reset
// for each row inside a Transaction.
#include <SQLiteCpp/SQLiteCpp.h>

#include "bench/common/registration.h"
#include "bench/insert/insert_fixture.h"

namespace velar_bench {
namespace {

bool InsertAll(SQLite::Database& db) {
  SQLite::Transaction transaction(db);
  SQLite::Statement insert(db, kInsertStatement);
  InsertRow row;
  char made[20];
  for (int i = 0; i < kInsertRows; ++i) {
    MakeInsertRow(i, row);
    FormatStamp(row.made, made);
    insert.bind(1, row.id);
    insert.bind(2, row.price);
    insert.bindNoCopy(3, row.name);
    insert.bindNoCopy(4, made);
    insert.bind(5, row.amount);
    if (insert.exec() != 1) return false;
    insert.reset();
  }
  transaction.commit();
  return true;
}

void Insert(benchmark::State& state) {
  RunInserts(
      state,
      [](const std::string& file) {
        auto db = std::make_unique<SQLite::Database>(file, SQLite::OPEN_READWRITE);
        db->exec("PRAGMA foreign_keys=ON");
        return db;
      },
      InsertAll);
}

[[maybe_unused]] const bool registered = [] {
  Timed("insert/sqlitecpp", Insert, 3);
  return true;
}();

}  // namespace
}  // namespace velar_bench
