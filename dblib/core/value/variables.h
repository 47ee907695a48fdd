// The SQL variables of one connection (CREATE VARIABLE ... / DROP VARIABLE).
// Names compare without regard to case. A variable keeps its declared type
// so values assigned to it take that type's form (text, binary, number).
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "dblib/core/value/types.h"
#include "dblib/core/value/value.h"

namespace dblib {

struct Variable {
  ColumnType type;
  Value value;  // NULL until set
};

class Variables {
 public:
  // Null when no variable of that name exists.
  Variable* find(std::string_view name);
  // False when the name is taken.
  bool create(std::string_view name, ColumnType type);
  // False when no variable of that name exists.
  bool drop(std::string_view name);
  // Stores value in the variable's form: binary types keep bytes, character
  // types keep text, numbers stay numbers.
  static void assign(Variable& variable, const ValueRef& value);

 private:
  const std::string& key_of(std::string_view name);
  std::string key_;  // reused for lookups
  std::unordered_map<std::string, Variable> items_;
};

}  // namespace dblib
