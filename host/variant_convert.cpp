// Variant conversions: the typed As... accessors and VarAsType.
#include <cfloat>
#include <cmath>
#include <limits>

#include "host/sysutils.h"
#include "host/variant.h"
#include "host/variant_internal.h"

namespace host {

namespace {

using Access = VariantAccess;

// The types stored as doubles.
bool isRealType(TVarType type) {
  return type == varSingle || type == varDouble || type == varDate;
}

// Rounds half to even into 64 bits; false when the value does not fit.
bool roundHalfEven(double value, std::int64_t& result) {
  if (!std::isfinite(value)) return false;
  const double rounded = std::nearbyint(value);  // the default mode rounds half to even
  if (rounded < -9223372036854775808.0 || rounded >= 9223372036854775808.0) return false;
  result = static_cast<std::int64_t>(rounded);
  return true;
}

// Whole units of a currency, half to even like the other float types.
std::int64_t currencyToInteger(std::int64_t raw) {
  std::int64_t quotient = raw / Currency::Scale;
  const std::int64_t remainder = raw % Currency::Scale;
  const std::int64_t half = Currency::Scale / 2;
  if (remainder > half || (remainder == half && quotient % 2 != 0)) ++quotient;
  if (remainder < -half || (remainder == -half && quotient % 2 != 0)) --quotient;
  return quotient;
}

// Range of each integer variant type.
bool fitsIntegerType(std::int64_t value, TVarType type) {
  switch (type) {
    case varSmallint:
      return value >= -32768 && value <= 32767;
    case varInteger:
      return value >= std::numeric_limits<std::int32_t>::min() &&
             value <= std::numeric_limits<std::int32_t>::max();
    case varShortInt:
      return value >= -128 && value <= 127;
    case varByte:
      return value >= 0 && value <= 255;
    case varWord:
      return value >= 0 && value <= 65535;
    case varLongWord:
      return value >= 0 && value <= 4294967295LL;
    default:
      return true;
  }
}

// The conversion error that names the text which failed.
[[noreturn]] void raiseNotNumber(const std::string& text, const char* what) {
  throw EConvertError("'" + text + "' is not a valid " + what);
}

// Any variant as a 64-bit integer; errors name the requested target type.
std::int64_t toInt64(const Variant& v, TVarType target) {
  const TVarType type = v.Type();
  if (type == varEmpty) return 0;
  if (IsVarIntegerType(type)) return Access::integer(v);
  std::int64_t result = 0;
  if (isRealType(type)) {
    if (!roundHalfEven(Access::real(v), result)) RaiseVarOverflow(type, target);
    return result;
  }
  switch (type) {
    case varCurrency:
      return currencyToInteger(Access::integer(v));
    case varBoolean:
      return Access::boolean(v) ? -1 : 0;
    case varString:
    case varOleStr: {
      const std::string& text = Access::text(v);
      if (TryStrToInt64(text, result)) return result;
      double real;
      if (!TryStrToFloat(text, real)) raiseNotNumber(text, "integer value");
      if (!roundHalfEven(real, result)) RaiseVarOverflow(type, target);
      return result;
    }
    default:
      RaiseVarCast(type, target);
  }
}

// An integer of a given variant type, range-checked.
std::int64_t toIntegerType(const Variant& v, TVarType target) {
  const std::int64_t value = toInt64(v, target);
  if (!fitsIntegerType(value, target)) RaiseVarOverflow(v.Type(), target);
  return value;
}

// Any variant as a double; errors name the requested target type.
double toDouble(const Variant& v, TVarType target) {
  const TVarType type = v.Type();
  if (type == varEmpty) return 0;
  if (IsVarIntegerType(type)) return static_cast<double>(Access::integer(v));
  if (isRealType(type)) return Access::real(v);
  switch (type) {
    case varCurrency:
      return Currency::FromRaw(Access::integer(v)).ToDouble();
    case varBoolean:
      return Access::boolean(v) ? -1.0 : 0.0;
    case varString:
    case varOleStr: {
      double result;
      if (!TryStrToFloat(Access::text(v), result))
        raiseNotNumber(Access::text(v), "floating point value");
      return result;
    }
    default:
      RaiseVarCast(type, target);
  }
}

}  // namespace

// 32-bit integer, range-checked.
std::int32_t Variant::convertToInteger() const {
  return static_cast<std::int32_t>(toIntegerType(*this, varInteger));
}

// 64-bit integer.
std::int64_t Variant::AsInt64() const {
  return toInt64(*this, varInt64);
}

// Double.
double Variant::convertToDouble() const {
  return toDouble(*this, varDouble);
}

// Exact where the source is exact: integers and text never pass through a
// double on their way to four decimals.
Currency Variant::AsCurrency() const {
  const TVarType type = type_;
  if (type == varEmpty) return Currency();
  if (type == varCurrency) return Currency::FromRaw(number_.integer);
  if (type == varBoolean) return Currency(number_.boolean ? -1 : 0);
  try {
    if (IsVarIntegerType(type)) return Currency::FromInt64(number_.integer);
    if (isRealType(type)) return Currency::FromDouble(number_.real);
  } catch (const EConvertError&) {
    RaiseVarOverflow(type, varCurrency);
  }
  if (type == varString || type == varOleStr) {
    Currency result;
    if (TryStrToCurr(text_, result)) return result;
    double real;
    if (TryStrToFloat(text_, real)) RaiseVarOverflow(type, varCurrency);
    raiseNotNumber(text_, "floating point value");
  }
  RaiseVarCast(type, varCurrency);
}

// Truth value: non-zero numbers, "True"/"False" or numeric text.
bool Variant::AsBoolean() const {
  const TVarType type = type_;
  if (type == varEmpty) return false;
  if (type == varBoolean) return number_.boolean;
  if (IsVarIntegerType(type) || type == varCurrency) return number_.integer != 0;
  if (isRealType(type)) return number_.real != 0;
  if (type == varString || type == varOleStr) {
    bool result;
    if (!TryStrToBool(text_, result)) raiseNotNumber(text_, "boolean value");
    return result;
  }
  RaiseVarCast(type, varBoolean);
}

// Text; see the header for each type's form.
std::string Variant::AsString() const {
  const TVarType type = type_;
  if (type == varEmpty) return std::string();
  if (IsVarIntegerType(type)) return IntToStr(number_.integer);
  switch (type) {
    case varString:
    case varOleStr:
      return text_;
    case varSingle:
      return SingleToStr(static_cast<float>(number_.real));
    case varDouble:
      return FloatToStr(number_.real);
    case varDate:
      return DateTimeToStr(number_.real);
    case varCurrency:
      return CurrToStr(Currency::FromRaw(number_.integer));
    case varBoolean:
      return number_.boolean ? "True" : "False";
    case varArray | varByte: {
      const auto& bytes = array_->bytes;
      return std::string(bytes.begin(), bytes.end());
    }
    default:
      RaiseVarCast(type, varString);
  }
}

// TextView on anything but text.
void Variant::raiseNotText() const {
  RaiseVarCast(type_, varString);
}

// Date value: dates as they are, numbers as day counts, text parsed.
TDateTime Variant::convertToDateTime() const {
  if (type_ == varDate) return number_.real;
  if (type_ == varString || type_ == varOleStr) {
    TDateTime result;
    if (!TryStrToDateTime(text_, result)) raiseNotNumber(text_, "date and time");
    return result;
  }
  return toDouble(*this, varDate);
}

// The value as a variant of another type, converted by the rules above.
Variant VarAsType(const Variant& value, TVarType type) {
  if (type == value.Type()) return value;
  if (type == varEmpty) return Variant();
  if (type == varNull) return Null();
  if (value.IsArray() || (type & varArray) != 0) RaiseVarCast(value.Type(), type);
  if (IsVarIntegerType(type)) return Access::makeInteger(type, toIntegerType(value, type));
  switch (type) {
    case varSingle: {
      const double real = toDouble(value, varSingle);
      if (std::isfinite(real) && std::fabs(real) > FLT_MAX)
        RaiseVarOverflow(value.Type(), varSingle);
      return Variant(static_cast<float>(real));
    }
    case varDouble:
      return Variant(toDouble(value, varDouble));
    case varDate:
      return Variant::FromDateTime(value.AsDateTime());
    case varCurrency:
      return Variant(value.AsCurrency());
    case varBoolean:
      return Variant(value.AsBoolean());
    case varString:
    case varOleStr:
      if (value.IsNull()) RaiseVarCast(varNull, type);
      return Access::makeText(type, value.AsString());
    default:
      RaiseVarCast(value.Type(), type);
  }
}

}  // namespace host
