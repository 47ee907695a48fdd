#include "dblib/core/variables.h"

#include <cctype>

#include "dblib/include/sqldef.h"

namespace dblib {

const std::string& Variables::key_of(std::string_view name) {
  key_.assign(name);
  for (char& c : key_)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key_;
}

Variable* Variables::find(std::string_view name) {
  auto it = items_.find(key_of(name));
  return it == items_.end() ? nullptr : &it->second;
}

bool Variables::create(std::string_view name, ColumnType type) {
  return items_.emplace(key_of(name), Variable{type, Value{}}).second;
}

bool Variables::drop(std::string_view name) {
  return items_.erase(key_of(name)) > 0;
}

void Variables::assign(Variable& variable, const ValueRef& value) {
  variable.value.assign(value);
  if (value.kind == Kind::Null) return;
  int type = variable.type.type;
  bool binary = type == DBT_BINARY || type == DBT_LONGBINARY;
  bool character = type == DBT_VARCHAR || type == DBT_FIXCHAR || type == DBT_LONGVARCHAR ||
                   type == DBT_STRING || type == DBT_DATE || type == DBT_TIME ||
                   type == DBT_TIMESTAMP;
  Value& v = variable.value;
  if ((binary || character) && (v.kind == Kind::Integer || v.kind == Kind::Real)) {
    v.bytes = v.kind == Kind::Integer ? std::to_string(v.integer) : std::to_string(v.real);
  }
  if (binary) v.kind = Kind::Blob;
  if (character) v.kind = Kind::Text;
}

}  // namespace dblib
