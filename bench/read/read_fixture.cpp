#include "bench/read/read_fixture.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace velar_bench {

const ScratchDatabase& TheReadDatabase() {
  static const ScratchDatabase database(
      "read", [](const std::string& file) { return FillReadTable(file, kReadRows); });
  return database;
}

std::string ReadQuery(int rows) {
  if (rows >= kReadRows) return kReadQuery;
  return std::string(kReadQuery) + " LIMIT " + std::to_string(rows);
}

void RowValues::SetName(const char* text, size_t length) {
  if (length > 40) length = 40;
  std::memcpy(name, text, length);
  name[length] = '\0';
}

void RowValues::Keep() {
  benchmark::DoNotOptimize(id);
  benchmark::DoNotOptimize(price);
  benchmark::DoNotOptimize(name);
  benchmark::DoNotOptimize(made);
  benchmark::DoNotOptimize(amount);
}

std::string RowCountName(int rows) {
  return rows % 1000000 == 0 ? std::to_string(rows / 1000000) + "m"
                             : std::to_string(rows / 1000) + "k";
}

}  // namespace velar_bench
