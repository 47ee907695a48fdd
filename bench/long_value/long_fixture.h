// Workload 4: one long value of 1, 16 or 64 MiB, written into an empty table
// of a fresh database, or read back from a database that holds all three.
#pragma once

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>
#include <string>

#include "bench/common/scratch_database.h"

namespace velar_bench {

inline constexpr int kLongSizesMiB[] = {1, 16, 64};
// The piece every subject moves at a time, as Velar's piece buffer does.
inline constexpr int kPieceBytes = 32767;
inline constexpr const char* kCreateLongTable = "CREATE TABLE b(id INTEGER, data LONG BINARY)";

// One subject's write or read of a value of mib MiB.
using LongRun = void (*)(benchmark::State& state, int mib);
// Registers subject's timed write and read runs at every size, and its
// memory runs at the largest size when memory is true.
void RegisterLongRuns(const std::string& subject, LongRun write, LongRun read, bool memory);

// A value of mib MiB in a recognisable pattern, as an application holds it.
std::string LongValue(int mib);
// "1m", "64m": how runs name a size.
std::string SizeName(int mib);

// A fresh database with the empty table b, for one write.
std::unique_ptr<ScratchDatabase> MakeLongWriteDatabase();

// True when data holds LongValue(mib), judged by its size and a sample of its
// bytes (a full copy to compare with would distort the memory figures).
bool IsLongValue(const char* data, size_t size, int mib);
// True when row id = mib of b in file holds LongValue(mib), read in pieces.
bool HoldsLongValue(const std::string& file, int mib);

// Opens the blob of row id = mib of b for incremental I/O.
bool OpenLongValue(sqlite3* db, int mib, bool for_writing, sqlite3_blob** blob);

// The program's database for reads: row id = mib holds LongValue(mib) for
// every size; made on first use.
const ScratchDatabase& TheLongReadDatabase();

}  // namespace velar_bench
