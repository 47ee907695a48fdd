// Variant comparison: equality, order and the four-way VarCompareValue.
#include <cstring>

#include "host/sysutils.h"
#include "host/variant.h"
#include "host/variant_internal.h"

namespace host {

namespace {

using Access = VariantAccess;
__extension__ typedef __int128 Int128;

enum class Order { Less, Equal, Greater, Unordered };

// Three-way order of two values of one type; NaN is unordered.
template <class T>
Order compareOrdered(T left, T right) {
  if (left < right) return Order::Less;
  if (right < left) return Order::Greater;
  if (left == right) return Order::Equal;
  return Order::Unordered;  // NaN
}

// varString and varOleStr compare alike.
bool isText(TVarType type) {
  return type == varString || type == varOleStr;
}

// A number in the widest form that holds it exactly.
struct Number {
  enum Kind { Integer, Money, Real } kind;
  std::int64_t integer = 0;  // Integer value, or Money in ten-thousandths
  long double real = 0;
};

// The numeric value of a non-text scalar; True is -1.
Number numberOf(const Variant& v) {
  switch (v.Type()) {
    case varCurrency:
      return {Number::Money, Access::integer(v), 0};
    case varBoolean:
      return {Number::Integer, Access::boolean(v) ? -1 : 0, 0};
    case varSingle:
    case varDouble:
    case varDate:
      return {Number::Real, 0, Access::real(v)};
    default:
      return {Number::Integer, Access::integer(v), 0};
  }
}

// A text read as the same kind of number as the value it is compared with.
Number textAsNumberLike(const Variant& text, const Number& other) {
  if (other.kind == Number::Money) return {Number::Money, text.AsCurrency().Raw(), 0};
  std::int64_t integer;
  if (other.kind == Number::Integer && TryStrToInt64(Access::text(text), integer))
    return {Number::Integer, integer, 0};
  return {Number::Real, 0, text.AsDouble()};
}

// A number as floating point for comparison with a double.
long double asReal(const Number& n) {
  switch (n.kind) {
    case Number::Integer:
      return static_cast<long double>(n.integer);
    case Number::Money:
      return static_cast<double>(n.integer) / Currency::Scale;
    default:
      return n.real;
  }
}

// Integers and currency compare exactly; against a double, currency goes
// through double (so Currency 0.1 equals 0.1) and integers through long double
// (so 2^63-1 stays below the double 2^63).
Order compareNumbers(const Number& left, const Number& right) {
  if (left.kind == Number::Real || right.kind == Number::Real) {
    if (left.kind == Number::Money || right.kind == Number::Money)
      return compareOrdered(static_cast<double>(asReal(left)), static_cast<double>(asReal(right)));
    return compareOrdered(asReal(left), asReal(right));
  }
  const Int128 leftScaled =
      left.kind == Number::Money ? Int128(left.integer) : Int128(left.integer) * Currency::Scale;
  const Int128 rightScaled =
      right.kind == Number::Money ? Int128(right.integer) : Int128(right.integer) * Currency::Scale;
  return compareOrdered(leftScaled, rightScaled);
}

// Order of two scalars that are neither Empty nor Null: texts by locale,
// dates as dates, Booleans as Booleans, everything else as numbers.
Order compareScalars(const Variant& left, const Variant& right) {
  const TVarType leftType = left.Type();
  const TVarType rightType = right.Type();
  const bool leftText = isText(leftType);
  const bool rightText = isText(rightType);
  if (leftText && rightText) {
    const int c = AnsiCompareStr(Access::text(left), Access::text(right));
    return c < 0 ? Order::Less : (c > 0 ? Order::Greater : Order::Equal);
  }
  if (leftType == varDate || rightType == varDate)
    return compareOrdered(left.AsDateTime(), right.AsDateTime());
  if ((leftType == varBoolean && (rightType == varBoolean || rightText)) ||
      (rightType == varBoolean && leftText))
    return compareOrdered(left.AsBoolean(), right.AsBoolean());
  if (leftText) {
    const Number rightNumber = numberOf(right);
    return compareNumbers(textAsNumberLike(left, rightNumber), rightNumber);
  }
  if (rightText) {
    const Number leftNumber = numberOf(left);
    return compareNumbers(leftNumber, textAsNumberLike(right, leftNumber));
  }
  return compareNumbers(numberOf(left), numberOf(right));
}

// Element-wise equality of two arrays of the same shape and type.
bool arraysEqual(const Variant& left, const Variant& right) {
  if (left.Type() != right.Type()) return false;
  const detail::VarArrayData* a = Access::array(left);
  const detail::VarArrayData* b = Access::array(right);
  if (a->lowBound != b->lowBound || a->count() != b->count()) return false;
  if (a->elementType == varByte) return a->bytes == b->bytes;
  for (std::size_t i = 0; i < a->items.size(); ++i)
    if (!(a->items[i] == b->items[i])) return false;
  return true;
}

// What Empty stands for next to the other value: "" beside text, 0 otherwise.
const Variant& emptyStandIn(const Variant& other) {
  static const Variant emptyText{std::string()};
  static const Variant zero{0};
  return isText(other.Type()) ? emptyText : zero;
}

}  // namespace

// Four-way comparison: Empty and Null are only ever equal to themselves.
TVariantRelationship VarCompareValue(const Variant& left, const Variant& right) {
  if (left.IsEmpty()) return right.IsEmpty() ? vrEqual : vrNotEqual;
  if (left.IsNull()) return right.IsNull() ? vrEqual : vrNotEqual;
  if (right.IsEmpty() || right.IsNull()) return vrNotEqual;
  if (left.IsArray() || right.IsArray())
    return left.IsArray() && right.IsArray() && arraysEqual(left, right) ? vrEqual : vrNotEqual;
  switch (compareScalars(left, right)) {
    case Order::Less:
      return vrLessThan;
    case Order::Greater:
      return vrGreaterThan;
    case Order::Equal:
      return vrEqual;
    default:
      return vrNotEqual;
  }
}

// Loose equality: Null equals Null, Empty stands for 0 or "".
bool operator==(const Variant& left, const Variant& right) {
  if (left.IsNull() || right.IsNull()) return left.IsNull() && right.IsNull();
  if (left.IsEmpty() && right.IsEmpty()) return true;
  if (left.IsArray() || right.IsArray())
    return left.IsArray() && right.IsArray() && arraysEqual(left, right);
  if (left.IsEmpty()) return compareScalars(emptyStandIn(right), right) == Order::Equal;
  if (right.IsEmpty()) return compareScalars(left, emptyStandIn(left)) == Order::Equal;
  return compareScalars(left, right) == Order::Equal;
}

// Loose order: Null before everything, Empty as 0 or "".
bool operator<(const Variant& left, const Variant& right) {
  if (left.IsNull() || right.IsNull()) return left.IsNull() && !right.IsNull();
  if (left.IsArray() || right.IsArray()) throw EVariantError("Invalid variant operation");
  if (left.IsEmpty() && right.IsEmpty()) return false;
  if (left.IsEmpty()) return compareScalars(emptyStandIn(right), right) == Order::Less;
  if (right.IsEmpty()) return compareScalars(left, emptyStandIn(left)) == Order::Less;
  return compareScalars(left, right) == Order::Less;
}

}  // namespace host
