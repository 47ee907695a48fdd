// Connection options. isolation_level (0-3), row_counts (ON/OFF), blocking
// (ON/OFF: whether a request waits for another connection's lock at all) and
// blocking_timeout (milliseconds it waits at most; 0 waits until the lock is
// free) are checked and have defaults; any other name is stored as given, so
// that what a caller sets it can read back. A never-set unknown name cannot
// be read.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "dblib/core/support/status.h"

namespace dblib {

class Options {
 public:
  // Validates a known option's value and stores it (normalised: ON/OFF in
  // upper case, numbers without blanks).
  bool set(std::string_view name, std::string_view value, Status& status);
  bool get(std::string_view name, std::string& value, Status& status) const;

  int isolation_level() const { return isolation_level_; }
  bool row_counts() const { return row_counts_; }
  bool blocking() const { return blocking_; }
  int blocking_timeout() const { return blocking_timeout_; }

 private:
  static std::string key_of(std::string_view name);
  int isolation_level_ = 0;
  bool row_counts_ = false;
  bool blocking_ = true;
  int blocking_timeout_ = 5000;
  std::map<std::string, std::string> others_;
};

}  // namespace dblib
