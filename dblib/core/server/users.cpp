#include "dblib/core/server/users.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <initializer_list>
#include <memory>

#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

struct StatementCloser {
  void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using Query = std::unique_ptr<sqlite3_stmt, StatementCloser>;

// Prepares sql with text parameters bound in order; null (outcome in status)
// when SQLite refuses it.
Query prepare(sqlite3* db, const char* sql, std::initializer_list<std::string_view> texts,
              Status& status) {
  sqlite3_stmt* raw = nullptr;
  int rc = sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
  Query query(raw);
  if (rc != SQLITE_OK) {
    status.fail_sqlite(db, rc);
    return nullptr;
  }
  int index = 0;
  for (std::string_view text : texts) {
    sqlite3_bind_text64(raw, ++index, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8);
  }
  return query;
}

std::string column_text(sqlite3_stmt* stmt, int column) {
  const unsigned char* text = sqlite3_column_text(stmt, column);
  return text != nullptr ? reinterpret_cast<const char*>(text) : "";
}

// The cost the database gives new password hashes.
PasswordCost cost_of(sqlite3* db) {
  Status ignored;
  Query query =
      prepare(db, "SELECT value FROM dblib_settings WHERE name = 'password_cost'", {}, ignored);
  if (query && sqlite3_step(query.get()) == SQLITE_ROW) {
    return password_cost_named(column_text(query.get(), 0));
  }
  return PasswordCost::Interactive;
}

bool run(sqlite3* db, const char* sql, std::initializer_list<std::string_view> texts,
         Status& status) {
  Query query = prepare(db, sql, texts, status);
  if (!query) return false;
  int rc = sqlite3_step(query.get());
  return rc == SQLITE_DONE || rc == SQLITE_ROW || status.fail_sqlite(db, rc);
}

}  // namespace

bool store_user(sqlite3* db, std::string_view user, std::string_view password, Status& status) {
  if (user.empty()) return status.fail(DBE_BAD_ARGUMENT, "A user needs a name");
  std::string hash;
  return hash_password(password, cost_of(db), hash, status) &&
         run(db,
             "INSERT INTO dblib_users(user_name, password_hash) VALUES (?1, ?2) "
             "ON CONFLICT(user_name) DO UPDATE SET password_hash = excluded.password_hash",
             {user, hash}, status);
}

bool drop_user(sqlite3* db, std::string_view user, Status& status) {
  Query count =
      prepare(db, "SELECT count(*), sum(user_name = ?1) FROM dblib_users", {user}, status);
  if (!count) return false;
  int rc = sqlite3_step(count.get());
  if (rc != SQLITE_ROW) return status.fail_sqlite(db, rc);
  int users = sqlite3_column_int(count.get(), 0), matching = sqlite3_column_int(count.get(), 1);
  if (matching == 0) {
    return status.fail(DBE_USER_NOT_FOUND, "User '%.*s' does not exist",
                       static_cast<int>(user.size()), user.data());
  }
  if (users == 1) {
    return status.fail(DBE_ERROR,
                       "User '%.*s' is the database's last user: nobody could connect any more",
                       static_cast<int>(user.size()), user.data());
  }
  return run(db, "DELETE FROM dblib_users WHERE user_name = ?1", {user}, status);
}

// Creates the file in WAL mode with 4096-byte pages (a page fits one backup
// transfer), its user and settings tables and its first user.
bool create_database(const char* file, const NewDatabase& spec, Status& status) {
  if (file == nullptr || *file == '\0') {
    return status.fail(DBE_BAD_ARGUMENT, "No database file named");
  }
  if (spec.user.empty()) return status.fail(DBE_BAD_ARGUMENT, "The first user needs a name");
  struct stat info;
  if (stat(file, &info) == 0) {
    return status.fail(DBE_UNABLE_TO_START_DATABASE, "Database file '%s' already exists", file);
  }
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(file, &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc != SQLITE_OK) {
    status.fail(DBE_UNABLE_TO_START_DATABASE, "Cannot create database file '%s': %s", file,
                db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    sqlite3_close(db);
    return false;
  }
  bool ok = exec_sql(db, "PRAGMA page_size=4096", status) &&
            exec_sql(db, "PRAGMA journal_mode=WAL", status) &&
            exec_sql(db,
                     "CREATE TABLE dblib_users(user_name TEXT PRIMARY KEY COLLATE NOCASE, "
                     "password_hash TEXT NOT NULL);"
                     "CREATE TABLE dblib_settings(name TEXT PRIMARY KEY, value TEXT NOT NULL)",
                     status) &&
            run(db, "INSERT INTO dblib_settings VALUES ('password_cost', ?1)",
                {password_cost_name(spec.cost)}, status) &&
            store_user(db, spec.user, spec.password, status);
  sqlite3_close(db);
  if (!ok) unlink(file);
  return ok;
}

bool check_user_table(sqlite3* db, const std::string& file, Status& status) {
  sqlite3_stmt* raw = nullptr;
  int rc =
      sqlite3_prepare_v2(db, "SELECT user_name, password_hash FROM dblib_users", -1, &raw, nullptr);
  Query query(raw);
  if (rc == SQLITE_OK) return true;
  const char* message = sqlite3_errmsg(db);
  if (std::strncmp(message, "no such column", 14) == 0) {
    return status.fail(DBE_UNABLE_TO_START_DATABASE,
                       "Unable to start database '%s': it was made by an older version of the "
                       "library and keeps its passwords in a form no longer read; recreate it "
                       "with vlrdbinit",
                       file.c_str());
  }
  return status.fail(DBE_UNABLE_TO_START_DATABASE, "Unable to start database '%s': %s",
                     file.c_str(), message);
}

// A name without a user is checked against a decoy, so that how long the
// answer takes tells nothing about which names exist.
bool authenticate(sqlite3* db, const std::string& user, const std::string& password,
                  Status& status) {
  Status ignored;
  Query query =
      prepare(db, "SELECT password_hash FROM dblib_users WHERE user_name = ?1", {user}, ignored);
  if (!query) {
    return status.fail(DBE_INVALID_LOGON,
                       "Invalid user ID or password (the database has no user table)");
  }
  bool ok;
  if (sqlite3_step(query.get()) == SQLITE_ROW) {
    ok = password_matches(column_text(query.get(), 0), password);
  } else {
    password_matches(decoy_hash(cost_of(db)), password);
    ok = false;
  }
  return ok || status.fail_plain(DBE_INVALID_LOGON);
}

}  // namespace dblib
