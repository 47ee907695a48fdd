// What the locking of the stand-in costs when several connections work at
// once, against SQLite's C API doing the same with one connection per
// thread (WAL with synchronous NORMAL, so that a commit costs no flush to
// the disk and the turn-taking shows; a busy timeout for the raw writers):
//  - concurrent_insert_N: N writer threads, each on its own connection (an
//    SQLCA of its own), insert kInsertRows rows each, committing every row;
//    the writers take turns at the database's write lock;
//  - concurrent_read_N: N reader threads, each on its own connection, read
//    the whole kReadRows-row table through a forward-only cursor, 25 rows per
//    fetch (the C API steps one statement).
// Runs are named "workload/subject". Every thread's work counts: the time is
// wall-clock time (items_per_second is the throughput of all threads
// together) and the CPU time is the whole process's.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <atomic>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_dblib_support.h"
#include "dblib/include/sqldef.h"

namespace {

constexpr int kInsertRows = 200;
constexpr int kReadRows = 50000;
constexpr int kWidth = 25;

using dblib_bench::Library;
using dblib_bench::TempDir;

// Runs work(t) on threads threads at once and waits for all of them.
template <typename Work>
void on_threads(int threads, Work&& work) {
  std::vector<std::thread> running;
  for (int t = 0; t < threads; ++t)
    running.emplace_back(work, t);
  for (auto& thread : running)
    thread.join();
}

// ------------------------------------------------------------ SQLite's API

sqlite3* open_raw(const std::string& file) {
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  sqlite3_busy_timeout(db, 5000);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
  return db;
}

void BM_SqliteInsert(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  TempDir dir;
  const std::string file = dir.Path() + "/raw.db";
  sqlite3* setup = open_raw(file);
  sqlite3_exec(setup, "CREATE TABLE t(a INTEGER, b INTEGER)", nullptr, nullptr, nullptr);
  std::vector<sqlite3*> connections;
  for (int t = 0; t < threads; ++t)
    connections.push_back(open_raw(file));
  std::atomic<int> failures{0};
  for (auto _ : state) {
    on_threads(threads, [&](int t) {
      sqlite3* db = connections[static_cast<size_t>(t)];
      sqlite3_stmt* insert = nullptr;
      sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?, ?)", -1, &insert, nullptr);
      for (int i = 0; i < kInsertRows; ++i) {
        bool ok = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_bind_int(insert, 1, t);
        sqlite3_bind_int(insert, 2, i);
        ok = ok && sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
        ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
        if (!ok) ++failures;
      }
      sqlite3_finalize(insert);
    });
  }
  if (failures > 0) state.SkipWithError("an insert failed");
  for (sqlite3* db : connections)
    sqlite3_close(db);
  sqlite3_close(setup);
  state.SetItemsProcessed(state.iterations() * threads * kInsertRows);
}

void BM_SqliteRead(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  TempDir dir;
  const std::string file = dir.Path() + "/raw.db";
  sqlite3* setup = open_raw(file);
  std::string fill =
      "CREATE TABLE t(a INTEGER, b DOUBLE, c VARCHAR(40)); WITH RECURSIVE n(i) AS (SELECT 1 UNION "
      "ALL SELECT i + 1 FROM n WHERE i < " +
      std::to_string(kReadRows) + ") INSERT INTO t SELECT i, i * 0.5, 'name ' || i FROM n";
  sqlite3_exec(setup, fill.c_str(), nullptr, nullptr, nullptr);
  std::vector<sqlite3*> connections;
  for (int t = 0; t < threads; ++t)
    connections.push_back(open_raw(file));
  std::atomic<long long> rows{0};
  for (auto _ : state) {
    on_threads(threads, [&](int t) {
      sqlite3* db = connections[static_cast<size_t>(t)];
      sqlite3_stmt* query = nullptr;
      sqlite3_prepare_v2(db, "SELECT a, b, c FROM t", -1, &query, nullptr);
      long long seen = 0;
      char name[41];
      while (sqlite3_step(query) == SQLITE_ROW) {
        benchmark::DoNotOptimize(sqlite3_column_int(query, 0));
        benchmark::DoNotOptimize(sqlite3_column_double(query, 1));
        std::snprintf(name, sizeof name, "%s", sqlite3_column_text(query, 2));
        benchmark::DoNotOptimize(name);
        ++seen;
      }
      sqlite3_finalize(query);
      rows += seen;
    });
  }
  if (rows != static_cast<long long>(state.iterations()) * threads * kReadRows) {
    state.SkipWithError("a reader missed rows");
  }
  for (sqlite3* db : connections)
    sqlite3_close(db);
  sqlite3_close(setup);
  state.SetItemsProcessed(state.iterations() * threads * kReadRows);
}

// ------------------------------------------------------------ the stand-in

// A database with a running engine, and one connected SQLCA per thread.
struct Clients {
  Clients(Library& lib, int threads, const char* engine) : lib(lib), cas(threads + 1) {
    if (lib.handle == nullptr || !lib.connect_new(cas[0], dir.Path(), engine)) return;
    std::string parms = std::string("eng=") + engine + ";dbn=" + engine + ";uid=DBA;pwd=SQL";
    for (sqlca& ca : cas) {
      if (&ca != &cas[0] &&
          (lib.db_init(&ca) == 0 || lib.db_string_connect(&ca, parms.c_str()) == 0)) {
        return;
      }
      lib.dbpp_execute_imm(&ca, "PRAGMA synchronous=NORMAL", 2);
      if (ca.sqlcode != 0) return;
    }
    ready = true;
  }
  ~Clients() {
    for (sqlca& ca : cas)
      lib.db_fini(&ca);
  }
  sqlca& main() { return cas[0]; }
  sqlca& of(int thread) { return cas[static_cast<size_t>(thread) + 1]; }

