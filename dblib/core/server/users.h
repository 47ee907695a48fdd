// The users a database carries, in its own table dblib_users: a name
// (compared without regard to case) and an Argon2id hash string of the
// password. The cost new hashes get is the database's, kept in its table
// dblib_settings under "password_cost".
//
// Databases made before passwords were hashed this way (a table of salts
// and SHA-256 digests) are refused when they start, with a message that
// says to recreate them with vlrdbinit.
#pragma once

#include <string>
#include <string_view>

#include "dblib/core/server/password.h"
#include "dblib/core/support/status.h"

struct sqlite3;

namespace dblib {

// What a new database starts with: its first user and the cost of its
// password hashes.
struct NewDatabase {
  std::string user = "DBA";
  std::string password = "SQL";
  PasswordCost cost = PasswordCost::Interactive;
};

// Makes a new database file with its user and settings tables and its first
// user; refuses a file that exists (-82), an empty user name (-1002).
bool create_database(const char* file, const NewDatabase& spec, Status& status);

// Whether the open database carries the user table of this library; -82
// with a text saying what to do when not.
bool check_user_table(sqlite3* db, const std::string& file, Status& status);

// Adds a user, or gives an existing one a new password.
bool store_user(sqlite3* db, std::string_view user, std::string_view password, Status& status);

// Removes a user: -140 when there is none of that name, -300 when it is the
// last (nobody could log in any more).
bool drop_user(sqlite3* db, std::string_view user, Status& status);

// True when user and password match a user of the open database; otherwise
// DBE_INVALID_LOGON (the text never contains the password).
bool authenticate(sqlite3* db, const std::string& user, const std::string& password,
                  Status& status);

}  // namespace dblib
