// Ending the connection's transaction.
#include "dblib/core/api/entry_points.h"
#include "dblib/core/api/request.h"
#include "dblib/core/connect/connection.h"

namespace dblib::api {

void dbpp_commit(sqlca* ca, unsigned int /*options*/) {
  Request request(ca, __func__, Needs::Connection);
  if (!request) return;
  request.begin_work();
  request.connection().commit(request.status);
  request.finish();
}

void dbpp_rollback(sqlca* ca, unsigned int /*options*/) {
  Request request(ca, __func__, Needs::Connection);
  if (!request) return;
  request.begin_work();
  request.connection().rollback(request.status);
  request.finish();
}

}  // namespace dblib::api
