#include "dblib/core/server/registry.h"

#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "dblib/core/server/users.h"
#include "dblib/core/support/text.h"
#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

size_t other_connections(const Database& database, const DatabaseClient* caller) {
  return static_cast<size_t>(std::count_if(database.clients.begin(), database.clients.end(),
                                           [&](DatabaseClient* c) { return c != caller; }));
}

// Opens the file as a started database: it must exist, be a database and
// carry the user table of this library. The handle stays open while the
// database runs.
sqlite3* open_keeper(const std::string& file, Status& status) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(db, 5000);
    rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) {
    status.fail(DBE_UNABLE_TO_START_DATABASE, "Unable to start database '%s': %s", file.c_str(),
                db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    sqlite3_close(db);
    return nullptr;
  }
  if (!check_user_table(db, file, status)) {
    sqlite3_close(db);
    return nullptr;
  }
  return db;
}

}  // namespace

std::recursive_mutex& global_lock() {
  static std::recursive_mutex lock;
  return lock;
}

Registry& Registry::get() {
  static Registry registry;
  return registry;
}

// Runs when the library is unloaded. Connections still open are ended first,
// so a session that outlives the registry no longer refers to it.
Registry::~Registry() {
  stop_all();
}

std::string canonical_file(const std::string& file) {
  char resolved[PATH_MAX];
  if (file.empty() || realpath(file.c_str(), resolved) == nullptr) return {};
  return resolved;
}

Engine* Registry::find_engine(std::string_view name) {
  if (name.empty()) return engines_.empty() ? nullptr : engines_.front().get();
  for (auto& engine : engines_) {
    if (same_name(engine->name, name)) return engine.get();
  }
  return nullptr;
}

Engine* Registry::running_engine(std::string_view name, Status& status) {
  Engine* engine = find_engine(name);
  if (engine != nullptr) return engine;
  if (name.empty()) {
    status.fail(DBE_ENGINE_NOT_RUNNING, "Database server not running (no server is started)");
  } else {
    status.fail(DBE_ENGINE_NOT_RUNNING, "Database server '%.*s' not running",
                static_cast<int>(name.size()), name.data());
  }
  return nullptr;
}

Engine* Registry::start_engine(const std::string& name, Autostop autostop, Status& status) {
  if (find_engine(name.empty() ? std::string_view("default") : name) != nullptr) {
    status.fail(DBE_ENGINE_ALREADY_RUNNING, "Database server '%s' already running", name.c_str());
    return nullptr;
  }
  auto engine = std::make_unique<Engine>();
  engine->name = name.empty() ? "default" : name;
  engine->autostop = autostop == Autostop::Yes;
  engines_.push_back(std::move(engine));
  return engines_.back().get();
}

bool Registry::stop_engine(Engine* engine, StopWhen when, const DatabaseClient* caller,
                           Status& status) {
  size_t others = 0;
  for (auto& database : engine->databases)
    others += other_connections(*database, caller);
  if (others > 0 && when != StopWhen::Unconditionally) {
    return status.fail(DBE_START_STOP_DENIED,
                       "Request to stop server '%s' denied: %zu connections remain",
                       engine->name.c_str(), others);
  }
  remove_engine(engine);
  return true;
}

Database* Registry::find_database(Engine& engine, std::string_view name, std::string_view file) {
  for (auto& database : engine.databases) {
    if (!name.empty() ? same_name(database->name, name)
                      : (file.empty() || database->file == file)) {
      return database.get();
    }
  }
  return nullptr;
}

Database* Registry::find_database(Engine& engine, const ServerParams& params) {
  if (!params.database.empty()) return find_database(engine, params.database, {});
  if (params.file.empty()) return find_database(engine, {}, {});
  std::string canonical = canonical_file(params.file);
  return canonical.empty() ? nullptr : find_database(engine, {}, canonical);
}

