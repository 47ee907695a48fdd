#include "dblib/core/connect/connection.h"

#include "dblib/core/server/registry.h"
#include "dblib/core/server/users.h"
#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

// SQLite calls this every kProgressSteps virtual-machine steps while a
// statement runs: it is the wait callback's heartbeat, and a cancel
// requested from inside the callback (or from another thread) ends the
// statement here.
constexpr int kProgressSteps = 1000;

int on_progress(void* context) {
  Activity* activity = static_cast<Activity*>(context);
  if (activity->cancel_requested) return 1;
  activity->fire(DBCB_WAIT);
  return activity->cancel_requested ? 1 : 0;
}

}  // namespace

Connection::Connection(Activity& activity, ReadHolder& reads)
    : activity_(activity), reads_(reads) {}

Connection::~Connection() {
  close();
}

// A connection serves one request at a time (its session is claimed for the
// request's whole run, api/session.h), and a stop from another thread closes
// it only while no request runs, so SQLite's own mutex per connection would
// only add a lock and an unlock to every step and every column read. A
// cancel from another thread goes through sqlite3_interrupt, which SQLite
// allows on a connection in use.
bool Connection::open(std::shared_ptr<Database> database, const ConnectParams& params,
                      Status& status) {
  database_ = std::move(database);
  int rc = sqlite3_open_v2(database_->file.c_str(), &db_,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    status.fail(DBE_UNABLE_TO_START_DATABASE, "Cannot open database '%s': %s",
                database_->name.c_str(), db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
    close();
    return false;
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_handler(db_, on_busy, this);
  if (!exec_sql(db_, "PRAGMA foreign_keys=ON", status) ||
      !authenticate(db_, params.user, params.password, status)) {
    close();
    return false;
  }
  user_ = params.user;
  update_progress_handler();
  return true;
}

void Connection::close() {
  if (db_ != nullptr) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
  LockTable::get().release(lock_owner_);
}

// Begins the implicit transaction a change (or a read at isolation 2 and
// above) needs, unless one runs or the statement controls transactions. A
// change takes the write lock first, and a transaction it begins takes
// SQLite's lock with it (see the header).
bool Connection::prepare_to_run(StatementEffect effect, Status& status) {
  had_transaction_ = sqlite3_get_autocommit(db_) == 0;
  if (effect.transaction_control) return true;
  const bool begins = !had_transaction_ && (effect.writes || options_.isolation_level() >= 2);
  if (effect.writes && !take_write_lock(status)) return false;
  if (!begins || begin_transaction(effect.writes, status)) return true;
  end_of_transaction();
  return false;
}

void Connection::ran(bool failed, Status& status) {
  if (failed && had_transaction_ && sqlite3_get_autocommit(db_) != 0 && !status.ok()) {
    std::string text = status.text() + "; the transaction was rolled back";
    status.fail(status.code(), "%s", text.c_str());
  }
  end_of_transaction();
}

bool Connection::commit(Status& status) {
  bool ok = sqlite3_get_autocommit(db_) != 0 || exec_sql(db_, "COMMIT", status);
  end_of_transaction();
  return ok;
}

bool Connection::rollback(Status& status) {
  bool ok = sqlite3_get_autocommit(db_) != 0 || exec_sql(db_, "ROLLBACK", status);
  end_of_transaction();
  return ok;
}

bool Connection::set_option(std::string_view name, std::string_view value, Status& status) {
  return options_.set(name, value, status);
}

// Always installed: besides driving the wait callback it is how a cancel
// ends the running statement, and that statement alone.
void Connection::update_progress_handler() {
  if (db_ == nullptr) return;
  sqlite3_progress_handler(db_, kProgressSteps, on_progress, &activity_);
}

void Connection::request_began() {
  wait_cancelled_ = false;
  LockTable::get().request_began(lock_owner_);
}

void Connection::request_ended() {
  LockTable::get().request_ended(lock_owner_);
}

}  // namespace dblib
