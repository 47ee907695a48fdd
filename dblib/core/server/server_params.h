// What a connection string tells the server side: which engine and database
// a request means, whether a missing one may be started, and how they stop.
// The connection layer adds the login (ConnectParams) and parses the text.
#pragma once

#include <string>
#include <string_view>

namespace dblib {

struct ServerParams {
  std::string engine;      // eng=
  std::string file;        // dbf=
  std::string database;    // dbn=
  bool has_start = false;  // start= (a server command line) was given: start what is missing
  bool autostop = true;    // autostop=: a database started by a connect stops with it
  bool autostop_given = false;
  bool unconditional = false;  // unconditional=: a stop ends the connections that remain
};

// The database name a file gives: its file name without directory and extension.
std::string database_name_of(std::string_view file);

// The engine a connection string names: eng=, else the database name dbf=
// gives (empty when neither is there).
std::string engine_name_of(const ServerParams& params);

}  // namespace dblib
