// Workloads 1 and 2 through Velar: OpenRead on a TAsaSQL, Next to the end,
// every field read with GetFieldValue by number (the field variants made
// once), into the C++ values a program keeps. Workload 1 runs a forward-only
// cursor with MaxFetchCount 1, 25 and 250, to show what block fetching buys;
// workload 2 a scrolling cursor read forward, then from Last back with Prev.
#include "bench/common/peak_memory.h"
#include "bench/common/registration.h"
#include "bench/common/velar_connection.h"
#include "bench/read/read_fixture.h"

namespace velar_bench {
namespace {

// The fields by number, as variants made once: what selects them.
struct FieldNumbers {
  const host::Variant id{0}, price{1}, name{2}, made{3}, amount{4};
};

// Reads the current row's five fields.
void ReadRow(velar::TAsaSQL& sql, const FieldNumbers& field, RowValues& row) {
  row.id = sql.GetFieldValue(field.id).AsInteger();
  row.price = sql.GetFieldValue(field.price).AsDouble();
  const host::Variant name = sql.GetFieldValue(field.name);
  std::string_view text = name.TextView();
  row.SetName(text.data(), text.size());
  // A Velar program keeps a date and time as its TDateTime, as SOCI's keeps a
  // std::tm; the SQLite subjects get text and parse it.
  host::TDateTime made = sql.GetFieldValue(field.made).AsDateTime();
  benchmark::DoNotOptimize(made);
  row.amount = sql.GetFieldValue(field.amount).AsDouble();
  row.Keep();
}

// Reads rows rows forward; with backward_too, then from the last row back to
// the first. Answers the rows read.
long ReadAll(velar::TAsaSQL& sql, const std::string& query, bool backward_too) {
  const FieldNumbers field;
  RowValues row;
  long read = 0;
  if (!sql.OpenRead(query)) return -1;
  for (bool on_row = !sql.Eof(); on_row; on_row = sql.Next()) {
    ReadRow(sql, field, row);
    ++read;
  }
  if (backward_too) {
    for (bool on_row = sql.Last(); on_row; on_row = sql.Prev()) {
      ReadRow(sql, field, row);
      ++read;
    }
  }
  sql.Close();
  return read;
}

void Read(benchmark::State& state, int rows, int fetch_count, bool scrolling) {
  static VelarConnection connection(TheReadDatabase().file());
  if (!Require(state, connection.ready(), "Velar could not connect")) return;
  PeakMemory peak;
  const std::string query = ReadQuery(rows);
  const long expected = scrolling ? 2L * rows : rows;
  for (auto _ : state) {
    std::unique_ptr<velar::TAsaSQL> sql = connection.NewStatement();
    sql->SetMaxFetchCount(fetch_count);
    sql->SetUniDirectional(!scrolling);
    if (!Require(state, ReadAll(*sql, query, scrolling) == expected, "wrong row count")) break;
  }
  state.counters["peak_kib"] = static_cast<double>(peak.GrowthKiB());
  state.SetItemsProcessed(state.iterations() * expected);
}

[[maybe_unused]] const bool registered = [] {
  for (int fetch : {1, 25, 250}) {
    Timed("read/velar_fetch" + std::to_string(fetch),
          [fetch](benchmark::State& s) { Read(s, kReadRows, fetch, false); });
  }
  Timed("scroll/velar", [](benchmark::State& s) { Read(s, kReadRows, 25, true); });
  for (int rows : kMemoryRowCounts)
    Memory("read_" + RowCountName(rows) + "/velar",
           [rows](benchmark::State& s) { Read(s, rows, 25, false); });
  return true;
}();

}  // namespace
}  // namespace velar_bench
