// Setting and reading connection options.
#include <string>

#include "dblib/core/api/entry_points.h"
#include "dblib/core/api/request.h"
#include "dblib/core/connect/connection.h"
#include "dblib/core/value/convert.h"

namespace dblib::api {

namespace {

// The option name and the one-entry SQLDA both calls need; false with the
// failure in status.
bool check_option_call(const char* option, const sqlda* descriptor, const char* entry_point,
                       Status& status) {
  if (option == nullptr) {
    return status.fail(DBE_BAD_ARGUMENT, "%s needs an option name", entry_point);
  }
  if (descriptor == nullptr || descriptor->sqld < 1 || descriptor->sqln < 1) {
    return status.fail(DBE_SQLDA_TOO_SMALL, "%s needs an SQLDA with one entry", entry_point);
  }
  return true;
}

}  // namespace

// Scope and user do not matter: every setting lasts as long as the connection.
void dbpp_setoption(sqlca* ca, int /*scope*/, const char* /*user*/, const char* option,
                    sqlda* descriptor) {
  Request request(ca, __func__, Needs::Connection);
  if (!request) return;
  Connection& connection = request.connection();
  Status& status = request.status;
  InputValue value;
  if (check_option_call(option, descriptor, __func__, status) &&
      read_input(descriptor->sqlvar[0], 0, &connection.variables(), value, status)) {
    char scratch[32];
    connection.set_option(option, text_of(value.value, scratch), status);
  }
  request.finish();
}

void dbpp_getoption(sqlca* ca, int /*scope*/, const char* /*user*/, const char* option,
                    sqlda* descriptor) {
  Request request(ca, __func__, Needs::Connection);
  if (!request) return;
  Status& status = request.status;
  std::string value;
  if (check_option_call(option, descriptor, __func__, status) &&
      request.connection().options().get(option, value, status)) {
    write_output(text_ref(value), descriptor->sqlvar[0], 0, status);
  }
  request.finish();
}

}  // namespace dblib::api
