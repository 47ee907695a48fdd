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
//   than the caller's own exist (connects under way count), unless
//   unconditional=yes; then they end every connection, whose next request
//   answers -308.
//
// Threads. Every public operation takes the registry's lock for its own
// bookkeeping only: opening a database file (which SQLite may make wait for
// another process) happens outside it, and a database started meanwhile by
// another thread is then used, or refused as a duplicate, as if the calls
// had come one after the other. A connect reserves its database while its
// connection opens, so that the database cannot stop by itself under it.
// While the lock is held the registry may take a session's lock (to end its
// connection) and the lock table's, never the other way round.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "dblib/core/server/server_params.h"
#include "dblib/core/server/write_lock.h"
#include "dblib/core/support/status.h"

struct sqlite3;

namespace dblib {

struct Engine;

// What holds a connection to a started database, as the registry sees it:
// counted while attached, and told when the database stops under it.
class DatabaseClient {
 public:
  // The database stopped: the client's connection is over, and its next
  // request answers -308. The client is no longer attached. Called under the
  // registry's lock, from any thread.
  virtual void database_stopped() = 0;

 protected:
  ~DatabaseClient() = default;
};

// A started database. Connections keep it (shared) as long as they live, so
// its name, file and write lock stay valid after it stopped; the rest
// belongs to the registry and is read and written under its lock.
struct Database {
  Database() = default;
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  std::string name;
  std::string file;  // canonical path
  WriteLock write_lock;

  Engine* engine = nullptr;
  bool autostop = false;
  bool stopped = false;
  int reserved = 0;           // connects under way that will attach
  sqlite3* keeper = nullptr;  // held open while started, so WAL state persists
  std::vector<DatabaseClient*> clients;
};

// Whether an engine or a database stops by itself with its last database or
// connection.
enum class Autostop : bool { No = false, Yes = true };
// Whether a stop goes ahead while other connections remain, ending them.
enum class StopWhen : bool { Unused = false, Unconditionally = true };

struct Engine {
  std::string name;
  bool autostop = false;
  std::vector<std::shared_ptr<Database>> databases;
};

class Registry {
 public:
  static Registry& get();
  // Unloading the library stops whatever still runs, so that no database
  // handle outlives the code that owns it.
  ~Registry();

  // db_find_engine: whether the engine of that name runs (empty: any); -100
  // when not.
  bool engine_runs(std::string_view name, Status& status);
  // db_start_engine: starts the engine params names (it runs until stopped)
  // and, with dbf=, that database on it; when the database cannot start,
  // the engine does not stay.
  bool start_engine(const ServerParams& params, Status& status);
  // db_start_database: starts the database of dbf= on the engine of eng=
  // (started too when start= is given and it does not run).
  bool start_database(const ServerParams& params, Status& status);
  // db_stop_engine, db_stop_database; the caller's own connection does not
  // count as one that remains.
  bool stop_engine(const ServerParams& params, const DatabaseClient* caller, Status& status);
  bool stop_database(const ServerParams& params, const DatabaseClient* caller, Status& status);

  // The running database a connection string names (ping); null with the
  // outcome in status when there is none.
  std::shared_ptr<Database> find(const ServerParams& params, Status& status);
  // For a connect: the database a connection string names, started when it
  // does not run and the string allows it, and reserved until attach or
  // unreserve.
  std::shared_ptr<Database> reserve(const ServerParams& params, Status& status);
  // Turns the reservation into an attached client; fails (-83) when the
  // database was stopped meanwhile.
  bool attach(Database& database, DatabaseClient* client, Status& status);
  // Gives up a reservation (the connect failed); a database that was started
  // for it stops again.
  void unreserve(Database& database);
  // Forgets a client whose connection closed and applies autostop.
  void detach(DatabaseClient* client);

  std::vector<std::string> engine_names();
  void stop_all();

 private:
  Registry();
  // The rest runs under mutex_.
  Engine* find_engine(std::string_view name);
  Engine* running_engine(std::string_view name, Status& status);
  Engine* add_engine(const std::string& name, Autostop autostop, Status& status);
  Database* find_database(Engine& engine, std::string_view name, std::string_view file);
  // The database a connection string names on engine: by dbn=, else by the
  // (canonical) file of dbf=, else the first one.
  Database* database_named(Engine& engine, const ServerParams& params,
                           const std::string& canonical);
  // Whether a database of that name and file may join engine (-77, -816).
  bool may_add(const Engine& engine, const std::string& name, const std::string& canonical,
               const std::string& file_given, Status& status);
  bool add_database(Engine& engine, std::shared_ptr<Database> database,
                    const std::string& file_given, Status& status);
  size_t other_connections(const Database& database, const DatabaseClient* caller) const;
  void remove_database(Database* database);
  // Removes database, and its engine too when that stops with its last
  // database.
  void remove_database_and_idle_engine(Database* database);
  void remove_engine(Engine* engine);
  void stop_if_unused(Database* database);

  std::mutex mutex_;
  std::vector<std::unique_ptr<Engine>> engines_;
};

// realpath of file, or empty when it does not exist.
std::string canonical_file(const std::string& file);

}  // namespace dblib
