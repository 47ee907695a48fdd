// Waiting for the database's write lock, this process's (the lock table) and
// SQLite's (other processes), as a server's client waits: with the wait
// callback firing, and ended by cancel, timeout, deadlock or a stopped
// database. No lock of the library is held while the request waits.
#include <algorithm>
#include <thread>

#include "dblib/core/connect/connection.h"
#include "dblib/core/server/registry.h"
#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// How often the wait callback fires while a request waits for this
// process's lock; the wait itself ends the moment the lock is given back.
constexpr milliseconds kWaitSlice{20};
// The longest pause between two looks at SQLite's lock: another process
// gives no signal when it lets go.
constexpr int kLongestBusyPause = 10;

bool is_busy(int rc) {
  return (rc & 0xFF) == SQLITE_BUSY;
}

}  // namespace

// Queued behind the holder (and whoever came before), the request wakes when
// the lock changes hands or a slice has passed, fires the wait callback and
// judges whether to go on waiting.
bool Connection::take_write_lock(Status& status) {
  LockTable& table = LockTable::get();
  WriteLock& lock = database_->write_lock;
  Grant grant = table.acquire(lock, lock_owner_);
  if (grant == Grant::Waiting && !options_.blocking()) {
    table.stop_waiting(lock_owner_);
    return status.fail(DBE_LOCKED,
                       "Database '%s' is locked by another connection (option blocking is OFF)",
                       database_->name.c_str());
  }
  const auto since = steady_clock::now();
  const milliseconds timeout{options_.blocking_timeout()};
  while (grant == Grant::Waiting) {
    activity_.fire(DBCB_WAIT);
    if (activity_.cancel_requested) {
      table.stop_waiting(lock_owner_);
      return status.fail_plain(DBE_INTERRUPTED);
    }
    milliseconds slice = kWaitSlice;
    if (timeout.count() > 0) {
      auto waited = std::chrono::duration_cast<milliseconds>(steady_clock::now() - since);
      if (waited >= timeout) {
        table.stop_waiting(lock_owner_);
        return status.fail(DBE_LOCKED,
                           "Database '%s' is locked by another connection: waited %lld ms "
                           "(option blocking_timeout)",
                           database_->name.c_str(), static_cast<long long>(waited.count()));
      }
      slice = std::min(slice, timeout - waited);
    }
    grant = table.wait(lock, lock_owner_, slice);
  }
  switch (grant) {
    case Grant::Deadlock:
      return status.fail(DBE_DEADLOCK,
                         "Deadlock detected: database '%s' is locked by a connection that waits, "
                         "directly or not, for this one",
                         database_->name.c_str());
    case Grant::Closed:
      return status.fail(DBE_CONNECTION_TERMINATED,
                         "Connection was terminated: database '%s' stopped while this request "
                         "waited for its lock",
                         database_->name.c_str());
    default:
      return true;
  }
}

// An immediate transaction takes SQLite's write lock as it begins. Cursors
// that are still part-way through their rows keep SQLite on the state they
// began with; when that state is no longer the latest (or another process
// holds the lock, for which SQLite will not wait while a read is open), they
// let go and the transaction begins again, with SQLite's own wait.
bool Connection::begin_transaction(bool immediate, Status& status) {
  const char* begin = immediate ? "BEGIN IMMEDIATE" : "BEGIN";
  int rc = sqlite3_exec(db_, begin, nullptr, nullptr, nullptr);
  if (immediate && is_busy(rc) && sqlite3_txn_state(db_, nullptr) == SQLITE_TXN_READ) {
    reads_.let_go_of_reads();
    rc = sqlite3_exec(db_, begin, nullptr, nullptr, nullptr);
  }
  return rc == SQLITE_OK || status.fail_sqlite(db_, rc);
}

// The write lock goes back as soon as no transaction remains, however it
// ended (commit, rollback, a failed statement SQLite rolled back, a COMMIT
// sent as SQL).
void Connection::end_of_transaction() {
  if (db_ != nullptr && sqlite3_get_autocommit(db_) == 0) return;
  if (LockTable::get().holds(lock_owner_)) LockTable::get().release(lock_owner_);
}

int Connection::on_busy(void* context, int count) {
  return static_cast<Connection*>(context)->keep_waiting(count) ? 1 : 0;
}

// SQLite's busy handler: count is 0 when a wait begins. The pauses grow from
// a millisecond, so that a short wait costs little, to kLongestBusyPause.
bool Connection::keep_waiting(int count) {
  const auto now = steady_clock::now();
  if (count == 0) busy_since_ = now;
  wait_cancelled_ = false;
  if (!options_.blocking() || ended_) return false;
  activity_.fire(DBCB_WAIT);
  if (activity_.cancel_requested) {
    wait_cancelled_ = true;
    return false;
  }
  milliseconds pause{std::min(count + 1, kLongestBusyPause)};
  const milliseconds timeout{options_.blocking_timeout()};
  if (timeout.count() > 0) {
    auto waited = std::chrono::duration_cast<milliseconds>(now - busy_since_);
    if (waited >= timeout) return false;
    pause = std::min(pause, timeout - waited);
  }
  std::this_thread::sleep_for(pause);
  return true;
}

}  // namespace dblib
