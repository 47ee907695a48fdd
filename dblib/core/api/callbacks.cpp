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

// Asked from inside a callback, or from any other thread.
unsigned db_is_working(sqlca* ca) {
  Request request(ca, __func__, Needs::Nothing);
  unsigned working = 0;
  if (ca != nullptr) {
    with_session(ca, [&](Session* session) {
      working = session != nullptr && session->activity.working ? 1 : 0;
    });
  }
  return working;
}

// The progress handler (or the lock wait) ends the running request.
// sqlite3_interrupt is no use here: while any cursor of the connection is
// still reading, it would also stop every statement started after it. From
// another thread the cancel lands on the request running at that moment.
int db_cancel_request(sqlca* ca) {
  Request request(ca, __func__, Needs::Nothing);
  int cancelled = 0;
  if (ca != nullptr) {
    with_session(ca, [&](Session* session) {
      if (session == nullptr || !session->activity.working) return;
      session->activity.cancel_requested = true;
      cancelled = 1;
    });
  }
  return cancelled;
}

}  // namespace dblib::api
