// Transactions and connection options.
#include <cstring>

#include "asa/VlrAsaSession.h"

namespace velar {

namespace {

// The option texts of the isolation levels; atUnchanged sends none.
const char* IsolationLevelText(TAsaTransIsolation Level) {
  switch (Level) {
    case atReadUncommitted:
      return "0";
    case atReadCommitted:
      return "1";
    case atReapeatableRead:
      return "2";
    case atSerializable:
      return "3";
    case atUnchanged:
      break;
  }
  return nullptr;
}

// An option value travels as one terminated string.
constexpr std::int16_t kOptionValueLength = 30;

}  // namespace

// Ends the connection's transaction; the outcome is judged like any call's.
bool TAsaSession::InternalCommit() {
  InternalLibraryHandleNeeded();
  AsaLibrary.Procs.dbpp_commit(&sqlca_, 0u);
  return Check(nullptr, 0, 0, WantExceptions());
}

// Undoes the connection's pending work.
bool TAsaSession::InternalRollback() {
  InternalLibraryHandleNeeded();
  AsaLibrary.Procs.dbpp_rollback(&sqlca_, 0u);
  return Check(nullptr, 0, 0, WantExceptions());
}

// The value arrives as a terminated string in a buffer of the session's own,
// so a value the library cuts to fit still ends inside it.
bool TAsaSession::GetOption(const char* Name, std::string& Value) {
  Value.clear();
  InternalLibraryHandleNeeded();
  TAsaDescriptor descriptor(1);
  descriptor->sqld = descriptor->sqln;
  char buffer[kOptionValueLength + 1] = {};
  sqlvar& entry = descriptor->sqlvar[0];
  entry.sqltype = DBT_STRING;
  entry.sqllen = kOptionValueLength;
  entry.sqldata = buffer;
  AsaLibrary.Procs.dbpp_getoption(&sqlca_, 0, nullptr, Name, descriptor.get());
  const bool result = Check(nullptr, 0, 0, WantExceptions());
  if (result) Value.assign(buffer, ::strnlen(buffer, sizeof buffer));
  return result;
}

// The setting holds for this connection only, so no user is named.
bool TAsaSession::SetOption(const char* Name, const char* Value) {
  InternalLibraryHandleNeeded();
  TAsaDescriptor descriptor(1);
  descriptor->sqld = descriptor->sqln;
  sqlvar& entry = descriptor->sqlvar[0];
  entry.sqltype = DBT_STRING;
  entry.sqllen = static_cast<std::int16_t>(std::strlen(Value) + 1);
  entry.sqldata = const_cast<char*>(Value);
  AsaLibrary.Procs.dbpp_setoption(&sqlca_, DBOPT_TEMPORARY, nullptr, Name, descriptor.get());
  return Check(nullptr, 0, 0, WantExceptions());
}

// The level is kept before it is sent: a session told to raise its errors
// that is not connected yet still applies the level at its next connect,
// even though sending it now failed.
void TAsaSession::SetTransIsolation(TAsaTransIsolation Value) {
  transIsolation_ = Value;
  if (Reading()) return;
  if (const char* text = IsolationLevelText(Value)) SetOption("isolation_level", text);
}

// Only a differing server value is changed. Kept first for the same reason
// as the isolation level.
void TAsaSession::SetWantRowCounts(bool Value) {
  wantRowCounts_ = Value;
  if (Reading()) return;
  const char* wanted = Value ? "ON" : "OFF";
  std::string current;
  if (GetOption("row_counts", current) && current != wanted) SetOption("row_counts", wanted);
}

}  // namespace velar
