// How every benchmark program names and registers its runs, so that the
// collector can read any of them the same way.
//
// A run is named "workload/subject": the workload says what is done (read,
// insert, ...), the subject who does it (sqlite for SQLite's C API, velar,
// dblib for the stand-in alone, and the peers). Timed runs are repeated by
// the runner and compared by their median. Memory runs carry the prefix
// "mem_", run once, and are started by the runner each in a process of its
// own, so that no other run's heap can hide or inflate their peak.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <string>

namespace velar_bench {

using Body = std::function<void(benchmark::State&)>;

// A timed run of iterations iterations per repetition, in wall-clock time.
benchmark::internal::Benchmark* Timed(const std::string& name, Body body, int iterations = 1);
// A memory run "mem_" + name: one iteration; the body sets the counter
// "peak_kib" (see PeakMemory).
benchmark::internal::Benchmark* Memory(const std::string& name, Body body);

// Runs work with state's clock stopped: making, opening and checking a
// database is not what is measured.
template <typename Work>
void Untimed(benchmark::State& state, Work&& work) {
  state.PauseTiming();
  work();
  state.ResumeTiming();
}

// Skips the run with reason unless condition holds; answers condition.
bool Require(benchmark::State& state, bool condition, const char* reason);

}  // namespace velar_bench
