// Engines and databases: named, in-process servers kept in one registry per
// loaded library, each holding the databases started on it.
//
// Semantics the callers can rely on:
// - A connect without eng= reaches the default engine: the running engine
//   that was started first. Without dbn= and dbf= it reaches that engine's
//   first database.
// - A connect with dbf= starts that database when it does not run (named by
//   dbn= or the file name), and the engine too when start= is given. Such a
//   database stops with its last connection unless autostop=no; an engine
//   started by a connect stops with its last database.
// - db_start_engine for a running name answers -96; db_start_database for a
//   name in use answers -77, for a file already running -816.
// - db_stop_engine and db_stop_database refuse (-75) while connections other
//   than the caller's own exist, unless unconditional=yes; then they end
//   every connection, whose next request answers -308.
//
// Every function here runs under the library's lock (global_lock).
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "dblib/core/connstr.h"
#include "dblib/core/status.h"

struct sqlite3;

namespace dblib {

class Connection;
struct Engine;

struct Database {
  std::string name;
  std::string file;  // canonical path
  Engine* engine = nullptr;
  bool autostop = false;
  sqlite3* keeper = nullptr;  // held open while started, so WAL state persists
  std::vector<Connection*> connections;
};

struct Engine {
  std::string name;
  bool autostop = false;
  std::vector<std::unique_ptr<Database>> databases;
};

// The lock that every entry point holds while it runs. Recursive, so that a
// wait callback may call back into the library on the same thread.
std::recursive_mutex& global_lock();

class Registry {
 public:
  static Registry& get();
  // Unloading the library stops whatever still runs, so that no database
  // handle outlives the code that owns it.
  ~Registry();

  // Empty name: the default engine. Null when none matches.
  Engine* find_engine(std::string_view name);
  // As find_engine, but a missing engine is the caller's error (-100).
  Engine* running_engine(std::string_view name, Status& status);
  Engine* start_engine(const std::string& name, bool autostop, Status& status);
  bool stop_engine(Engine* engine, bool unconditional, const Connection* caller, Status& status);

  // By name when name is given, else by canonical file, else the first one.
  Database* find_database(Engine& engine, std::string_view name, std::string_view file);
  // The database a connection string names on engine: by dbn=, else by the
  // file of dbf= (none when that file does not exist), else the first one.
  Database* find_database(Engine& engine, const ConnectParams& params);
  Database* start_database(Engine& engine, const std::string& file, const std::string& name,
                           bool autostop, Status& status);
  bool stop_database(Database* database, bool unconditional, const Connection* caller,
                     Status& status);

  // Finds (or, as a connect does, starts) the database a connection string
  // names.
  Database* resolve(const ConnectParams& params, bool may_start, Status& status);

  void attach(Database& database, Connection* connection);
  // Forgets a closing connection and applies autostop.
  void detach(Connection* connection);

  // Stops a database started for a connect that then failed.
  void stop_if_unused(Database* database);
  void stop_all();
  const std::vector<std::unique_ptr<Engine>>& engines() const { return engines_; }

 private:
  void remove_database(Database* database);
  // Removes database, and its engine too when that stops with its last
  // database.
  void remove_database_and_idle_engine(Database* database);
  void remove_engine(Engine* engine);
  std::vector<std::unique_ptr<Engine>> engines_;
};

// realpath of file, or empty when it does not exist.
std::string canonical_file(const std::string& file);

}  // namespace dblib
