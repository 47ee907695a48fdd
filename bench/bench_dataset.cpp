// Reading through the dataset against reading through its statement, in one
// program over the same database: 100,000 rows of five columns (integer,
// double, varchar(40), timestamp, numeric(10,4)) on the stand-in.
//  - dataset_read/statement opens a TAsaSQL for reading and reads every field
//    of every row with GetFieldValue, 25 rows per fetch;
//  - dataset_read/dataset opens a TAsaDataset over the same text, takes its
//    five field objects once, and goes First, then Next to Eof, reading each
//    field through its typed accessor.
// Both are measured over a scrolling cursor (the dataset's default) and a
// forward-only one (a unidirectional dataset); each run includes the opening.
// The memory runs ("mem_" prefix) read a unidirectional dataset of 10,000
// and of 100,000 rows; the counter heap_growth_kb is how much more heap was
// in use at Eof than at the first record, which stays flat when nothing is
// kept per row.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>
#include <string>

#include "asa/dataset/VlrAsaDS.h"
#include "bench/bench_dblib_support.h"
#include "host/fields.h"
#include "host/strings.h"

namespace {

constexpr int kRows = 100000;
constexpr const char* kQuery = "SELECT id, price, name, made, amount FROM t";

// Bytes of heap in use now, in KiB.
long HeapKb() {
  return static_cast<long>(mallinfo2().uordblks / 1024);
}

// One database with tables t (kRows rows) and t10k (10,000 rows), and one
// connected session over it.
struct Fixture {
  Fixture() {
    const std::string file = dir.Path() + "/dataset.db";
    if (lib.handle == nullptr || lib.dblib_test_create_database(file.c_str()) != 0) return;
    session = std::make_unique<velar::TAsaSession>(nullptr);
    session->SetLibraryPath(VELAR_LIB_DIR);
    session->SetLibraryFile("libdblib7.so");
    session->SetLoginDatabase(file);
    session->SetLoginUser("DBA");
    session->SetLoginPassword("SQL");
    session->SetConnected(true);
    session->SetWantRowCounts(true);
    velar::TAsaSQL sql(nullptr);
    sql.SetSession(session.get());
    for (const char* text :
         {"CREATE TABLE t(id INTEGER, price DOUBLE, name VARCHAR(40), made TIMESTAMP, "
          "amount NUMERIC(10,4))",
          "CREATE TABLE t10k(id INTEGER, price DOUBLE, name VARCHAR(40), made TIMESTAMP, "
          "amount NUMERIC(10,4))",
          "INSERT INTO t WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
          "100000) SELECT i, i * 0.25, 'customer name ' || i, "
          "datetime(1500000000 + i * 37, 'unixepoch'), round(i / 7.0, 4) FROM n",
          "INSERT INTO t10k SELECT * FROM t WHERE id <= 10000", "COMMIT"})
      if (!sql.ExecuteImmediate(text)) return;
    ready = true;
  }
  ~Fixture() { session.reset(); }

  dblib_bench::TempDir dir;
  dblib_bench::Library lib;
  std::unique_ptr<velar::TAsaSession> session;
  bool ready = false;
};

// The shared database, or nullptr (and the run skipped) when it could not be
// made.
Fixture* ReadyFixture(benchmark::State& State) {
  static Fixture shared;
  if (shared.ready) return &shared;
  State.SkipWithError("the database could not be made");
  return nullptr;
}

void StatementRead(benchmark::State& State, bool UniDirectional) {
  Fixture* f = ReadyFixture(State);
  if (f == nullptr) return;
  velar::TAsaSQL sql(nullptr);
  sql.SetSession(f->session.get());
  sql.SetUniDirectional(UniDirectional);
  const host::Variant fields[] = {0, 1, 2, 3, 4};
  for (auto _ : State) {
    int rows = 0;
    if (sql.OpenRead(kQuery)) {
      do {
        for (const host::Variant& field : fields) {
          host::Variant value = sql.GetFieldValue(field);
          benchmark::DoNotOptimize(value);
        }
        ++rows;
      } while (sql.Next());
    }
    sql.UnprepareOpen();
    if (rows != kRows) State.SkipWithError("wrong row count");
  }
  State.SetItemsProcessed(State.iterations() * kRows);
}

// Opens the dataset over Table, reads it from the first record to Eof with
// field objects taken once, and closes it, once per iteration. Answers how
// much more heap the last read had in use at Eof than at its first record.
long DatasetRead(benchmark::State& State, const char* Table, int Rows, bool UniDirectional) {
  Fixture* f = ReadyFixture(State);
  if (f == nullptr) return 0;
  velar::TAsaDataset dataset(nullptr);
  dataset.SetSession(f->session.get());
  dataset.SetUniDirectional(UniDirectional);
  dataset.SQL()->SetText(std::string("SELECT id, price, name, made, amount FROM ") + Table);
  long growth = 0;
  for (auto _ : State) {
    dataset.Open();
    host::TField* id = dataset.FieldByName("id");
    host::TField* price = dataset.FieldByName("price");
    host::TField* name = dataset.FieldByName("name");
    host::TField* made = dataset.FieldByName("made");
    host::TField* amount = dataset.FieldByName("amount");
    int rows = 0;
    long startKb = 0;
    for (dataset.First(); !dataset.Eof(); dataset.Next()) {
      std::int32_t idValue = id->AsInteger();
      double priceValue = price->AsFloat();
      std::string nameValue = name->AsString();
      host::TDateTime madeValue = made->AsDateTime();
      double amountValue = amount->AsFloat();
      benchmark::DoNotOptimize(idValue);
      benchmark::DoNotOptimize(priceValue);
      benchmark::DoNotOptimize(nameValue);
      benchmark::DoNotOptimize(madeValue);
      benchmark::DoNotOptimize(amountValue);
      if (++rows == 1) startKb = HeapKb();
    }
    growth = HeapKb() - startKb;
    dataset.Close();
    if (rows != Rows) State.SkipWithError("wrong row count");
  }
  State.SetItemsProcessed(State.iterations() * Rows);
  return growth;
}

void DatasetReadTimed(benchmark::State& State, bool UniDirectional) {
  DatasetRead(State, "t", kRows, UniDirectional);
}

void DatasetMemory(benchmark::State& State, const char* Table, int Rows) {
  State.counters["heap_growth_kb"] =
      static_cast<double>(DatasetRead(State, Table, Rows, /*UniDirectional=*/true));
}

const bool registered = [] {
  for (bool uni : {false, true}) {
    const std::string suffix = uni ? "_uni" : "";
    benchmark::RegisterBenchmark(("dataset_read" + suffix + "/statement").c_str(), StatementRead,
                                 uni)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("dataset_read" + suffix + "/dataset").c_str(), DatasetReadTimed,
                                 uni)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("mem_dataset_read_10k/dataset", DatasetMemory, "t10k", 10000)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(1);
  benchmark::RegisterBenchmark("mem_dataset_read_100k/dataset", DatasetMemory, "t", kRows)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(1);
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
