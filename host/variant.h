// Variant: a value that knows its own type, and one-dimensional variant
// arrays.
//
// Numbers, dates, currency and Booleans live inside the Variant (no heap);
// strings are std::string; an array is owned by its Variant and deep-copied
// with it. VarType codes are the framework's usual ones.
//
// Conversions (AsInteger, AsString, VarAsType, ...):
//   - Empty converts to 0, 0.0, false, "" or date 0.
//   - Null converts to nothing: a typed conversion raises EVariantError
//     "Could not convert variant of type (Null) into type (Integer)"; only
//     VarToStr turns Null into "" (and VarToStrDef into its default).
//   - Numbers become text by IntToStr, FloatToStr (shortest round-trip
//     digits), CurrToStr; dates by DateTimeToStr; Booleans are "True" and
//     "False". A byte array becomes a string of its bytes.
//   - Text becomes a number by the FormatSettings-aware parsers; text that is
//     no number raises EConvertError ("'abc' is not a valid integer value").
//     Integer targets accept decimal text too and round it.
//   - Floating point, date and currency to an integer round half to even
//     (2.5 -> 2, 3.5 -> 4), the framework's usual rounding for this cast.
//   - True is -1 and False 0 as numbers; any non-zero number and the text
//     "True"/"False" (any case) or a numeric text convert to Boolean.
//   - A value out of the target's range raises EVariantError "Overflow while
//     converting variant of type (Double) into type (Integer)"; a kind with no
//     conversion (an array to a number, anything to varVariant) raises
//     EVariantError "Could not convert variant of type (...) into type (...)".
//
// Comparison: == and < follow the loose rules. Null equals only Null and
// orders before everything else; Empty compares as 0 with numbers and as ""
// with text. Two texts compare case-sensitively and locale-aware
// (AnsiCompareStr); a text against a number is parsed as a number, against a
// date as a date, against a Boolean as a Boolean; false orders before true.
// Arrays are equal when bounds, element type and elements are equal; they
// have no order (EVariantError "Invalid variant operation").
// VarCompareValue reports vrNotEqual whenever Empty or Null meets any other
// value, and for arrays that differ.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "host/currency.h"
#include "host/datetime.h"
#include "host/exceptions.h"

namespace host {

using TVarType = std::uint16_t;

inline constexpr TVarType varEmpty = 0x0000;
inline constexpr TVarType varNull = 0x0001;
inline constexpr TVarType varSmallint = 0x0002;  // 16-bit signed
inline constexpr TVarType varInteger = 0x0003;   // 32-bit signed
inline constexpr TVarType varSingle = 0x0004;
inline constexpr TVarType varDouble = 0x0005;
inline constexpr TVarType varCurrency = 0x0006;
inline constexpr TVarType varDate = 0x0007;
inline constexpr TVarType varOleStr = 0x0008;  // text, kept as std::string too
inline constexpr TVarType varBoolean = 0x000B;
inline constexpr TVarType varVariant = 0x000C;   // array elements only
inline constexpr TVarType varShortInt = 0x0010;  // 8-bit signed
inline constexpr TVarType varByte = 0x0011;
inline constexpr TVarType varWord = 0x0012;      // 16-bit unsigned
inline constexpr TVarType varLongWord = 0x0013;  // 32-bit unsigned
inline constexpr TVarType varInt64 = 0x0014;
inline constexpr TVarType varString = 0x0100;
inline constexpr TVarType varTypeMask = 0x0FFF;
inline constexpr TVarType varArray = 0x2000;

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

namespace detail {
struct VarArrayData;
// Frees array storage out of line, so that this header needs no definition.
struct VarArrayDeleter {
  void operator()(VarArrayData* array) const noexcept;
};
}  // namespace detail

class Variant {
 public:
  Variant() noexcept {}  // Empty
  Variant(const Variant& other);
  // Takes over the value and leaves the source Empty. Moves and the
  // destructor are inline: every field read makes and drops a Variant.
  Variant(Variant&& other) noexcept
      : type_(other.type_),
        number_(other.number_),
        text_(std::move(other.text_)),
        array_(std::move(other.array_)) {
    other.type_ = varEmpty;
    other.number_.integer = 0;
  }
  // Assigning over an array that is locked raises EVariantError.
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) {
    if (this == &other) return *this;
    if (array_) checkArrayUnlocked();
    type_ = other.type_;
    number_ = other.number_;
    text_ = std::move(other.text_);
    other.text_.clear();
    array_ = std::move(other.array_);
    other.type_ = varEmpty;
    other.number_.integer = 0;
    return *this;
  }
  ~Variant() = default;

