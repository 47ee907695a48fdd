#include "bench/common/standin_connection.h"

namespace velar_bench {

StandInConnection::StandInConnection(const std::string& file) {
  initialised_ = lib.handle != nullptr && lib.db_init(&ca) != 0;
  if (!initialised_) return;
  std::string parms = std::string("eng=") + kEngineName + ";start=x;uid=DBA;pwd=SQL;dbf=" + file;
  ready_ = lib.db_string_connect(&ca, parms.c_str()) != 0;
}

StandInConnection::~StandInConnection() {
  if (initialised_) lib.db_fini(&ca);
}

}  // namespace velar_bench
