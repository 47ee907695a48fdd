// Reading through a cursor against reading through SQLite's C API, in one
// program over the same database file: 1,000,000 rows of five columns
// (integer, double, varchar(40), timestamp, numeric(10,4)).
//  - BM_SqliteRead steps one prepared statement and reads each row into C++
//    values (the timestamp text parsed into its fields);
//  - BM_DblibFetch reads the same rows through a forward-only cursor of the
//    stand-in, 25 rows per dbpp_fetch_array, into the host types a caller
//    binds (int, double, terminated string, 14-byte timestamp record, double).
// The counter rss_growth_kb is how much the resident set grew between the
// first block and the end of the read: it stays flat when nothing is kept per
// row.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_dblib_support.h"
#include "dblib/include/sqldef.h"

namespace {

constexpr int kRows = 1000000;
constexpr int kWidth = 25;
constexpr int kColumns = 5;
constexpr const char* kQuery = "SELECT id, price, name, made, amount FROM t";

long resident_kb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

using dblib_bench::Library;
using dblib_bench::TempDir;

// One database for both readers, filled once through the library.
struct Fixture {
  Fixture() {
    file = dir.Path() + "/fetch.db";
    if (lib.handle == nullptr || !lib.connect_new(ca, dir.Path(), "fetch")) return;
    lib.dbpp_execute_imm(
        &ca,
        "CREATE TABLE t(id INTEGER, price DOUBLE, name VARCHAR(40), made TIMESTAMP, "
        "amount NUMERIC(10,4))",
        2);
    lib.dbpp_execute_imm(&ca,
                         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                         "1000000) INSERT INTO t SELECT i, i * 0.25, 'customer name ' || i, "
                         "datetime(1500000000 + i * 37, 'unixepoch'), round(i / 7.0, 4) FROM n",
                         2);
    lib.dbpp_commit(&ca, 0);
    ready = ca.sqlcode == 0;
  }
  ~Fixture() {
    if (lib.handle != nullptr) lib.db_fini(&ca);
  }
  TempDir dir;
  Library lib;
  sqlca ca{};
  std::string file;
  bool ready = false;
};

Fixture& fixture() {
  static Fixture shared;
  return shared;
}

// What a C++ program keeps of a timestamp.
struct Stamp {
  int year, month, day, hour, minute, second, microsecond;
};

int digits(const unsigned char* at, int count) {
  int value = 0;
  for (int i = 0; i < count; ++i)
    value = value * 10 + (at[i] - '0');
  return value;
}

Stamp parse_stamp(const unsigned char* text, int size) {
  Stamp s{};
  if (size < 19) return s;
  s = {digits(text, 4),
       digits(text + 5, 2),
       digits(text + 8, 2),
       digits(text + 11, 2),
       digits(text + 14, 2),
       digits(text + 17, 2),
       0};
  return s;
}

void BM_SqliteRead(benchmark::State& state) {
  Fixture& f = fixture();
  if (!f.ready) {
    state.SkipWithError("the database could not be made");
    return;
  }
  sqlite3* db = nullptr;
  sqlite3_open_v2(f.file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  long growth = 0;
  for (auto _ : state) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, kQuery, -1, &stmt, nullptr);
    int32_t id = 0;
    double price = 0, amount = 0;
    char name[41];
    Stamp made{};
    long rows = 0, start_kb = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      id = sqlite3_column_int(stmt, 0);
      price = sqlite3_column_double(stmt, 1);
      const unsigned char* text = sqlite3_column_text(stmt, 2);
      size_t length = static_cast<size_t>(sqlite3_column_bytes(stmt, 2));
      if (length > 40) length = 40;
      std::memcpy(name, text, length);
      name[length] = '\0';
      made = parse_stamp(sqlite3_column_text(stmt, 3), sqlite3_column_bytes(stmt, 3));
      amount = sqlite3_column_double(stmt, 4);
      benchmark::DoNotOptimize(id);
      benchmark::DoNotOptimize(price);
      benchmark::DoNotOptimize(name);
      benchmark::DoNotOptimize(made);
      benchmark::DoNotOptimize(amount);
      if (++rows == kWidth) start_kb = resident_kb();
    }
    growth = resident_kb() - start_kb;
    sqlite3_finalize(stmt);
    if (rows != kRows) state.SkipWithError("wrong row count");
  }
  sqlite3_close(db);
  state.counters["rss_growth_kb"] = static_cast<double>(growth);
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_DblibFetch(benchmark::State& state) {
  Fixture& f = fixture();
  if (!f.ready) {
    state.SkipWithError("the database could not be made");
    return;
  }
  Library& lib = f.lib;
  sqlca& ca = f.ca;
  int16_t number = 0;
  lib.dbpp_prepare(&ca, nullptr, "bench", &number, kQuery, nullptr, 1);
  // Row r's entries point into the rth row of one block, as a caller lays it out.
  struct Row {
    int32_t id;
    double price;
    char name[41];
    dbt_timestamp made;
    double amount;
  };
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
  long growth = 0;
  for (auto _ : state) {
    lib.dbpp_declare(&ca, "bench", nullptr, "bench", &number, options);
    lib.dbpp_open(&ca, "bench", nullptr, "bench", &number, nullptr, kWidth, 0, options);
    long rows = 0, start_kb = 0;
    for (;;) {
      lib.dbpp_fetch_array(&ca, "bench", DBFETCH_RELATIVE, 1, d, 0, 0, kWidth);
      if (ca.sqlcode != 0) break;
      rows += SQLCOUNT(&ca);
      benchmark::DoNotOptimize(block.data());
      if (start_kb == 0) start_kb = resident_kb();
    }
    growth = resident_kb() - start_kb;
    if (ca.sqlcode != DBE_NOT_FOUND || rows != kRows) state.SkipWithError("fetch failed");
    lib.dbpp_close(&ca, "bench");
  }
  lib.free_sqlda(d);
  state.counters["rss_growth_kb"] = static_cast<double>(growth);
  state.SetItemsProcessed(state.iterations() * kRows);
}

}  // namespace

BENCHMARK(BM_SqliteRead)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DblibFetch)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
