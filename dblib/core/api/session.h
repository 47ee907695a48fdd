// The state kept for each SQLCA, keyed by its address: made by db_init,
// dropped (with its connection) by db_fini. It holds the callbacks and the
// running flag (Activity), the connection, the statements and cursors made on
// it (Workspace), a running backup, and the full text of the last outcome.
//
// The session is what the registry counts as connected to a database: when
// that database stops, database_stopped ends the connection, at once or, when
// the session's own request is running, as that request returns.
//
// Threads. A session serves one request at a time: a request claims it
// (another one meanwhile answers -298) and gives it back as it returns, and
// only the claiming thread touches the connection, the workspace and the
// backup. The claim, and the decision of database_stopped (which may come
// from any thread) to free the connection now or leave it to the running
// request, are made under the session's own short lock. Sessions are found
// by SQLCA in a map of their own lock; a session goes only through db_fini
// on its own SQLCA, which a caller never does while using it elsewhere.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "dblib/core/connect/activity.h"
#include "dblib/core/connect/connection.h"
#include "dblib/core/cursor/workspace.h"
#include "dblib/core/server/backup.h"
#include "dblib/core/server/registry.h"
#include "dblib/include/sqldef.h"

namespace dblib {

class Session final : public DatabaseClient, public ReadHolder {
 public:
  explicit Session(sqlca* ca);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  sqlca* ca() const { return ca_; }

  // Takes the session for a request; false while another request has it.
  bool claim();
  // Gives the session back after a request; frees what a connection that
  // ended meanwhile still held.
  void end_request();

  // Connects to the reserved database as params says and attaches to it;
  // the reservation is used up either way.
  bool connect(std::shared_ptr<Database> database, const ConnectParams& params, Status& status);
  // Ends the connection: backup, cursors and statements go first, then the
  // handle (rolling back what was not committed), then the attachment, so
  // that a database started for the connect may stop.
  void disconnect();

  void database_stopped() override;
  void let_go_of_reads() override { workspace.let_go_of_reads(); }

  // Declared before the connection, which reads it while statements run.
  Activity activity;
  std::unique_ptr<Connection> connection;
  Workspace workspace;
  std::unique_ptr<Backup> backup;
  int message_code = 0;  // outcome whose full text message holds
  std::string message;

 private:
  void release();
  sqlca* ca_;
  std::mutex state_;
  bool claimed_ = false;
};

// The session of an SQLCA, or null. The pointer stays valid while the caller
// uses the SQLCA (only db_fini on it drops the session).
Session* find_session(const sqlca* ca);
// Runs use on the session of ca (null when none) while no db_fini can drop
// it: for the calls another thread may make on an SQLCA in use.
void with_session(const sqlca* ca, const std::function<void(Session*)>& use);
Session& create_session(sqlca* ca);
void drop_session(const sqlca* ca);

}  // namespace dblib
