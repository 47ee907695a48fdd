// Inside of Variant, shared by its source files only; not part of the
// framework's interface.
#pragma once

#include <vector>

#include "host/variant.h"

namespace host {

namespace detail {

// One-dimensional array storage. Byte arrays keep raw bytes so that they can
// be locked and copied as one block; every other element type keeps Variants
// of that type.
struct VarArrayData {
  TVarType elementType = varVariant;
  int lowBound = 0;
  int lockCount = 0;
  std::vector<std::uint8_t> bytes;  // elementType == varByte
  std::vector<Variant> items;       // any other element type

  std::size_t count() const { return elementType == varByte ? bytes.size() : items.size(); }
  int highBound() const { return lowBound + static_cast<int>(count()) - 1; }
};

}  // namespace detail

// Reaches the private parts of a Variant for the framework's own code.
struct VariantAccess {
  static std::int64_t& integer(Variant& v) { return v.number_.integer; }
  static std::int64_t integer(const Variant& v) { return v.number_.integer; }
  static double real(const Variant& v) { return v.number_.real; }
  static bool boolean(const Variant& v) { return v.number_.boolean; }
  static const std::string& text(const Variant& v) { return v.text_; }
  static detail::VarArrayData* array(const Variant& v) { return v.array_.get(); }

  // Sets a scalar variant of an integer type (value already in range).
  static Variant makeInteger(TVarType type, std::int64_t value) {
    Variant result;
    result.type_ = type;
    result.number_.integer = value;
    return result;
  }
  static Variant makeReal(TVarType type, double value) {
    Variant result;
    result.type_ = type;
    result.number_.real = value;
    return result;
  }
  static Variant makeText(TVarType type, std::string value) {
    Variant result(std::move(value));
    result.type_ = type;
    return result;
  }
  static Variant makeNull() {
    Variant result;
    result.type_ = varNull;
    return result;
  }
  static Variant makeArray(std::unique_ptr<detail::VarArrayData> data) {
    Variant result;
    result.type_ = static_cast<TVarType>(varArray | data->elementType);
    result.array_.reset(data.release());
    return result;
  }
};

// The types stored as integers: every integer type, currency excluded.
inline bool IsVarIntegerType(TVarType type) {
  switch (type) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
      return true;
    default:
      return false;
  }
}

[[noreturn]] void RaiseVarCast(TVarType from, TVarType to);
[[noreturn]] void RaiseVarOverflow(TVarType from, TVarType to);
[[noreturn]] void RaiseNotArray();

}  // namespace host
