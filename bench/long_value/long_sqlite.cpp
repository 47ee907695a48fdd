// The baseline of workload 4: SQLite's incremental blob I/O. A write inserts
// a zero-filled value of the right size and fills it in pieces, then
// commits; a read opens the stored value and reads it in pieces into one
// block of its size.
#include <sqlite3.h>

#include <algorithm>
#include <memory>

#include "bench/common/peak_memory.h"
#include "bench/common/registration.h"
#include "bench/common/sqlite_handle.h"
#include "bench/long_value/long_fixture.h"

namespace velar_bench {
namespace {

bool WriteValue(sqlite3* db, int mib, const std::string& value) {
  sqlite3_stmt* stmt = nullptr;
  bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(db, "INSERT INTO b VALUES (?, zeroblob(?))", -1, &stmt, nullptr) ==
                SQLITE_OK;
  if (ok) {
    sqlite3_bind_int(stmt, 1, mib);
    sqlite3_bind_int(stmt, 2, static_cast<int>(value.size()));
    ok = sqlite3_step(stmt) == SQLITE_DONE;
  }
  sqlite3_finalize(stmt);
  sqlite3_blob* blob = nullptr;
  ok = ok && OpenLongValue(db, mib, true, &blob);
  for (size_t at = 0; ok && at < value.size(); at += kPieceBytes) {
    int count = static_cast<int>(std::min<size_t>(kPieceBytes, value.size() - at));
    ok = sqlite3_blob_write(blob, value.data() + at, count, static_cast<int>(at)) == SQLITE_OK;
  }
  sqlite3_blob_close(blob);
  return sqlite3_exec(db, ok ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
}

void Write(benchmark::State& state, int mib) {
  PeakMemory peak;
  const std::string value = LongValue(mib);
  OnFreshDatabases(
      state, MakeLongWriteDatabase, [](const std::string& file) { return OpenSqlite(file, true); },
      [&](sqlite3& db) { return WriteValue(&db, mib, value); },
      [mib](const std::string& file) { return HoldsLongValue(file, mib); });
  state.counters["peak_kib"] = static_cast<double>(peak.GrowthKiB());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(value.size()));
}

void Read(benchmark::State& state, int mib) {
  const ScratchDatabase& database = TheLongReadDatabase();
  if (!Require(state, database.ready(), "the database could not be made")) return;
  PeakMemory peak;
  SqliteHandle db = OpenSqlite(database.file(), false);
  for (auto _ : state) {
    sqlite3_blob* blob = nullptr;
    bool ok = db && OpenLongValue(db.get(), mib, false, &blob);
    const size_t size = ok ? static_cast<size_t>(sqlite3_blob_bytes(blob)) : 0;
    auto data = std::make_unique_for_overwrite<char[]>(size);
    for (size_t at = 0; ok && at < size; at += kPieceBytes) {
      int count = static_cast<int>(std::min<size_t>(kPieceBytes, size - at));
      ok = sqlite3_blob_read(blob, data.get() + at, count, static_cast<int>(at)) == SQLITE_OK;
    }
    sqlite3_blob_close(blob);
    benchmark::DoNotOptimize(data.get());
    Untimed(state, [&] { ok = ok && IsLongValue(data.get(), size, mib); });
    if (!Require(state, ok, "read failed")) break;
  }
  state.counters["peak_kib"] = static_cast<double>(peak.GrowthKiB());
  state.SetBytesProcessed(state.iterations() * (static_cast<int64_t>(mib) << 20));
}

[[maybe_unused]] const bool registered = [] {
  RegisterLongRuns("sqlite", Write, Read, true);
  return true;
}();

}  // namespace
}  // namespace velar_bench
