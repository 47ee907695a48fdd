// Preparing, running, describing and dropping statements.
#include <memory>

#include "dblib/core/api/entry_points.h"
#include "dblib/core/api/request.h"
#include "dblib/core/api/session.h"
#include "dblib/core/statement/describe.h"
#include "dblib/core/statement/execute.h"

namespace dblib::api {

namespace {

// The prepared statement a number names, or null with -130 written.
Statement* prepared_statement(Request& request, const int16_t* statement) {
  Statement* found =
      statement != nullptr ? request.session().workspace.statement(*statement) : nullptr;
  if (found == nullptr) {
    request.status.fail(DBE_INVALID_STATEMENT, "Statement %d is not prepared",
                        statement != nullptr ? *statement : 0);
    request.finish();
  }
  return found;
}

// As prepared_statement, with the request marked as running when found.
Statement* statement_to_run(Request& request, const int16_t* statement) {
  Statement* found = request ? prepared_statement(request, statement) : nullptr;
  if (found != nullptr) request.begin_work();
  return found;
}

}  // namespace

void dbpp_prepare(sqlca* ca, const char* /*statement_name*/, const char* /*module*/,
                  int16_t* statement, const char* sql, sqlda* descriptor,
                  unsigned short /*options*/) {
  Request request(ca, __func__, Needs::Connection);
  if (!request) return;
  if (statement == nullptr || sql == nullptr) {
    request.fail(DBE_BAD_ARGUMENT, "dbpp_prepare needs a statement number and SQL text");
    return;
  }
  request.begin_work();
  Connection& connection = request.connection();
  Status& status = request.status;
  size_t consumed = 0;
  std::unique_ptr<Statement> prepared =
      prepare_statement(connection, sql, PrepareOptions{}, consumed, status);
  int32_t count = 0;
  if (prepared) {
    Statement* kept = prepared.get();
    int16_t number = 0;
    if (request.session().workspace.add_statement(std::move(prepared), number, status)) {
      *statement = number;
      if (descriptor != nullptr) {
        describe_statement(connection, *kept, descriptor, DBDESC_OUTPUT, count, status);
      }
    }
  }
  request.finish(count);
}

void dbpp_dropstmt(sqlca* ca, const char* /*statement_name*/, const char* /*module*/,
                   int16_t* statement) {
  Request request(ca, __func__, Needs::Connection);
  if (!request || prepared_statement(request, statement) == nullptr) return;
  request.session().workspace.drop_statement(*statement);
  request.finish();
}

void dbpp_execute_into(sqlca* ca, const char* /*statement_name*/, const char* /*module*/,
                       int16_t* statement, sqlda* input, sqlda* output) {
  Request request(ca, __func__, Needs::Connection);
  Statement* prepared = statement_to_run(request, statement);
  if (prepared == nullptr) return;
  int32_t count = 0;
  execute_statement(request.connection(), *prepared, input, output, count, request.status);
  request.finish(count);
}

void dbpp_execute_imm(sqlca* ca, const char* sql, unsigned short /*options*/) {
  Request request(ca, __func__, Needs::Connection);
  if (!request) return;
  if (sql == nullptr) {
    request.fail(DBE_BAD_ARGUMENT, "dbpp_execute_imm needs SQL text");
    return;
  }
  request.begin_work();
  int32_t count = 0;
  execute_immediate(request.connection(), sql, count, request.status);
  request.finish(count);
}

void dbpp_describe(sqlca* ca, const char* /*statement_name*/, const char* /*module*/,
                   int16_t* statement, sqlda* descriptor, unsigned short what) {
  Request request(ca, __func__, Needs::Connection);
  Statement* prepared = statement_to_run(request, statement);
  if (prepared == nullptr) return;
  int32_t count = 0;
  describe_statement(request.connection(), *prepared, descriptor, what, count, request.status);
  request.finish(count);
}

}  // namespace dblib::api
