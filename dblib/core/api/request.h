// The frame of every entry point, written once: it records the call for the
// test trace, applies an injected outcome, and reaches what the entry point
// needs (its SQLCA, the SQLCA's session, the session claimed for this
// request, its connection), writing the outcome when something is missing.
// finish writes the entry point's own outcome into the SQLCA (code,
// SQLSTATE, SQLCOUNT, message) and the session's full text.
//
//   Request request(ca, __func__, Needs::Connection);
//   if (!request) return;
//   ... work on request.connection(), request.status ...
//   request.finish(count);
//
// Entry points are named after the exported functions (api::dbpp_commit is
// what dbpp_commit runs), so __func__ is the name traces and injections use.
//
// Threads. The frame holds no lock while the entry point works: requests on
// different SQLCAs run side by side, and a request on an SQLCA whose session
// another request has claimed answers -298. What is shared between sessions
// (the registry, the lock table, the session map) guards itself, briefly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dblib/core/support/status.h"
#include "dblib/include/sqldef.h"

namespace dblib {

class Connection;
class Session;

// What an entry point needs before it can work, each step including the
// ones above it.
enum class Needs {
  Nothing,      // the trace only; the SQLCA is left alone
  Sqlca,        // a non-null SQLCA, which receives the outcome; injections apply
  Session,      // one initialised with db_init (-1001)
  IdleSession,  // on which no request runs (-298), claimed for this one
  Connection,   // which holds a connection that has not ended (-101, -308)
};

class Request {
 public:
  Request(sqlca* ca, const char* entry_point, Needs needs);
  ~Request();
  Request(const Request&) = delete;
  Request& operator=(const Request&) = delete;

  // Whether the entry point may work: nothing was injected and everything it
  // needs is there. When not, the outcome is already written.
  explicit operator bool() const { return ready_; }
  // What an entry point that answers 1 or 0 returns: 1 after a successful
  // finish or an injected outcome that is no error.
  unsigned succeeded() const { return (ready_ || injected_) && status.ok() ? 1 : 0; }

  // What the frame reached (as Needs asked).
  Session& session() { return *session_; }
  Connection& connection() { return *connection_; }

  // Takes an outcome injected for this call of an entry point that has no
  // SQLCA (Needs::Nothing): true when there was one.
  bool take_injected();

  // Marks the request as running: db_is_working answers 1 and the start and
  // finish callbacks fire around it.
  void begin_work();
  // Writes status into the SQLCA with count as SQLCOUNT.
  void finish(int32_t count = 0);
  // Writes a failure now (shorthand for status.fail + finish).
  void fail(int code, const char* text);
  // After db_fini dropped the session (with its claim).
  void forget_session() {
    session_ = nullptr;
    connection_ = nullptr;
    claimed_ = false;
  }

  Status status;

 private:
  bool reach(Needs needs);
  sqlca* ca_;
  const char* entry_point_;
  Session* session_ = nullptr;
  Connection* connection_ = nullptr;
  bool ready_ = false;
  bool injected_ = false;
  bool claimed_ = false;
  bool working_ = false;
};

// Writes text into sqlerrmc (cut to its 70 bytes, terminated when there is
// room) and its length into sqlerrml.
void write_sqlerrmc(sqlca* ca, std::string_view text);

}  // namespace dblib
