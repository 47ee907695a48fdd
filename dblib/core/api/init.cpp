// Initialising and finishing SQLCAs, and the interface versions served.
#include <cstring>

#include "dblib/core/api/entry_points.h"
#include "dblib/core/api/request.h"
#include "dblib/core/api/session.h"

namespace dblib::api {

// An SQLCA initialised again keeps its session; while a request runs on it
// (db_init from a callback) its contents stay too.
unsigned db_init(sqlca* ca) {
  Request request(ca, __func__, Needs::Sqlca);
  if (!request) return request.succeeded();
  Session* existing = find_session(ca);
  if (existing == nullptr || !existing->activity.working) {
    std::memset(ca, 0, sizeof *ca);
    std::memcpy(ca->sqlcaid, "SQLCA   ", 8);
    ca->sqlcabc = SQLCA_SIZE;
  }
  create_session(ca);
  request.finish();
  return 1;
}

unsigned db_fini(sqlca* ca) {
  Request request(ca, __func__, Needs::IdleSession);
  if (!request) return request.succeeded();
  drop_session(ca);
  request.forget_session();
  request.finish();
  return 1;
}

unsigned db_version_check(unsigned version) {
  Request request(nullptr, __func__, Needs::Nothing);
  return version == 6 || version == served_interface_version ? 1 : 0;
}

}  // namespace dblib::api