Database* Registry::start_database(Engine& engine, const std::string& file, const std::string& name,
                                   Autostop autostop, Status& status) {
  if (file.empty()) {
    status.fail(DBE_UNABLE_TO_START_DATABASE, "Unable to start database: no file given (dbf=)");
    return nullptr;
  }
  std::string canonical = canonical_file(file);
  if (canonical.empty()) {
    status.fail(DBE_UNABLE_TO_START_DATABASE, "Unable to start database: file '%s' not found",
                file.c_str());
    return nullptr;
  }
  std::string database_name = name.empty() ? database_name_of(file) : name;
  if (find_database(engine, database_name, {}) != nullptr) {
    status.fail(DBE_DATABASE_NAME_NOT_UNIQUE, "Database name '%s' not unique on server '%s'",
                database_name.c_str(), engine.name.c_str());
    return nullptr;
  }
  for (auto& other_engine : engines_) {
    for (auto& running : other_engine->databases) {
      if (running->file == canonical) {
        status.fail(DBE_DATABASE_FILE_IN_USE,
                    "Database file '%s' already runs as '%s' on server '%s'", file.c_str(),
                    running->name.c_str(), other_engine->name.c_str());
        return nullptr;
      }
    }
  }
  sqlite3* keeper = open_keeper(canonical, status);
  if (keeper == nullptr) return nullptr;
  auto database = std::make_unique<Database>();
  database->name = database_name;
  database->file = canonical;
  database->engine = &engine;
  database->autostop = autostop == Autostop::Yes;
  database->keeper = keeper;
  engine.databases.push_back(std::move(database));
  return engine.databases.back().get();
}

bool Registry::stop_database(Database* database, StopWhen when, const DatabaseClient* caller,
                             Status& status) {
  size_t others = other_connections(*database, caller);
  if (others > 0 && when != StopWhen::Unconditionally) {
    return status.fail(DBE_START_STOP_DENIED,
                       "Request to stop database '%s' denied: %zu connections remain",
                       database->name.c_str(), others);
  }
  remove_database_and_idle_engine(database);
  return true;
}

// A connect may start only what its file names, and only with start=.
Database* Registry::resolve(const ServerParams& params, Resolve how, Status& status) {
  bool may_start = how == Resolve::StartMissing;
  bool may_start_engine = may_start && params.has_start && !params.file.empty();
  Engine* engine =
      may_start_engine ? find_engine(params.engine) : running_engine(params.engine, status);
  bool started_engine = false;
  if (engine == nullptr) {
    if (!may_start_engine) return nullptr;
    engine = start_engine(engine_name_of(params), Autostop::Yes, status);
    if (engine == nullptr) return nullptr;
    started_engine = true;
  }
  Database* database = find_database(*engine, params);
  if (database == nullptr) {
    if (!may_start || params.file.empty()) {
      status.fail(DBE_DATABASE_NOT_FOUND, "Specified database '%s' not found on server '%s'",
                  params.database.c_str(), engine->name.c_str());
    } else {
      database =
          start_database(*engine, params.file, params.database, Autostop{params.autostop}, status);
    }
    if (database == nullptr && started_engine) remove_engine(engine);
  }
  return database;
}

void Registry::attach(Database& database, DatabaseClient* client) {
  database.clients.push_back(client);
}

void Registry::detach(DatabaseClient* client) {
  for (auto& engine : engines_) {
    for (auto& database : engine->databases) {
      auto& list = database->clients;
      auto it = std::find(list.begin(), list.end(), client);
      if (it == list.end()) continue;
      list.erase(it);
      if (list.empty() && database->autostop) remove_database_and_idle_engine(database.get());
      return;
    }
  }
}

// Ends the database's connections (their next request answers -308) and
// closes it.
void Registry::remove_database(Database* database) {
  std::vector<DatabaseClient*> clients;
  clients.swap(database->clients);
  for (DatabaseClient* client : clients)
    client->database_stopped();
  sqlite3_close_v2(database->keeper);
  auto& list = database->engine->databases;
  list.erase(std::find_if(list.begin(), list.end(),
                          [&](const std::unique_ptr<Database>& d) { return d.get() == database; }));
}

void Registry::remove_database_and_idle_engine(Database* database) {
  Engine* engine = database->engine;
  remove_database(database);
  if (engine->autostop && engine->databases.empty()) remove_engine(engine);
}

void Registry::remove_engine(Engine* engine) {
  while (!engine->databases.empty())
    remove_database(engine->databases.back().get());
  engines_.erase(std::find_if(engines_.begin(), engines_.end(),
                              [&](const std::unique_ptr<Engine>& e) { return e.get() == engine; }));
}

void Registry::stop_if_unused(Database* database) {
  if (database->autostop && database->clients.empty()) {
    remove_database_and_idle_engine(database);
  }
}

void Registry::stop_all() {
  while (!engines_.empty())
    remove_engine(engines_.back().get());
}

}  // namespace dblib