  Library& lib;
  TempDir dir;
  std::vector<sqlca> cas;
  bool ready = false;
};

void BM_DblibInsert(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  Library lib;
  Clients clients(lib, threads, "writers");
  if (!clients.ready) {
    state.SkipWithError("the stand-in did not start");
    return;
  }
  lib.dbpp_execute_imm(&clients.main(), "CREATE TABLE t(a INTEGER, b INTEGER)", 2);
  lib.dbpp_commit(&clients.main(), 0);
  std::atomic<int> failures{0};
  for (auto _ : state) {
    on_threads(threads, [&](int t) {
      sqlca& ca = clients.of(t);
      int16_t number = 0;
      lib.dbpp_prepare(&ca, nullptr, "bench", &number, "INSERT INTO t VALUES (?, ?)", nullptr, 1);
      sqlda* in = lib.alloc_sqlda(2);
      in->sqld = 2;
      int32_t a = t, b = 0;
      in->sqlvar[0] = {DBT_INT, 4, &a, in->sqlvar[0].sqlind, {}};
      in->sqlvar[1] = {DBT_INT, 4, &b, in->sqlvar[1].sqlind, {}};
      for (b = 0; b < kInsertRows; ++b) {
        lib.dbpp_execute_into(&ca, nullptr, "bench", &number, in, nullptr);
        if (ca.sqlcode == 0) lib.dbpp_commit(&ca, 0);
        if (ca.sqlcode != 0) ++failures;
      }
      lib.free_sqlda(in);
      lib.dbpp_dropstmt(&ca, nullptr, "bench", &number);
    });
  }
  if (failures > 0) state.SkipWithError("an insert failed");
  state.SetItemsProcessed(state.iterations() * threads * kInsertRows);
}

void BM_DblibRead(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  Library lib;
  Clients clients(lib, threads, "readers");
  if (!clients.ready) {
    state.SkipWithError("the stand-in did not start");
    return;
  }
  std::string fill = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                     std::to_string(kReadRows) +
                     ") INSERT INTO t SELECT i, i * 0.5, 'name ' || i FROM n";
  lib.dbpp_execute_imm(&clients.main(), "CREATE TABLE t(a INTEGER, b DOUBLE, c VARCHAR(40))", 2);
  lib.dbpp_execute_imm(&clients.main(), fill.c_str(), 2);
  lib.dbpp_commit(&clients.main(), 0);
  std::atomic<long long> rows{0};
  for (auto _ : state) {
    on_threads(threads, [&](int t) {
      sqlca& ca = clients.of(t);
      int16_t number = 0;
      lib.dbpp_prepare(&ca, nullptr, "bench", &number, "SELECT a, b, c FROM t", nullptr, 1);
      lib.dbpp_declare(&ca, "scan", nullptr, "bench", &number, DBCUR_NO_SCROLL | DBCUR_READ_ONLY);
      lib.dbpp_open(&ca, "scan", nullptr, "bench", &number, nullptr, kWidth, 0,
                    DBCUR_NO_SCROLL | DBCUR_READ_ONLY);
      sqlda* out = lib.alloc_sqlda(3 * kWidth);
      out->sqld = 3 * kWidth;
      std::vector<int32_t> a(kWidth);
      std::vector<double> b(kWidth);
      std::vector<char> c(static_cast<size_t>(kWidth) * 41);
      for (int r = 0; r < kWidth; ++r) {
        sqlvar* row = &out->sqlvar[r * 3];
        row[0] = {DBT_INT, 4, &a[static_cast<size_t>(r)], row[0].sqlind, {}};
        row[1] = {DBT_DOUBLE, 8, &b[static_cast<size_t>(r)], row[1].sqlind, {}};
        row[2] = {DBT_STRING, 41, &c[static_cast<size_t>(r) * 41], row[2].sqlind, {}};
      }
      long long seen = 0;
      for (;;) {
        lib.dbpp_fetch_array(&ca, "scan", DBFETCH_RELATIVE, 1, out, 0, 0, kWidth);
        if (ca.sqlcode != 0) break;
        seen += SQLCOUNT(&ca);
      }
      lib.free_sqlda(out);
      lib.dbpp_close(&ca, "scan");
      lib.dbpp_dropstmt(&ca, nullptr, "bench", &number);
      rows += seen;
    });
  }
  if (rows != static_cast<long long>(state.iterations()) * threads * kReadRows) {
    state.SkipWithError("a reader missed rows");
  }
  state.SetItemsProcessed(state.iterations() * threads * kReadRows);
}

}  // namespace

// Each thread count is a workload of its own ("concurrent_insert_4/dblib"),
// so that a collector keyed by workload and subject keeps them apart.
int main(int argc, char** argv) {
  using Run = void (*)(benchmark::State&);
  const struct {
    const char* workload;
    const char* subject;
    Run run;
    std::initializer_list<int> threads;
  } kRuns[] = {{"concurrent_insert", "sqlite", BM_SqliteInsert, {1, 2, 4}},
               {"concurrent_insert", "dblib", BM_DblibInsert, {1, 2, 4}},
               {"concurrent_read", "sqlite", BM_SqliteRead, {1, 4}},
               {"concurrent_read", "dblib", BM_DblibRead, {1, 4}}};
  for (const auto& run : kRuns) {
    for (int threads : run.threads) {
      std::string name =
          std::string(run.workload) + "_" + std::to_string(threads) + "/" + run.subject;
      benchmark::RegisterBenchmark(name.c_str(), run.run)
          ->Arg(threads)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->MeasureProcessCPUTime();
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
