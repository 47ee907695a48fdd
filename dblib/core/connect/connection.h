// One connection: an SQLite handle on a started database, its SQL
// variables, options and transaction. The statements and cursors made on it
// belong to the SQLCA's session, which frees them before the handle closes.
//
// Transactions are implicit: the first statement that changes data (or, at
// isolation levels 2 and 3, any statement) begins one, and it lasts until
// commit or rollback. At levels 0 and 1 reads outside a transaction see the
// latest committed data. A failed statement leaves the transaction open; when
// SQLite itself had to roll the whole transaction back (an interrupted
// change, a full disk) the error text says so.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

#include "dblib/core/connect/activity.h"
#include "dblib/core/connect/connstr.h"
#include "dblib/core/connect/options.h"
#include "dblib/core/support/status.h"
#include "dblib/core/value/variables.h"

namespace dblib {

struct Database;

// How a statement about to run touches the transaction.
struct StatementEffect {
  bool writes = false;               // it changes the database
  bool transaction_control = false;  // BEGIN, COMMIT, PRAGMA, ...: never wrapped in one
};

class Connection {
 public:
  explicit Connection(Activity& activity);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens a handle on database and authenticates the user of params.
  bool open(Database& database, const ConnectParams& params, Status& status);

  sqlite3* handle() { return db_; }
  // The database, or null once it stopped under the connection.
  Database* database() { return database_; }
  const std::string& user() const { return user_; }

  // The engine or database stopped: every later request answers -308. The
  // owner closes the handle once its statements are finalized (interrupting
  // first when a request of its own runs).
  void end() {
    ended_ = true;
    database_ = nullptr;
  }
  bool ended() const { return ended_; }
  void interrupt() { sqlite3_interrupt(db_); }
  // Closes the handle (work not committed is rolled back); every statement
  // prepared on it must be finalized before.
  void close();

  // Around every statement run: begins the implicit transaction when one is
  // needed, and afterwards notes a transaction SQLite rolled back.
  bool prepare_to_run(StatementEffect effect, Status& status);
  void ran(bool failed, Status& status);
  bool commit(Status& status);
  bool rollback(Status& status);

  bool set_option(std::string_view name, std::string_view value, Status& status);
  const Options& options() const { return options_; }
  Variables& variables() { return variables_; }

  // Installs the progress handler that drives the wait callback and cancel.
  void update_progress_handler();

 private:
  Activity& activity_;
  sqlite3* db_ = nullptr;
  Database* database_ = nullptr;
  std::string user_;
  bool ended_ = false;
  bool had_transaction_ = false;
  Options options_;
  Variables variables_;
};

}  // namespace dblib
