#include "bench/common/scratch_database.h"

#include "bench/common/workload_data.h"

namespace velar_bench {

// Every database of the process gets a name of its own: a database that a
// session started stays running under its name in the stand-in's engine
// after the session has gone, and a new file under the same name would be
// taken for it.
ScratchDatabase::ScratchDatabase(const std::string& name,
                                 const std::function<bool(const std::string&)>& fill) {
  static int made = 0;
  file_ = dir_.File(name + "-" + std::to_string(++made) + ".db");
  ready_ = !dir_.Path().empty() && CreateDatabase(file_) && fill(file_);
}

}  // namespace velar_bench
