#include "dblib/core/api.h"

#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "dblib/core/backup.h"
#include "dblib/core/connection.h"
#include "dblib/core/connstr.h"
#include "dblib/core/convert.h"
#include "dblib/core/describe.h"
#include "dblib/core/execute.h"
#include "dblib/core/registry.h"
#include "dblib/core/request.h"
#include "dblib/core/session.h"
#include "dblib/core/users.h"

namespace dblib::api {

namespace {

unsigned finish_status(Request& request) {
  request.finish(0);
  return request.status.ok() ? 1 : 0;
}

// The frame of the entry points that act on a parameter string: the SQLCA
// must be initialised (it need not be connected), the parameters must parse,
// and the outcome is the result (1 success, 0 failure).
template <typename Work>
unsigned with_params(sqlca* ca, const char* entry_point, const char* parms, Work&& work) {
  Request request(ca, entry_point);
  if (request.injected()) return request.status.ok() ? 1 : 0;
  Session* session = request.session();
  if (session == nullptr) return 0;
  ConnectParams params;
  if (parse_connect_params(parms, params, request.status)) work(*session, params, request.status);
  return finish_status(request);
}

// Starts the database params names on engine. An engine started for it
// (started_engine) stops again when the database cannot start, so a failed
// start leaves nothing running.
void start_database_on(Engine& engine, const ConnectParams& params, bool started_engine,
                       Status& status) {
  Registry& registry = Registry::get();
  if (registry.start_database(engine, params.file, params.database,
                              params.autostop_given && params.autostop, status) == nullptr &&
      started_engine) {
    Status ignored;
    registry.stop_engine(&engine, true, nullptr, ignored);
  }
}

}  // namespace

unsigned init(sqlca* ca) {
  Request request(ca, "db_init");
  if (ca == nullptr) return 0;
  if (request.injected()) return request.status.ok() ? 1 : 0;
  Session* existing = find_session(ca);
  if (existing == nullptr || !existing->working) {
    std::memset(ca, 0, sizeof *ca);
    std::memcpy(ca->sqlcaid, "SQLCA   ", 8);
    ca->sqlcabc = SQLCA_SIZE;
  }
  create_session(ca);
  request.finish(0);
  return 1;
}

unsigned fini(sqlca* ca) {
  Request request(ca, "db_fini");
  if (request.injected()) return request.status.ok() ? 1 : 0;
  if (request.idle_session() == nullptr) return 0;
  drop_session(ca);
  request.forget_session();
  request.finish(0);
  return 1;
}

unsigned string_connect(sqlca* ca, const char* parms) {
  Request request(ca, "db_string_connect");
  if (request.injected()) return request.status.ok() ? 1 : 0;
  Session* session = request.idle_session();
  if (session == nullptr) return 0;
  if (session->connection && session->connection->terminated()) {
    session->backup.reset();
    session->connection.reset();
  }
  if (session->connection) {
    request.fail(DBE_ALREADY_CONNECTED, "This SQLCA already holds a connection; disconnect first");
    return 0;
  }
  ConnectParams params;
  Status& status = request.status;
  if (parse_connect_params(parms, params, status)) {
    Database* database = Registry::get().resolve(params, true, status);
    if (database != nullptr) {
      auto connection = std::make_unique<Connection>(*session);
      if (connection->open(*database, params, status)) {
        session->connection = std::move(connection);
      } else {
        connection.reset();
        Registry::get().stop_if_unused(database);
      }
    }
  }
  return finish_status(request);
}

unsigned string_disconnect(sqlca* ca, const char* /*parms*/) {
  Request request(ca, "db_string_disconnect");
  if (request.injected()) return request.status.ok() ? 1 : 0;
  Session* session = request.idle_session();
  if (session == nullptr) return 0;
  if (!session->connection) {
    request.fail(DBE_NOT_CONNECTED, "Not connected to a database");
    return 0;
  }
  session->backup.reset();
  session->connection.reset();  // rolls back what was not committed
  return finish_status(request);
}

// Starts the engine the parameters name, and with dbf= its database too.
unsigned start_engine(sqlca* ca, const char* parms) {
  return with_params(
      ca, "db_start_engine", parms, [](Session&, const ConnectParams& params, Status& status) {
        Engine* engine = Registry::get().start_engine(engine_name_of(params), false, status);
        if (engine != nullptr && !params.file.empty()) {
          start_database_on(*engine, params, true, status);
        }
      });
}

// Stops an engine; the caller's own connection does not hold it up.
unsigned stop_engine(sqlca* ca, const char* parms) {
  return with_params(ca, "db_stop_engine", parms,
                     [](Session& session, const ConnectParams& params, Status& status) {
                       Registry& registry = Registry::get();
                       Engine* engine = registry.running_engine(params.engine, status);
                       if (engine != nullptr) {
                         registry.stop_engine(engine, params.unconditional,
                                              session.connection.get(), status);
                       }
                     });
}

// With start= a missing engine is started for the database.
unsigned start_database(sqlca* ca, const char* parms) {
  return with_params(
      ca, "db_start_database", parms, [](Session&, const ConnectParams& params, Status& status) {
        Registry& registry = Registry::get();
        Engine* engine = params.has_start ? registry.find_engine(params.engine)
                                          : registry.running_engine(params.engine, status);
        bool started_engine = false;
        if (engine == nullptr && params.has_start) {
          engine = registry.start_engine(engine_name_of(params), false, status);
          started_engine = engine != nullptr;
        }
        if (engine != nullptr) {
          start_database_on(*engine, params, started_engine, status);
        }
      });
}

// Stops a database; the caller's own connection does not hold it up.
unsigned stop_database(sqlca* ca, const char* parms) {
  return with_params(
      ca, "db_stop_database", parms,
      [](Session& session, const ConnectParams& params, Status& status) {
        Registry& registry = Registry::get();
        Engine* engine = registry.running_engine(params.engine, status);
        if (engine == nullptr) return;
        Database* database = registry.find_database(*engine, params);
        if (database == nullptr) {
          status.fail(DBE_DATABASE_NOT_FOUND, "Specified database not found on server '%s'",
                      engine->name.c_str());
        } else {
          registry.stop_database(database, params.unconditional, session.connection.get(), status);
        }
      });
}

// Whether an engine of that name runs (empty: any engine).
unsigned short find_engine(sqlca* ca, const char* name) {
  Request request(ca, "db_find_engine");
  if (ca == nullptr) return 0;
  if (request.injected()) return request.status.ok() ? 1 : 0;
  Registry::get().running_engine(name != nullptr ? name : "", request.status);
  return static_cast<unsigned short>(finish_status(request));
}

// With connect_to_db the database is reached and the user checked, keeping
// no connection.
unsigned ping_server(sqlca* ca, const char* parms, unsigned connect_to_db) {
  return with_params(
      ca, "db_string_ping_server", parms,
      [connect_to_db](Session&, const ConnectParams& params, Status& status) {
        Registry& registry = Registry::get();
        if (registry.running_engine(params.engine, status) == nullptr || connect_to_db == 0) return;
        Database* database = registry.resolve(params, false, status);
        if (database == nullptr) return;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(database->file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK) {
          authenticate(db, params.user, params.password, status);
        } else {
          status.fail(DBE_UNABLE_TO_START_DATABASE, "Cannot open database '%s'",
                      database->name.c_str());
        }
        sqlite3_close(db);
      });
}

unsigned is_working(sqlca* ca) {
  std::lock_guard<std::recursive_mutex> lock(global_lock());
  trace_call("db_is_working");
  Session* session = ca != nullptr ? find_session(ca) : nullptr;
  return session != nullptr && session->working ? 1 : 0;
}

int cancel_request(sqlca* ca) {
  std::lock_guard<std::recursive_mutex> lock(global_lock());
  trace_call("db_cancel_request");
  Session* session = ca != nullptr ? find_session(ca) : nullptr;
  if (session == nullptr || !session->working) return 0;
  // The progress handler ends the running statement. sqlite3_interrupt is
  // no use here: while any cursor of the connection is still reading, it
  // would also stop every statement started after it.
  session->cancel_requested = true;
  return 1;
}

void register_callback(sqlca* ca, int index, dblib_callback callback) {
  Request request(ca, "db_register_a_callback");
  if (request.injected()) return;
  Session* session = request.session();
  if (session == nullptr) return;
  if (index < DBCB_START || index > DBCB_FINISH) {
    request.status.fail(DBE_BAD_ARGUMENT, "Unknown callback index %d", index);
  } else {
    session->set_callback(index, callback);
    if (session->connection && !session->connection->terminated()) {
      session->connection->update_progress_handler();
    }
  }
  request.finish(0);
}

unsigned locate_servers(sqlca* ca, dblib_locate_callback callback, void* user_data) {
  Request request(ca, "db_locate_servers");
  if (request.injected()) return 0;
  if (request.session() == nullptr) return 0;
  if (callback != nullptr) {
    for (const auto& engine : Registry::get().engines()) {
      dblib_server_address address{engine->name.c_str(), "local"};
      if (callback(ca, &address, user_data) == 0) break;
    }
  }
  return finish_status(request);
}

char* error_message(sqlca* ca, char* buffer, int max) {
  if (ca == nullptr || buffer == nullptr || max <= 0) return nullptr;
  std::lock_guard<std::recursive_mutex> lock(global_lock());
  trace_call("sqlerror_message");
  Session* session = find_session(ca);
  const char* text = ca->sqlcode == 0 ? ""
                     : session != nullptr && session->message_code == ca->sqlcode
                         ? session->message.c_str()
                         : standard_text(ca->sqlcode);
  size_t length = std::strlen(text);
  if (length > static_cast<size_t>(max - 1)) length = static_cast<size_t>(max - 1);
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
  return buffer;
}

// One block: header, entries, then one indicator per entry when asked.
sqlda* allocate_sqlda(unsigned count, bool indicators, const char* entry_point) {
  std::lock_guard<std::recursive_mutex> lock(global_lock());
  trace_call(entry_point);
  int code = 0;
  std::string text;
  if (take_injection(entry_point, code, text) && code < 0) return nullptr;
  if (count > 32767) return nullptr;
  size_t entries = count > 0 ? count : 1;
  size_t size = offsetof(sqlda, sqlvar) + entries * sizeof(sqlvar);
  size_t indicator_offset = size;
  if (indicators) size += entries * sizeof(int16_t);
  void* block = std::calloc(1, size);
  if (block == nullptr) return nullptr;
  sqlda* descriptor = static_cast<sqlda*>(block);
  std::memcpy(descriptor->sqldaid, "SQLDA   ", 8);
  descriptor->sqldabc = static_cast<int32_t>(size);
  descriptor->sqln = static_cast<int16_t>(count);
  descriptor->sqld = 0;
  if (indicators) {
    int16_t* indicator = reinterpret_cast<int16_t*>(static_cast<char*>(block) + indicator_offset);
    for (unsigned i = 0; i < count; ++i)
      descriptor->sqlvar[i].sqlind = &indicator[i];
  }
  return descriptor;
}

void release_sqlda(sqlda* descriptor, const char* entry_point) {
  std::lock_guard<std::recursive_mutex> lock(global_lock());
  trace_call(entry_point);
  std::free(descriptor);
}

unsigned version_check(unsigned version, unsigned newest) {
  std::lock_guard<std::recursive_mutex> lock(global_lock());
  trace_call("db_version_check");
  return version == 6 || version == newest ? 1 : 0;
}

void backup(sqlca* ca, int operation, int file, unsigned long page, sqlda* descriptor) {
  Request request(ca, "db_backup");
  if (request.injected()) return;
  Connection* connection = request.connection();
  if (connection == nullptr) return;
  Session& session = connection->session();
  Status& status = request.status;
  int32_t count = 0;
  std::string file_name;
  if (operation != DBBACKUP_START && !session.backup) {
    status.fail(DBE_BACKUP_STATE, "No backup has been started");
  } else {
    switch (operation) {
      case DBBACKUP_START:
        if (session.backup) {
          status.fail(DBE_BACKUP_STATE, "A backup is already running on this SQLCA");
        } else {
          auto run = std::make_unique<Backup>();
          if (run->start(*connection, count, status)) session.backup = std::move(run);
        }
        break;
      case DBBACKUP_OPEN_FILE:
        session.backup->open_file(file, count, file_name, status);
        break;
      case DBBACKUP_READ_PAGE:
        if (session.backup->read_page(file, page, descriptor, status)) count = 1;
        break;
      case DBBACKUP_CLOSE_FILE:
        session.backup->close_file(file, status);
        break;
      case DBBACKUP_END:
        session.backup.reset();
        break;
      default:
        status.fail(DBE_BAD_ARGUMENT, "Unknown backup operation %d", operation);
    }
  }
  request.finish(count);
  // The file's name travels in sqlerrmc.
  if (status.code() == 0 && !file_name.empty()) write_sqlerrmc(ca, file_name);
}

void commit(sqlca* ca) {
  Request request(ca, "dbpp_commit");
  if (request.injected()) return;
  Connection* connection = request.connection();
  if (connection == nullptr) return;
  request.begin_work();
  connection->commit(request.status);
  request.finish(0);
}

void rollback(sqlca* ca) {
  Request request(ca, "dbpp_rollback");
  if (request.injected()) return;
  Connection* connection = request.connection();
  if (connection == nullptr) return;
  request.begin_work();
  connection->rollback(request.status);
  request.finish(0);
}

void prepare(sqlca* ca, int16_t* statement, const char* sql, sqlda* descriptor) {
  Request request(ca, "dbpp_prepare");
  if (request.injected()) return;
  Connection* connection = request.connection();
  if (connection == nullptr) return;
  Status& status = request.status;
  if (statement == nullptr || sql == nullptr) {
    request.fail(DBE_BAD_ARGUMENT, "dbpp_prepare needs a statement number and SQL text");
    return;
  }
  request.begin_work();
  size_t consumed = 0;
  std::unique_ptr<Statement> prepared =
      prepare_statement(*connection, sql, false, consumed, status);
  int32_t count = 0;
  if (prepared) {
    Statement* kept = prepared.get();
    int16_t number = 0;
    if (connection->add_statement(std::move(prepared), number, status)) {
      *statement = number;
      if (descriptor != nullptr) {
        describe_statement(*connection, *kept, descriptor, DBDESC_OUTPUT, count, status);
      }
    }
  }
  request.finish(count);
}

// The prepared statement a number names, or null with -130 written.
static Statement* find_statement(Request& request, Connection& connection,
                                 const int16_t* statement) {
  Statement* found = statement != nullptr ? connection.statement(*statement) : nullptr;
  if (found == nullptr) {
    request.status.fail(DBE_INVALID_STATEMENT, "Statement %d is not prepared",
                        statement != nullptr ? *statement : 0);
    request.finish(0);
  }
  return found;
}

// The frame of the entry points that work on a prepared statement: finds the
// connection and the statement, runs the work as a request and writes the
// outcome with the count the work reports as SQLCOUNT.
template <typename Work>
static void with_statement(sqlca* ca, const char* entry_point, const int16_t* statement,
                           Work&& work) {
  Request request(ca, entry_point);
  if (request.injected()) return;
  Connection* connection = request.connection();
  if (connection == nullptr) return;
  Statement* prepared = find_statement(request, *connection, statement);
  if (prepared == nullptr) return;
  request.begin_work();
  int32_t count = 0;
  work(*connection, *prepared, count, request.status);
  request.finish(count);
}

void drop_statement(sqlca* ca, int16_t* statement) {
  Request request(ca, "dbpp_dropstmt");
  if (request.injected()) return;
  Connection* connection = request.connection();
  if (connection == nullptr || find_statement(request, *connection, statement) == nullptr) return;
  connection->drop_statement(*statement);
  request.finish(0);
}

void execute_into(sqlca* ca, int16_t* statement, sqlda* input, sqlda* output) {
  with_statement(ca, "dbpp_execute_into", statement,
                 [&](Connection& connection, Statement& prepared, int32_t& count, Status& status) {
                   execute_statement(connection, prepared, input, output, count, status);
                 });
}

void execute_immediate(sqlca* ca, const char* sql) {
  Request request(ca, "dbpp_execute_imm");
  if (request.injected()) return;
  Connection* connection = request.connection();
  if (connection == nullptr) return;
  if (sql == nullptr) {
    request.fail(DBE_BAD_ARGUMENT, "dbpp_execute_imm needs SQL text");
    return;
  }
  request.begin_work();
  int32_t count = 0;
  dblib::execute_immediate(*connection, sql, count, request.status);
  request.finish(count);
}

void describe(sqlca* ca, int16_t* statement, sqlda* descriptor, unsigned what) {
  with_statement(ca, "dbpp_describe", statement,
                 [&](Connection& connection, Statement& prepared, int32_t& count, Status& status) {
                   describe_statement(connection, prepared, descriptor, what, count, status);
                 });
}

void set_option(sqlca* ca, const char* option, sqlda* descriptor) {
  Request request(ca, "dbpp_setoption");
  if (request.injected()) return;
  Connection* connection = request.connection();
  if (connection == nullptr) return;
  Status& status = request.status;
  if (option == nullptr) {
    status.fail(DBE_BAD_ARGUMENT, "dbpp_setoption needs an option name");
  } else if (descriptor == nullptr || descriptor->sqld < 1 || descriptor->sqln < 1) {
    status.fail(DBE_SQLDA_TOO_SMALL, "dbpp_setoption needs an SQLDA with one entry");
  } else {
    InputValue value;
    if (read_input(descriptor->sqlvar[0], 0, &connection->variables(), value, status)) {
      char scratch[32];
      connection->set_option(option, text_of(value.value, scratch), status);
    }
  }
  request.finish(0);
}

void get_option(sqlca* ca, const char* option, sqlda* descriptor) {
  Request request(ca, "dbpp_getoption");
  if (request.injected()) return;
  Connection* connection = request.connection();
  if (connection == nullptr) return;
  Status& status = request.status;
  std::string value;
  if (option == nullptr) {
    status.fail(DBE_BAD_ARGUMENT, "dbpp_getoption needs an option name");
  } else if (descriptor == nullptr || descriptor->sqld < 1 || descriptor->sqln < 1) {
    status.fail(DBE_SQLDA_TOO_SMALL, "dbpp_getoption needs an SQLDA with one entry");
  } else if (connection->options().get(option, value, status)) {
    write_output(text_ref(value), descriptor->sqlvar[0], 0, status);
  }
  request.finish(0);
}

void test_trace(int on) {
  std::lock_guard<std::recursive_mutex> lock(global_lock());
  set_tracing(on != 0);
}

int test_trace_text(char* buffer, int max) {
  std::lock_guard<std::recursive_mutex> lock(global_lock());
  const std::string& text = trace_text();
  if (buffer != nullptr && max > 0) {
    size_t length = std::min(text.size(), static_cast<size_t>(max - 1));
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
  }
  return static_cast<int>(text.size());
}

void test_inject(const char* entry_point, int code, const char* message) {
  if (entry_point == nullptr) return;
  std::lock_guard<std::recursive_mutex> lock(global_lock());
  inject(entry_point, code, message);
}

void test_clear() {
  std::lock_guard<std::recursive_mutex> lock(global_lock());
  clear_test_control();
}

int test_create_database(const char* file) {
  std::lock_guard<std::recursive_mutex> lock(global_lock());
  Status status;
  return create_database(file, status) ? 0 : status.code();
}

void test_stop_all() {
  std::lock_guard<std::recursive_mutex> lock(global_lock());
  Registry::get().stop_all();
}

}  // namespace dblib::api
