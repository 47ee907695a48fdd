#include "dblib/core/users.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <string_view>

#include "dblib/core/sha256.h"
#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

std::string to_hex(const std::uint8_t* bytes, size_t count) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(count * 2);
  for (size_t i = 0; i < count; ++i) {
    out.push_back(kDigits[bytes[i] >> 4]);
    out.push_back(kDigits[bytes[i] & 15]);
  }
  return out;
}

std::string digest_of(const std::string& salt, const std::string& password) {
  auto digest = sha256(salt + password);
  return to_hex(digest.data(), digest.size());
}

std::string new_salt() {
  std::random_device source;
  std::uint8_t bytes[16];
  for (std::uint8_t& b : bytes)
    b = static_cast<std::uint8_t>(source());
  return to_hex(bytes, sizeof bytes);
}

}  // namespace

bool store_user(sqlite3* db, const std::string& user, const std::string& password, Status& status) {
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(
      db, "INSERT OR REPLACE INTO dblib_users(user_name, salt, digest) VALUES (?1, ?2, ?3)", -1,
      &stmt, nullptr);
  if (rc != SQLITE_OK) return status.fail_sqlite(db, rc);
  std::string salt = new_salt();
  std::string digest = digest_of(salt, password);
  sqlite3_bind_text(stmt, 1, user.c_str(), -1, SQLITE_STATIC);
  sqlite3_bind_text(stmt, 2, salt.c_str(), -1, SQLITE_STATIC);
  sqlite3_bind_text(stmt, 3, digest.c_str(), -1, SQLITE_STATIC);
  rc = sqlite3_step(stmt);
  bool ok = rc == SQLITE_DONE || status.fail_sqlite(db, rc);
  sqlite3_finalize(stmt);
  return ok;
}

// Creates the file in WAL mode with 4096-byte pages (a page fits one backup
// transfer) and the user table holding DBA/SQL.
bool create_database(const char* file, Status& status) {
  if (file == nullptr || *file == '\0') {
    return status.fail(DBE_BAD_ARGUMENT, "No database file named");
  }
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
                     "salt TEXT NOT NULL, digest TEXT NOT NULL)",
                     status) &&
            store_user(db, "DBA", "SQL", status);
  sqlite3_close(db);
  if (!ok) unlink(file);
  return ok;
}

bool authenticate(sqlite3* db, const std::string& user, const std::string& password,
                  Status& status) {
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db, "SELECT salt, digest FROM dblib_users WHERE user_name = ?1", -1,
                              &stmt, nullptr);
  if (rc != SQLITE_OK) {
    return status.fail(DBE_INVALID_LOGON,
                       "Invalid user ID or password (the database has no "
                       "user table)");
  }
  sqlite3_bind_text(stmt, 1, user.c_str(), -1, SQLITE_STATIC);
  bool ok = false;
  if (sqlite3_step(stmt) == SQLITE_ROW) {
    std::string salt(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    std::string stored(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
    ok = digest_of(salt, password) == stored;
  }
  sqlite3_finalize(stmt);
  return ok || status.fail_plain(DBE_INVALID_LOGON);
}

}  // namespace dblib
