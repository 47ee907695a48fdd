// Listing the running engines to a caller's function.
#include <string>

#include "dblib/core/api/entry_points.h"
#include "dblib/core/api/request.h"
#include "dblib/core/server/registry.h"

namespace dblib::api {

// Every engine runs in this process, so each one's address is "local". The
// callback sees the engines that ran when the call began.
unsigned db_locate_servers(sqlca* ca, dblib_locate_callback callback, void* user_data) {
  Request request(ca, __func__, Needs::Session);
  if (!request) return 0;
  if (callback != nullptr) {
    for (const std::string& name : Registry::get().engine_names()) {
      dblib_server_address address{name.c_str(), "local"};
      if (callback(ca, &address, user_data) == 0) break;
    }
  }
  request.finish();
  return request.succeeded();
}

}  // namespace dblib::api
