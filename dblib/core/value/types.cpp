#include "dblib/core/value/types.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

// Lower-cased declared type with single blanks, and its (p, s) arguments.
struct Declared {
  std::string words;
  int first = -1;
  int second = -1;
};

Declared split_declared(std::string_view text) {
  Declared d;
  size_t paren = text.find('(');
  std::string_view head = text.substr(0, paren);
  bool blank = false;
  for (char c : head) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      blank = !d.words.empty();
    } else {
      if (blank) d.words.push_back(' ');
      blank = false;
      d.words.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
  }
  if (paren != std::string_view::npos) {
    const char* p = text.data() + paren + 1;
    const char* end = text.data() + text.size();
    auto number = [&](int& out) {
      while (p < end && std::isspace(static_cast<unsigned char>(*p)))
        ++p;
      if (p < end && std::isdigit(static_cast<unsigned char>(*p))) {
        long value = 0;
        while (p < end && std::isdigit(static_cast<unsigned char>(*p))) {
          value = std::min(value * 10 + (*p - '0'), 1000000L);
          ++p;
        }
        out = static_cast<int>(value);
      }
      while (p < end && std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    };
    number(d.first);
    if (p < end && *p == ',') {
      ++p;
      number(d.second);
    }
  }
  return d;
}

bool is(const std::string& words, const char* name) {
  return words == name;
}
bool has(const std::string& words, const char* part) {
  return words.find(part) != std::string::npos;
}

ColumnType make(int type, int length) {
  return ColumnType{static_cast<std::int16_t>(type), static_cast<std::int16_t>(length)};
}

// A character column of n characters; past what a short host buffer holds
// (n + 1 bytes in 16 bits) it is a long column.
ColumnType text_column(int type, int length) {
  if (length < 1) length = 1;
  if (length > DBT_MAX_SHORT_LENGTH - 1) return make(DBT_LONGVARCHAR, DBT_MAX_SHORT_LENGTH);
  return make(type, length);
}

ColumnType binary_column(int length) {
  if (length < 1) length = 1;
  if (length > DBT_LONG_CHUNK) return make(DBT_LONGBINARY, DBT_MAX_SHORT_LENGTH);
  return make(DBT_BINARY, length);
}

}  // namespace

ColumnType parse_declared_type(std::string_view declared) {
  Declared d = split_declared(declared);
  const std::string& w = d.words;
  if (is(w, "long varchar") || is(w, "long nvarchar") || is(w, "text") || is(w, "clob") ||
      is(w, "long text") || is(w, "ntext")) {
    return make(DBT_LONGVARCHAR, DBT_MAX_SHORT_LENGTH);
  }
  if (is(w, "long binary") || is(w, "blob") || is(w, "long varbinary") || is(w, "image")) {
    return make(DBT_LONGBINARY, DBT_MAX_SHORT_LENGTH);
  }
  if (is(w, "varchar") || is(w, "character varying") || is(w, "nvarchar") ||
      is(w, "char varying")) {
    if (d.first < 0) return make(DBT_LONGVARCHAR, DBT_MAX_SHORT_LENGTH);
    return text_column(DBT_VARCHAR, d.first);
  }
  if (is(w, "char") || is(w, "character") || is(w, "nchar")) {
    return text_column(DBT_FIXCHAR, d.first < 0 ? 1 : d.first);
  }
  if (is(w, "integer") || is(w, "int")) return make(DBT_INT, 4);
  if (is(w, "smallint")) return make(DBT_SMALLINT, 2);
  if (is(w, "tinyint")) return make(DBT_TINYINT, 1);
  if (is(w, "bigint")) return make(DBT_BIGINT, 8);
  if (is(w, "unsigned int") || is(w, "unsigned integer")) return make(DBT_UNSINT, 4);
  if (is(w, "unsigned smallint")) return make(DBT_UNSSMALLINT, 2);
  if (is(w, "unsigned bigint")) return make(DBT_UNSBIGINT, 8);
  if (is(w, "double") || is(w, "double precision")) return make(DBT_DOUBLE, 8);
  if (is(w, "real")) return make(DBT_FLOAT, 4);
  if (is(w, "float")) return d.first > 24 ? make(DBT_DOUBLE, 8) : make(DBT_FLOAT, 4);
  if (is(w, "numeric") || is(w, "decimal") || is(w, "dec")) {
    int precision = d.first < 0 ? 30 : std::clamp(d.first, 1, 127);
    int scale = d.second < 0 ? (d.first < 0 ? 6 : 0) : std::clamp(d.second, 0, precision);
    return make(DBT_DECIMAL, precision | (scale << 8));
  }
  if (is(w, "date")) return make(DBT_DATE, 10);
  if (is(w, "time")) return make(DBT_TIME, 8);
  if (is(w, "timestamp") || is(w, "datetime")) return make(DBT_TIMESTAMP, 26);
  if (is(w, "binary")) return binary_column(d.first < 0 ? 1 : d.first);
  if (is(w, "varbinary")) {
    if (d.first < 0) return make(DBT_LONGBINARY, DBT_MAX_SHORT_LENGTH);
    return binary_column(d.first);
  }
  if (is(w, "bit") || is(w, "boolean") || is(w, "bool")) return make(DBT_BIT, 1);
  // Any other name: SQLite's affinity rules decide.
  if (has(w, "int")) return make(DBT_INT, 4);
  if (has(w, "char") || has(w, "clob") || has(w, "text")) {
    return d.first > 0 ? text_column(DBT_VARCHAR, d.first)
                       : make(DBT_LONGVARCHAR, DBT_MAX_SHORT_LENGTH);
  }
  if (has(w, "blob")) return make(DBT_LONGBINARY, DBT_MAX_SHORT_LENGTH);
  return make(DBT_DOUBLE, 8);
}

ColumnType type_of_value(const ValueRef& value) {
  switch (value.kind) {
    case Kind::Integer:
      if (value.integer >= INT32_MIN && value.integer <= INT32_MAX) return make(DBT_INT, 4);
      return make(DBT_BIGINT, 8);
    case Kind::Real:
      return make(DBT_DOUBLE, 8);
    case Kind::Blob:
      return make(DBT_LONGBINARY, DBT_MAX_SHORT_LENGTH);
    default:
      // Text or NULL: room for the value seen and for ordinary text beside it.
      return text_column(DBT_VARCHAR,
                         std::max<int>(255, static_cast<int>(std::min<size_t>(value.size, 40000))));
  }
}

void set_sqlname(sqlname& field, std::string_view name) {
  size_t count = std::min(name.size(), sizeof field.data);
  std::memset(field.data, 0, sizeof field.data);
  std::memcpy(field.data, name.data(), count);
  field.length = static_cast<std::int16_t>(count);
}

bool is_character_type(int type) {
  return type == DBT_VARCHAR || type == DBT_FIXCHAR || type == DBT_LONGVARCHAR ||
         type == DBT_STRING || type == DBT_DATE || type == DBT_TIME || type == DBT_TIMESTAMP;
}

bool is_binary_type(int type) {
  return type == DBT_BINARY || type == DBT_LONGBINARY;
}

}  // namespace dblib
