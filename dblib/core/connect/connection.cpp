#include "dblib/core/connect/connection.h"

#include "dblib/core/server/registry.h"
#include "dblib/core/server/users.h"
#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

// SQLite calls this every kProgressSteps virtual-machine steps while a
// statement runs: it is the wait callback's heartbeat, and a cancel
// requested from inside the callback ends the statement here.
constexpr int kProgressSteps = 1000;

int on_progress(void* context) {
  Activity* activity = static_cast<Activity*>(context);
  if (activity->cancel_requested) return 1;
  activity->fire(DBCB_WAIT);
  return activity->cancel_requested ? 1 : 0;
}

}  // namespace

Connection::Connection(Activity& activity) : activity_(activity) {}

Connection::~Connection() {
  close();
}

// Every request holds the stand-in's process-wide lock (api/request.h) while
// it uses a connection, so SQLite's own mutex per connection would only add a
// lock and an unlock to every step and every column read.
bool Connection::open(Database& database, const ConnectParams& params, Status& status) {
  int rc = sqlite3_open_v2(database.file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  if (rc != SQLITE_OK) {
    status.fail(DBE_UNABLE_TO_START_DATABASE, "Cannot open database '%s': %s",
                database.name.c_str(), db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
    close();
    return false;
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, options_.blocking_timeout());
  if (!exec_sql(db_, "PRAGMA foreign_keys=ON", status) ||
      !authenticate(db_, params.user, params.password, status)) {
    close();
    return false;
  }
  user_ = params.user;
  database_ = &database;
  update_progress_handler();
  return true;
}

void Connection::close() {
  if (db_ != nullptr) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
}

// Begins the implicit transaction a change (or a read at isolation 2 and
// above) needs, unless one runs or the statement controls transactions.
bool Connection::prepare_to_run(StatementEffect effect, Status& status) {
  had_transaction_ = sqlite3_get_autocommit(db_) == 0;
  if (effect.transaction_control || had_transaction_) return true;
  if (effect.writes || options_.isolation_level() >= 2) return exec_sql(db_, "BEGIN", status);
  return true;
}

void Connection::ran(bool failed, Status& status) {
  if (failed && had_transaction_ && sqlite3_get_autocommit(db_) != 0 && !status.ok()) {
    std::string text = status.text() + "; the transaction was rolled back";
    status.fail(status.code(), "%s", text.c_str());
  }
}

bool Connection::commit(Status& status) {
  if (sqlite3_get_autocommit(db_) != 0) return true;
  return exec_sql(db_, "COMMIT", status);
}

bool Connection::rollback(Status& status) {
  if (sqlite3_get_autocommit(db_) != 0) return true;
  return exec_sql(db_, "ROLLBACK", status);
}

bool Connection::set_option(std::string_view name, std::string_view value, Status& status) {
  if (!options_.set(name, value, status)) return false;
  sqlite3_busy_timeout(db_, options_.blocking_timeout());
  return true;
}

// Always installed: besides driving the wait callback it is how a cancel
// ends the running statement, and that statement alone.
void Connection::update_progress_handler() {
  if (db_ == nullptr) return;
  sqlite3_progress_handler(db_, kProgressSteps, on_progress, &activity_);
}

}  // namespace dblib
