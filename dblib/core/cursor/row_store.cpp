#include "dblib/core/cursor/row_store.h"

#include <cstdint>
#include <cstring>

namespace dblib {

namespace {

template <typename T>
void load(const char*& at, T& out) {
  std::memcpy(&out, at, sizeof out);
  at += sizeof out;
}

}  // namespace

// Forgets every row.
void RowStore::clear() {
  bytes_.clear();
  starts_.clear();
}

// Packs one value: kind byte, then its number or its length and bytes.
void RowStore::put(const ValueRef& value) {
  bytes_.push_back(static_cast<char>(value.kind));
  auto append = [&](const void* data, size_t size) {
    const char* from = static_cast<const char*>(data);
    bytes_.insert(bytes_.end(), from, from + size);
  };
  switch (value.kind) {
    case Kind::Integer:
      append(&value.integer, sizeof value.integer);
      break;
    case Kind::Real:
      append(&value.real, sizeof value.real);
      break;
    case Kind::Text:
    case Kind::Blob: {
      uint64_t size = value.size;
      append(&size, sizeof size);
      if (value.size > 0) append(value.bytes, value.size);
      break;
    }
    case Kind::Null:
      break;
  }
}

// Packs a row SQLite holds, before the statement steps on.
void RowStore::append(sqlite3_stmt* stmt, int columns) {
  starts_.push_back(bytes_.size());
  for (int i = 0; i < columns; ++i)
    put(column_view(stmt, i));
}

// Packs the new values at the end and points the row at them.
void RowStore::replace(size_t index, const std::vector<Value>& values) {
  starts_[index] = bytes_.size();
  for (const Value& value : values)
    put(value.view());
}

// Drops the row's offset; its bytes stay until the store is cleared.
void RowStore::erase(size_t index) {
  starts_.erase(starts_.begin() + static_cast<std::ptrdiff_t>(index));
}

// Unpacks a row into views of the store's bytes.
void RowStore::read(size_t index, std::vector<ValueRef>& row) const {
  const char* at = bytes_.data() + starts_[index];
  for (ValueRef& value : row) {
    value = ValueRef{};
    value.kind = static_cast<Kind>(*at++);
    switch (value.kind) {
      case Kind::Integer:
        load(at, value.integer);
        break;
      case Kind::Real:
        load(at, value.real);
        break;
      case Kind::Text:
      case Kind::Blob: {
        uint64_t size = 0;
        load(at, size);
        value.bytes = at;
        value.size = static_cast<size_t>(size);
        at += size;
        break;
      }
      case Kind::Null:
        break;
    }
  }
}

}  // namespace dblib
