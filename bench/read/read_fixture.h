// Workloads 1 and 2: one database of kReadRows rows, made once per program in
// a scratch directory and read by every subject.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "bench/common/scratch_database.h"
#include "bench/common/workload_data.h"

namespace velar_bench {

// The program's database, made on first use.
const ScratchDatabase& TheReadDatabase();

// The forward query limited to rows rows (all of them for kReadRows).
std::string ReadQuery(int rows);

// What a program keeps of one row, whichever way it came.
struct RowValues {
  std::int32_t id = 0;
  double price = 0;
  char name[41] = {};
  Stamp made{};
  double amount = 0;
  // Copies text, cut to the column's 40 characters, into name.
  void SetName(const char* text, size_t length);
  // Keeps the compiler from dropping the reads that filled the values.
  void Keep();
};

// Row counts of the memory runs: peak memory must not grow with them.
inline constexpr int kMemoryRowCounts[] = {100000, kReadRows};
// "100k", "1m": how the memory runs name a row count.
std::string RowCountName(int rows);

}  // namespace velar_bench
