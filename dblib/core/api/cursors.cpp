// The cursor entry points: each finds the named cursor of the SQLCA's
// connection (-170 when undeclared, -180 when not open) and hands over.
#include <cstring>

#include "dblib/core/api/entry_points.h"
#include "dblib/core/api/request.h"
#include "dblib/core/api/session.h"
#include "dblib/core/cursor/cursor.h"

namespace dblib::api {

namespace {

constexpr size_t kMaxCursorName = 128;

// Whether a cursor name argument is usable; -1002 written when not.
bool usable_name(Request& request, const char* cursor) {
  if (cursor != nullptr && cursor[0] != '\0' &&
      strnlen(cursor, kMaxCursorName + 1) <= kMaxCursorName) {
    return true;
  }
  request.fail(DBE_BAD_ARGUMENT, "A cursor name of 1 to 128 characters is needed");
  return false;
}

// The declared cursor a name argument names; null with the outcome written
// when the name is unusable or declares nothing (-170).
Cursor* declared_cursor(Request& request, const char* cursor) {
  if (!usable_name(request, cursor)) return nullptr;
  Cursor* found = request.session().workspace.cursor(cursor);
  if (found == nullptr) {
    request.status.fail(DBE_CURSOR_NOT_DECLARED, "Cursor '%s' has not been declared", cursor);
    request.finish();
  }
  return found;
}

// The open cursor a name argument names; null with the outcome written as
// declared_cursor writes it, or -180 when it is not open. When found, the
// request is marked as running.
Cursor* open_cursor(Request& request, const char* cursor) {
  Cursor* found = request ? declared_cursor(request, cursor) : nullptr;
  if (found == nullptr) return nullptr;
  if (!found->is_open()) {
    request.status.fail(DBE_CURSOR_NOT_OPEN, "Cursor '%s' is not open", cursor);
    request.finish();
    return nullptr;
  }
  request.begin_work();
  return found;
}

}  // namespace

// Declares a cursor over a prepared statement; an open name is taken (-172).
void dbpp_declare(sqlca* ca, const char* cursor, const char* /*statement_name*/,
                  const char* /*module*/, int16_t* statement, unsigned short options) {
  Request request(ca, __func__, Needs::Connection);
  if (!request || !usable_name(request, cursor)) return;
  Workspace& workspace = request.session().workspace;
  Cursor* existing = workspace.cursor(cursor);
  if (statement == nullptr || workspace.statement(*statement) == nullptr) {
    request.status.fail(DBE_INVALID_STATEMENT, "Statement %d is not prepared",
                        statement != nullptr ? *statement : 0);
  } else if (existing != nullptr && existing->is_open()) {
    request.status.fail(DBE_CURSOR_ALREADY_OPEN, "Cursor '%s' is already open", cursor);
  } else {
    workspace.declare_cursor(cursor, *statement, options);
  }
  request.finish();
}

// Opens a declared cursor with the host values of input.
void dbpp_open(sqlca* ca, const char* cursor, const char* /*statement_name*/,
               const char* /*module*/, int16_t* /*statement*/, sqlda* input, int16_t /*width*/,
               int16_t /*reserved*/, unsigned short options) {
  Request request(ca, __func__, Needs::Connection);
  Cursor* found = request ? declared_cursor(request, cursor) : nullptr;
  if (found == nullptr) return;
  Statement* statement = request.session().workspace.statement(found->statement());
  int32_t count = 0;
  if (found->is_open()) {
    request.status.fail(DBE_CURSOR_ALREADY_OPEN, "Cursor '%s' is already open", cursor);
  } else if (statement == nullptr) {
    request.status.fail(DBE_INVALID_STATEMENT, "Statement %d of cursor '%s' is not prepared",
                        found->statement(), cursor);
  } else {
    request.begin_work();
    found->open(request.connection(), *statement, input, options, count, request.status);
  }
  request.finish(count);
}

// Closes an open cursor; it stays declared.
void dbpp_close(sqlca* ca, const char* cursor) {
  Request request(ca, __func__, Needs::Connection);
  Cursor* open = open_cursor(request, cursor);
  if (open == nullptr) return;
  open->close();
  request.finish();
}

void dbpp_describe_cursor(sqlca* ca, const char* cursor, sqlda* descriptor, unsigned short what) {
  Request request(ca, __func__, Needs::Connection);
  Cursor* open = open_cursor(request, cursor);
  if (open == nullptr) return;
  int32_t count = 0;
  open->describe(request.connection(), descriptor, what, count, request.status);
  request.finish(count);
}

void dbpp_fetch_array(sqlca* ca, const char* cursor, unsigned short orientation, int32_t offset,
                      sqlda* descriptor, int16_t /*reserved*/, unsigned short /*fetch_options*/,
                      unsigned short width) {
  Request request(ca, __func__, Needs::Connection);
  Cursor* open = open_cursor(request, cursor);
  if (open == nullptr) return;
  int32_t count = 0;
  open->fetch(orientation, offset, descriptor, width, count, request.status);
  request.finish(count);
}

void dbpp_get_data(sqlca* ca, const char* cursor, unsigned short column, int32_t offset,
                   sqlda* descriptor, unsigned short /*reserved*/) {
  Request request(ca, __func__, Needs::Connection);
  Cursor* open = open_cursor(request, cursor);
  if (open == nullptr) return;
  open->get_data(column, offset, descriptor, request.status);
  request.finish();
}

// A positioned change counts the one row it changed.
void dbpp_update(sqlca* ca, const char* cursor, sqlda* input) {
  Request request(ca, __func__, Needs::Connection);
  Cursor* open = open_cursor(request, cursor);
  if (open == nullptr) return;
  bool changed = open->update(request.connection(), input, request.status);
  request.finish(changed ? 1 : 0);
}

void dbpp_delete(sqlca* ca, const char* cursor, const void* /*reserved1*/,
                 const void* /*reserved2*/) {
  Request request(ca, __func__, Needs::Connection);
  Cursor* open = open_cursor(request, cursor);
  if (open == nullptr) return;
  bool deleted = open->remove(request.connection(), request.status);
  request.finish(deleted ? 1 : 0);
}

void dbpp_put_into(sqlca* ca, const char* cursor, sqlda* input, sqlda* output) {
  Request request(ca, __func__, Needs::Connection);
  Cursor* open = open_cursor(request, cursor);
  if (open == nullptr) return;
  bool inserted = open->put_into(request.connection(), input, output, request.status);
  request.finish(inserted ? 1 : 0);
}

void dbpp_explain(sqlca* ca, const char* cursor, unsigned short /*options*/, sqlda* descriptor) {
  Request request(ca, __func__, Needs::Connection);
  Cursor* open = open_cursor(request, cursor);
  if (open == nullptr) return;
  open->explain(request.connection(), descriptor, request.status);
  request.finish();
}

// Moves a cursor over a CALL to the next result set.
void dbpp_resume(sqlca* ca, const char* cursor) {
  Request request(ca, __func__, Needs::Connection);
  Cursor* open = open_cursor(request, cursor);
  if (open == nullptr) return;
  int32_t count = 0;
  open->resume(request.connection(), count, request.status);
  request.finish(count);
}

}  // namespace dblib::api
