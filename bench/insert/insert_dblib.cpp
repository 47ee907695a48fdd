// Workload 3 through the DBLib stand-in alone: one statement prepared once
// and run with dbpp_execute_into for each row, five host variables in the
// types a caller binds (int, double, terminated string, 14-byte timestamp
// record, double), inside one transaction. It shows the stand-in's share of
// Velar's time.
#include <cstring>

#include "bench/common/registration.h"
#include "bench/common/standin_connection.h"
#include "bench/insert/insert_fixture.h"
#include "dblib/include/sqldef.h"

namespace velar_bench {
namespace {

bool InsertAll(StandInConnection& connection) {
  dblib_bench::Library& lib = connection.lib;
  sqlca& ca = connection.ca;
  int16_t number = 0;
  lib.dbpp_prepare(&ca, nullptr, "bench", &number, kInsertStatement, nullptr, 1);
  if (ca.sqlcode != 0) return false;
  InsertRow row;
  dbt_timestamp made{};
  sqlda* in = lib.alloc_sqlda(5);
  in->sqld = 5;
  sqlvar* v = in->sqlvar;
  v[0] = {DBT_INT, 4, &row.id, v[0].sqlind, {}};
  v[1] = {DBT_DOUBLE, 8, &row.price, v[1].sqlind, {}};
  v[2] = {DBT_STRING, sizeof row.name, row.name, v[2].sqlind, {}};
  v[3] = {DBT_TIMESTAMP_STRUCT, sizeof made, &made, v[3].sqlind, {}};
  v[4] = {DBT_DOUBLE, 8, &row.amount, v[4].sqlind, {}};
  bool ok = true;
  for (int i = 0; i < kInsertRows && ok; ++i) {
    MakeInsertRow(i, row);
    made.year = static_cast<int16_t>(row.made.year);
    made.month = static_cast<uint8_t>(row.made.month - 1);
    made.day = static_cast<uint8_t>(row.made.day);
    made.hour = static_cast<uint8_t>(row.made.hour);
    made.minute = static_cast<uint8_t>(row.made.minute);
    made.second = static_cast<uint8_t>(row.made.second);
    lib.dbpp_execute_into(&ca, nullptr, "bench", &number, in, nullptr);
    ok = ca.sqlcode == 0;
  }
  lib.free_sqlda(in);
  lib.dbpp_dropstmt(&ca, nullptr, "bench", &number);
  if (ok) lib.dbpp_commit(&ca, 0);
  return ok && ca.sqlcode == 0;
}

void Insert(benchmark::State& state) {
  RunInserts(state, ConnectWhenReady<StandInConnection>, InsertAll);
}

[[maybe_unused]] const bool registered = [] {
  Timed("insert/dblib", Insert, 3);
  return true;
}();

}  // namespace
}  // namespace velar_bench
