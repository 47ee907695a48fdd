// The parameter strings that the client library's connect, start and stop
// calls take, assembled from the login properties. Empty pieces leave no
// stray separators.
#include "asa/VlrAsaSession.h"
#include "host/sysutils.h"

namespace velar {

namespace {

constexpr char kSeparator[] = ";";

// The pieces that name the database: both are always present, even empty,
// so the library sees that no file or name was given.
void AppendDatabase(std::string& Params, const std::string& File, const std::string& Name) {
  VlrConcateEmptyField(Params, kSeparator, "dbf=" + File);
  VlrConcateEmptyField(Params, kSeparator, "dbn=" + Name);
}

}  // namespace

// The database's name is its file's name without the extension.
std::string TAsaSession::DatabaseName() const {
  return VlrExtractFilePrefix(host::ExtractFileName(LoginDatabase()));
}

// A blank engine name means the server is named after the database.
std::string TAsaSession::EngineParam() const {
  std::string engine = host::Trim(loginEngineName_).empty() ? DatabaseName() : loginEngineName_;
  if (engine.empty()) return std::string();
  return "eng=" + engine;
}

// What starting the server takes: the server program's parameters and its
// name.
std::string TAsaSession::StartEngineParams() const {
  std::string params;
  VlrConcateEmptyField(params, kSeparator, serverParams_);
  VlrConcateEmptyField(params, kSeparator, EngineParam());
  return params;
}

// Starting the database during a connect names only the server.
std::string TAsaSession::StartDatabaseParams() const {
  std::string params = EngineParam();
  AppendDatabase(params, LoginDatabase(), DatabaseName());
  return params;
}

// StartDatabase and StopDatabase pass the client parameters too, as they may
// have to reach a server elsewhere.
std::string TAsaSession::DatabaseParams() const {
  std::string params = EngineClientParams();
  AppendDatabase(params, LoginDatabase(), DatabaseName());
  return params;
}

// Reaching a server without naming a database.
std::string TAsaSession::EngineClientParams() const {
  std::string params = EngineParam();
  VlrConcateEmptyField(params, kSeparator, clientParams_);
  return params;
}

// A generation-7 library also takes the database file when it may have to
// start the database itself; a client-only connect never starts one.
std::string TAsaSession::ConnectParams() const {
  std::string params = EngineClientParams();
  if (AsaLibrary.Generation == agVersion7 && serverType_ != stClient)
    VlrConcateEmptyField(params, kSeparator, "dbf=" + LoginDatabase());
  VlrConcateEmptyField(params, kSeparator, "dbn=" + DatabaseName());
  VlrConcateEmptyField(params, kSeparator, "uid=" + LoginUser());
  VlrConcateEmptyField(params, kSeparator, "pwd=" + LoginPassword());
  return params;
}

}  // namespace velar
