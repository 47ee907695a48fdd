#include "dblib/core/request.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <string>

#include "dblib/core/connection.h"
#include "dblib/core/registry.h"
#include "dblib/core/session.h"

namespace dblib {

namespace {

struct TestControl {
  std::atomic<bool> tracing{false};
  std::string trace;
  std::atomic<int> pending{0};
  std::map<std::string, std::pair<int, std::string>> injections;
};

TestControl& control() {
  static TestControl state;
  return state;
}

constexpr size_t kTraceLimit = 1 << 20;

}  // namespace

void trace_call(const char* entry_point) {
  TestControl& c = control();
  if (!c.tracing.load(std::memory_order_relaxed) || c.trace.size() > kTraceLimit) return;
  c.trace.append(entry_point);
  c.trace.push_back('\n');
}

bool take_injection(const char* entry_point, int& code, std::string& text) {
  TestControl& c = control();
  if (c.pending.load(std::memory_order_relaxed) == 0) return false;
  auto it = c.injections.find(entry_point);
  if (it == c.injections.end()) return false;
  code = it->second.first;
  text = it->second.second;
  c.injections.erase(it);
  c.pending.fetch_sub(1);
  return true;
}

void set_tracing(bool on) {
  control().trace.clear();
  control().tracing = on;
}

const std::string& trace_text() {
  return control().trace;
}

void inject(const char* entry_point, int code, const char* text) {
  TestControl& c = control();
  auto [it, added] = c.injections.insert_or_assign(
      entry_point, std::make_pair(code, std::string(text != nullptr ? text : "")));
  (void)it;
  if (added) c.pending.fetch_add(1);
}

void clear_test_control() {
  TestControl& c = control();
  c.injections.clear();
  c.pending = 0;
  c.trace.clear();
  c.tracing = false;
}

void write_sqlca(sqlca* ca, int code, const char* text, size_t text_size, int32_t count) {
  ca->sqlcode = code;
  ca->sqlerrd[SQLCOUNT_INDEX] = count;
  std::memcpy(ca->sqlstate, sqlstate_for(code), 6);
  if (code == 0) {
    ca->sqlerrml = 0;
    ca->sqlwarn[0] = ' ';
    return;
  }
  write_sqlerrmc(ca, std::string_view(text, text_size));
  ca->sqlwarn[0] = code > 0 ? 'W' : ' ';
}

void write_sqlerrmc(sqlca* ca, std::string_view text) {
  size_t shown = std::min(text.size(), sizeof ca->sqlerrmc);
  std::memcpy(ca->sqlerrmc, text.data(), shown);
  if (shown < sizeof ca->sqlerrmc) ca->sqlerrmc[shown] = '\0';
  ca->sqlerrml = static_cast<int16_t>(shown);
}

Request::Request(sqlca* ca, const char* entry_point)
    : lock_(global_lock()), ca_(ca), entry_point_(entry_point) {
  trace_call(entry_point);
}

Request::~Request() {
  if (working_ && session_ != nullptr) {
    session_->working = false;
    session_->cancel_requested = false;
    if (session_->connection) session_->connection->release_if_terminated();
    session_->fire(DBCB_FINISH);
  }
}

bool Request::injected() {
  int code = 0;
  std::string text;
  if (!take_injection(entry_point_, code, text)) return false;
  if (text.empty()) text = standard_text(code);
  status.clear();
  if (code != 0) status.fail(code, "%s", text.c_str());
  finish(0);
  return true;
}

Session* Request::session() {
  if (session_ != nullptr) return session_;
  if (ca_ == nullptr) return nullptr;
  session_ = find_session(ca_);
  if (session_ == nullptr)
    fail(DBE_SQLCA_NOT_INITIALIZED, standard_text(DBE_SQLCA_NOT_INITIALIZED));
  return session_;
}

Session* Request::idle_session() {
  Session* s = session();
  if (s != nullptr && s->working) {
    fail(DBE_DOUBLE_REQUEST, "Another request is already running on this SQLCA");
    return nullptr;
  }
  return s;
}

Connection* Request::connection() {
  Session* s = idle_session();
  if (s == nullptr) return nullptr;
  Connection* c = s->connection.get();
  if (c == nullptr) {
    fail(DBE_NOT_CONNECTED, "Not connected to a database");
    return nullptr;
  }
  if (c->terminated()) {
    fail(DBE_CONNECTION_TERMINATED, "Connection was terminated: its server or database stopped");
    return nullptr;
  }
  return c;
}

void Request::begin_work() {
  if (session_ == nullptr || working_) return;
  working_ = true;
  session_->working = true;
  session_->cancel_requested = false;
  session_->fire(DBCB_START);
}

void Request::finish(int32_t count) {
  if (ca_ == nullptr) return;
  int code = status.code();
  const std::string& text = status.text();
  write_sqlca(ca_, code, text.data(), text.size(), code < 0 ? 0 : count);
  Session* s = session_ != nullptr ? session_ : find_session(ca_);
  if (s != nullptr && code != 0) {
    s->message_code = code;
    s->message = text;
  } else if (s != nullptr) {
    s->message_code = 0;
  }
}

void Request::fail(int code, const char* text) {
  status.fail(code, "%s", text);
  finish(0);
}

}  // namespace dblib
