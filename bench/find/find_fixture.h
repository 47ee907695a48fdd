// Workload 5: a table k(id, name) of kFindRows rows, searched for its last
// row by name in another letter case than the one stored.
#pragma once

#include <string>

#include "bench/common/scratch_database.h"
#include "bench/common/workload_data.h"

namespace velar_bench {

inline constexpr const char* kFindQuery = "SELECT id, name FROM k";

// The program's database, made on first use.
const ScratchDatabase& TheFindDatabase();

// The key searched for: the last row's name, lower-cased.
std::string SearchKey();

}  // namespace velar_bench
