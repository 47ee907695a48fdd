// Connection strings: "key=value" pairs separated by ";". Keys are
// case-insensitive and have long synonyms (eng/EngineName, dbf/DatabaseFile,
// dbn/DatabaseName, uid/UserID, pwd/Password, start, links/CommLinks,
// con/ConnectionName, autostop/AutoStop, unconditional/Unconditional). A value
// may be wrapped in braces to hold ";" or blanks at its ends; inside braces
// "}}" stands for "}", so any text can be given. An unknown key is a parse
// error; the error text names the position only, so a password is never
// echoed.
#pragma once

#include <string>

#include "dblib/core/server/server_params.h"
#include "dblib/core/support/status.h"

namespace dblib {

struct ConnectParams : ServerParams {
  std::string user;      // uid=
  std::string password;  // pwd=
};

// Parses text (null or empty gives all defaults). False with DBE_CONNECTION_PARSE_ERROR.
bool parse_connect_params(const char* text, ConnectParams& out, Status& status);

}  // namespace dblib
