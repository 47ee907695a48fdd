#include "dblib/core/server/backup.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

constexpr int kSnapshotAttempts = 20;

// Runs a one-value query on db.
bool query_int(sqlite3* db, const char* sql, int32_t& out) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) return false;
  bool ok = sqlite3_step(stmt) == SQLITE_ROW;
  if (ok) out = sqlite3_column_int(stmt, 0);
  sqlite3_finalize(stmt);
  return ok;
}

}  // namespace

Backup::~Backup() {
  if (fd_ >= 0) close(fd_);
  if (snapshot_ != nullptr) {
    sqlite3_exec(snapshot_, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close_v2(snapshot_);
  }
}

// Opens a read transaction, then checkpoints the write-ahead log up to it.
// When everything the log held reached the database file, the file itself
// is the snapshot, and the open read transaction keeps later commits out of
// it until the backup ends. Otherwise (an older reader holds the log back)
// it tries again a few times before copying the snapshot instead.
//
// The checkpoint runs on a handle of its own: the snapshot's handle is in a
// transaction, and the database's own handle belongs to the registry, which
// may close it meanwhile.
bool Backup::take_snapshot(Status& status) {
  // A handle learns that the file is in WAL mode from its first read; until
  // then a checkpoint reports nothing to do.
  sqlite3* checkpointer = nullptr;
  if (sqlite3_open_v2(file_.c_str(), &checkpointer, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
      sqlite3_exec(checkpointer, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) !=
          SQLITE_OK) {
    sqlite3_close(checkpointer);
    checkpointer = nullptr;
  }
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> closer(checkpointer, sqlite3_close_v2);
  for (int attempt = 0; attempt < kSnapshotAttempts && checkpointer != nullptr; ++attempt) {
    int rc = sqlite3_exec(snapshot_, "BEGIN; SELECT count(*) FROM sqlite_master", nullptr, nullptr,
                          nullptr);
    if (rc != SQLITE_OK) return status.fail_sqlite(snapshot_, rc);
    if (!query_int(snapshot_, "PRAGMA page_size", page_size_) ||
        !query_int(snapshot_, "PRAGMA page_count", page_count_)) {
      return status.fail_sqlite(snapshot_, sqlite3_errcode(snapshot_));
    }
    int log_frames = 0, checkpointed = 0;
    rc = sqlite3_wal_checkpoint_v2(checkpointer, "main", SQLITE_CHECKPOINT_PASSIVE, &log_frames,
                                   &checkpointed);
    if (rc == SQLITE_OK && log_frames >= 0 && log_frames == checkpointed) {
      fd_ = open(file_.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd_ < 0) {
        return status.fail(DBE_ERROR, "Backup cannot read '%s': %s", file_.c_str(),
                           std::strerror(errno));
      }
      return true;
    }
    sqlite3_exec(snapshot_, "COMMIT", nullptr, nullptr, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return copy_snapshot(status);
}

// Copies a snapshot into an unnamed temporary file and serves pages from it.
bool Backup::copy_snapshot(Status& status) {
  int rc = sqlite3_exec(snapshot_, "BEGIN; SELECT count(*) FROM sqlite_master", nullptr, nullptr,
                        nullptr);
  if (rc != SQLITE_OK || !query_int(snapshot_, "PRAGMA page_count", page_count_)) {
    return status.fail_sqlite(snapshot_, rc != SQLITE_OK ? rc : sqlite3_errcode(snapshot_));
  }
  const char* directory = std::getenv("TMPDIR");
  std::string path =
      std::string(directory != nullptr ? directory : "/tmp") + "/dblib-backup-XXXXXX";
  int fd = mkstemp(path.data());
  if (fd < 0) {
    return status.fail(DBE_ERROR, "Backup cannot make a temporary file: %s", std::strerror(errno));
  }
  close(fd);
  sqlite3* copy = nullptr;
  bool ok = sqlite3_open(path.c_str(), &copy) == SQLITE_OK;
  if (ok) {
    sqlite3_backup* run = sqlite3_backup_init(copy, "main", snapshot_, "main");
    ok = run != nullptr && sqlite3_backup_step(run, -1) == SQLITE_DONE;
    if (run != nullptr) sqlite3_backup_finish(run);
  }
  if (!ok) status.fail(DBE_ERROR, "Backup copy failed: %s", sqlite3_errmsg(copy));
  sqlite3_close(copy);
  if (ok) {
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ok =
        fd_ >= 0 || status.fail(DBE_ERROR, "Backup cannot read its copy: %s", std::strerror(errno));
  }
  unlink(path.c_str());
  return ok;
}

bool Backup::start(const std::string& file, int32_t& page_size, Status& status) {
  file_ = file;
  int rc = sqlite3_open_v2(file_.c_str(), &snapshot_, SQLITE_OPEN_READONLY, nullptr);
  if (rc != SQLITE_OK) return status.fail_sqlite(snapshot_, rc);
  sqlite3_busy_timeout(snapshot_, 5000);
  if (!take_snapshot(status)) return false;
  if (page_size_ > DBT_LONG_CHUNK) {
    return status.fail(DBE_ERROR, "Backup cannot transfer pages of %d bytes (at most %d)",
                       page_size_, DBT_LONG_CHUNK);
  }
  page_size = page_size_;
  return true;
}

bool Backup::open_file(int file, int32_t& pages, std::string& name, Status& status) {
  if (file != 0) return status.fail(DBE_BACKUP_STATE, "Backup has no file %d", file);
  if (open_file_ >= 0)
    return status.fail(DBE_BACKUP_STATE, "Backup file %d is already open", open_file_);
  open_file_ = file;
  pages = page_count_;
  size_t slash = file_.find_last_of('/');
  name = slash == std::string::npos ? file_ : file_.substr(slash + 1);
  return true;
}

bool Backup::read_page(int file, unsigned long page, sqlda* descriptor, Status& status) {
  if (file != open_file_ || file < 0) {
    return status.fail(DBE_BACKUP_STATE, "Backup file %d is not open", file);
  }
  if (page >= static_cast<unsigned long>(page_count_)) {
    return status.fail(DBE_BAD_ARGUMENT, "Backup file %d has no page %lu (it has %d)", file, page,
                       page_count_);
  }
  if (descriptor == nullptr || descriptor->sqld < 1 || descriptor->sqln < 1) {
    return status.fail(DBE_SQLDA_TOO_SMALL, "Backup page needs an SQLDA with one entry");
  }
  sqlvar& entry = descriptor->sqlvar[0];
  if ((entry.sqltype & DBT_TYPE_MASK) != DBT_BINARY || entry.sqldata == nullptr ||
      entry.sqllen < page_size_ + 2) {
    return status.fail(DBE_INVALID_HOST_VARIABLE,
                       "Backup page needs a binary entry of %d bytes with data", page_size_ + 2);
  }
  char* data = static_cast<char*>(entry.sqldata);
  off_t offset = static_cast<off_t>(page) * page_size_;
  ssize_t got = pread(fd_, data + 2, static_cast<size_t>(page_size_), offset);
  if (got != page_size_) {
    return status.fail(DBE_ERROR, "Backup could not read page %lu: %s", page,
                       got < 0 ? std::strerror(errno) : "short read");
  }
  uint16_t length = static_cast<uint16_t>(page_size_);
  std::memcpy(data, &length, sizeof length);
  if (entry.sqlind != nullptr) *entry.sqlind = 0;
  return true;
}

bool Backup::close_file(int file, Status& status) {
  if (file != open_file_ || file < 0) {
    return status.fail(DBE_BACKUP_STATE, "Backup file %d is not open", file);
  }
  open_file_ = -1;
  return true;
}

}  // namespace dblib
