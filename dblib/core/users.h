// The users a database carries, in its table dblib_users: a user name
// (compared without regard to case) and a salted SHA-256 digest of the
// password (compared exactly). A database made by create_database has the
// user DBA with password SQL.
#pragma once

#include <string>

#include "dblib/core/status.h"

struct sqlite3;

namespace dblib {

// Makes a new database file with its user table; refuses an existing file.
bool create_database(const char* file, Status& status);

// Adds or replaces a user of an open database.
bool store_user(sqlite3* db, const std::string& user, const std::string& password, Status& status);

// True when user and password match a user of the open database; otherwise
// DBE_INVALID_LOGON (the text never contains the password).
bool authenticate(sqlite3* db, const std::string& user, const std::string& password,
                  Status& status);

}  // namespace dblib
