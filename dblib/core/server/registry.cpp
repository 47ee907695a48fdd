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

// Opens the file as a started database: it must exist, be a database and
// carry the user table of this library. The handle stays open while the
// database runs. SQLite may wait here for another process (switching the
// file to WAL), so no lock of the library is held.
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

// The file a start names, as the registry compares files; -82 when there is
// none.
bool file_to_start(const std::string& file, std::string& canonical, Status& status) {
  if (file.empty()) {
    return status.fail(DBE_UNABLE_TO_START_DATABASE,
                       "Unable to start database: no file given (dbf=)");
  }
  canonical = canonical_file(file);
  if (canonical.empty()) {
    return status.fail(DBE_UNABLE_TO_START_DATABASE,
                       "Unable to start database: file '%s' not found", file.c_str());
  }
  return true;
}

// A database opened and checked but on no engine yet; null with the outcome
// in status.
std::shared_ptr<Database> open_database(const std::string& canonical, const std::string& name,
                                        Autostop autostop, Status& status) {
  sqlite3* keeper = open_keeper(canonical, status);
  if (keeper == nullptr) return nullptr;
  auto database = std::make_shared<Database>();
  database->name = name;
  database->file = canonical;
  database->autostop = autostop == Autostop::Yes;
  database->keeper = keeper;
  return database;
}

std::string database_name_for(const ServerParams& params) {
  return params.database.empty() ? database_name_of(params.file) : params.database;
}

}  // namespace

Database::~Database() {
  if (keeper != nullptr) sqlite3_close_v2(keeper);
}

// The lock table is made first, so that it outlives the registry, whose
// end releases the locks its connections hold.
Registry::Registry() {
  LockTable::get();
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

// ------------------------------------------------------------- operations

bool Registry::engine_runs(std::string_view name, Status& status) {
  std::lock_guard<std::mutex> guard(mutex_);
  return running_engine(name, status) != nullptr;
}

// The database is opened before the engine is added, so that a file that
// cannot start leaves no engine behind; the outcomes are those of starting
// the engine and then the database.
bool Registry::start_engine(const ServerParams& params, Status& status) {
  const std::string name = engine_name_of(params);
  const std::string shown = name.empty() ? "default" : name;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (find_engine(shown) != nullptr) {
      return status.fail(DBE_ENGINE_ALREADY_RUNNING, "Database server '%s' already running",
                         name.c_str());
    }
  }
  std::shared_ptr<Database> database;
  if (!params.file.empty()) {
    std::string canonical;
    if (!file_to_start(params.file, canonical, status)) return false;
    database = open_database(canonical, database_name_for(params),
                             Autostop{params.autostop_given && params.autostop}, status);
    if (!database) return false;
  }
  std::lock_guard<std::mutex> guard(mutex_);
  Engine* engine = add_engine(name, Autostop::No, status);
  if (engine == nullptr) return false;
  if (database && !add_database(*engine, database, params.file, status)) {
    remove_engine(engine);
    return false;
  }
  return true;
}

// Without start= the engine must run; with it a missing engine is started
// for the database and stays only when the database starts.
bool Registry::start_database(const ServerParams& params, Status& status) {
  std::string canonical;
  const std::string name = database_name_for(params);
  {
    std::lock_guard<std::mutex> guard(mutex_);
    Engine* engine =
        params.has_start ? find_engine(params.engine) : running_engine(params.engine, status);
    if (engine == nullptr && !params.has_start) return false;
    if (!file_to_start(params.file, canonical, status)) return false;
    if (engine != nullptr && !may_add(*engine, name, canonical, params.file, status)) return false;
  }
  std::shared_ptr<Database> database =
      open_database(canonical, name, Autostop{params.autostop_given && params.autostop}, status);
  if (!database) return false;
  std::lock_guard<std::mutex> guard(mutex_);
  Engine* engine =
      params.has_start ? find_engine(params.engine) : running_engine(params.engine, status);
  bool started_engine = false;
  if (engine == nullptr) {
    if (!params.has_start) return false;
    engine = add_engine(engine_name_of(params), Autostop::No, status);
    if (engine == nullptr) return false;
    started_engine = true;
  }
  if (!add_database(*engine, database, params.file, status)) {
    if (started_engine) remove_engine(engine);
    return false;
  }
  return true;
}

