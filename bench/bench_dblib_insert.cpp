// The stand-in against SQLite's C API in one program:
//  - 100,000 inserts through dbpp_execute_into with one prepared statement,
//    against the same inserts through sqlite3_step with one prepared statement
//    (both in one transaction, same journal mode and synchronous setting);
//  - a long value sent through an SQL variable in 32,765-byte chunks, at two
//    sizes, to show the cost per byte stays flat.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_dblib_support.h"
#include "dblib/include/sqldef.h"

namespace {

constexpr int kRows = 100000;

using dblib_bench::Library;
using dblib_bench::TempDir;

void BM_SqliteInsert(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    TempDir dir;
    std::string file = dir.Path() + "/raw.db";
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA foreign_keys=ON", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "CREATE TABLE t(id INTEGER, name VARCHAR(40), price DOUBLE)", nullptr, nullptr,
                 nullptr);
    state.ResumeTiming();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?, ?, ?)", -1, &stmt, nullptr);
    char name[41];
    for (int i = 0; i < kRows; ++i) {
      int length = std::snprintf(name, sizeof name, "item %d", i);
      sqlite3_bind_int(stmt, 1, i);
      sqlite3_bind_text(stmt, 2, name, length, SQLITE_STATIC);
      sqlite3_bind_double(stmt, 3, i * 0.5);
      if (sqlite3_step(stmt) != SQLITE_DONE) state.SkipWithError("insert failed");
      sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    state.PauseTiming();
    sqlite3_close(db);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_DblibInsert(benchmark::State& state) {
  Library lib;
  if (lib.handle == nullptr) {
    state.SkipWithError(dlerror());
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    TempDir dir;
    sqlca ca{};
    lib.connect_new(ca, dir.Path(), "bench");
    lib.dbpp_execute_imm(&ca, "CREATE TABLE t(id INTEGER, name VARCHAR(40), price DOUBLE)", 2);
    lib.dbpp_commit(&ca, 0);
    state.ResumeTiming();
    int16_t number = 0;
    lib.dbpp_prepare(&ca, nullptr, "bench", &number, "INSERT INTO t VALUES (?, ?, ?)", nullptr, 1);
    sqlda* in = lib.alloc_sqlda(3);
    in->sqld = 3;
    int32_t id = 0;
    char name[41];
    double price = 0;
    in->sqlvar[0] = {DBT_INT, 4, &id, in->sqlvar[0].sqlind, {}};
    in->sqlvar[1] = {DBT_STRING, sizeof name, name, in->sqlvar[1].sqlind, {}};
    in->sqlvar[2] = {DBT_DOUBLE, 8, &price, in->sqlvar[2].sqlind, {}};
    for (int i = 0; i < kRows; ++i) {
      id = i;
      std::snprintf(name, sizeof name, "item %d", i);
      price = i * 0.5;
      lib.dbpp_execute_into(&ca, nullptr, "bench", &number, in, nullptr);
      if (ca.sqlcode != 0) state.SkipWithError("insert failed");
    }
    lib.free_sqlda(in);
    lib.dbpp_dropstmt(&ca, nullptr, "bench", &number);
    lib.dbpp_commit(&ca, 0);
    state.PauseTiming();
    lib.db_fini(&ca);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

// Sends state.range(0) MiB through "set v = v || :x" in 32,765-byte chunks,
// preparing each chunk's statement as a caller that sends values this way does.
void BM_DblibChunkedValue(benchmark::State& state) {
  Library lib;
  if (lib.handle == nullptr) {
    state.SkipWithError(dlerror());
    return;
  }
  TempDir dir;
  sqlca ca{};
  lib.connect_new(ca, dir.Path(), "chunks");
  const size_t total = static_cast<size_t>(state.range(0)) << 20;
  std::vector<char> buffer(DBT_LONG_CHUNK + 2, 'x');
  sqlda* in = lib.alloc_sqlda(1);
  in->sqld = 1;
  for (auto _ : state) {
    lib.dbpp_execute_imm(&ca, "create variable blobparam1 long binary", 2);
    lib.dbpp_execute_imm(&ca, "set blobparam1=''", 2);
    for (size_t sent = 0; sent < total; sent += DBT_LONG_CHUNK) {
      uint16_t chunk = static_cast<uint16_t>(std::min<size_t>(DBT_LONG_CHUNK, total - sent));
      std::memcpy(buffer.data(), &chunk, 2);
      in->sqlvar[0] = {
          DBT_BINARY, static_cast<int16_t>(chunk + 2), buffer.data(), in->sqlvar[0].sqlind, {}};
      int16_t number = 0;
      lib.dbpp_prepare(&ca, nullptr, "bench", &number, "set blobparam1=blobparam1 || :blob_host",
                       nullptr, 1);
      lib.dbpp_execute_into(&ca, nullptr, "bench", &number, in, nullptr);
      if (ca.sqlcode != 0) state.SkipWithError("chunk failed");
      lib.dbpp_dropstmt(&ca, nullptr, "bench", &number);
    }
    lib.dbpp_execute_imm(&ca, "drop variable blobparam1", 2);
  }
  lib.free_sqlda(in);
  lib.db_fini(&ca);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
}

}  // namespace

BENCHMARK(BM_SqliteInsert)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DblibInsert)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DblibChunkedValue)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
