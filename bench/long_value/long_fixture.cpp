#include "bench/long_value/long_fixture.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "bench/common/registration.h"
#include "bench/common/sqlite_handle.h"
#include "bench/common/workload_data.h"

namespace velar_bench {

namespace {

char PatternByte(size_t i) {
  return static_cast<char>('a' + (i * 7 + i / 4096) % 26);
}

}  // namespace

std::string LongValue(int mib) {
  std::string value(static_cast<size_t>(mib) << 20, '\0');
  for (size_t i = 0; i < value.size(); ++i)
    value[i] = PatternByte(i);
  return value;
}

std::string SizeName(int mib) {
  return std::to_string(mib) + "m";
}

void RegisterLongRuns(const std::string& subject, LongRun write, LongRun read, bool memory) {
  for (int mib : kLongSizesMiB) {
    std::string write_name = "long_write_" + SizeName(mib) + "/" + subject;
    std::string read_name = "long_read_" + SizeName(mib) + "/" + subject;
    auto writing = [write, mib](benchmark::State& state) { write(state, mib); };
    auto reading = [read, mib](benchmark::State& state) { read(state, mib); };
    Timed(write_name, writing);
    Timed(read_name, reading);
    // Peak memory is judged at the largest size, each run in a process of
    // its own: the smaller sizes would only lengthen the run.
    if (memory && mib == kLongSizesMiB[std::size(kLongSizesMiB) - 1]) {
      Memory(write_name, writing);
      Memory(read_name, reading);
    }
  }
}

std::unique_ptr<ScratchDatabase> MakeLongWriteDatabase() {
  return std::make_unique<ScratchDatabase>(
      "write", [](const std::string& file) { return ExecuteOn(file, kCreateLongTable); });
}

bool IsLongValue(const char* data, size_t size, int mib) {
  if (size != static_cast<size_t>(mib) << 20) return false;
  for (size_t i = 0; i < size; i += 4099)
    if (data[i] != PatternByte(i)) return false;
  return size == 0 || data[size - 1] == PatternByte(size - 1);
}

bool HoldsLongValue(const std::string& file, int mib) {
  SqliteHandle db = OpenSqlite(file, false);
  sqlite3_blob* blob = nullptr;
  bool same = db && OpenLongValue(db.get(), mib, false, &blob);
  const size_t size = same ? static_cast<size_t>(sqlite3_blob_bytes(blob)) : 0;
  same = same && size == static_cast<size_t>(mib) << 20;
  std::vector<char> piece(kPieceBytes);
  for (size_t at = 0; same && at < size; at += piece.size()) {
    int count = static_cast<int>(std::min(piece.size(), size - at));
    same = sqlite3_blob_read(blob, piece.data(), count, static_cast<int>(at)) == SQLITE_OK;
    for (int i = 0; same && i < count; ++i)
      same = piece[static_cast<size_t>(i)] == PatternByte(at + static_cast<size_t>(i));
  }
  sqlite3_blob_close(blob);
  return same;
}

bool OpenLongValue(sqlite3* db, int mib, bool for_writing, sqlite3_blob** blob) {
  sqlite3_stmt* stmt = nullptr;
  sqlite3_int64 rowid = 0;
  bool found =
      sqlite3_prepare_v2(db, "SELECT rowid FROM b WHERE id = ?", -1, &stmt, nullptr) == SQLITE_OK;
  if (found) {
    sqlite3_bind_int(stmt, 1, mib);
    found = sqlite3_step(stmt) == SQLITE_ROW;
    if (found) rowid = sqlite3_column_int64(stmt, 0);
  }
  sqlite3_finalize(stmt);
  return found &&
         sqlite3_blob_open(db, "main", "b", "data", rowid, for_writing ? 1 : 0, blob) == SQLITE_OK;
}

namespace {

// Creates b in file with one row per size, id = mib, holding LongValue(mib).
bool FillLongTable(const std::string& file) {
  if (!ExecuteOn(file, kCreateLongTable)) return false;
  SqliteHandle db = OpenSqlite(file, true);
  sqlite3_stmt* stmt = nullptr;
  bool ok = db && sqlite3_prepare_v2(db.get(), "INSERT INTO b VALUES (?, ?)", -1, &stmt, nullptr) ==
                      SQLITE_OK;
  for (int mib : kLongSizesMiB) {
    if (!ok) break;
    std::string value = LongValue(mib);
    sqlite3_bind_int(stmt, 1, mib);
    sqlite3_bind_blob(stmt, 2, value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
    ok = sqlite3_step(stmt) == SQLITE_DONE;
    sqlite3_reset(stmt);
  }
  sqlite3_finalize(stmt);
  return ok;
}

}  // namespace

const ScratchDatabase& TheLongReadDatabase() {
  static const ScratchDatabase database("read", FillLongTable);
  return database;
}

}  // namespace velar_bench
