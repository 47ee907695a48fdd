// How vlrisql reaches its database: a connection string taken apart into the
// session's login properties, the client library located, and a new
// database made by the stand-in's vlrdbinit.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/vlrisql/command_line.h"

namespace velar {
class TAsaSession;
}

namespace vlrisql {

// The pieces of a connection string ("eng=x;dbf=y;uid=z;pwd=w") that become
// session properties; every other pair is passed on to the library as it
// stands, in the order given.
struct TLogin {
  std::string Engine;        // eng, EngineName, ServerName
  std::string DatabaseFile;  // dbf, DatabaseFile
  std::string DatabaseName;  // dbn, DatabaseName
  std::string Start;         // start: how to start a server
  bool HasUser = false;
  std::string User;  // uid, UserID
  bool HasPassword = false;
  std::string Password;  // pwd, Password
  std::vector<std::pair<std::string, std::string>> Others;
};

// Reads key=value pairs separated by ";"; a value may be braced ("{a;b}",
// with "}}" for a "}"). False with Error for a pair without "=" or an
// unclosed brace.
bool ParseConnectString(const std::string& Text, TLogin& Login, std::string& Error);
// The pairs of Others as the library reads them, braced where needed.
std::string ClientParamsOf(const TLogin& Login);

// Sets Session up from the command line: library, login, server type. A
// database file is made absolute, because connecting runs in the library's
// directory. False with Error when the options contradict each other.
bool ConfigureSession(velar::TAsaSession& Session, const TOptions& Options, std::string& Error);

// The directory of the running program.
std::string ProgramDir();

// Creates the database Options.CreateFile with the vlrdbinit beside this
// program (or on PATH), passing the user and password when given. False
// with Error (vlrdbinit's own complaint goes to standard error).
bool CreateDatabase(const TOptions& Options, std::string& Error);

}  // namespace vlrisql
