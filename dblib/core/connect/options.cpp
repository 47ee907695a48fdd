#include "dblib/core/connect/options.h"

#include <string>

#include "dblib/core/support/text.h"
#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

// A whole non-negative decimal number within limit; -1 otherwise.
long whole_number(std::string_view text, long limit) {
  if (text.empty() || text.size() > 9) return -1;
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value <= limit ? value : -1;
}

// An ON/OFF option's value into flag; -201 for anything else.
bool on_or_off(const std::string& key, std::string_view text, bool& flag, Status& status) {
  if (same_name(text, "ON")) {
    flag = true;
  } else if (same_name(text, "OFF")) {
    flag = false;
  } else {
    return status.fail(DBE_INVALID_OPTION_SETTING, "Invalid setting for option '%s': use ON or OFF",
                       key.c_str());
  }
  return true;
}

}  // namespace

std::string Options::key_of(std::string_view name) {
  std::string key;
  assign_lower(key, trim(name));
  return key;
}

bool Options::set(std::string_view name, std::string_view value, Status& status) {
  std::string key = key_of(name);
  std::string_view text = trim(value);
  if (key.empty()) return status.fail(DBE_INVALID_OPTION, "Option name is empty");
  if (key == "isolation_level") {
    long level = whole_number(text, 3);
    if (level < 0) {
      return status.fail(DBE_INVALID_OPTION_SETTING,
                         "Invalid setting for option 'isolation_level': use 0, 1, 2 or 3");
    }
    isolation_level_ = static_cast<int>(level);
    return true;
  }
  if (key == "row_counts") return on_or_off(key, text, row_counts_, status);
  if (key == "blocking") return on_or_off(key, text, blocking_, status);
  if (key == "blocking_timeout") {
    long timeout = whole_number(text, 3600000);
    if (timeout < 0) {
      return status.fail(DBE_INVALID_OPTION_SETTING,
                         "Invalid setting for option 'blocking_timeout': use milliseconds "
                         "from 0 to 3600000");
    }
    blocking_timeout_ = static_cast<int>(timeout);
    return true;
  }
  others_[key].assign(text);
  return true;
}

bool Options::get(std::string_view name, std::string& value, Status& status) const {
  std::string key = key_of(name);
  if (key == "isolation_level") {
    value = std::to_string(isolation_level_);
  } else if (key == "row_counts") {
    value = row_counts_ ? "ON" : "OFF";
  } else if (key == "blocking") {
    value = blocking_ ? "ON" : "OFF";
  } else if (key == "blocking_timeout") {
    value = std::to_string(blocking_timeout_);
  } else {
    auto it = others_.find(key);
    if (it == others_.end()) {
      return status.fail(DBE_INVALID_OPTION, "Invalid option '%.60s': it has not been set",
                         key.c_str());
    }
    value = it->second;
  }
  return true;
}

}  // namespace dblib
