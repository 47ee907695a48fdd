#include "dblib/core/api/session.h"

#include <shared_mutex>
#include <unordered_map>

namespace dblib {

namespace {

struct SessionMap {
  std::shared_mutex lock;
  std::unordered_map<const sqlca*, std::unique_ptr<Session>> sessions;
};

// The registry is made first, so that it outlives the sessions, which detach
// from it as they go.
SessionMap& session_map() {
  Registry::get();
  static SessionMap map;
  return map;
}

}  // namespace

Session::Session(sqlca* ca) : activity(ca), ca_(ca) {}

Session::~Session() {
  disconnect();
}

bool Session::claim() {
  std::lock_guard<std::mutex> guard(state_);
  if (claimed_) return false;
  claimed_ = true;
  return true;
}

void Session::end_request() {
  std::lock_guard<std::mutex> guard(state_);
  claimed_ = false;
  if (connection && connection->ended()) release();
}

// The connection is in place before the session is attached, so that a stop
// coming right after the attach finds it to end.
bool Session::connect(std::shared_ptr<Database> database, const ConnectParams& params,
                      Status& status) {
  Registry& registry = Registry::get();
  auto opened = std::make_unique<Connection>(activity, *this);
  if (!opened->open(database, params, status)) {
    registry.unreserve(*database);
    return false;
  }
  {
    std::lock_guard<std::mutex> guard(state_);
    connection = std::move(opened);
  }
  if (registry.attach(*database, this, status)) return true;
  std::lock_guard<std::mutex> guard(state_);
  connection.reset();
  return false;
}

// Once the connection is out of the session a stop finds nothing to end, so
// the registry is told without the session's lock held (the registry's lock
// comes first). A connection that ended with its database is no longer
// attached, and one ending meanwhile is forgotten by the registry already.
void Session::disconnect() {
  std::unique_ptr<Connection> closed;
  {
    std::lock_guard<std::mutex> guard(state_);
    if (!connection) return;
    release();
    closed = std::move(connection);
  }
  if (!closed->ended()) Registry::get().detach(this);
}

void Session::release() {
  backup.reset();
  workspace.clear();
  connection->close();
}

// Inside a request of the session (a callback stopped the server, or another
// thread did) the running statement is interrupted and the request frees the
// rest as it returns.
void Session::database_stopped() {
  std::lock_guard<std::mutex> guard(state_);
  if (!connection) return;
  connection->end();
  if (claimed_) {
    connection->interrupt();
  } else {
    release();
  }
}

Session* find_session(const sqlca* ca) {
  SessionMap& map = session_map();
  std::shared_lock<std::shared_mutex> guard(map.lock);
  auto it = map.sessions.find(ca);
  return it == map.sessions.end() ? nullptr : it->second.get();
}

void with_session(const sqlca* ca, const std::function<void(Session*)>& use) {
  SessionMap& map = session_map();
  std::shared_lock<std::shared_mutex> guard(map.lock);
  auto it = map.sessions.find(ca);
  use(it == map.sessions.end() ? nullptr : it->second.get());
}

Session& create_session(sqlca* ca) {
  SessionMap& map = session_map();
  std::lock_guard<std::shared_mutex> guard(map.lock);
  auto& slot = map.sessions[ca];
  if (!slot) slot = std::make_unique<Session>(ca);
  return *slot;
}

// The session goes (ending its connection) after the map's lock is given
// back: ending a connection may wait for the registry.
void drop_session(const sqlca* ca) {
  SessionMap& map = session_map();
  std::unique_ptr<Session> session;
  {
    std::lock_guard<std::shared_mutex> guard(map.lock);
    auto it = map.sessions.find(ca);
    if (it == map.sessions.end()) return;
    session = std::move(it->second);
    map.sessions.erase(it);
  }
}

}  // namespace dblib
