// Starting, stopping and finding engines and databases. An SQLCA needs no
// connection for these; its own connection does not hold up a stop.
#include "dblib/core/api/entry_points.h"
#include "dblib/core/api/server_request.h"
#include "dblib/core/api/session.h"
#include "dblib/core/server/registry.h"

namespace dblib::api {

namespace {

// Starts the database params names on engine. Started on request, it runs
// until stopped unless autostop= says otherwise.
bool start_database_on(Engine& engine, const ConnectParams& params, Status& status) {
  Autostop autostop{params.autostop_given && params.autostop};
  return Registry::get().start_database(engine, params.file, params.database, autostop, status) !=
         nullptr;
}

// Stops an engine started for a database that then could not start, so a
// failed start leaves nothing running.
void stop_engine_started_for(Engine& engine) {
  Status ignored;
  Registry::get().stop_engine(&engine, StopWhen::Unconditionally, nullptr, ignored);
}

}  // namespace

unsigned db_start_engine(sqlca* ca, const char* parms) {
  Request request(ca, __func__, Needs::Session);
  ConnectParams params;
  if (!request || !parse_server_params(request, parms, params)) return request.succeeded();
  Status& status = request.status;
  Engine* engine = Registry::get().start_engine(engine_name_of(params), Autostop::No, status);
  if (engine != nullptr && !params.file.empty() && !start_database_on(*engine, params, status)) {
    stop_engine_started_for(*engine);
  }
  request.finish();
  return request.succeeded();
}

unsigned db_stop_engine(sqlca* ca, const char* parms) {
  Request request(ca, __func__, Needs::Session);
  ConnectParams params;
  if (!request || !parse_server_params(request, parms, params)) return request.succeeded();
  Registry& registry = Registry::get();
  Engine* engine = registry.running_engine(params.engine, request.status);
  if (engine != nullptr) {
    registry.stop_engine(engine, StopWhen{params.unconditional}, &request.session(),
                         request.status);
  }
  request.finish();
  return request.succeeded();
}

// With start= a missing engine is started for the database.
unsigned db_start_database(sqlca* ca, const char* parms) {
  Request request(ca, __func__, Needs::Session);
  ConnectParams params;
  if (!request || !parse_server_params(request, parms, params)) return request.succeeded();
  Registry& registry = Registry::get();
  Status& status = request.status;
  Engine* engine = params.has_start ? registry.find_engine(params.engine)
                                    : registry.running_engine(params.engine, status);
  bool engine_started = false;
  if (engine == nullptr && params.has_start) {
    engine = registry.start_engine(engine_name_of(params), Autostop::No, status);
    engine_started = engine != nullptr;
  }
  if (engine != nullptr && !start_database_on(*engine, params, status) && engine_started) {
    stop_engine_started_for(*engine);
  }
  request.finish();
  return request.succeeded();
}

unsigned db_stop_database(sqlca* ca, const char* parms) {
  Request request(ca, __func__, Needs::Session);
  ConnectParams params;
  if (!request || !parse_server_params(request, parms, params)) return request.succeeded();
  Registry& registry = Registry::get();
  Status& status = request.status;
  Engine* engine = registry.running_engine(params.engine, status);
  Database* database = engine != nullptr ? registry.find_database(*engine, params) : nullptr;
  if (engine != nullptr && database == nullptr) {
    status.fail(DBE_DATABASE_NOT_FOUND, "Specified database not found on server '%s'",
                engine->name.c_str());
  } else if (database != nullptr) {
    registry.stop_database(database, StopWhen{params.unconditional}, &request.session(), status);
  }
  request.finish();
  return request.succeeded();
}

// Empty name: any engine.
unsigned short db_find_engine(sqlca* ca, const char* name) {
  Request request(ca, __func__, Needs::Sqlca);
  if (!request) return static_cast<unsigned short>(request.succeeded());
  Registry::get().running_engine(name != nullptr ? name : "", request.status);
  request.finish();
  return static_cast<unsigned short>(request.succeeded());
}

}  // namespace dblib::api
