// The DBLib stand-in loaded and connected to one database as DBA, for the
// subjects that call it directly.
#pragma once

#include <string>

#include "bench/bench_dblib_support.h"

namespace velar_bench {

// The one engine every subject's connections go through, so that subjects
// reading the same database in one program share it.
inline constexpr const char* kEngineName = "velar_bench";

class StandInConnection {
 public:
  // Connects to file through the benchmarks' engine, starting the engine and
  // the database when they are not running.
  explicit StandInConnection(const std::string& file);
  // Ends the connection.
  ~StandInConnection();
  StandInConnection(const StandInConnection&) = delete;
  StandInConnection& operator=(const StandInConnection&) = delete;

  bool ready() const { return ready_; }
  dblib_bench::Library lib;
  sqlca ca{};

 private:
  bool initialised_ = false;
  bool ready_ = false;
};

}  // namespace velar_bench
