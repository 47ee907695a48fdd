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

#include "dblib/core/server/server_params.h"
#include "dblib/core/support/status.h"

struct sqlite3;

namespace dblib {

struct Engine;

// What holds a connection to a started database, as the registry sees it:
// counted while attached, and told when the database stops under it.
class DatabaseClient {
 public:
  // The database stopped: the client's connection is over, and its next
  // request answers -308. The client is no longer attached.
  virtual void database_stopped() = 0;

 protected:
  ~DatabaseClient() = default;
};

struct Database {
  std::string name;
  std::string file;  // canonical path
  Engine* engine = nullptr;
  bool autostop = false;
  sqlite3* keeper = nullptr;  // held open while started, so WAL state persists
  std::vector<DatabaseClient*> clients;
};

// Whether an engine or a database stops by itself with its last database or
// connection.
enum class Autostop : bool { No = false, Yes = true };
// Whether a stop goes ahead while other connections remain, ending them.
enum class StopWhen : bool { Unused = false, Unconditionally = true };
// Whether resolving a connection string may start what it names.
enum class Resolve : bool { FindRunning = false, StartMissing = true };

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
  Engine* start_engine(const std::string& name, Autostop autostop, Status& status);
  // caller's own connection does not count as one that remains.
  bool stop_engine(Engine* engine, StopWhen when, const DatabaseClient* caller, Status& status);

  // By name when name is given, else by canonical file, else the first one.
  Database* find_database(Engine& engine, std::string_view name, std::string_view file);
  // The database a connection string names on engine: by dbn=, else by the
  // file of dbf= (none when that file does not exist), else the first one.
  Database* find_database(Engine& engine, const ServerParams& params);
  Database* start_database(Engine& engine, const std::string& file, const std::string& name,
                           Autostop autostop, Status& status);
  bool stop_database(Database* database, StopWhen when, const DatabaseClient* caller,
                     Status& status);

  // Finds (or, as a connect does, starts) the database a connection string
  // names.
  Database* resolve(const ServerParams& params, Resolve how, Status& status);

  void attach(Database& database, DatabaseClient* client);
  // Forgets a client whose connection closed and applies autostop.
  void detach(DatabaseClient* client);

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
