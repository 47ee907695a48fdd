// Connecting and disconnecting, starting servers and databases, and asking
// whether a server answers.
#include <optional>

#include "asa/VlrAsaCurrentDir.h"
#include "asa/VlrAsaSession.h"
#include "host/os.h"
#include "host/sysutils.h"

namespace velar {

namespace {

// Outcomes that mean the connect found no server or database to talk to, so
// a workgroup session starts its own.
bool NoServerAnswered(std::int32_t Code) {
  return Code == DBE_ENGINE_NOT_RUNNING || Code == DBE_DATABASE_NAME_NOT_UNIQUE ||
         Code == DBE_DATABASE_NOT_FOUND || Code == DBE_START_STOP_DENIED;
}

// Outcomes of starting the database that still let the connect go ahead:
// it already runs, or the connect will report what is wrong.
bool DatabaseStartMayConnect(std::int32_t Code) {
  return Code == DBE_DATABASE_NAME_NOT_UNIQUE || Code == DBE_DATABASE_NOT_FOUND ||
         Code == DBE_DATABASE_FILE_IN_USE || Code == DBE_ENGINE_NOT_RUNNING;
}

}  // namespace

// Work happens only on a real change outside form reading; the base records
// the outcome last, so an exception leaves Connected as it was.
void TAsaSession::SetConnected(bool Value) {
  if (!Reading() && Value != Connected()) {
    if (Value)
      Connect();
    else
      Disconnect();
  }
  TVelarSession::SetConnected(Value);
}

// Connects with the library's directory current (as during the load), then
// applies the session's options. Option failures and AfterConnect handler
// failures do not undo a connection that was made. Only the session that
// loaded the library knows its directory; the others leave the current
// directory (which the whole process shares) alone.
void TAsaSession::Connect() {
  InternalLibraryHandleNeeded();
  {
    std::optional<TAsaCurrentDirRestorer> restorer;
    if (!LoadedLibraryPath().empty()) {
      restorer.emplace();
      if (!host::SetCurrentDir(LoadedLibraryPath()))
        RaiseLastError<EAsaException>(VlrLoadStr(VELAR_ERR_LIB_PATH_NOT_FOUND) + " (" +
                                      LoadedLibraryPath() + ")");
    }
    if (BeforeConnect) BeforeConnect(this);
    ConnectByServerType();
  }
  if (!Designing() && OnServerWait) RegisterWaitCallback();
  try {
    SetTransIsolation(transIsolation_);
    SetWantRowCounts(wantRowCounts_);
    if (AfterConnect) AfterConnect(this);
  } catch (...) {
  }
}

// Every failure on the way raises, whatever WantExceptions says: a connect
// that did not happen must not look like one that did.
void TAsaSession::ConnectByServerType() {
  const TAsaProcs& procs = AsaLibrary.Procs;
  switch (serverType_) {
    case stClient:
      procs.db_string_connect(&sqlca_, ConnectParams().c_str());
      Check(nullptr, 0, 0, true);
      break;
    case stServer:
      StartServerAndConnect();
      break;
    case stWorkgroup:
      procs.db_string_connect(&sqlca_, ConnectParams().c_str());
      if (NoServerAnswered(sqlca_.sqlcode))
        StartServerAndConnect();
      else
        Check(nullptr, 0, 0, true);
      break;
  }
}

// A server this call started is stopped again when the database or the
// connect fails, so a failed connect leaves nothing running; one that was
// already running (-96) is left alone.
// Every string is built before anything starts, so a login value that cannot
// be written leaves no server behind.
void TAsaSession::StartServerAndConnect() {
  const TAsaProcs& procs = AsaLibrary.Procs;
  const std::string engineParams = StartEngineParams();
  const std::string databaseParams = StartDatabaseParams();
  const std::string connectParams = ConnectParams();
  const std::string stopParams = EngineParam();
  procs.db_start_engine(&sqlca_, engineParams.c_str());
  const bool engineStarted = sqlca_.sqlcode == 0;
  if (sqlca_.sqlcode != DBE_ENGINE_ALREADY_RUNNING) Check(nullptr, 0, 0, true);
  try {
    procs.db_start_database(&sqlca_, databaseParams.c_str());
    if (!DatabaseStartMayConnect(sqlca_.sqlcode)) Check(nullptr, 0, 0, true);
    procs.db_string_connect(&sqlca_, connectParams.c_str());
    Check(nullptr, 0, 0, true);
  } catch (...) {
    if (engineStarted) procs.db_stop_engine(&sqlca_, stopParams.c_str());
    throw;
  }
}

// A disconnect always completes: the statements are unprepared, and neither
// the library's answers nor the handlers can stop the connection from being
// given up. While it runs, a call that finds the connection lost (a
// statement closing, a handler's query) must not start another disconnect
// of the same connection.
void TAsaSession::Disconnect() {
  InternalLibraryHandleNeeded();
  struct TDisconnecting {
    bool& Flag;
    explicit TDisconnecting(bool& F) : Flag(F) { Flag = true; }
    ~TDisconnecting() { Flag = false; }
  } disconnecting(disconnecting_);
  InternalCloseQueries();
  const TAsaProcs& procs = AsaLibrary.Procs;
  try {
    if (commitOnDisconnect_) procs.dbpp_commit(&sqlca_, 0u);
    if (BeforeDisconnect) BeforeDisconnect(this);
    procs.db_string_disconnect(&sqlca_, nullptr);
    if (AfterDisconnect) AfterDisconnect(this);
  } catch (...) {
  }
  if (!Designing()) {
    procs.db_register_a_callback(&sqlca_, DBCB_WAIT, nullptr);
    UnregisterWaitCallback();
  }
}

// Starts the session's database on a running server (see RunDatabaseAction).
bool TAsaSession::StartDatabase(const char* Params) {
  return RunDatabaseAction(Params, &TAsaProcs::db_start_database);
}

// Stops the session's database (see RunDatabaseAction).
bool TAsaSession::StopDatabase(const char* Params) {
  return RunDatabaseAction(Params, &TAsaProcs::db_stop_database);
}

// Starting or stopping runs on this session's SQLCA, which must not hold the
// session's own connection. With Params the action runs inside a temporary
// connection; without, a server that is not running yet is reached by a
// connect with the client parameters (which may start it). Either temporary
// connection is closed again, so the SQLCA is free for the next connect.
bool TAsaSession::RunDatabaseAction(const char* Params, db_start_database_fn TAsaProcs::*Action) {
  if (Connected()) RaiseLastError<EAsaException>(VlrLoadStr(VELAR_ERR_SESS_CONNECTED));
  InternalLibraryHandleNeeded();
  const TAsaProcs& procs = AsaLibrary.Procs;
  const db_start_database_fn action = procs.*Action;
  const char* params = Params != nullptr ? Params : "";
  const auto act = [&] {
    action(&sqlca_, DatabaseParams().c_str());
    return Check(nullptr, 0, 0, WantExceptions());
  };
  // Acts inside the temporary connection and ends it on every path.
  const auto actConnected = [&](const char* DisconnectParams) {
    bool result = false;
    try {
      result = act();
    } catch (...) {
      procs.db_string_disconnect(&sqlca_, DisconnectParams);
      throw;
    }
    procs.db_string_disconnect(&sqlca_, DisconnectParams);
    return result;
  };

  if (!host::Trim(params).empty()) {
    procs.db_string_connect(&sqlca_, params);
    if (sqlca_.sqlcode < 0) return Check(nullptr, 0, 0, WantExceptions());
    return actConnected(params);
  }
  action(&sqlca_, DatabaseParams().c_str());
  if (sqlca_.sqlcode != DBE_ENGINE_NOT_RUNNING) return Check(nullptr, 0, 0, WantExceptions());
  procs.db_string_connect(&sqlca_, EngineClientParams().c_str());
  return sqlca_.sqlcode >= 0 ? actConnected(nullptr) : act();
}

// Without the ping entry point (an old library) the server is looked up by
// the name its "eng=" piece gives, or by the whole text when there is none.
bool TAsaSession::Ping(const char* Params) {
  InternalLibraryHandleNeeded();
  const TAsaProcs& procs = AsaLibrary.Procs;
  const std::string params = Params != nullptr ? Params : "";
  if (procs.db_string_ping_server != nullptr) {
    procs.db_string_ping_server(&sqlca_, params.c_str(), 0);
  } else {
    std::string name = params;
    const std::size_t key = host::LowerCase(params).find("eng=");
    if (key != std::string::npos) {
      name.erase(0, key + 4);
      name = name.substr(0, name.find(';'));
    }
    procs.db_find_engine(&sqlca_, name.c_str());
  }
  return Check(nullptr, 0, 0, WantExceptions());
}

}  // namespace velar
