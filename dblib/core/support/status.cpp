#include "dblib/core/support/status.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>

#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

struct CodeInfo {
  int code;
  const char* sqlstate;
  const char* text;
};

// Every code the library reports, with its SQLSTATE and standard text. A code
// missing here still gets the general run-time state, never success.
constexpr CodeInfo kCodes[] = {
    {DBE_OK, "00000", ""},
    {DBE_NOT_FOUND, "02000", "Row not found"},
    {DBE_TRUNCATED, "01004", "Value truncated"},
    {DBE_START_STOP_DENIED, "08W27", "Request to stop denied: connections remain"},
    {DBE_DATABASE_NAME_NOT_UNIQUE, "08W32", "Database name not unique"},
    {DBE_UNABLE_TO_START_DATABASE, "08W07", "Unable to start the database"},
    {DBE_DATABASE_NOT_FOUND, "08W09", "Specified database not found"},
    {DBE_CONNECTION_PARSE_ERROR, "08W12", "Parse error in the connection parameters"},
    {DBE_ENGINE_ALREADY_RUNNING, "08W13", "Database server already running"},
    {DBE_ENGINE_NOT_RUNNING, "08001", "Database server not running"},
    {DBE_NOT_CONNECTED, "08003", "Not connected to a database"},
    {DBE_INVALID_LOGON, "28000", "Invalid user ID or password"},
    {DBE_ITEM_EXISTS, "42W04", "Item already exists"},
    {DBE_INVALID_STATEMENT, "26501", "Invalid statement number"},
    {DBE_SYNTAX_ERROR, "42000", "Syntax error"},
    {DBE_NOT_IMPLEMENTED, "0AQ01", "Feature not implemented"},
    {DBE_TABLE_NOT_FOUND, "42S02", "Table not found"},
    {DBE_COLUMN_NOT_FOUND, "42S22", "Column not found"},
    {DBE_WRONG_PARAMETER_COUNT, "07001", "Wrong number of parameters to the procedure"},
    {DBE_INVALID_HOST_VARIABLE, "07W01", "Invalid host variable"},
    {DBE_CONVERSION_ERROR, "22018", "Cannot convert the value"},
    {DBE_VALUE_OUT_OF_RANGE, "22003", "Value out of range for its destination"},
    {DBE_SQLDA_TOO_SMALL, "07002", "SQLDA has too few entries"},
    {DBE_CURSOR_NOT_DECLARED, "24W01", "Cursor has not been declared"},
    {DBE_CURSOR_ALREADY_OPEN, "24502", "Cursor already open"},
    {DBE_CURSOR_NOT_OPEN, "24501", "Cursor not open"},
    {DBE_NO_INDICATOR, "22002", "No indicator variable for a NULL value"},
    {DBE_TOO_MANY_ROWS, "21000", "The statement returns more than one row"},
    {DBE_PRIMARY_KEY_NOT_UNIQUE, "23W01", "Primary key or unique index not unique"},
    {DBE_NO_PRIMARY_KEY_VALUE, "23503", "No primary key value for foreign key"},
    {DBE_COLUMN_CANNOT_BE_NULL, "23502", "Column cannot be NULL"},
    {DBE_NO_CURRENT_ROW, "24503", "No current row of cursor"},
    {DBE_INVALID_OPTION, "42W16", "Invalid option"},
    {DBE_INVALID_OPTION_SETTING, "42W17", "Invalid setting for option"},
    {DBE_LOCKED, "40W01", "Database is locked by another connection"},
    {DBE_VARIABLE_NOT_FOUND, "42W14", "Variable not found"},
    {DBE_VARIABLE_EXISTS, "42W15", "Variable already exists"},
    {DBE_PROCEDURE_NOT_FOUND, "42W20", "Procedure not found"},
    {DBE_DOUBLE_REQUEST, "42W22", "Another request is already running on this SQLCA"},
    {DBE_INTERRUPTED, "57014", "Statement interrupted by user"},
    {DBE_ERROR, "HY000", "Run time SQL error"},
    {DBE_DISK_FULL, "53100", "Disk full"},
    {DBE_DEADLOCK, "40001", "Deadlock detected"},
    {DBE_CONNECTION_TERMINATED, "08006", "Connection was terminated"},
    {DBE_NO_MEMORY, "53W01", "Out of memory"},
    {DBE_CURSOR_READ_ONLY, "42W30", "Update operation attempted on a read-only cursor"},
    {DBE_DATABASE_FILE_IN_USE, "08W28", "Database file already in use"},
    {DBE_SQLCA_NOT_INITIALIZED, "HY010", "The SQLCA was not initialised with db_init"},
    {DBE_BAD_ARGUMENT, "HY009", "Invalid argument"},
    {DBE_BACKUP_STATE, "HY010", "Backup call out of sequence"},
    {DBE_ALREADY_CONNECTED, "08002", "This SQLCA already holds a connection"},
};

const CodeInfo* find_code(int code) {
  for (const CodeInfo& info : kCodes) {
    if (info.code == code) return &info;
  }
  return nullptr;
}

// The word that follows prefix in message (up to a blank or comma), or empty
// when prefix is not there; SQLite names the object that way.
std::string object_after(const char* message, const char* prefix) {
  const char* at = std::strstr(message, prefix);
  if (at == nullptr) return {};
  at += std::strlen(prefix);
  const char* end = at;
  while (*end != '\0' && *end != ' ' && *end != ',')
    ++end;
  return std::string(at, end);
}

}  // namespace

