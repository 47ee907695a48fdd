#include "bench/common/registration.h"

#include <utility>

namespace velar_bench {

benchmark::internal::Benchmark* Timed(const std::string& name, Body body, int iterations) {
  return benchmark::RegisterBenchmark(name.c_str(), std::move(body))
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(iterations);
}

benchmark::internal::Benchmark* Memory(const std::string& name, Body body) {
  return benchmark::RegisterBenchmark(("mem_" + name).c_str(), std::move(body))
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(1)
      ->Repetitions(1);
}

bool Require(benchmark::State& state, bool condition, const char* reason) {
  if (!condition) state.SkipWithError(reason);
  return condition;
}

}  // namespace velar_bench
