#include "dblib/core/api/test_control.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>

#include "dblib/core/api/entry_points.h"
#include "dblib/core/server/registry.h"
#include "dblib/core/server/users.h"

namespace dblib {

namespace {

// Its own lock: entry points on several threads trace and take injections
// at once.
struct TestControl {
  std::mutex lock;
  std::atomic<bool> tracing{false};
  std::string trace;
  std::atomic<int> pending{0};
  std::map<std::string, std::pair<int, std::string>, std::less<>> injections;
};

TestControl& control() {
  static TestControl state;
  return state;
}

constexpr size_t kTraceLimit = 1 << 20;

}  // namespace

void trace_call(const char* entry_point) {
  TestControl& c = control();
  if (!c.tracing.load(std::memory_order_relaxed)) return;
  std::lock_guard<std::mutex> guard(c.lock);
  if (c.trace.size() > kTraceLimit) return;
  c.trace.append(entry_point);
  c.trace.push_back('\n');
}

bool take_injection(const char* entry_point, int& code, std::string& text) {
  TestControl& c = control();
  if (c.pending.load(std::memory_order_relaxed) == 0) return false;
  std::lock_guard<std::mutex> guard(c.lock);
  auto it = c.injections.find(std::string_view(entry_point));
  if (it == c.injections.end()) return false;
  code = it->second.first;
  text = it->second.second;
  c.injections.erase(it);
  c.pending.fetch_sub(1);
  return true;
}

namespace api {

void dblib_test_trace(int on) {
  std::lock_guard<std::mutex> guard(control().lock);
  control().trace.clear();
  control().tracing = on != 0;
}

int dblib_test_trace_text(char* buffer, int max) {
  std::lock_guard<std::mutex> guard(control().lock);
  const std::string& text = control().trace;
  if (buffer != nullptr && max > 0) {
    size_t length = std::min(text.size(), static_cast<size_t>(max - 1));
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
  }
  return static_cast<int>(text.size());
}

void dblib_test_inject(const char* entry_point, int sqlcode, const char* message) {
  if (entry_point == nullptr) return;
  TestControl& c = control();
  std::lock_guard<std::mutex> guard(c.lock);
  auto [it, added] = c.injections.insert_or_assign(
      entry_point, std::make_pair(sqlcode, std::string(message != nullptr ? message : "")));
  (void)it;
  if (added) c.pending.fetch_add(1);
}

void dblib_test_clear() {
  TestControl& c = control();
  std::lock_guard<std::mutex> guard(c.lock);
  c.injections.clear();
  c.pending = 0;
  c.trace.clear();
  c.tracing = false;
}

// Test databases hash at the lowest cost: suites connect hundreds of times.
int dblib_test_create_database(const char* file) {
  Status status;
  return create_database(file, NewDatabase{.cost = PasswordCost::Minimal}, status) ? 0
                                                                                   : status.code();
}

void dblib_test_stop_all() {
  Registry::get().stop_all();
}

}  // namespace api

}  // namespace dblib
