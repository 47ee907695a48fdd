// Online backup of the connected database, step by step (db_backup).
#include <memory>
#include <string>

#include "dblib/core/api/entry_points.h"
#include "dblib/core/api/request.h"
#include "dblib/core/api/session.h"
#include "dblib/core/server/backup.h"

namespace dblib::api {

namespace {

// Runs one backup step on the session's running backup; count receives
// SQLCOUNT and file_name the name of a file opened.
void run_step(Session& session, int operation, int file, unsigned long page, sqlda* descriptor,
              int32_t& count, std::string& file_name, Status& status) {
  std::unique_ptr<Backup>& backup = session.backup;
  if (operation == DBBACKUP_START) {
    if (backup) {
      status.fail(DBE_BACKUP_STATE, "A backup is already running on this SQLCA");
      return;
    }
    auto started = std::make_unique<Backup>();
    if (started->start(session.connection->database().file, count, status)) {
      backup = std::move(started);
    }
    return;
  }
  if (!backup) {
    status.fail(DBE_BACKUP_STATE, "No backup has been started");
    return;
  }
  switch (operation) {
    case DBBACKUP_OPEN_FILE:
      backup->open_file(file, count, file_name, status);
      break;
    case DBBACKUP_READ_PAGE:
      if (backup->read_page(file, page, descriptor, status)) count = 1;
      break;
    case DBBACKUP_CLOSE_FILE:
      backup->close_file(file, status);
      break;
    case DBBACKUP_END:
      backup.reset();
      break;
    default:
      status.fail(DBE_BAD_ARGUMENT, "Unknown backup operation %d", operation);
  }
}

}  // namespace

// The name of a file opened travels in sqlerrmc.
void db_backup(sqlca* ca, int operation, int file_number, unsigned long page_number,
               sqlda* descriptor) {
  Request request(ca, __func__, Needs::Connection);
  if (!request) return;
  int32_t count = 0;
  std::string file_name;
  run_step(request.session(), operation, file_number, page_number, descriptor, count, file_name,
           request.status);
  request.finish(count);
  if (request.status.code() == 0 && !file_name.empty()) write_sqlerrmc(ca, file_name);
}

}  // namespace dblib::api
