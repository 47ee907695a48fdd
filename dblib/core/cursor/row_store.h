// The rows a scrolling cursor has read, kept compactly so that it can move
// back and jump without running its query again: every row's values are
// packed one after another into a single growing block (a kind byte, then
// eight bytes of number or a length and the bytes), with one offset per row.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <vector>

#include "dblib/core/value/value.h"

namespace dblib {

class RowStore {
 public:
  void clear();
  size_t size() const { return starts_.size(); }

  // Appends the current row of stmt (its first columns values).
  void append(sqlite3_stmt* stmt, int columns);
  // Replaces row index (0-based) by values; the old bytes stay unused.
  void replace(size_t index, const std::vector<Value>& values);
  // Forgets row index; the rows after it move up by one.
  void erase(size_t index);
  // Views row index into row (one ValueRef per column), valid until the next
  // append or replace.
  void read(size_t index, std::vector<ValueRef>& row) const;

 private:
  void put(const ValueRef& value);
  std::vector<char> bytes_;
  std::vector<size_t> starts_;
};

}  // namespace dblib
