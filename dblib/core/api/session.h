// The state kept for each SQLCA, keyed by its address: made by db_init,
// dropped (with its connection) by db_fini. It holds the callbacks and the
// running flag (Activity), the connection, the statements and cursors made on
// it (Workspace), a running backup, and the full text of the last outcome.
//
// The session is what the registry counts as connected to a database: when
// that database stops, database_stopped ends the connection, at once or, when
// the session's own request is running, as that request returns.
#pragma once

#include <memory>
#include <string>

#include "dblib/core/connect/activity.h"
#include "dblib/core/connect/connection.h"
#include "dblib/core/cursor/workspace.h"
#include "dblib/core/server/backup.h"
#include "dblib/core/server/registry.h"
#include "dblib/include/sqldef.h"

namespace dblib {

class Session final : public DatabaseClient {
 public:
  explicit Session(sqlca* ca);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  sqlca* ca() const { return ca_; }

  // Connects to database as params says and attaches to it.
  bool connect(Database& database, const ConnectParams& params, Status& status);
  // Ends the connection: backup, cursors and statements go first, then the
  // handle (rolling back what was not committed), then the attachment, so
  // that a database started for the connect may stop.
  void disconnect();
  // After the request during which the database stopped: frees what the
  // ended connection still held.
  void release_if_ended();

  void database_stopped() override;

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
};

Session* find_session(const sqlca* ca);
Session& create_session(sqlca* ca);
void drop_session(const sqlca* ca);

}  // namespace dblib