bool Registry::stop_engine(const ServerParams& params, const DatabaseClient* caller,
                           Status& status) {
  std::lock_guard<std::mutex> guard(mutex_);
  Engine* engine = running_engine(params.engine, status);
  if (engine == nullptr) return false;
  size_t others = 0;
  for (auto& database : engine->databases)
    others += other_connections(*database, caller);
  if (others > 0 && !params.unconditional) {
    return status.fail(DBE_START_STOP_DENIED,
                       "Request to stop server '%s' denied: %zu connections remain",
                       engine->name.c_str(), others);
  }
  remove_engine(engine);
  return true;
}

bool Registry::stop_database(const ServerParams& params, const DatabaseClient* caller,
                             Status& status) {
  std::string canonical = params.file.empty() ? std::string() : canonical_file(params.file);
  std::lock_guard<std::mutex> guard(mutex_);
  Engine* engine = running_engine(params.engine, status);
  if (engine == nullptr) return false;
  Database* database = database_named(*engine, params, canonical);
  if (database == nullptr) {
    return status.fail(DBE_DATABASE_NOT_FOUND, "Specified database not found on server '%s'",
                       engine->name.c_str());
  }
  size_t others = other_connections(*database, caller);
  if (others > 0 && !params.unconditional) {
    return status.fail(DBE_START_STOP_DENIED,
                       "Request to stop database '%s' denied: %zu connections remain",
                       database->name.c_str(), others);
  }
  remove_database_and_idle_engine(database);
  return true;
}

std::shared_ptr<Database> Registry::find(const ServerParams& params, Status& status) {
  std::string canonical = params.file.empty() ? std::string() : canonical_file(params.file);
  std::lock_guard<std::mutex> guard(mutex_);
  Engine* engine = running_engine(params.engine, status);
  if (engine == nullptr) return nullptr;
  Database* database = database_named(*engine, params, canonical);
  if (database == nullptr) {
    status.fail(DBE_DATABASE_NOT_FOUND, "Specified database '%s' not found on server '%s'",
                params.database.c_str(), engine->name.c_str());
    return nullptr;
  }
  for (auto& running : engine->databases) {
    if (running.get() == database) return running;
  }
  return nullptr;
}

// A connect may start only what its file names, and the engine only with
// start=. The file is opened outside the lock; when another connect started
// the same database meanwhile, that one is used and the file opened here is
// closed again.
std::shared_ptr<Database> Registry::reserve(const ServerParams& params, Status& status) {
  const bool may_start_engine = params.has_start && !params.file.empty();
  const std::string canonical = params.file.empty() ? std::string() : canonical_file(params.file);
  auto reserved = [&](Engine& engine) -> std::shared_ptr<Database> {
    Database* found = database_named(engine, params, canonical);
    if (found == nullptr) return nullptr;
    for (auto& running : engine.databases) {
      if (running.get() != found) continue;
      ++running->reserved;
      return running;
    }
    return nullptr;
  };
  {
    std::lock_guard<std::mutex> guard(mutex_);
    Engine* engine =
        may_start_engine ? find_engine(params.engine) : running_engine(params.engine, status);
    if (engine == nullptr && !may_start_engine) return nullptr;
    if (engine != nullptr) {
      if (auto database = reserved(*engine)) return database;
      if (params.file.empty()) {
        status.fail(DBE_DATABASE_NOT_FOUND, "Specified database '%s' not found on server '%s'",
                    params.database.c_str(), engine->name.c_str());
        return nullptr;
      }
    }
  }
  std::string file;
  if (!file_to_start(params.file, file, status)) return nullptr;
  std::shared_ptr<Database> opened =
      open_database(file, database_name_for(params), Autostop{params.autostop}, status);
  if (!opened) return nullptr;
  std::lock_guard<std::mutex> guard(mutex_);
  Engine* engine =
      may_start_engine ? find_engine(params.engine) : running_engine(params.engine, status);
  bool started_engine = false;
  if (engine == nullptr) {
    if (!may_start_engine) return nullptr;
    engine = add_engine(engine_name_of(params), Autostop::Yes, status);
    if (engine == nullptr) return nullptr;
    started_engine = true;
  }
  if (auto database = reserved(*engine)) return database;
  if (!add_database(*engine, opened, params.file, status)) {
    if (started_engine) remove_engine(engine);
    return nullptr;
  }
  ++opened->reserved;
  return opened;
}

