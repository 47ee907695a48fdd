#include "dblib/core/value/variables.h"

#include "dblib/core/support/text.h"
#include "dblib/core/value/convert.h"

namespace dblib {

const std::string& Variables::key_of(std::string_view name) {
  assign_lower(key_, name);
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

// A number becomes the same text it has everywhere else in the library, the
// shortest that reads back as the same value, so no digit is lost.
void Variables::assign(Variable& variable, const ValueRef& value) {
  variable.value.assign(value);
  if (value.kind == Kind::Null) return;
  bool binary = is_binary_type(variable.type.type);
  bool character = is_character_type(variable.type.type);
  Value& v = variable.value;
  if ((binary || character) && (v.kind == Kind::Integer || v.kind == Kind::Real)) {
    char scratch[32];
    v.bytes.assign(text_of(value, scratch));
  }
  if (binary) v.kind = Kind::Blob;
  if (character) v.kind = Kind::Text;
}

}  // namespace dblib
