// Starting, stopping and finding engines and databases. An SQLCA needs no
// connection for these; its own connection does not hold up a stop.
#include "dblib/core/api/entry_points.h"
#include "dblib/core/api/server_request.h"
#include "dblib/core/api/session.h"
#include "dblib/core/server/registry.h"

namespace dblib::api {

unsigned db_start_engine(sqlca* ca, const char* parms) {
  Request request(ca, __func__, Needs::Session);
  ConnectParams params;
  if (!request || !parse_server_params(request, parms, params)) return request.succeeded();
  Registry::get().start_engine(params, request.status);
  request.finish();
  return request.succeeded();
}

unsigned db_stop_engine(sqlca* ca, const char* parms) {
  Request request(ca, __func__, Needs::Session);
  ConnectParams params;
  if (!request || !parse_server_params(request, parms, params)) return request.succeeded();
  Registry::get().stop_engine(params, &request.session(), request.status);
  request.finish();
  return request.succeeded();
}

// With start= a missing engine is started for the database.
unsigned db_start_database(sqlca* ca, const char* parms) {
  Request request(ca, __func__, Needs::Session);
  ConnectParams params;
  if (!request || !parse_server_params(request, parms, params)) return request.succeeded();
  Registry::get().start_database(params, request.status);
  request.finish();
  return request.succeeded();
}

unsigned db_stop_database(sqlca* ca, const char* parms) {
  Request request(ca, __func__, Needs::Session);
  ConnectParams params;
  if (!request || !parse_server_params(request, parms, params)) return request.succeeded();
  Registry::get().stop_database(params, &request.session(), request.status);
  request.finish();
  return request.succeeded();
}

// Empty name: any engine.
unsigned short db_find_engine(sqlca* ca, const char* name) {
  Request request(ca, __func__, Needs::Sqlca);
  if (!request) return static_cast<unsigned short>(request.succeeded());
  Registry::get().engine_runs(name != nullptr ? name : "", request.status);
  request.finish();
  return static_cast<unsigned short>(request.succeeded());
}

}  // namespace dblib::api
