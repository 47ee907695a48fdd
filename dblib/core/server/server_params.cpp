#include "dblib/core/server/server_params.h"

namespace dblib {

std::string database_name_of(std::string_view file) {
  size_t slash = file.find_last_of('/');
  if (slash != std::string_view::npos) file.remove_prefix(slash + 1);
  size_t dot = file.find_last_of('.');
  if (dot != std::string_view::npos && dot > 0) file = file.substr(0, dot);
  return std::string(file);
}

std::string engine_name_of(const ServerParams& params) {
  return !params.engine.empty() ? params.engine : database_name_of(params.file);
}

}  // namespace dblib
