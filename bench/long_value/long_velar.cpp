// Workload 4 through Velar: a long value written with Execute, which sends
// it to the server in chunks through a temporary server variable, and read
// back through the field's blob stream, which loads it in pieces.
#include <algorithm>
#include <memory>

#include "bench/common/peak_memory.h"
#include "bench/common/registration.h"
#include "bench/common/velar_connection.h"
#include "bench/long_value/long_fixture.h"

namespace velar_bench {
namespace {

void Write(benchmark::State& state, int mib) {
  PeakMemory peak;
  // The application's value: a string variant longer than any short
  // variable, so that it travels as a long value.
  const host::Variant values[2] = {host::Variant(mib), host::Variant(LongValue(mib))};
  OnFreshDatabases(
      state, MakeLongWriteDatabase, ConnectWhenReady<VelarConnection>,
      [&](VelarConnection& connection) {
        std::unique_ptr<velar::TAsaSQL> sql = connection.NewStatement();
        bool ok = sql->Execute("INSERT INTO b VALUES (?, ?)", values);
        connection.session().Commit();
        return ok;
      },
      [mib](const std::string& file) { return HoldsLongValue(file, mib); });
  state.counters["peak_kib"] = static_cast<double>(peak.GrowthKiB());
  state.SetBytesProcessed(state.iterations() * (static_cast<int64_t>(mib) << 20));
}

void Read(benchmark::State& state, int mib) {
  static VelarConnection connection(TheLongReadDatabase().file());
  if (!Require(state, connection.ready(), "Velar could not connect")) return;
  PeakMemory peak;
  for (auto _ : state) {
    std::unique_ptr<velar::TAsaSQL> sql = connection.NewStatement();
    bool ok = sql->OpenRead("SELECT data FROM b WHERE id = ?", {host::Variant(mib)}) && !sql->Eof();
    velar::TVelarBlobStream* blob = ok ? sql->BlobManager()->BlobByName("data") : nullptr;
    const std::int64_t size = blob != nullptr ? blob->GetBlobSize() : 0;
    auto data = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(size));
    ok = ok && blob->Read(data.get(), size) == size;
    benchmark::DoNotOptimize(data.get());
    sql.reset();
    Untimed(state, [&] { ok = ok && IsLongValue(data.get(), static_cast<size_t>(size), mib); });
    if (!Require(state, ok, "read failed")) break;
  }
  state.counters["peak_kib"] = static_cast<double>(peak.GrowthKiB());
  state.SetBytesProcessed(state.iterations() * (static_cast<int64_t>(mib) << 20));
}

[[maybe_unused]] const bool registered = [] {
  RegisterLongRuns("velar", Write, Read, true);
  return true;
}();

}  // namespace
}  // namespace velar_bench
