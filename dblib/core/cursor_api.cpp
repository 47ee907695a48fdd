// The cursor entry points: each finds the named cursor of the SQLCA's
// connection (-170 when undeclared, -180 when not open) and hands over.
#include <cstring>

#include "dblib/core/api.h"
#include "dblib/core/connection.h"
#include "dblib/core/cursor.h"
#include "dblib/core/request.h"

namespace dblib::api {

namespace {

constexpr size_t kMaxCursorName = 128;

// The cursor name argument, or null with the outcome written.
const char* checked_name(Request& request, const char* cursor) {
  if (cursor == nullptr || cursor[0] == '\0' ||
      strnlen(cursor, kMaxCursorName + 1) > kMaxCursorName) {
    request.fail(DBE_BAD_ARGUMENT, "A cursor name of 1 to 128 characters is needed");
    return nullptr;
  }
  return cursor;
}

// The frame of the entry points that work on an open cursor: finds it
// (-170 when undeclared, -180 when not open), marks the request as running
// and writes the outcome, with the count that work returns as SQLCOUNT.
template <typename Work>
void with_open_cursor(sqlca* ca, const char* entry_point, const char* cursor, Work&& work) {
  Request request(ca, entry_point);
  if (request.injected()) return;
  Connection* connection = request.connection();
  if (connection == nullptr || checked_name(request, cursor) == nullptr) return;
  Cursor* found = connection->cursor(cursor);
  int32_t count = 0;
  if (found == nullptr) {
    request.status.fail(DBE_CURSOR_NOT_DECLARED, "Cursor '%s' has not been declared", cursor);
  } else if (!found->is_open()) {
    request.status.fail(DBE_CURSOR_NOT_OPEN, "Cursor '%s' is not open", cursor);
  } else {
    request.begin_work();
    count = work(*found, *connection, request.status);
  }
  request.finish(count);
}

}  // namespace

// Declares a cursor over a prepared statement; an open name is taken (-172).
void declare_cursor(sqlca* ca, const char* cursor, int16_t* statement, unsigned options) {
  Request request(ca, "dbpp_declare");
  if (request.injected()) return;
  Connection* connection = request.connection();
  if (connection == nullptr || checked_name(request, cursor) == nullptr) return;
  Status& status = request.status;
  Cursor* existing = connection->cursor(cursor);
  if (statement == nullptr || connection->statement(*statement) == nullptr) {
    status.fail(DBE_INVALID_STATEMENT, "Statement %d is not prepared",
                statement != nullptr ? *statement : 0);
  } else if (existing != nullptr && existing->is_open()) {
    status.fail(DBE_CURSOR_ALREADY_OPEN, "Cursor '%s' is already open", cursor);
  } else {
    connection->declare_cursor(cursor, *statement, options);
  }
  request.finish(0);
}

// Opens a declared cursor with the host values of input; SQLCOUNT is the
// row count when option row_counts is on.
void open_cursor(sqlca* ca, const char* cursor, sqlda* input, unsigned options) {
  Request request(ca, "dbpp_open");
  if (request.injected()) return;
  Connection* connection = request.connection();
  if (connection == nullptr || checked_name(request, cursor) == nullptr) return;
  Status& status = request.status;
  Cursor* found = connection->cursor(cursor);
  Statement* statement = found != nullptr ? connection->statement(found->statement()) : nullptr;
  int32_t count = 0;
  if (found == nullptr) {
    status.fail(DBE_CURSOR_NOT_DECLARED, "Cursor '%s' has not been declared", cursor);
  } else if (found->is_open()) {
    status.fail(DBE_CURSOR_ALREADY_OPEN, "Cursor '%s' is already open", cursor);
  } else if (statement == nullptr) {
    status.fail(DBE_INVALID_STATEMENT, "Statement %d of cursor '%s' is not prepared",
                found->statement(), cursor);
  } else {
    request.begin_work();
    found->open(*connection, *statement, input, options, count, status);
  }
  request.finish(count);
}

// Closes an open cursor; it stays declared.
void close_cursor(sqlca* ca, const char* cursor) {
  with_open_cursor(ca, "dbpp_close", cursor, [](Cursor& found, Connection&, Status&) {
    found.close();
    return 0;
  });
}

// Describes the result columns of an open cursor.
void describe_cursor(sqlca* ca, const char* cursor, sqlda* descriptor, unsigned what) {
  with_open_cursor(ca, "dbpp_describe_cursor", cursor,
                   [&](Cursor& found, Connection& connection, Status& status) {
                     int32_t count = 0;
                     found.describe(connection, descriptor, what, count, status);
                     return count;
                   });
}

// Moves the cursor and delivers up to width rows.
void fetch(sqlca* ca, const char* cursor, unsigned orientation, int32_t offset, sqlda* descriptor,
           unsigned width) {
  with_open_cursor(ca, "dbpp_fetch_array", cursor,
                   [&](Cursor& found, Connection& connection, Status& status) {
                     int32_t count = 0;
                     found.fetch(connection, orientation, offset, descriptor, width, count, status);
                     return count;
                   });
}

// Delivers a piece of a value of the current row.
void get_data(sqlca* ca, const char* cursor, unsigned column, int32_t offset, sqlda* descriptor) {
  with_open_cursor(ca, "dbpp_get_data", cursor,
                   [&](Cursor& found, Connection& connection, Status& status) {
                     found.get_data(connection, column, offset, descriptor, status);
                     return 0;
                   });
}

// Changes the current row; a positioned change counts the one row it changed.
void update(sqlca* ca, const char* cursor, sqlda* input) {
  with_open_cursor(ca, "dbpp_update", cursor,
                   [&](Cursor& found, Connection& connection, Status& status) {
                     return found.update(connection, input, status) ? 1 : 0;
                   });
}

// Deletes the current row.
void delete_row(sqlca* ca, const char* cursor) {
  with_open_cursor(ca, "dbpp_delete", cursor,
                   [&](Cursor& found, Connection& connection, Status& status) {
                     return found.remove(connection, status) ? 1 : 0;
                   });
}

// Inserts a row through the cursor.
void put_into(sqlca* ca, const char* cursor, sqlda* input, sqlda* output) {
  with_open_cursor(ca, "dbpp_put_into", cursor,
                   [&](Cursor& found, Connection& connection, Status& status) {
                     return found.put_into(connection, input, output, status) ? 1 : 0;
                   });
}

// Gives the query plan of the cursor.
void explain(sqlca* ca, const char* cursor, sqlda* descriptor) {
  with_open_cursor(ca, "dbpp_explain", cursor,
                   [&](Cursor& found, Connection& connection, Status& status) {
                     found.explain(connection, descriptor, status);
                     return 0;
                   });
}

// Moves a cursor over a CALL to the next result set.
void resume(sqlca* ca, const char* cursor) {
  with_open_cursor(ca, "dbpp_resume", cursor,
                   [&](Cursor& found, Connection& connection, Status& status) {
                     int32_t count = 0;
                     found.resume(connection, count, status);
                     return count;
                   });
}

}  // namespace dblib::api
