#include "dblib/core/session.h"

#include <unordered_map>

#include "dblib/core/backup.h"
#include "dblib/core/connection.h"

namespace dblib {

namespace {

std::unordered_map<const sqlca*, std::unique_ptr<Session>>& sessions() {
  static std::unordered_map<const sqlca*, std::unique_ptr<Session>> map;
  return map;
}

}  // namespace

Session::Session(sqlca* ca) : ca_(ca) {}

// The backup and the connection go before the rest of the session, which the
// connection's progress handler refers to.
Session::~Session() {
  backup.reset();
  connection.reset();
}

void Session::fire(int index) {
  if (callbacks_[index] != nullptr) callbacks_[index](ca_);
}

Session* find_session(const sqlca* ca) {
  auto& map = sessions();
  auto it = map.find(ca);
  return it == map.end() ? nullptr : it->second.get();
}

Session& create_session(sqlca* ca) {
  auto& slot = sessions()[ca];
  if (!slot) slot = std::make_unique<Session>(ca);
  return *slot;
}

void drop_session(const sqlca* ca) {
  auto& map = sessions();
  auto it = map.find(ca);
  if (it == map.end()) return;
  std::unique_ptr<Session> session = std::move(it->second);
  map.erase(it);
}

}  // namespace dblib
