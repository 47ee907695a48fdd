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
//
// Changes and the database's write lock (lock_waits.cpp). A connection
// changes data only while it holds its database's write lock (write_lock.h),
// from its transaction's first change to its end. Taking it may wait for
// another connection: the wait fires the wait callback, ends at once when
// option blocking is OFF (-210), when the request is cancelled (-299), after
// blocking_timeout milliseconds (-210), when waiting could never end (-306),
// or when the database stops (-308). A transaction that begins with a change
// takes SQLite's write lock as it begins, so its reads and writes always see
// the latest committed state. At levels 0 and 1 a read that is still open
// (a cursor part-way through its rows) may hold an older state; when a
// change needs the latest one, the connection's cursors let go of their
// reads and resume them later, counting their way back to where they stood,
// which is safe since these levels promise no repeatable reads. At levels 2
// and 3 a transaction that read first cannot be moved on that way: a change
// that finds another connection has committed since its reads is answered
// -306, as a locking server answers two such transactions, and the
// transaction is to be rolled back and tried again.
//
// Other processes on the same file are kept apart by SQLite's own lock;
// waiting for it (the busy handler) fires the wait callback and obeys
// blocking, blocking_timeout and cancel alike, without the deadlock check.
#pragma once

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "dblib/core/connect/activity.h"
#include "dblib/core/connect/connstr.h"
#include "dblib/core/connect/options.h"
#include "dblib/core/server/write_lock.h"
#include "dblib/core/support/status.h"
#include "dblib/core/value/variables.h"

namespace dblib {

struct Database;

// How a statement about to run touches the transaction.
struct StatementEffect {
  bool writes = false;               // it changes the database
  bool transaction_control = false;  // BEGIN, COMMIT, PRAGMA, ...: never wrapped in one
};

// What keeps reads open on a connection (its cursors): asked to let go of
// them, so that the connection can move on to the latest committed state.
class ReadHolder {
 public:
  virtual void let_go_of_reads() = 0;

 protected:
  ~ReadHolder() = default;
};

class Connection {
 public:
  Connection(Activity& activity, ReadHolder& reads);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens a handle on database and authenticates the user of params.
  bool open(std::shared_ptr<Database> database, const ConnectParams& params, Status& status);

  sqlite3* handle() { return db_; }
  // The database it was opened on (kept after the database stopped).
  const Database& database() const { return *database_; }
  const std::string& user() const { return user_; }

  // The engine or database stopped: every later request answers -308. The
  // owner closes the handle once its statements are finalized (interrupting
  // first when a request of its own runs). May come from any thread.
  void end() { ended_ = true; }
  bool ended() const { return ended_; }
  void interrupt() { sqlite3_interrupt(db_); }
  // Closes the handle (work not committed is rolled back, the write lock
  // given back); every statement prepared on it must be finalized before.
  void close();

  // Around every statement run: takes the write lock a change needs, begins
  // the implicit transaction when one is needed, and afterwards notes a
  // transaction SQLite rolled back and gives back the lock when no
  // transaction remains.
  bool prepare_to_run(StatementEffect effect, Status& status);
  void ran(bool failed, Status& status);
  bool commit(Status& status);
  bool rollback(Status& status);

  bool set_option(std::string_view name, std::string_view value, Status& status);
  const Options& options() const { return options_; }
  Variables& variables() { return variables_; }

  // Installs the progress handler that drives the wait callback and cancel.
  void update_progress_handler();

  // Around every request that works on the connection, on its thread.
  void request_began();
  void request_ended();
  // Whether SQLite's lock wait of the running request gave up because the
  // request was cancelled (so its -210 is really -299).
  bool wait_cancelled() const { return wait_cancelled_; }

 private:
  // lock_waits.cpp
  bool take_write_lock(Status& status);
  bool begin_transaction(bool immediate, Status& status);
  void end_of_transaction();
  static int on_busy(void* context, int count);
  bool keep_waiting(int count);

  Activity& activity_;
  ReadHolder& reads_;
  sqlite3* db_ = nullptr;
  std::shared_ptr<Database> database_;
  std::string user_;
  std::atomic<bool> ended_{false};
  bool had_transaction_ = false;
  Options options_;
  Variables variables_;
  LockOwner lock_owner_;
  std::chrono::steady_clock::time_point busy_since_;
  bool wait_cancelled_ = false;
};

}  // namespace dblib
