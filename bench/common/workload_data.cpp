#include "bench/common/workload_data.h"

#include <sqlite3.h>

#include <cstdio>

#include "bench/bench_dblib_support.h"

namespace velar_bench {
namespace {

int digits(const unsigned char* at, int count) {
  int value = 0;
  for (int i = 0; i < count; ++i)
    value = value * 10 + (at[i] - '0');
  return value;
}

}  // namespace

Stamp ParseStamp(const unsigned char* text, int size) {
  if (text == nullptr || size < 19) return Stamp{};
  return {digits(text, 4),
          digits(text + 5, 2),
          digits(text + 8, 2),
          digits(text + 11, 2),
          digits(text + 14, 2),
          digits(text + 17, 2),
          0};
}

int FormatStamp(const Stamp& s, char* out) {
  return std::snprintf(out, 20, "%04d-%02d-%02d %02d:%02d:%02d", s.year % 10000, s.month % 100,
                       s.day % 100, s.hour % 100, s.minute % 100, s.second % 100);
}

void MakeInsertRow(int i, InsertRow& row) {
  row.id = i;
  row.price = i * 0.25;
  row.name_length = std::snprintf(row.name, sizeof row.name, "customer name %d", i);
  row.made = {2020 + i % 5, 1 + i % 12, 1 + i % 28, i % 24, i % 60, (i / 60) % 60, 0};
  row.amount = (i % 100000) / 16.0;
}

std::string FindKey(int i) {
  char key[32];
  std::snprintf(key, sizeof key, "Customer %07d", i);
  return key;
}

bool CreateDatabase(const std::string& file) {
  dblib_bench::Library lib;
  return lib.handle != nullptr && lib.dblib_test_create_database != nullptr &&
         lib.dblib_test_create_database(file.c_str()) == 0;
}

bool ExecuteOn(const std::string& file, const char* sql) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
            sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

bool FillReadTable(const std::string& file, int rows) {
  std::string fill = std::string(kCreateTable) +
                     "; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                     std::to_string(rows) +
                     ") INSERT INTO t SELECT i, i * 0.25, 'customer name ' || i, "
                     "datetime(1500000000 + i * 37, 'unixepoch'), round(i / 7.0, 4) FROM n";
  return ExecuteOn(file, fill.c_str());
}

bool FillFindTable(const std::string& file, int rows) {
  std::string fill =
      "CREATE TABLE k(id INTEGER, name VARCHAR(40)); "
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
      std::to_string(rows) + ") INSERT INTO k SELECT i, printf('Customer %07d', i) FROM n";
  return ExecuteOn(file, fill.c_str());
}

}  // namespace velar_bench
