// Connecting an SQLCA to a database and ending the connection.
#include "dblib/core/api/entry_points.h"
#include "dblib/core/api/request.h"
#include "dblib/core/api/session.h"
#include "dblib/core/connect/connstr.h"

namespace dblib::api {

// A connection that ended with its database is cleared away first, so that
// the SQLCA can connect again.
unsigned db_string_connect(sqlca* ca, const char* parms) {
  Request request(ca, __func__, Needs::IdleSession);
  if (!request) return request.succeeded();
  Session& session = request.session();
  if (session.connection && session.connection->ended()) session.disconnect();
  if (session.connection) {
    request.fail(DBE_ALREADY_CONNECTED, "This SQLCA already holds a connection; disconnect first");
    return 0;
  }
  ConnectParams params;
  Status& status = request.status;
  if (parse_connect_params(parms, params, status)) {
    std::shared_ptr<Database> database = Registry::get().reserve(params, status);
    if (database) session.connect(std::move(database), params, status);
  }
  request.finish();
  return request.succeeded();
}

unsigned db_string_disconnect(sqlca* ca, const char* /*parms*/) {
  Request request(ca, __func__, Needs::IdleSession);
  if (!request) return request.succeeded();
  Session& session = request.session();
  if (!session.connection) {
    request.fail(DBE_NOT_CONNECTED, "Not connected to a database");
    return 0;
  }
  session.disconnect();
  request.finish();
  return request.succeeded();
}

}  // namespace dblib::api
