// Outcome of an operation inside the library: a code from sqldef.h and, on
// failure or warning, the text that sqlerror_message will give. Success costs
// nothing: the text is only built when something goes wrong.
#pragma once

#include <cstdarg>
#include <string>

struct sqlite3;

namespace dblib {

class Status {
 public:
  // Records an outcome with a printf-style text (texts never carry passwords).
  bool fail(int code, const char* format, ...) __attribute__((format(printf, 3, 4)));
  // Records an outcome with its standard text.
  bool fail_plain(int code);
  // Records a warning (positive code) without ending the operation.
  void warn(int code, const char* format, ...) __attribute__((format(printf, 3, 4)));
  // Maps the last SQLite failure of a handle (rc is the result just received).
  bool fail_sqlite(sqlite3* db, int rc);
  void clear() {
    code_ = 0;
    text_.clear();
  }

  int code() const { return code_; }
  bool ok() const { return code_ >= 0; }
  const std::string& text() const { return text_; }

 private:
  void vformat(const char* format, va_list args);
  int code_ = 0;
  std::string text_;
};

// Runs SQL that returns no rows on db; a failure becomes status's outcome.
bool exec_sql(sqlite3* db, const char* sql, Status& status);

// SQLSTATE and standard text of an outcome code.
const char* sqlstate_for(int code);
const char* standard_text(int code);

}  // namespace dblib
