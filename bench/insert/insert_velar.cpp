// Workload 3 through Velar: PrepareExecute once, then ExecutePrepared with
// five host variables for each row, inside one transaction of the session.
// Like values keep their host-variable layout, so a row only rewrites the
// value buffer.
#include "bench/common/registration.h"
#include "bench/common/velar_connection.h"
#include "bench/insert/insert_fixture.h"
#include "host/datetime.h"

namespace velar_bench {
namespace {

bool InsertAll(VelarConnection& connection) {
  std::unique_ptr<velar::TAsaSQL> sql = connection.NewStatement();
  connection.session().StartTransaction();
  if (!sql->PrepareExecute(kInsertStatement)) return false;
  InsertRow row;
  host::Variant values[5];
  for (int i = 0; i < kInsertRows; ++i) {
    MakeInsertRow(i, row);
    values[0] = row.id;
    values[1] = row.price;
    values[2] = std::string_view(row.name, static_cast<size_t>(row.name_length));
    const Stamp& made = row.made;
    values[3] =
        host::Variant::FromDateTime(host::EncodeDate(made.year, made.month, made.day) +
                                    host::EncodeTime(made.hour, made.minute, made.second, 0));
    values[4] = row.amount;
    if (!sql->ExecutePrepared(values)) return false;
  }
  connection.session().Commit();
  return true;
}

void Insert(benchmark::State& state) {
  RunInserts(state, ConnectWhenReady<VelarConnection>, InsertAll);
}

[[maybe_unused]] const bool registered = [] {
  Timed("insert/velar", Insert, 3);
  return true;
}();

}  // namespace
}  // namespace velar_bench
