#include "dblib/core/api/session.h"

#include <unordered_map>

namespace dblib {

namespace {

std::unordered_map<const sqlca*, std::unique_ptr<Session>>& sessions() {
  static std::unordered_map<const sqlca*, std::unique_ptr<Session>> map;
  return map;
}

}  // namespace

Session::Session(sqlca* ca) : activity(ca), ca_(ca) {}

Session::~Session() {
  disconnect();
}

bool Session::connect(Database& database, const ConnectParams& params, Status& status) {
  auto opened = std::make_unique<Connection>(activity);
  if (!opened->open(database, params, status)) return false;
  connection = std::move(opened);
  Registry::get().attach(database, this);
  return true;
}

// A connection that ended with its database is no longer attached: only a
// live one is detached, which may stop a database started for it.
void Session::disconnect() {
  if (!connection) return;
  Database* attached = connection->database();
  release();
  connection.reset();
  if (attached != nullptr) Registry::get().detach(this);
}

void Session::release() {
  backup.reset();
  workspace.clear();
  connection->close();
}

void Session::release_if_ended() {
  if (connection && connection->ended()) release();
}

// Inside the session's own request (a callback stopped the server) the
// running statement is interrupted and the request frees the rest as it
// returns.
void Session::database_stopped() {
  if (!connection) return;
  connection->end();
  if (activity.working) {
    connection->interrupt();
  } else {
    release();
  }
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
