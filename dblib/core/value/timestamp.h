// Dates travel as ISO text inside the database and as the 14-byte record of
// type 390 in host variables. Text forms: "yyyy-mm-dd", "hh:nn:ss[.ffffff]"
// and "yyyy-mm-dd hh:nn:ss[.ffffff]" (a "T" may stand for the blank).
#pragma once

#include <cstddef>
#include <string_view>

#include "dblib/include/sqldef.h"

namespace dblib {

// Fills record from text; false when the text is no valid date or time.
bool parse_timestamp(std::string_view text, dbt_timestamp& record);

// Writes the record as text into out (at least 32 bytes) and returns its
// length, or -1 when the record holds no valid date and time. Midnight gives
// the date alone; the host's empty date (1899-12-30) gives the time alone.
int format_timestamp(const dbt_timestamp& record, char* out, size_t capacity);

}  // namespace dblib
