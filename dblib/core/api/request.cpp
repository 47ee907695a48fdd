#include "dblib/core/api/request.h"

#include <algorithm>
#include <cstring>

#include "dblib/core/api/session.h"
#include "dblib/core/api/test_control.h"

namespace dblib {

namespace {

// Writes an outcome into an SQLCA: code, SQLSTATE, SQLCOUNT (0 on an error),
// the warning flag and, unless it is a success, the text in sqlerrmc.
void write_sqlca(sqlca* ca, int code, std::string_view text, int32_t count) {
  ca->sqlcode = code;
  ca->sqlerrd[SQLCOUNT_INDEX] = code < 0 ? 0 : count;
  std::memcpy(ca->sqlstate, sqlstate_for(code), 6);
  if (code == 0) {
    ca->sqlerrml = 0;
    ca->sqlwarn[0] = ' ';
    return;
  }
  write_sqlerrmc(ca, text);
  ca->sqlwarn[0] = code > 0 ? 'W' : ' ';
}

}  // namespace

void write_sqlerrmc(sqlca* ca, std::string_view text) {
  size_t shown = std::min(text.size(), sizeof ca->sqlerrmc);
  std::memcpy(ca->sqlerrmc, text.data(), shown);
  if (shown < sizeof ca->sqlerrmc) ca->sqlerrmc[shown] = '\0';
  ca->sqlerrml = static_cast<int16_t>(shown);
}

Request::Request(sqlca* ca, const char* entry_point, Needs needs)
    : ca_(ca), entry_point_(entry_point) {
  trace_call(entry_point);
  if (needs == Needs::Nothing) {
    ready_ = true;
    return;
  }
  if (ca_ == nullptr) return;
  int code = 0;
  std::string text;
  if (take_injection(entry_point_, code, text)) {
    injected_ = true;
    if (code != 0) status.fail(code, "%s", text.empty() ? standard_text(code) : text.c_str());
    finish();
    return;
  }
  ready_ = reach(needs);
}

// Each need includes the ones before it; the first that is missing writes
// its outcome. From IdleSession on the session is claimed, so that no other
// request runs on it until this one returns.
bool Request::reach(Needs needs) {
  if (needs == Needs::Sqlca) return true;
  session_ = find_session(ca_);
  if (session_ == nullptr) {
    fail(DBE_SQLCA_NOT_INITIALIZED, standard_text(DBE_SQLCA_NOT_INITIALIZED));
    return false;
  }
  if (needs == Needs::Session) return true;
  if (!session_->claim()) {
    fail(DBE_DOUBLE_REQUEST, "Another request is already running on this SQLCA");
    return false;
  }
  claimed_ = true;
  if (needs == Needs::IdleSession) return true;
  connection_ = session_->connection.get();
  if (connection_ == nullptr) {
    fail(DBE_NOT_CONNECTED, "Not connected to a database");
    return false;
  }
  if (connection_->ended()) {
    fail(DBE_CONNECTION_TERMINATED, "Connection was terminated: its server or database stopped");
    return false;
  }
  return true;
}

Request::~Request() {
  if (working_) {
    if (connection_ != nullptr) connection_->request_ended();
    session_->activity.working = false;
    session_->activity.cancel_requested = false;
  }
  if (claimed_) session_->end_request();
  if (working_) session_->activity.fire(DBCB_FINISH);
}

bool Request::take_injected() {
  int code = 0;
  std::string text;
  return take_injection(entry_point_, code, text);
}

void Request::begin_work() {
  if (session_ == nullptr || working_) return;
  working_ = true;
  session_->activity.working = true;
  session_->activity.cancel_requested = false;
  if (connection_ != nullptr) connection_->request_began();
  session_->activity.fire(DBCB_START);
}

// A wait for another process's lock that the caller cancelled reaches here
// as SQLite's "busy"; the caller is told what really ended it.
void Request::finish(int32_t count) {
  if (ca_ == nullptr) return;
  if (status.code() == DBE_LOCKED && connection_ != nullptr && connection_->wait_cancelled()) {
    status.fail_plain(DBE_INTERRUPTED);
  }
  int code = status.code();
  write_sqlca(ca_, code, status.text(), count);
  Session* s = session_ != nullptr ? session_ : find_session(ca_);
  if (s == nullptr) return;
  s->message_code = code;
  if (code != 0) s->message = status.text();
}

void Request::fail(int code, const char* text) {
  status.fail(code, "%s", text);
  finish();
}

}  // namespace dblib
