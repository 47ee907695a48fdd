// Variant's life cycle, type queries and the error texts of its conversions.
#include "host/variant.h"

#include <limits>

#include "host/sysutils.h"
#include "host/variant_internal.h"

namespace host {

namespace {

using ArrayPtr = std::unique_ptr<detail::VarArrayData, detail::VarArrayDeleter>;

// Refuses to drop an array whose bytes someone holds through a lock.
void checkNotLocked(const ArrayPtr& array) {
  if (array && array->lockCount > 0) throw EVariantError("Variant array is locked");
}

// A copy of an array starts unlocked: the lock belongs to the original.
ArrayPtr copyArray(const detail::VarArrayData* array) {
  if (array == nullptr) return nullptr;
  ArrayPtr copy(new detail::VarArrayData(*array));
  copy->lockCount = 0;
  return copy;
}

// Name of a scalar type as messages spell it; null for an unknown code.
const char* scalarTypeName(TVarType type) {
  switch (type) {
    case varEmpty:
      return "Empty";
    case varNull:
      return "Null";
    case varSmallint:
      return "Smallint";
    case varInteger:
      return "Integer";
    case varSingle:
      return "Single";
    case varDouble:
      return "Double";
    case varCurrency:
      return "Currency";
    case varDate:
      return "Date";
    case varOleStr:
      return "OleStr";
    case varBoolean:
      return "Boolean";
    case varVariant:
      return "Variant";
    case varShortInt:
      return "ShortInt";
    case varByte:
      return "Byte";
    case varWord:
      return "Word";
    case varLongWord:
      return "LongWord";
    case varInt64:
      return "Int64";
    case varString:
      return "String";
    default:
      return nullptr;
  }
}

}  // namespace

// Deep copy: an array is copied with its elements.
Variant::Variant(const Variant& other)
    : type_(other.type_),
      number_(other.number_),
      text_(other.text_),
      array_(copyArray(other.array_.get())) {}

// Deep copy through a temporary, so a failed copy leaves this value intact.
Variant& Variant::operator=(const Variant& other) {
  if (this != &other) *this = Variant(other);
  return *this;
}

// A move assignment refuses while this Variant's array is locked.
void Variant::checkArrayUnlocked() const {
  checkNotLocked(array_);
}

// Frees array storage where its type is complete.
void detail::VarArrayDeleter::operator()(VarArrayData* array) const noexcept {
  delete array;
}

// Unsigned 64-bit values fit varInt64 up to its maximum.
Variant::Variant(unsigned long value) : type_(varInt64) {
  if (value > static_cast<unsigned long>(std::numeric_limits<std::int64_t>::max()))
    throw EVariantError("Overflow while converting unsigned value " + IntToStr(value) +
                        " into type (Int64)");
  number_.integer = static_cast<std::int64_t>(value);
}

// The same for the other spelling of unsigned 64 bits.
Variant::Variant(unsigned long long value) : Variant(static_cast<unsigned long>(value)) {
  static_assert(sizeof(unsigned long) == sizeof(unsigned long long));
}

// Back to Empty.
void Variant::Clear() {
  *this = Variant();
}

// Integer types and Boolean.
bool VarIsOrdinal(const Variant& value) {
  return IsVarIntegerType(value.Type()) || value.Type() == varBoolean;
}

// Single, double and currency.
bool VarIsFloat(const Variant& value) {
  const TVarType type = value.Type();
  return type == varSingle || type == varDouble || type == varCurrency;
}

// Ordinal or float; a date is not numeric.
bool VarIsNumeric(const Variant& value) {
  return VarIsOrdinal(value) || VarIsFloat(value);
}

// Either kind of text.
bool VarIsStr(const Variant& value) {
  return value.Type() == varString || value.Type() == varOleStr;
}

// Names as the framework's messages spell them.
std::string VarTypeAsText(TVarType type) {
  const char* name = scalarTypeName(type & varTypeMask);
  std::string text = name ? name : "Unknown";
  if ((type & varArray) != 0) text = "Array " + text;
  return text;
}

// The Empty variant: no value assigned yet.
Variant Unassigned() {
  return Variant();
}

// Free-function form of Clear.
void VarClear(Variant& value) {
  value.Clear();
}

// Text of any value; Null is the empty text, not an error.
std::string VarToStr(const Variant& value) {
  return value.IsNull() ? std::string() : value.AsString();
}

// Text of a value, or the default for Null.
std::string VarToStrDef(const Variant& value, std::string_view defaultValue) {
  return value.IsNull() ? std::string(defaultValue) : value.AsString();
}

// Free-function form of AsDateTime.
TDateTime VarToDateTime(const Variant& value) {
  return value.AsDateTime();
}

// The error for a conversion that has no rule.
void RaiseVarCast(TVarType from, TVarType to) {
  throw EVariantError("Could not convert variant of type (" + VarTypeAsText(from) +
                      ") into type (" + VarTypeAsText(to) + ")");
}

// The error for a value outside the target type's range.
void RaiseVarOverflow(TVarType from, TVarType to) {
  throw EVariantError("Overflow while converting variant of type (" + VarTypeAsText(from) +
                      ") into type (" + VarTypeAsText(to) + ")");
}

// The error for an array routine applied to a scalar.
void RaiseNotArray() {
  throw EVariantError("Variant is not an array");
}

}  // namespace host
