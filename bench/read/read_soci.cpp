// Workload 1 through SOCI with its SQLite backend, a peer, in its two usual
// forms: row objects from a rowset, and bulk fetches of 25 rows into vectors.
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>

#include <ctime>
#include <vector>

#include "bench/common/registration.h"
#include "bench/read/read_fixture.h"

namespace velar_bench {
namespace {

constexpr std::size_t kWidth = 25;

Stamp StampOf(const std::tm& tm) {
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0};
}

void ReadRows(benchmark::State& state) {
  const ScratchDatabase& database = TheReadDatabase();
  if (!Require(state, database.ready(), "the database could not be made")) return;
  soci::session sql(*soci::factory_sqlite3(), "db=" + database.file());
  for (auto _ : state) {
    soci::rowset<soci::row> rows = (sql.prepare << kReadQuery);
    RowValues row;
    long read = 0;
    for (const soci::row& r : rows) {
      row.id = r.get<int>(0);
      row.price = r.get<double>(1);
      const std::string& name = r.get<std::string>(2);
      row.SetName(name.data(), name.size());
      // The backend reports a TIMESTAMP column as text: parsed as raw SQLite does.
      const std::string& made = r.get<std::string>(3);
      row.made = ParseStamp(reinterpret_cast<const unsigned char*>(made.data()),
                            static_cast<int>(made.size()));
      row.amount = r.get<double>(4);
      row.Keep();
      ++read;
    }
    if (!Require(state, read == kReadRows, "wrong row count")) break;
  }
  state.SetItemsProcessed(state.iterations() * kReadRows);
}

void ReadBulk(benchmark::State& state) {
  const ScratchDatabase& database = TheReadDatabase();
  if (!Require(state, database.ready(), "the database could not be made")) return;
  soci::session sql(*soci::factory_sqlite3(), "db=" + database.file());
  for (auto _ : state) {
    std::vector<int> ids(kWidth);
    std::vector<double> prices(kWidth), amounts(kWidth);
    std::vector<std::string> names(kWidth);
    std::vector<std::tm> stamps(kWidth);
    soci::statement select = (sql.prepare << kReadQuery, soci::into(ids), soci::into(prices),
                              soci::into(names), soci::into(stamps), soci::into(amounts));
    select.execute();
    RowValues row;
    long read = 0;
    while (select.fetch()) {
      for (std::size_t i = 0; i < ids.size(); ++i) {
        row.id = ids[i];
        row.price = prices[i];
        row.SetName(names[i].data(), names[i].size());
        row.made = StampOf(stamps[i]);
        row.amount = amounts[i];
        row.Keep();
      }
      read += static_cast<long>(ids.size());
      ids.resize(kWidth);
      prices.resize(kWidth);
      names.resize(kWidth);
      stamps.resize(kWidth);
      amounts.resize(kWidth);
    }
    if (!Require(state, read == kReadRows, "wrong row count")) break;
  }
  state.SetItemsProcessed(state.iterations() * kReadRows);
}

[[maybe_unused]] const bool registered = [] {
  Timed("read/soci_rows", ReadRows);
  Timed("read/soci_bulk", ReadBulk);
  return true;
}();

}  // namespace
}  // namespace velar_bench
