// The DBLib stand-in loaded and connected to one database as DBA, for the
// subjects that call it directly.
#pragma once

#include <string>

#include "bench/bench_dblib_support.h"

namespace velar_bench {

class StandInConnection {
 public:
  // Connects to file through engine (started when it is not running).
  StandInConnection(const std::string& file, const char* engine);
  // Ends the connection (and with it the engine it started).
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