  Variant(int value) : type_(varInteger) { number_.integer = value; }
  Variant(short value) : type_(varSmallint) { number_.integer = value; }
  Variant(signed char value) : type_(varShortInt) { number_.integer = value; }
  Variant(unsigned char value) : type_(varByte) { number_.integer = value; }
  Variant(unsigned short value) : type_(varWord) { number_.integer = value; }
  Variant(unsigned int value) : type_(varLongWord) { number_.integer = value; }
  Variant(long value) : type_(varInt64) { number_.integer = value; }
  Variant(long long value) : type_(varInt64) { number_.integer = value; }
  // Unsigned 64-bit values become varInt64; above its range EVariantError.
  Variant(unsigned long value);
  Variant(unsigned long long value);
  Variant(float value) : type_(varSingle) { number_.real = value; }
  Variant(double value) : type_(varDouble) { number_.real = value; }
  Variant(bool value) : type_(varBoolean) { number_.boolean = value; }
  Variant(Currency value) : type_(varCurrency) { number_.integer = value.Raw(); }
  Variant(char value) : type_(varString), text_(1, value) {}
  Variant(const char* value) : type_(varString), text_(value ? value : "") {}
  Variant(char* value) : Variant(static_cast<const char*>(value)) {}
  // Any other pointer would silently become a Boolean.
  template <class T>
  Variant(T*) = delete;
  Variant(std::string_view value) : type_(varString), text_(value) {}
  Variant(std::string value) : type_(varString), text_(std::move(value)) {}

  // TDateTime is a double, so dates have their own factory (a varDate
  // variant; a plain double would be varDouble).
  static Variant FromDateTime(TDateTime value) {
    Variant result;
    result.type_ = varDate;
    result.number_.real = value;
    return result;
  }

  TVarType Type() const { return type_; }
  bool IsEmpty() const { return type_ == varEmpty; }
  bool IsNull() const { return type_ == varNull; }
  bool IsArray() const { return (type_ & varArray) != 0; }

  // The conversions answer a value of the asked type itself inline, as a
  // program reading fields mostly asks for; everything else converts out of
  // line.
  std::int32_t AsInteger() const {
    if (type_ == varInteger && number_.integer == static_cast<std::int32_t>(number_.integer))
      return static_cast<std::int32_t>(number_.integer);
    return convertToInteger();
  }
  std::int64_t AsInt64() const;
  double AsDouble() const {
    if (type_ == varDouble) return number_.real;
    if (type_ == varCurrency) return Currency::FromRaw(number_.integer).ToDouble();
    return convertToDouble();
  }
  Currency AsCurrency() const;
  bool AsBoolean() const;
  std::string AsString() const;
  TDateTime AsDateTime() const {
    if (type_ == varDate) return number_.real;
    return convertToDateTime();
  }
  // The text of a varString or varOleStr without copying it, for per-field
  // paths; valid until the Variant changes. Other types raise EVariantError.
  std::string_view TextView() const {
    if (type_ != varString && type_ != varOleStr) raiseNotText();
    return text_;
  }

  // Element access of an array; see VarArrayGet and VarArrayPut.
  Variant GetElement(int index) const;
  void PutElement(int index, const Variant& value);

  // Back to Empty (raises EVariantError for a locked array).
  void Clear();
  // Becomes a varString of text, as assigning Variant(text) does, but
  // reusing this Variant's own storage: no temporary to move from, for
  // per-field paths.
  void AssignText(std::string_view text) {
    if (array_) checkArrayUnlocked();
    text_.assign(text.data(), text.size());
    array_.reset();
    type_ = varString;
    number_.integer = 0;
  }

 private:
  friend struct VariantAccess;
  friend Variant Null();

  // The out-of-line halves of the members above.
  void checkArrayUnlocked() const;
  std::int32_t convertToInteger() const;
  double convertToDouble() const;
  TDateTime convertToDateTime() const;
  [[noreturn]] void raiseNotText() const;

  TVarType type_ = varEmpty;
  union Number {
    std::int64_t integer;  // every integer type; currency as ten-thousandths
    double real;           // single, double, date
    bool boolean;
  } number_{0};
  std::string text_;                                                      // varString, varOleStr
  std::unique_ptr<detail::VarArrayData, detail::VarArrayDeleter> array_;  // varArray | element type
};

