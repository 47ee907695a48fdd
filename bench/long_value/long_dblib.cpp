// Workload 4 through the DBLib stand-in alone, the way Velar moves long
// values: written through an SQL variable in 32,765-byte chunks (each
// chunk's statement prepared, run and dropped) and then inserted from the
// variable; read back from a cursor with dbpp_get_data, one piece at a time.
// It shows the stand-in's share of Velar's time.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/common/peak_memory.h"
#include "bench/common/registration.h"
#include "bench/common/standin_connection.h"
#include "bench/long_value/long_fixture.h"
#include "dblib/include/sqldef.h"

namespace velar_bench {
namespace {

bool Immediate(dblib_bench::Library& lib, sqlca& ca, const std::string& sql) {
  lib.dbpp_execute_imm(&ca, sql.c_str(), 2);
  return ca.sqlcode == 0;
}

bool WriteValue(StandInConnection& connection, int mib, const std::string& value) {
  dblib_bench::Library& lib = connection.lib;
  sqlca& ca = connection.ca;
  if (!Immediate(lib, ca, "create variable blobparam1 long binary") ||
      !Immediate(lib, ca, "set blobparam1=''"))
    return false;
  std::vector<char> buffer(DBT_LONG_CHUNK + 2);
  sqlda* in = lib.alloc_sqlda(1);
  in->sqld = 1;
  bool ok = true;
  for (size_t sent = 0; ok && sent < value.size(); sent += DBT_LONG_CHUNK) {
    uint16_t chunk = static_cast<uint16_t>(std::min<size_t>(DBT_LONG_CHUNK, value.size() - sent));
    std::memcpy(buffer.data(), &chunk, 2);
    std::memcpy(buffer.data() + 2, value.data() + sent, chunk);
    in->sqlvar[0] = {
        DBT_BINARY, static_cast<int16_t>(chunk + 2), buffer.data(), in->sqlvar[0].sqlind, {}};
    int16_t number = 0;
    lib.dbpp_prepare(&ca, nullptr, "bench", &number, "set blobparam1=blobparam1 || :blob_host",
                     nullptr, 1);
    lib.dbpp_execute_into(&ca, nullptr, "bench", &number, in, nullptr);
    ok = ca.sqlcode == 0;
    lib.dbpp_dropstmt(&ca, nullptr, "bench", &number);
  }
  // The row takes the value from the variable: an entry of type 600 names it.
  if (ok) {
    sqlda* row = lib.alloc_sqlda(2);
    row->sqld = 2;
    std::int32_t id = mib;
    char variable[] = "blobparam1";
    row->sqlvar[0] = {DBT_INT, 4, &id, row->sqlvar[0].sqlind, {}};
    row->sqlvar[1] = {DBT_VARIABLE, sizeof variable, variable, row->sqlvar[1].sqlind, {}};
    int16_t number = 0;
    lib.dbpp_prepare(&ca, nullptr, "bench", &number, "INSERT INTO b VALUES (?, ?)", nullptr, 1);
    lib.dbpp_execute_into(&ca, nullptr, "bench", &number, row, nullptr);
    ok = ca.sqlcode == 0;
    lib.dbpp_dropstmt(&ca, nullptr, "bench", &number);
    lib.free_sqlda(row);
  }
  lib.free_sqlda(in);
  ok = Immediate(lib, ca, "drop variable blobparam1") && ok;
  if (ok) lib.dbpp_commit(&ca, 0);
  return ok && ca.sqlcode == 0;
}

void Write(benchmark::State& state, int mib) {
  PeakMemory peak;
  const std::string value = LongValue(mib);
  OnFreshDatabases(
      state, MakeLongWriteDatabase, ConnectWhenReady<StandInConnection>,
      [&](StandInConnection& connection) { return WriteValue(connection, mib, value); },
      [mib](const std::string& file) { return HoldsLongValue(file, mib); });
  state.counters["peak_kib"] = static_cast<double>(peak.GrowthKiB());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(value.size()));
}

// Opens a cursor on row id = mib, stands on it and gathers its value piece by
// piece, as a blob stream loads it: one growing block.
bool ReadValue(dblib_bench::Library& lib, sqlca& ca, int mib, std::string& value) {
  std::string query = "SELECT data FROM b WHERE id = " + std::to_string(mib);
  int16_t number = 0;
  lib.dbpp_prepare(&ca, nullptr, "bench", &number, query.c_str(), nullptr, 1);
  const unsigned short options = DBCUR_READ_ONLY | DBCUR_NO_SCROLL;
  lib.dbpp_declare(&ca, "bench", nullptr, "bench", &number, options);
  lib.dbpp_open(&ca, "bench", nullptr, "bench", &number, nullptr, 1, 0, options);
  std::vector<char> piece(kPieceBytes);
  sqlda* d = lib.alloc_sqlda(1);
  d->sqld = 1;
  uint16_t head = 0;
  d->sqlvar[0] = {DBT_BINARY | DBT_NULLABLE, 2, &head, d->sqlvar[0].sqlind, {}};
  lib.dbpp_fetch_array(&ca, "bench", DBFETCH_RELATIVE, 1, d, 0, 0, 1);
  bool ok = ca.sqlcode == 0 || ca.sqlcode == DBE_TRUNCATED;
  value.clear();
  d->sqlvar[0] = {DBT_BINARY | DBT_NULLABLE, kPieceBytes, piece.data(), d->sqlvar[0].sqlind, {}};
  while (ok) {
    lib.dbpp_get_data(&ca, "bench", 1, static_cast<int32_t>(value.size()), d, 0);
    uint16_t count = 0;
    std::memcpy(&count, piece.data(), 2);
    if (ca.sqlcode == 0 || ca.sqlcode == DBE_TRUNCATED) value.append(piece.data() + 2, count);
    if (ca.sqlcode != DBE_TRUNCATED) break;
  }
  ok = ok && ca.sqlcode == 0;
  lib.free_sqlda(d);
  lib.dbpp_close(&ca, "bench");
  lib.dbpp_dropstmt(&ca, nullptr, "bench", &number);
  return ok;
}

void Read(benchmark::State& state, int mib) {
  static StandInConnection connection(TheLongReadDatabase().file());
  if (!Require(state, connection.ready(), "the stand-in could not connect")) return;
  PeakMemory peak;
  for (auto _ : state) {
    std::string value;
    bool ok = ReadValue(connection.lib, connection.ca, mib, value);
    Untimed(state, [&] { ok = ok && IsLongValue(value.data(), value.size(), mib); });
    if (!Require(state, ok, "read failed")) break;
  }
  state.counters["peak_kib"] = static_cast<double>(peak.GrowthKiB());
  state.SetBytesProcessed(state.iterations() * (static_cast<int64_t>(mib) << 20));
}

[[maybe_unused]] const bool registered = [] {
  RegisterLongRuns("dblib", Write, Read, true);
  return true;
}();

}  // namespace
}  // namespace velar_bench
