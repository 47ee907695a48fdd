// What the caller of one SQLCA registered, and whether a request of it runs:
// the callbacks, the running flag db_is_working answers and the cancel that
// db_cancel_request asks for. The connection's progress handler and its lock
// waits read it to fire the wait callback and to end a cancelled request.
//
// The callbacks are registered and fired on the SQLCA's own thread. The two
// flags may also be read (working) and set (cancel_requested) from any
// other thread, which is how one thread stops another's request.
#pragma once

#include <atomic>

#include "dblib/include/sqldef.h"

namespace dblib {

class Activity {
 public:
  explicit Activity(sqlca* ca) : ca_(ca) {}

  // Calls the callback registered under index (a DBCB_ value), if any.
  void fire(int index) {
    if (callbacks_[index] != nullptr) callbacks_[index](ca_);
  }
  void set_callback(int index, dblib_callback callback) { callbacks_[index] = callback; }

  std::atomic<bool> working{false};           // a request is running (db_is_working)
  std::atomic<bool> cancel_requested{false};  // db_cancel_request during the running request

 private:
  sqlca* ca_;
  dblib_callback callbacks_[3] = {nullptr, nullptr, nullptr};
};

}  // namespace dblib
