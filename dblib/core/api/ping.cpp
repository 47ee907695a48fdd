// Asking whether an engine, and its database with a login, answers.
#include <sqlite3.h>

#include "dblib/core/api/entry_points.h"
#include "dblib/core/api/server_request.h"
#include "dblib/core/server/registry.h"
#include "dblib/core/server/users.h"

namespace dblib::api {

// With connect_to_db the database is reached and the login checked on a
// handle of its own, so no connection is kept.
unsigned db_string_ping_server(sqlca* ca, const char* parms, unsigned connect_to_db) {
  Request request(ca, __func__, Needs::Session);
  ConnectParams params;
  if (!request || !parse_server_params(request, parms, params)) return request.succeeded();
  Registry& registry = Registry::get();
  Status& status = request.status;
  std::shared_ptr<Database> database;
  if (connect_to_db == 0) {
    registry.engine_runs(params.engine, status);
  } else {
    database = registry.find(params, status);
  }
  if (database) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(database->file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      authenticate(db, params.user, params.password, status);
    } else {
      status.fail(DBE_UNABLE_TO_START_DATABASE, "Cannot open database '%s'",
                  database->name.c_str());
    }
    sqlite3_close(db);
  }
  request.finish();
  return request.succeeded();
}

}  // namespace dblib::api
