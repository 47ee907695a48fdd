// Workload 1 through SQLiteCpp, a peer: one Statement stepped to its end,
// every column read through its Column accessors into C++ values.
#include <SQLiteCpp/SQLiteCpp.h>

#include "bench/common/peak_memory.h"
#include "bench/common/registration.h"
#include "bench/read/read_fixture.h"

namespace velar_bench {
namespace {

void Read(benchmark::State& state, int rows) {
  const ScratchDatabase& database = TheReadDatabase();
  if (!Require(state, database.ready(), "the database could not be made")) return;
  PeakMemory peak;
  SQLite::Database db(database.file(), SQLite::OPEN_READONLY);
  std::string query = ReadQuery(rows);
  for (auto _ : state) {
    SQLite::Statement select(db, query);
    RowValues row;
    long read = 0;
    while (select.executeStep()) {
      row.id = select.getColumn(0).getInt();
      row.price = select.getColumn(1).getDouble();
      SQLite::Column name = select.getColumn(2);
      row.SetName(name.getText(), static_cast<size_t>(name.getBytes()));
      SQLite::Column made = select.getColumn(3);
      row.made =
          ParseStamp(reinterpret_cast<const unsigned char*>(made.getText()), made.getBytes());
      row.amount = select.getColumn(4).getDouble();
      row.Keep();
      ++read;
    }
    if (!Require(state, read == rows, "wrong row count")) break;
  }
  state.counters["peak_kib"] = static_cast<double>(peak.GrowthKiB());
  state.SetItemsProcessed(state.iterations() * rows);
}

[[maybe_unused]] const bool registered = [] {
  Timed("read/sqlitecpp", [](benchmark::State& s) { Read(s, kReadRows); });
  return true;
}();

}  // namespace
}  // namespace velar_bench
