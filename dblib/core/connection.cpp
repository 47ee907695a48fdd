#include "dblib/core/connection.h"

#include <algorithm>

#include "dblib/core/cursor.h"
#include "dblib/core/registry.h"
#include "dblib/core/session.h"
#include "dblib/core/text.h"
#include "dblib/core/users.h"
#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

// SQLite calls this every kProgressSteps virtual-machine steps while a
// statement runs: it is the wait callback's heartbeat, and a cancel
// requested from inside the callback ends the statement here.
constexpr int kProgressSteps = 1000;

int on_progress(void* context) {
  Session* session = static_cast<Session*>(context);
  if (session->cancel_requested) return 1;
  session->fire(DBCB_WAIT);
  return session->cancel_requested ? 1 : 0;
}

}  // namespace

Connection::Connection(Session& session) : session_(session) {}

Connection::~Connection() {
  close_handle();
  if (database_ != nullptr) Registry::get().detach(this);
}

bool Connection::open(Database& database, const ConnectParams& params, Status& status) {
  int rc = sqlite3_open_v2(database.file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
  if (rc != SQLITE_OK) {
    status.fail(DBE_UNABLE_TO_START_DATABASE, "Cannot open database '%s': %s",
                database.name.c_str(), db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
    close_handle();
    return false;
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, options_.blocking_timeout());
  if (!exec_sql(db_, "PRAGMA foreign_keys=ON", status) ||
      !authenticate(db_, params.user, params.password, status)) {
    close_handle();
    return false;
  }
  user_ = params.user;
  database_ = &database;
  Registry::get().attach(database, this);
  update_progress_handler();
  return true;
}

void Connection::close_handle() {
  cursors_.clear();     // finalizes every cursor's statements, then
  statements_.clear();  // every prepared statement, before the handle goes
  free_numbers_.clear();
  if (db_ != nullptr) {
    // Work not committed is rolled back, as closing the handle would.
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
}

void Connection::terminate() {
  terminated_ = true;
  database_ = nullptr;
  if (session_.working) {
    // Inside this connection's own request (a callback stopped the server):
    // the request ends interrupted and the handle closes when it returns.
    sqlite3_interrupt(db_);
    return;
  }
  close_handle();
}

bool Connection::add_statement(std::unique_ptr<Statement> statement, int16_t& number,
                               Status& status) {
  if (!free_numbers_.empty()) {
    number = free_numbers_.back();
    free_numbers_.pop_back();
    statements_[static_cast<size_t>(number - 1)] = std::move(statement);
    return true;
  }
  if (statements_.size() >= 32767) {
    return status.fail(DBE_ERROR, "Too many prepared statements (32767); drop some first");
  }
  statements_.push_back(std::move(statement));
  number = static_cast<int16_t>(statements_.size());
  return true;
}

Statement* Connection::statement(int16_t number) {
  if (number < 1 || static_cast<size_t>(number) > statements_.size()) return nullptr;
  return statements_[static_cast<size_t>(number - 1)].get();
}

bool Connection::drop_statement(int16_t number) {
  if (statement(number) == nullptr) return false;
  cursors_.erase(std::remove_if(cursors_.begin(), cursors_.end(),
                                [&](const std::unique_ptr<Cursor>& cursor) {
                                  return cursor->statement() == number;
                                }),
                 cursors_.end());
  statements_[static_cast<size_t>(number - 1)].reset();
  free_numbers_.push_back(number);
  return true;
}

// Begins the implicit transaction a change (or a read at isolation 2 and
// above) needs, unless one runs or the statement controls transactions.
bool Connection::prepare_to_run(bool writes, bool transaction_control, Status& status) {
  had_transaction_ = sqlite3_get_autocommit(db_) == 0;
  if (transaction_control || had_transaction_) return true;
  if (writes || options_.isolation_level() >= 2) return exec_sql(db_, "BEGIN", status);
  return true;
}

// A handful of cursors per connection: a scan without building a key keeps
// every fetch free of allocation.
Cursor* Connection::cursor(std::string_view name) {
  for (auto& cursor : cursors_) {
    if (same_name(cursor->name(), name)) return cursor.get();
  }
  return nullptr;
}

// A name declared again keeps its cursor object, which callers may hold.
Cursor& Connection::declare_cursor(std::string_view name, int16_t statement, unsigned options) {
  Cursor* existing = cursor(name);
  if (existing != nullptr) {
    existing->redeclare(statement, options);
    return *existing;
  }
  cursors_.push_back(std::make_unique<Cursor>(std::string(name), statement, options));
  return *cursors_.back();
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
  sqlite3_progress_handler(db_, kProgressSteps, on_progress, &session_);
}

}  // namespace dblib
