// The frame of every entry point: takes the library lock, records the call
// for the test trace, applies an injected outcome, finds the SQLCA's session
// and connection with their errors, and finally writes the outcome into the
// SQLCA (code, SQLSTATE, SQLCOUNT, message) and the session's full text.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "dblib/core/status.h"
#include "dblib/include/sqldef.h"

namespace dblib {

class Connection;
class Session;

class Request {
 public:
  Request(sqlca* ca, const char* entry_point);
  ~Request();
  Request(const Request&) = delete;
  Request& operator=(const Request&) = delete;

  // True when an outcome was injected for this call: it is already written.
  bool injected();
  // The SQLCA's session; null (with the outcome written) when there is none.
  Session* session();
  // The session when no request runs on it; null (outcome written) when there
  // is none or a request is already running on it (-298).
  Session* idle_session();
  // The idle session's usable connection; null (outcome written) as for
  // idle_session, or when the SQLCA is not connected (-101) or its connection
  // ended (-308).
  Connection* connection();
  // Marks the request as running: db_is_working answers 1 and the start and
  // finish callbacks fire around it.
  void begin_work();
  // Writes status into the SQLCA with count as SQLCOUNT.
  void finish(int32_t count = 0);
  // Writes a failure now (shorthand for status.fail + finish).
  void fail(int code, const char* text);
  // After db_fini dropped the session.
  void forget_session() { session_ = nullptr; }

  Status status;

 private:
  std::unique_lock<std::recursive_mutex> lock_;
  sqlca* ca_;
  const char* entry_point_;
  Session* session_ = nullptr;
  bool working_ = false;
};

// Writes an outcome into an SQLCA (without a session).
void write_sqlca(sqlca* ca, int code, const char* text, size_t text_size, int32_t count);
// Writes text into sqlerrmc (cut to its 70 bytes, terminated when there is
// room) and its length into sqlerrml.
void write_sqlerrmc(sqlca* ca, std::string_view text);

// Test control: trace and injected outcomes (see sqldef.h).
void trace_call(const char* entry_point);
bool take_injection(const char* entry_point, int& code, std::string& text);
void set_tracing(bool on);
const std::string& trace_text();
void inject(const char* entry_point, int code, const char* text);
void clear_test_control();

}  // namespace dblib
