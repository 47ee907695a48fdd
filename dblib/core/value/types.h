// Column types as the library describes them: a type code of sqldef.h and its
// described length, taken from the declared column type, or from a value when
// the column is an expression.
#pragma once

#include <cstdint>
#include <string_view>

#include "dblib/core/value/value.h"
#include "dblib/include/sqlda.h"

namespace dblib {

struct ColumnType {
  std::int16_t type = 0;  // without the nullable bit
  std::int16_t length = 0;
};

// varchar(n) 448, char(n) 452, long varchar/text 456, integer 496, smallint
// 500, tinyint 604, bigint 608, double 480, real/float 482, numeric(p,s) 484
// (p | s << 8), date 384, time 388, timestamp/datetime 392, binary(n) 524,
// long binary/blob 528, bit/boolean 624; other names follow SQLite's
// affinity rules.
ColumnType parse_declared_type(std::string_view declared);

// The type an expression column gets from the value it produced.
ColumnType type_of_value(const ValueRef& value);

// Writes name into an SQLDA name field, cut to its 30 characters.
void set_sqlname(sqlname& field, std::string_view name);

// Column and variable types whose values are text, and those whose values
// are bytes (without the nullable bit).
bool is_character_type(int type);
bool is_binary_type(int type);

}  // namespace dblib
