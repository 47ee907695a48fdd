// Workload 5 through Velar: OpenRead on the keyed table, then Find by name
// with the case-insensitive option, which walks the rows from the first to
// the last comparing the one field.
#include "bench/common/registration.h"
#include "bench/common/velar_connection.h"
#include "bench/find/find_fixture.h"

namespace velar_bench {
namespace {

void Find(benchmark::State& state) {
  static VelarConnection connection(TheFindDatabase().file());
  if (!Require(state, connection.ready(), "Velar could not connect")) return;
  const host::Variant key(SearchKey());
  const host::Variant id_field(0);
  for (auto _ : state) {
    std::unique_ptr<velar::TAsaSQL> sql = connection.NewStatement();
    bool found = sql->OpenRead(kFindQuery) &&
                 sql->Find("name", {key}, velar::TVelarLocateOptions{velar::nloCaseInsensitive}) &&
                 sql->GetFieldValue(id_field).AsInteger() == kFindRows;
    if (!Require(state, found, "the last row was not found")) break;
  }
  state.SetItemsProcessed(state.iterations() * kFindRows);
}

[[maybe_unused]] const bool registered = [] {
  Timed("find/velar", Find, 5);
  return true;
}();

}  // namespace
}  // namespace velar_bench
