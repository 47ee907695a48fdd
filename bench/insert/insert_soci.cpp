// Workload 3 through SOCI with its SQLite backend, a peer: one prepared
// statement with five use() bindings, executed for each row inside a
// transaction.
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>

#include <ctime>

#include "bench/common/registration.h"
#include "bench/insert/insert_fixture.h"

namespace velar_bench {
namespace {

bool InsertAll(soci::session& sql) {
  soci::transaction transaction(sql);
  InsertRow row;
  std::string name;
  std::tm made{};
  soci::statement insert =
      (sql.prepare << "INSERT INTO t VALUES (:id, :price, :name, :made, :amount)",
       soci::use(row.id), soci::use(row.price), soci::use(name), soci::use(made),
       soci::use(row.amount));
  for (int i = 0; i < kInsertRows; ++i) {
    MakeInsertRow(i, row);
    name.assign(row.name, static_cast<size_t>(row.name_length));
    made.tm_year = row.made.year - 1900;
    made.tm_mon = row.made.month - 1;
    made.tm_mday = row.made.day;
    made.tm_hour = row.made.hour;
    made.tm_min = row.made.minute;
    made.tm_sec = row.made.second;
    insert.execute(true);
  }
  transaction.commit();
  return true;
}

void Insert(benchmark::State& state) {
  RunInserts(
      state,
      [](const std::string& file) {
        auto sql = std::make_unique<soci::session>(*soci::factory_sqlite3(), "db=" + file);
        *sql << "PRAGMA foreign_keys=ON";
        return sql;
      },
      InsertAll);
}

[[maybe_unused]] const bool registered = [] {
  Timed("insert/soci", Insert, 3);
  return true;
}();

}  // namespace
}  // namespace velar_bench
