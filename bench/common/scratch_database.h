// Databases the benchmarks work on: each a stand-in database file in a
// scratch directory of its own, removed with everything in it.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <string>

#include "bench/common/registration.h"
#include "tests/support/velar_test.h"

namespace velar_bench {

class ScratchDatabase {
 public:
  // Creates a database named after name in a fresh directory (with the stand-in's users, so that
  // every subject can open it) and runs fill on the file through SQLite.
  ScratchDatabase(const std::string& name, const std::function<bool(const std::string&)>& fill);

  const std::string& file() const { return file_; }
  // False when the directory, the file or its content could not be made.
  bool ready() const { return ready_; }

 private:
  velar::testing::TempDir dir_{"velar-bench"};
  std::string file_;
  bool ready_ = false;
};

// A Connection (StandInConnection, VelarConnection) to file, or none when it
// is not ready: what OnFreshDatabases wants of open.
template <typename Connection>
std::unique_ptr<Connection> ConnectWhenReady(const std::string& file) {
  auto connection = std::make_unique<Connection>(file);
  if (!connection->ready()) connection.reset();
  return connection;
}

// The frame of the workloads that write: every iteration gets a database made
// by make() and a connection from open(file) (a pointer-like owner; empty
// when it failed), both before the clock starts; work(connection) is timed;
// then the connection is closed and check(file) confirms what was written,
// again with the clock stopped.
template <typename Make, typename Open, typename Work, typename Check>
void OnFreshDatabases(benchmark::State& state, Make&& make, Open&& open, Work&& work,
                      Check&& check) {
  for (auto _ : state) {
    std::unique_ptr<ScratchDatabase> database;
    decltype(open(std::string())) connection{};
    Untimed(state, [&] {
      database = make();
      if (database->ready()) connection = open(database->file());
    });
    bool ok = connection && work(*connection);
    Untimed(state, [&] {
      connection.reset();
      ok = ok && check(database->file());
      database.reset();
    });
    if (!Require(state, ok, "the work failed or did not write what it should")) break;
  }
}

}  // namespace velar_bench
