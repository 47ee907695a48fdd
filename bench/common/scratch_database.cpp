#include "bench/common/scratch_database.h"

#include "bench/common/workload_data.h"

namespace velar_bench {

ScratchDatabase::ScratchDatabase(const std::string& name,
                                 const std::function<bool(const std::string&)>& fill)
    : file_(dir_.File(name)) {
  ready_ = !dir_.Path().empty() && CreateDatabase(file_) && fill(file_);
}

}  // namespace velar_bench
