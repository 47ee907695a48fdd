// Judging the outcome of every client-library call, the lost-connection
// rule, the wait callback and cancelling a running request.
#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <string_view>
#include <unordered_map>

#include "asa/VlrAsaSession.h"
#include "host/sysutils.h"

namespace velar {

namespace {

// The wait callback carries nothing but the SQLCA's address, so each
// connected session that wants OnServerWait is found through its SQLCA.
// Sessions connect and disconnect on their own threads while callbacks of
// others run, so the map has a lock; a session's entry cannot go while its
// own callback runs (both happen on the session's thread), so the session
// is called without it.
struct TWaitRoutes {
  std::shared_mutex Lock;
  std::unordered_map<const sqlca*, TAsaSession*> Sessions;
};

TWaitRoutes& WaitRoutes() {
  static TWaitRoutes routes;
  return routes;
}

TAsaSession* WaitingSession(const sqlca* Ca) {
  TWaitRoutes& routes = WaitRoutes();
  std::shared_lock<std::shared_mutex> guard(routes.Lock);
  const auto found = routes.Sessions.find(Ca);
  return found == routes.Sessions.end() ? nullptr : found->second;
}

// Called by the client library, from inside a running request, on this
// thread. Nothing may unwind through the library's frames, so a handler's
// exception ends here; the request goes on and reports its own outcome.
int AsaWaitCallback(sqlca* Ca) noexcept {
  TAsaSession* session = WaitingSession(Ca);
  if (session == nullptr) return 0;
  TAsaCallbackCall call;
  call.Argument = Ca;
  try {
    session->ServerWaitCallback(call);
  } catch (...) {
  }
  return call.Result;
}

// The SQLSTATE as text: five characters, which the SQLCA may leave
// unterminated.
std::string_view SqlState(const sqlca& Ca) {
  return std::string_view(Ca.sqlstate, ::strnlen(Ca.sqlstate, 5));
}

}  // namespace

// The text is taken before a lost connection is handled, since the
// disconnect that follows overwrites the SQLCA. After a lost connection the
// SQLSTATE is left out: the session is no longer connected, and the text
// says so plainly.
bool TAsaSession::Check(void* /*Context*/, int /*Param1*/, int /*Param2*/, bool RaiseError) {
  const std::int32_t code = sqlca_.sqlcode;
  SetLastErrorCode(code);
  SetLastError(std::string());
  if (code == 0) return true;

  char message[512];
  message[0] = '\0';
  AsaLibrary.Procs.sqlerror_message(&sqlca_, message, sizeof message);
  if (code > 0) {
    SetLastError(host::Format("Warning: %s (%s)", message, SqlState(sqlca_)));
    return false;
  }

  SetLastError(host::Format("Error %d: %s (%s)", code, message, SqlState(sqlca_)));
  if (OnError) OnError(this);
  if ((code == DBE_NOT_CONNECTED || code == DBE_CONNECTION_TERMINATED) && Connected() &&
      !disconnecting_) {
    SetConnected(false);
    if (OnConnectionTerminated) OnConnectionTerminated(this);
    SetLastError(host::Format("Error %d: %s", code, message));
    SetLastErrorCode(code);
  }
  if (RaiseError) RaiseLastError<EAsaException>(LastError());
  return false;
}

// Cancelling is only meaningful while a request runs, which is when
// OnServerWait handlers run.
bool TAsaSession::Stop() {
  bool result = true;
  InternalLibraryHandleNeeded();
  if (AsaLibrary.Procs.db_is_working(&sqlca_) == 1) {
    AsaLibrary.Procs.db_cancel_request(&sqlca_);
    result = Check(nullptr, 0, 0, WantExceptions());
  }
  return result;
}

// OnServerWait may be cleared while connected: the callback stays
// registered and simply fires nothing.
void TAsaSession::ServerWaitCallback(TAsaCallbackCall& /*Call*/) {
  if (OnServerWait) OnServerWait(this);
}

// The route is in place before the library can call through it.
void TAsaSession::RegisterWaitCallback() {
  {
    TWaitRoutes& routes = WaitRoutes();
    std::lock_guard<std::shared_mutex> guard(routes.Lock);
    routes.Sessions[&sqlca_] = this;
  }
  waitCallbackRegistered_ = true;
  AsaLibrary.Procs.db_register_a_callback(&sqlca_, DBCB_WAIT, &AsaWaitCallback);
}

// Only forgets the route; the caller tells the library, when it is still
// loaded.
void TAsaSession::UnregisterWaitCallback() {
  if (!waitCallbackRegistered_) return;
  {
    TWaitRoutes& routes = WaitRoutes();
    std::lock_guard<std::shared_mutex> guard(routes.Lock);
    routes.Sessions.erase(&sqlca_);
  }
  waitCallbackRegistered_ = false;
}

}  // namespace velar
