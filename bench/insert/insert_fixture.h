// Workload 3: every iteration inserts kInsertRows rows into the empty table t
// of a fresh database, made before the clock starts.
#pragma once

#include <benchmark/benchmark.h>

#include "bench/common/scratch_database.h"
#include "bench/common/workload_data.h"

namespace velar_bench {

// A fresh database with the empty table t.
std::unique_ptr<ScratchDatabase> MakeInsertDatabase();
// True when t in file holds kInsertRows rows.
bool HoldsAllRows(const std::string& file);

// One subject's run: open(file) connects before the clock starts,
// insert_all(connection) inserts the rows inside one transaction.
template <typename Open, typename InsertAll>
void RunInserts(benchmark::State& state, Open&& open, InsertAll&& insert_all) {
  OnFreshDatabases(state, MakeInsertDatabase, open, insert_all, HoldsAllRows);
  state.SetItemsProcessed(state.iterations() * kInsertRows);
}

}  // namespace velar_bench