const char* sqlstate_for(int code) {
  const CodeInfo* info = find_code(code);
  if (info != nullptr) return info->sqlstate;
  return code > 0 ? "01000" : "HY000";
}

const char* standard_text(int code) {
  const CodeInfo* info = find_code(code);
  if (info != nullptr) return info->text;
  return code > 0 ? "Warning" : "Run time SQL error";
}

// Formats into the reused text buffer; texts are short, so one retry at most.
void Status::vformat(const char* format, va_list args) {
  char local[256];
  va_list again;
  va_copy(again, args);
  int needed = std::vsnprintf(local, sizeof local, format, args);
  if (needed < 0) {
    text_ = standard_text(code_);
  } else if (static_cast<size_t>(needed) < sizeof local) {
    text_.assign(local, static_cast<size_t>(needed));
  } else {
    text_.resize(static_cast<size_t>(needed) + 1);
    std::vsnprintf(text_.data(), text_.size(), format, again);
    text_.resize(static_cast<size_t>(needed));
  }
  va_end(again);
}

bool Status::fail(int code, const char* format, ...) {
  code_ = code;
  va_list args;
  va_start(args, format);
  vformat(format, args);
  va_end(args);
  return false;
}

bool Status::fail_plain(int code) {
  code_ = code;
  text_ = standard_text(code);
  return false;
}

void Status::warn(int code, const char* format, ...) {
  if (code_ < 0) return;  // an error already recorded outranks a warning
  code_ = code;
  va_list args;
  va_start(args, format);
  vformat(format, args);
  va_end(args);
}

// Translates SQLite's result into the nearest outcome code with a text that
// names the object involved. Never yields success for a failure.
bool Status::fail_sqlite(sqlite3* db, int rc) {
  const char* message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  int extended = db != nullptr ? sqlite3_extended_errcode(db) : rc;
  switch (rc & 0xFF) {
    case SQLITE_CONSTRAINT:
      switch (extended) {
        case SQLITE_CONSTRAINT_PRIMARYKEY:
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_ROWID:
          return fail(DBE_PRIMARY_KEY_NOT_UNIQUE, "Primary key or unique index not unique (%s)",
                      message);
        case SQLITE_CONSTRAINT_FOREIGNKEY:
          return fail(DBE_NO_PRIMARY_KEY_VALUE, "No primary key value for foreign key (%s)",
                      message);
        case SQLITE_CONSTRAINT_NOTNULL: {
          std::string column = object_after(message, "NOT NULL constraint failed: ");
          return fail(DBE_COLUMN_CANNOT_BE_NULL, "Column '%s' cannot be NULL", column.c_str());
        }
        default:
          return fail(DBE_ERROR, "Constraint violated: %s", message);
      }
    case SQLITE_INTERRUPT:
      return fail_plain(DBE_INTERRUPTED);
    case SQLITE_BUSY:
      // The transaction read a state another connection has changed since:
      // it can no longer change anything, whatever it waits for.
      if (extended == SQLITE_BUSY_SNAPSHOT) {
        return fail(DBE_DEADLOCK,
                    "Deadlock detected: another connection changed the database after this "
                    "transaction read it; roll back and try again");
      }
      return fail(DBE_LOCKED, "Database is locked by another connection (%s)", message);
    case SQLITE_LOCKED:
      return fail(DBE_LOCKED, "Database is locked by another connection (%s)", message);
    case SQLITE_NOMEM:
      return fail_plain(DBE_NO_MEMORY);
    case SQLITE_FULL:
      return fail(DBE_DISK_FULL, "Disk full: %s", message);
    case SQLITE_MISMATCH:
      return fail(DBE_CONVERSION_ERROR, "Cannot convert the value: %s", message);
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
      return fail(DBE_VALUE_OUT_OF_RANGE, "Value out of range: %s", message);
    case SQLITE_ERROR:
      break;
    default:
      return fail(DBE_ERROR, "Run time SQL error: %s", message);
  }
  // Plain errors: recognise the object that was not found and syntax errors.
  if (std::strncmp(message, "no such table: ", 15) == 0) {
    return fail(DBE_TABLE_NOT_FOUND, "Table '%s' not found", message + 15);
  }
  if (std::strncmp(message, "no such column: ", 16) == 0) {
    return fail(DBE_COLUMN_NOT_FOUND, "Column '%s' not found", message + 16);
  }
  if (std::strncmp(message, "no such function: ", 18) == 0) {
    return fail(DBE_PROCEDURE_NOT_FOUND, "Procedure '%s' not found", message + 18);
  }
  if (std::strstr(message, "syntax error") != nullptr ||
      std::strstr(message, "incomplete input") != nullptr ||
      std::strstr(message, "unrecognized token") != nullptr) {
    return fail(DBE_SYNTAX_ERROR, "Syntax error: %s", message);
  }
  return fail(DBE_ERROR, "Run time SQL error: %s", message);
}

bool exec_sql(sqlite3* db, const char* sql, Status& status) {
  int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  return rc == SQLITE_OK || status.fail_sqlite(db, rc);
}

}  // namespace dblib