// Type queries.
inline TVarType VarType(const Variant& value) {
  return value.Type();
}
inline bool VarIsType(const Variant& value, TVarType type) {
  return value.Type() == type;
}
inline bool VarIsEmpty(const Variant& value) {
  return value.IsEmpty();
}
inline bool VarIsNull(const Variant& value) {
  return value.IsNull();
}
inline bool VarIsClear(const Variant& value) {
  return value.IsEmpty();
}
inline bool VarIsArray(const Variant& value) {
  return value.IsArray();
}
// Ordinal: the integer types and Boolean. Float: single, double, currency.
// Numeric: either (a date is not numeric).
bool VarIsOrdinal(const Variant& value);
bool VarIsFloat(const Variant& value);
bool VarIsNumeric(const Variant& value);
bool VarIsStr(const Variant& value);  // varString or varOleStr
// "Integer", "String", "Null", "Array Byte", ...
std::string VarTypeAsText(TVarType type);

// Inline: drivers start every field value from Null.
inline Variant Null() {
  Variant result;
  result.type_ = varNull;
  return result;
}
Variant Unassigned();
inline Variant VarFromDateTime(TDateTime value) {
  return Variant::FromDateTime(value);
}
void VarClear(Variant& value);

// Free-function conversions.
std::string VarToStr(const Variant& value);  // Null gives ""
std::string VarToStrDef(const Variant& value, std::string_view defaultValue);
TDateTime VarToDateTime(const Variant& value);
// The value converted to a variant of the given type; to varEmpty or varNull
// gives Empty or Null, to the value's own type a copy.
Variant VarAsType(const Variant& value, TVarType type);

// Comparison.
TVariantRelationship VarCompareValue(const Variant& left, const Variant& right);
bool operator==(const Variant& left, const Variant& right);
bool operator<(const Variant& left, const Variant& right);
inline bool operator>(const Variant& left, const Variant& right) {
  return right < left;
}
inline bool operator<=(const Variant& left, const Variant& right) {
  return !(right < left);
}
inline bool operator>=(const Variant& left, const Variant& right) {
  return !(left < right);
}

// ---------------------------------------------------------------------------
// Variant arrays: one dimension, bounds low..high (high = low - 1 is empty).
// Element types: every scalar type above, varString, varOleStr, and varVariant
// (elements hold any Variant, arrays included). Byte arrays keep their
// elements as contiguous bytes. Index errors raise EVariantError "Variant
// array index out of bounds"; array routines on a non-array raise
// EVariantError "Variant is not an array".
// ---------------------------------------------------------------------------

// VarArrayCreate({0, 9}, varByte). Elements start as 0, "" or Empty.
Variant VarArrayCreate(std::initializer_list<int> bounds, TVarType elementType);
// A varVariant array 0..n-1 of the given values.
Variant VarArrayOf(std::initializer_list<Variant> values);
Variant VarArrayOf(std::span<const Variant> values);
// A byte array lowBound.. holding a copy of size bytes.
Variant VarArrayFromBytes(const void* data, std::size_t size, int lowBound = 0);

int VarArrayDimCount(const Variant& value);  // 1 for an array, 0 otherwise
int VarArrayLowBound(const Variant& array, int dimension = 1);
int VarArrayHighBound(const Variant& array, int dimension = 1);

// An element, of the array's element type (a byte array yields varByte).
Variant VarArrayGet(const Variant& array, int index);
// Stores value converted to the element type (as VarAsType does); a
// varVariant array stores a copy of the value as it is.
void VarArrayPut(Variant& array, const Variant& value, int index);

// The bytes of a byte array, for reading without a lock.
std::span<const std::uint8_t> VarArrayBytes(const Variant& array);
// The elements of any other array, low bound first, for reading without a
// copy of each; a byte array raises EVariantError.
std::span<const Variant> VarArrayItems(const Variant& array);

// Lock gives the first byte of a byte array for reading and writing in
// place; other element types raise EVariantError. The pointer stays valid
// until the matching Unlock; while locked, the Variant refuses assignment
// and Clear. Unlock without Lock raises EVariantError.
void* VarArrayLock(Variant& array);
void VarArrayUnlock(Variant& array);

// Locks a byte array for its own lifetime.
class VarArrayLockGuard {
 public:
  explicit VarArrayLockGuard(Variant& array);
  ~VarArrayLockGuard();
  VarArrayLockGuard(const VarArrayLockGuard&) = delete;
  VarArrayLockGuard& operator=(const VarArrayLockGuard&) = delete;

  std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  Variant& array_;
  std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace host
