// The parameter strings that the client library's connect, start and stop
// calls take, assembled from the login properties. Empty pieces leave no
// stray separators.
//
// Every value that comes from a property is data, never syntax: a password
// holding ";uid=DBA" must not add a parameter. A value the library would
// split or trim goes in braces, which the library reads up to the first
// "}"; a value that needs braces but holds a "}" cannot be written at all
// and is refused. Ordinary values are written as they are.
#include <algorithm>

#include "asa/VlrAsaSession.h"
#include "host/sysutils.h"

namespace velar {

namespace {

constexpr char kSeparator[] = ";";

bool IsBlank(char C) {
  return C == ' ' || C == '\t' || C == '\r' || C == '\n';
}

// The library splits at ";", trims blanks around a value and reads a value
// opening with "{" as braced.
bool NeedsBraces(const std::string& Value) {
  if (Value.empty()) return false;
  return Value.find(';') != std::string::npos || Value.front() == '{' || IsBlank(Value.front()) ||
         IsBlank(Value.back());
}

bool CanBeWritten(const std::string& Value) {
  if (Value.find('\0') != std::string::npos) return false;
  return !NeedsBraces(Value) || Value.find('}') == std::string::npos;
}

}  // namespace

// "key=value", the value braced when it needs it; raises for a value that no
// connection string can carry. The message names the key only, so that a
// password never reaches LastError.
std::string TAsaSession::ParamPiece(const char* Key, const std::string& Value) {
  if (!CanBeWritten(Value))
    RaiseLastError<EAsaException>(host::Format(VlrLoadStr(VELAR_ERR_CONN_PARAM_VALUE), {Key}));
  if (NeedsBraces(Value)) return std::string(Key) + "={" + Value + "}";
  return std::string(Key) + "=" + Value;
}

// The pieces that name the database: both are always present, even empty,
// so the library sees that no file or name was given.
void TAsaSession::AppendDatabase(std::string& Params) {
  VlrConcateEmptyField(Params, kSeparator, ParamPiece("dbf", LoginDatabase()));
  VlrConcateEmptyField(Params, kSeparator, ParamPiece("dbn", DatabaseName()));
}

// The database's name is its file's name without the extension.
std::string TAsaSession::DatabaseName() const {
  return VlrExtractFilePrefix(host::ExtractFileName(LoginDatabase()));
}

// A blank engine name means the server is named after the database.
std::string TAsaSession::EngineParam() {
  std::string engine = host::Trim(loginEngineName_).empty() ? DatabaseName() : loginEngineName_;
  if (engine.empty()) return std::string();
  return ParamPiece("eng", engine);
}

// What starting the server takes: the server program's parameters and its
// name.
std::string TAsaSession::StartEngineParams() {
  std::string params;
  VlrConcateEmptyField(params, kSeparator, serverParams_);
  VlrConcateEmptyField(params, kSeparator, EngineParam());
  return params;
}

// Starting the database during a connect names only the server.
std::string TAsaSession::StartDatabaseParams() {
  std::string params = EngineParam();
  AppendDatabase(params);
  return params;
}

// StartDatabase and StopDatabase pass the client parameters too, as they may
// have to reach a server elsewhere.
std::string TAsaSession::DatabaseParams() {
  std::string params = EngineClientParams();
  AppendDatabase(params);
  return params;
}

// Reaching a server without naming a database.
std::string TAsaSession::EngineClientParams() {
  std::string params = EngineParam();
  VlrConcateEmptyField(params, kSeparator, clientParams_);
  return params;
}

// A generation-7 library also takes the database file when it may have to
// start the database itself; a client-only connect never starts one.
std::string TAsaSession::ConnectParams() {
  std::string params = EngineClientParams();
  if (AsaLibrary.Generation == agVersion7 && serverType_ != stClient)
    VlrConcateEmptyField(params, kSeparator, ParamPiece("dbf", LoginDatabase()));
  VlrConcateEmptyField(params, kSeparator, ParamPiece("dbn", DatabaseName()));
  VlrConcateEmptyField(params, kSeparator, ParamPiece("uid", LoginUser()));
  VlrConcateEmptyField(params, kSeparator, ParamPiece("pwd", LoginPassword()));
  return params;
}

}  // namespace velar
