// An online backup of a connection's database, page by page, from one
// consistent snapshot: what is served equals a committed state, whatever
// other connections write meanwhile. File 0 is the database; it has no other
// files. Pages are served as they lie in the database file, so a quiet
// database backs up byte for byte.
#pragma once

#include <cstdint>
#include <string>

#include "dblib/core/support/status.h"
#include "dblib/include/sqlda.h"

struct sqlite3;

namespace dblib {

class Backup {
 public:
  Backup() = default;
  ~Backup();
  Backup(const Backup&) = delete;
  Backup& operator=(const Backup&) = delete;

  // Takes the snapshot of a started database's file; page_size receives the
  // page size.
  bool start(const std::string& file, int32_t& page_size, Status& status);
  // pages receives the file's page count and name its file name.
  bool open_file(int file, int32_t& pages, std::string& name, Status& status);
  // Writes page number page of the open file into entry 0 of descriptor (type
  // 524 with room for the page and its 16-bit length).
  bool read_page(int file, unsigned long page, sqlda* descriptor, Status& status);
  bool close_file(int file, Status& status);

 private:
  bool take_snapshot(Status& status);
  bool copy_snapshot(Status& status);
  sqlite3* snapshot_ = nullptr;  // its read transaction pins the snapshot
  int fd_ = -1;                  // where the pages are read from
  std::string file_;             // the database file
  int32_t page_size_ = 0;
  int32_t page_count_ = 0;
  int open_file_ = -1;
};

}  // namespace dblib
