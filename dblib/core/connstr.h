// Connection strings: "key=value" pairs separated by ";". Keys are
// case-insensitive and have long synonyms (eng/EngineName, dbf/DatabaseFile,
// dbn/DatabaseName, uid/UserID, pwd/Password, start, links/CommLinks,
// con/ConnectionName, autostop/AutoStop, unconditional/Unconditional). A value
// may be wrapped in braces to hold ";". An unknown key is a parse error; the
// error text names the position only, so a password is never echoed.
#pragma once

#include <string>
#include <string_view>

#include "dblib/core/status.h"

namespace dblib {

struct ConnectParams {
  std::string engine;      // eng=
  std::string file;        // dbf=
  std::string database;    // dbn=
  std::string user;        // uid=
  std::string password;    // pwd=
  bool has_start = false;  // start= (a server command line) was given: start what is missing
  bool autostop = true;    // autostop=: a database started by a connect stops with it
  bool autostop_given = false;
  bool unconditional = false;
};

// Parses text (null or empty gives all defaults). False with DBE_CONNECTION_PARSE_ERROR.
bool parse_connect_params(const char* text, ConnectParams& out, Status& status);

// The database name a file gives: its file name without directory and extension.
std::string database_name_of(std::string_view file);

// The engine a connection string names: eng=, else the database name dbf=
// gives (empty when neither is there).
std::string engine_name_of(const ConnectParams& params);

}  // namespace dblib
