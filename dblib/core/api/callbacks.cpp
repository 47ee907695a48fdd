// Callbacks around requests, and the calls a callback makes while a request
// runs: whether one is working, and cancelling it.
#include "dblib/core/api/entry_points.h"
#include "dblib/core/api/request.h"
#include "dblib/core/api/session.h"

namespace dblib::api {

void db_register_a_callback(sqlca* ca, int index, dblib_callback callback) {
  Request request(ca, __func__, Needs::Session);
  if (!request) return;
  Session& session = request.session();
  if (index < DBCB_START || index > DBCB_FINISH) {
    request.status.fail(DBE_BAD_ARGUMENT, "Unknown callback index %d", index);
  } else {
    session.activity.set_callback(index, callback);
    if (session.connection && !session.connection->ended()) {
      session.connection->update_progress_handler();
    }
  }
  request.finish();
}

unsigned db_is_working(sqlca* ca) {
  Request request(ca, __func__, Needs::Lock);
  Session* session = ca != nullptr ? find_session(ca) : nullptr;
  return session != nullptr && session->activity.working ? 1 : 0;
}

// The progress handler ends the running statement. sqlite3_interrupt is no
// use here: while any cursor of the connection is still reading, it would
// also stop every statement started after it.
int db_cancel_request(sqlca* ca) {
  Request request(ca, __func__, Needs::Lock);
  Session* session = ca != nullptr ? find_session(ca) : nullptr;
  if (session == nullptr || !session->activity.working) return 0;
  session->activity.cancel_requested = true;
  return 1;
}

}  // namespace dblib::api
