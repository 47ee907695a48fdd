// What the entry points that act on engines and databases share: they need
// an initialised SQLCA (not a connection) and a connection string that
// parses.
#pragma once

#include "dblib/core/api/request.h"
#include "dblib/core/connect/connstr.h"

namespace dblib {

// Parses parms into params; false with the outcome written when it does not
// parse.
inline bool parse_server_params(Request& request, const char* parms, ConnectParams& params) {
  if (parse_connect_params(parms, params, request.status)) return true;
  request.finish();
  return false;
}

}  // namespace dblib
