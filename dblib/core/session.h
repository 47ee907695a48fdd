// The state kept for each SQLCA, keyed by its address: made by db_init,
// dropped (with its connection) by db_fini. It holds the connection, the
// registered callbacks, the full text of the last outcome and whether a
// request is running.
#pragma once

#include <memory>
#include <string>

#include "dblib/include/sqldef.h"

namespace dblib {

class Connection;
class Backup;

class Session {
 public:
  explicit Session(sqlca* ca);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  sqlca* ca() const { return ca_; }

  // Calls the callback registered under index, if any.
  void fire(int index);
  dblib_callback callback(int index) const { return callbacks_[index]; }
  void set_callback(int index, dblib_callback callback) { callbacks_[index] = callback; }

  std::unique_ptr<Connection> connection;
  std::unique_ptr<Backup> backup;
  bool working = false;           // a request is running (db_is_working)
  bool cancel_requested = false;  // db_cancel_request during the running request
  int message_code = 0;           // outcome whose full text message holds
  std::string message;

 private:
  sqlca* ca_;
  dblib_callback callbacks_[3] = {nullptr, nullptr, nullptr};
};

Session* find_session(const sqlca* ca);
Session& create_session(sqlca* ca);
void drop_session(const sqlca* ca);

}  // namespace dblib