bool Registry::attach(Database& database, DatabaseClient* client, Status& status) {
  std::lock_guard<std::mutex> guard(mutex_);
  --database.reserved;
  if (database.stopped) {
    return status.fail(DBE_DATABASE_NOT_FOUND,
                       "Database '%s' was stopped while the connection was made",
                       database.name.c_str());
  }
  database.clients.push_back(client);
  return true;
}

void Registry::unreserve(Database& database) {
  std::lock_guard<std::mutex> guard(mutex_);
  --database.reserved;
  if (!database.stopped) stop_if_unused(&database);
}

void Registry::detach(DatabaseClient* client) {
  std::lock_guard<std::mutex> guard(mutex_);
  for (auto& engine : engines_) {
    for (auto& database : engine->databases) {
      auto& list = database->clients;
      auto it = std::find(list.begin(), list.end(), client);
      if (it == list.end()) continue;
      list.erase(it);
      stop_if_unused(database.get());
      return;
    }
  }
}

std::vector<std::string> Registry::engine_names() {
  std::lock_guard<std::mutex> guard(mutex_);
  std::vector<std::string> names;
  for (const auto& engine : engines_)
    names.push_back(engine->name);
  return names;
}

void Registry::stop_all() {
  std::lock_guard<std::mutex> guard(mutex_);
  while (!engines_.empty())
    remove_engine(engines_.back().get());
}

// ------------------------------------------------- under the registry's lock

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

Engine* Registry::add_engine(const std::string& name, Autostop autostop, Status& status) {
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

Database* Registry::find_database(Engine& engine, std::string_view name, std::string_view file) {
  for (auto& database : engine.databases) {
    if (!name.empty() ? same_name(database->name, name)
                      : (file.empty() || database->file == file)) {
      return database.get();
    }
  }
  return nullptr;
}

// A dbf= whose file does not exist names no running database.
Database* Registry::database_named(Engine& engine, const ServerParams& params,
                                   const std::string& canonical) {
  if (!params.database.empty()) return find_database(engine, params.database, {});
  if (params.file.empty()) return find_database(engine, {}, {});
  return canonical.empty() ? nullptr : find_database(engine, {}, canonical);
}

bool Registry::may_add(const Engine& engine, const std::string& name, const std::string& canonical,
                       const std::string& file_given, Status& status) {
  for (auto& running : engine.databases) {
    if (same_name(running->name, name)) {
      return status.fail(DBE_DATABASE_NAME_NOT_UNIQUE,
                         "Database name '%s' not unique on server '%s'", name.c_str(),
                         engine.name.c_str());
    }
  }
  for (auto& other_engine : engines_) {
    for (auto& running : other_engine->databases) {
      if (running->file == canonical) {
        return status.fail(DBE_DATABASE_FILE_IN_USE,
                           "Database file '%s' already runs as '%s' on server '%s'",
                           file_given.c_str(), running->name.c_str(), other_engine->name.c_str());
      }
    }
  }
  return true;
}

bool Registry::add_database(Engine& engine, std::shared_ptr<Database> database,
                            const std::string& file_given, Status& status) {
  if (!may_add(engine, database->name, database->file, file_given, status)) return false;
  database->engine = &engine;
  engine.databases.push_back(std::move(database));
  return true;
}

size_t Registry::other_connections(const Database& database, const DatabaseClient* caller) const {
  auto others = std::count_if(database.clients.begin(), database.clients.end(),
                              [&](DatabaseClient* c) { return c != caller; });
  return static_cast<size_t>(others) + static_cast<size_t>(database.reserved);
}

// Ends the database's connections (their next request answers -308), wakes
// whoever waits for its lock, and closes it. Connections still keep the
// Database itself.
//
// The lock closes first: a connection that ended (and so gave back the
// lock) must not let a waiter go on into a database that is stopping.
void Registry::remove_database(Database* database) {
  database->stopped = true;
  LockTable::get().close(database->write_lock);
  std::vector<DatabaseClient*> clients;
  clients.swap(database->clients);
  for (DatabaseClient* client : clients)
    client->database_stopped();
  sqlite3_close_v2(database->keeper);
  database->keeper = nullptr;
  auto& list = database->engine->databases;
  list.erase(std::find_if(list.begin(), list.end(),
                          [&](const std::shared_ptr<Database>& d) { return d.get() == database; }));
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
  if (database->autostop && database->clients.empty() && database->reserved == 0) {
    remove_database_and_idle_engine(database);
  }
}

}  // namespace dblib
