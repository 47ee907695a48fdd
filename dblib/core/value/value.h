// SQL values as the library moves them between SQLite, its own variables and
// host variables. ValueRef views a value without owning it (the per-row path
// copies nothing); Value owns one (variables, stored row data).
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace dblib {

enum class Kind : std::uint8_t { Null, Integer, Real, Text, Blob };

struct ValueRef {
  Kind kind = Kind::Null;
  std::int64_t integer = 0;
  double real = 0;
  const char* bytes = nullptr;  // Text or Blob; not terminated
  size_t size = 0;
};

// Views text as a value, for writing it into a host variable.
inline ValueRef text_ref(std::string_view text) {
  ValueRef ref;
  ref.kind = Kind::Text;
  ref.bytes = text.data();
  ref.size = text.size();
  return ref;
}

// Views a value SQLite holds; valid until the statement steps or resets.
inline ValueRef view_of(sqlite3_value* value) {
  ValueRef ref;
  switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
      ref.kind = Kind::Integer;
      ref.integer = sqlite3_value_int64(value);
      break;
    case SQLITE_FLOAT:
      ref.kind = Kind::Real;
      ref.real = sqlite3_value_double(value);
      break;
    case SQLITE_TEXT:
      ref.kind = Kind::Text;
      ref.bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
      ref.size = static_cast<size_t>(sqlite3_value_bytes(value));
      break;
    case SQLITE_BLOB:
      ref.kind = Kind::Blob;
      ref.bytes = static_cast<const char*>(sqlite3_value_blob(value));
      ref.size = static_cast<size_t>(sqlite3_value_bytes(value));
      break;
    default:
      break;
  }
  return ref;
}

inline ValueRef column_view(sqlite3_stmt* stmt, int column) {
  return view_of(sqlite3_column_value(stmt, column));
}

struct Value {
  Kind kind = Kind::Null;
  std::int64_t integer = 0;
  double real = 0;
  std::string bytes;

  ValueRef view() const {
    ValueRef ref;
    ref.kind = kind;
    ref.integer = integer;
    ref.real = real;
    ref.bytes = bytes.data();
    ref.size = bytes.size();
    return ref;
  }
  void assign(const ValueRef& ref) {
    kind = ref.kind;
    integer = ref.integer;
    real = ref.real;
    if (ref.kind == Kind::Text || ref.kind == Kind::Blob) {
      bytes.assign(ref.bytes != nullptr ? ref.bytes : "", ref.size);
    } else {
      bytes.clear();
    }
  }
};

// Whether SQLite keeps its own copy of a bound value's bytes, or reads them
// where they lie: they must then stay valid until the statement has run
// (true for one execute call).
enum class Binding : bool { InPlace = false, Copy = true };

// Binds a value to parameter index of stmt.
inline int bind_value(sqlite3_stmt* stmt, int index, const ValueRef& value, Binding binding) {
  sqlite3_destructor_type lifetime = binding == Binding::Copy ? SQLITE_TRANSIENT : SQLITE_STATIC;
  switch (value.kind) {
    case Kind::Integer:
      return sqlite3_bind_int64(stmt, index, value.integer);
    case Kind::Real:
      return sqlite3_bind_double(stmt, index, value.real);
    case Kind::Text:
      return sqlite3_bind_text64(stmt, index, value.bytes != nullptr ? value.bytes : "", value.size,
                                 lifetime, SQLITE_UTF8);
    case Kind::Blob:
      return sqlite3_bind_blob64(stmt, index, value.bytes != nullptr ? value.bytes : "", value.size,
                                 lifetime);
    default:
      return sqlite3_bind_null(stmt, index);
  }
}

}  // namespace dblib
