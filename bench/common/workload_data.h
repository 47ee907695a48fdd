// The data every subject of a workload reads or writes, so that each program
// compares like with like: the same table, the same query, the same values.
#pragma once

#include <cstdint>
#include <string>

namespace velar_bench {

// Workloads 1 and 2: a table of five columns, one of each kind a program
// commonly reads.
inline constexpr int kReadRows = 1000000;
inline constexpr const char* kCreateTable =
    "CREATE TABLE t(id INTEGER, price DOUBLE, name VARCHAR(40), made TIMESTAMP, "
    "amount NUMERIC(10,4))";
inline constexpr const char* kReadQuery = "SELECT id, price, name, made, amount FROM t";
// The same rows last to first, for readers without a scrolling cursor.
inline constexpr const char* kReadBackwardQuery =
    "SELECT id, price, name, made, amount FROM t ORDER BY rowid DESC";

// Workload 3: rows inserted one prepared statement at a time.
inline constexpr int kInsertRows = 100000;
inline constexpr const char* kInsertStatement = "INSERT INTO t VALUES (?, ?, ?, ?, ?)";

// Workload 5: a keyed table searched for its last row.
inline constexpr int kFindRows = 100000;

// A timestamp as a C++ program keeps it.
struct Stamp {
  int year, month, day, hour, minute, second, microsecond;
};

// Parses "yyyy-mm-dd hh:nn:ss" (as SQLite stores it); a shorter text gives
// a zero stamp.
Stamp ParseStamp(const unsigned char* text, int size);
// Writes "yyyy-mm-dd hh:nn:ss" and its terminator into out (20 bytes) and
// answers the length.
int FormatStamp(const Stamp& stamp, char* out);

// The values of the ith row of workload 3, in C++ types.
struct InsertRow {
  std::int32_t id;
  double price;
  char name[41];
  int name_length;
  Stamp made;
  double amount;
};
void MakeInsertRow(int i, InsertRow& row);

// The key of the ith row of workload 5, in the case it is stored.
std::string FindKey(int i);

// Creates a database file the way the DBLib stand-in wants it (with its
// users), through the stand-in that the benchmarks load. False when it could
// not be made.
bool CreateDatabase(const std::string& file);
// Creates table t in file and fills it with rows rows, through SQLite.
bool FillReadTable(const std::string& file, int rows);
// Creates table k(id, name) in file with rows keyed rows, through SQLite.
bool FillFindTable(const std::string& file, int rows);
// Runs one statement on file through SQLite.
bool ExecuteOn(const std::string& file, const char* sql);

}  // namespace velar_bench
