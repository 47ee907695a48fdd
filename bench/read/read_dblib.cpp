// Workload 1 through the DBLib stand-in alone, without the components on
// top: a forward-only cursor, 25 rows per dbpp_fetch_array, into the host
// types a caller binds (int, double, terminated string, 14-byte timestamp
// record, double). It shows the stand-in's share of Velar's time.
#include <string>
#include <vector>

#include "bench/common/peak_memory.h"
#include "bench/common/registration.h"
#include "bench/common/standin_connection.h"
#include "bench/read/read_fixture.h"
#include "dblib/include/sqldef.h"

namespace velar_bench {
namespace {

constexpr int kWidth = 25;
constexpr int kColumns = 5;

// Row r's entries point into the rth row of one block, as a caller lays it out.
struct Row {
  std::int32_t id;
  double price;
  char name[41];
  dbt_timestamp made;
  double amount;
};

void Read(benchmark::State& state, int rows) {
  static StandInConnection connected(TheReadDatabase().file());
  if (!Require(state, connected.ready(), "the stand-in could not connect")) return;
  dblib_bench::Library& lib = connected.lib;
  sqlca& ca = connected.ca;
  PeakMemory peak;
  int16_t number = 0;
  std::string query = ReadQuery(rows);
  lib.dbpp_prepare(&ca, nullptr, "bench", &number, query.c_str(), nullptr, 1);
  std::vector<Row> block(kWidth);
  sqlda* d = lib.alloc_sqlda(kWidth * kColumns);
  d->sqld = d->sqln;
  for (int r = 0; r < kWidth; ++r) {
    sqlvar* v = &d->sqlvar[r * kColumns];
    Row& row = block[static_cast<size_t>(r)];
    v[0] = {DBT_INT | DBT_NULLABLE, 4, &row.id, v[0].sqlind, {}};
    v[1] = {DBT_DOUBLE | DBT_NULLABLE, 8, &row.price, v[1].sqlind, {}};
    v[2] = {DBT_STRING | DBT_NULLABLE, 41, row.name, v[2].sqlind, {}};
    v[3] = {DBT_TIMESTAMP_STRUCT | DBT_NULLABLE, 14, &row.made, v[3].sqlind, {}};
    v[4] = {DBT_DOUBLE | DBT_NULLABLE, 8, &row.amount, v[4].sqlind, {}};
  }
  const unsigned short options = DBCUR_READ_ONLY | DBCUR_NO_SCROLL;
  for (auto _ : state) {
    lib.dbpp_declare(&ca, "bench", nullptr, "bench", &number, options);
    lib.dbpp_open(&ca, "bench", nullptr, "bench", &number, nullptr, kWidth, 0, options);
    long read = 0;
    for (;;) {
      lib.dbpp_fetch_array(&ca, "bench", DBFETCH_RELATIVE, 1, d, 0, 0, kWidth);
      if (ca.sqlcode != 0) break;
      read += SQLCOUNT(&ca);
      benchmark::DoNotOptimize(block.data());
    }
    bool ok = ca.sqlcode == DBE_NOT_FOUND && read == rows;
    lib.dbpp_close(&ca, "bench");
    if (!Require(state, ok, "fetch failed")) break;
  }
  lib.free_sqlda(d);
  lib.dbpp_dropstmt(&ca, nullptr, "bench", &number);
  state.counters["peak_kib"] = static_cast<double>(peak.GrowthKiB());
  state.SetItemsProcessed(state.iterations() * rows);
}

[[maybe_unused]] const bool registered = [] {
  Timed("read/dblib", [](benchmark::State& s) { Read(s, kReadRows); });
  for (int rows : kMemoryRowCounts)
    Memory("read_" + RowCountName(rows) + "/dblib", [rows](benchmark::State& s) { Read(s, rows); });
  return true;
}();

}  // namespace
}  // namespace velar_bench
