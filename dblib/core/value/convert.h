// Conversion between host variables (SQLDA entries) and SQL values. Input
// reads an entry into a ValueRef that points into the caller's buffer, a
// variable or a small scratch area; output writes a value into an entry in the
// host type the entry asks for. Both check the entry before touching memory:
// lengths must fit the declared buffer and strings their terminator.
#pragma once

#include "dblib/core/support/status.h"
#include "dblib/core/value/value.h"
#include "dblib/include/sqlda.h"

namespace dblib {

class Variables;

struct InputValue {
  ValueRef value;
  char scratch[40];  // text made from a timestamp record
};

// Reads entry number index (for messages) into out. Variables resolve entries
// of type 600; null when the caller has none.
bool read_input(const sqlvar& entry, int index, Variables* variables, InputValue& out,
                Status& status);

// Writes value into entry. A value cut to fit sets the indicator to its full
// length and records DBE_TRUNCATED as a warning; returns false on an error.
// A text or binary entry may take the value from byte offset on (a long
// value read in pieces); an offset past the end is an error.
bool write_output(const ValueRef& value, sqlvar& entry, int index, Status& status,
                  size_t offset = 0);

// The text form of a non-NULL value, for options and messages: numbers are
// formatted into scratch (32 bytes).
std::string_view text_of(const ValueRef& value, char* scratch);

}  // namespace dblib
