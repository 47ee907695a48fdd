// Currency arithmetic with overflow checks, and its exact text conversions.
#include "host/currency.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "host/sysutils.h"

namespace host {

namespace {

__extension__ typedef __int128 Int128;

constexpr std::int64_t kMaxRaw = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMinRaw = std::numeric_limits<std::int64_t>::min();

// The error for any result outside the currency range.
[[noreturn]] void raiseOverflow() {
  throw EConvertError("Currency value out of range");
}

// Fits a wide intermediate back into the raw range, or raises.
std::int64_t checkedRaw(Int128 value) {
  if (value > kMaxRaw || value < kMinRaw) raiseOverflow();
  return static_cast<std::int64_t>(value);
}

// numerator / denominator rounded half away from zero.
Int128 divideRounded(Int128 numerator, Int128 denominator) {
  if (denominator == 0) throw EConvertError("Currency division by zero");
  Int128 quotient = numerator / denominator;
  const Int128 remainder = numerator % denominator;
  const Int128 absRemainder = remainder < 0 ? -remainder : remainder;
  const Int128 absDenominator = denominator < 0 ? -denominator : denominator;
  if (absRemainder * 2 >= absDenominator)
    quotient += ((numerator < 0) != (denominator < 0)) ? -1 : 1;
  return quotient;
}

// Ten-thousandths of the decimal number digits * 10^exponent, rounded half
// away from zero at the fifth decimal. digits holds no sign and no point.
bool decimalToRaw(bool negative, std::string_view digits, long exponent, std::int64_t& raw) {
  const long shift = exponent + 4;  // exponent of the last digit in ten-thousandths
  long keep = static_cast<long>(digits.size()) + (shift < 0 ? shift : 0);
  std::uint64_t magnitude = 0;
  const std::uint64_t limit =
      negative ? std::uint64_t{1} << 63 : static_cast<std::uint64_t>(kMaxRaw);
  for (long k = 0; k < keep; ++k) {
    const unsigned digit = static_cast<unsigned>(digits[static_cast<std::size_t>(k)] - '0');
    if (magnitude > (limit - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  if (shift > 0) {
    for (long k = 0; k < shift; ++k) {
      if (magnitude > limit / 10) return false;
      magnitude *= 10;
    }
  } else if (keep >= 0 && static_cast<std::size_t>(keep) < digits.size() &&
             digits[static_cast<std::size_t>(keep)] >= '5') {
    if (magnitude == limit) return false;
    ++magnitude;
  }
  if (magnitude > limit) return false;
  raw = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

}  // namespace

// Whole units of a 64-bit integer.
Currency Currency::FromInt64(std::int64_t units) {
  return FromRaw(checkedRaw(static_cast<Int128>(units) * Scale));
}

// The double at its shortest decimal spelling, rounded to four places: the
// values the product with Scale (in the header) cannot judge.
Currency Currency::FromSpelling(double value) {
  if (!std::isfinite(value)) raiseOverflow();
  char text[40];
  auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
  (void)error;
  // text reads like "-1.2345e+02": sign, digits with one point, exponent.
  const char* p = text;
  const bool negative = *p == '-';
  if (negative) ++p;
  char digits[24];
  std::size_t digitCount = 0;
  for (; p != end && *p != 'e'; ++p)
    if (*p != '.') digits[digitCount++] = *p;
  int exponent = 0;
  if (p != end) std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
  std::int64_t raw;
  const long lastDigitExponent = exponent - static_cast<long>(digitCount - 1);
  if (!decimalToRaw(negative, std::string_view(digits, digitCount), lastDigitExponent, raw))
    raiseOverflow();
  return FromRaw(raw);
}

// Whole units for display and integer fields.
std::int64_t Currency::Round() const {
  return static_cast<std::int64_t>(divideRounded(raw_, Scale));
}

// Negation; the most negative value has no positive twin.
Currency Currency::operator-() const {
  if (raw_ == kMinRaw) raiseOverflow();
  return FromRaw(-raw_);
}

// Exact sums, refused rather than wrapped when they leave the range.
Currency& Currency::operator+=(Currency other) {
  if (__builtin_add_overflow(raw_, other.raw_, &raw_)) raiseOverflow();
  return *this;
}

// Exact differences, refused rather than wrapped.
Currency& Currency::operator-=(Currency other) {
  if (__builtin_sub_overflow(raw_, other.raw_, &raw_)) raiseOverflow();
  return *this;
}

// The product of two scaled values carries the scale twice; one goes.
Currency& Currency::operator*=(Currency other) {
  raw_ = checkedRaw(divideRounded(static_cast<Int128>(raw_) * other.raw_, Scale));
  return *this;
}

// The quotient of two scaled values has none; one comes back.
Currency& Currency::operator/=(Currency other) {
  raw_ = checkedRaw(divideRounded(static_cast<Int128>(raw_) * Scale, other.raw_));
  return *this;
}

// Exact multiple of a whole number.
Currency& Currency::operator*=(std::int64_t factor) {
  raw_ = checkedRaw(static_cast<Int128>(raw_) * factor);
  return *this;
}

// Share of a whole number of parts, rounded to four places.
Currency& Currency::operator/=(std::int64_t divisor) {
  raw_ = checkedRaw(divideRounded(raw_, divisor));
  return *this;
}

// Units, then up to four decimals without trailing zeros.
std::string CurrToStr(Currency value) {
  const std::int64_t raw = value.Raw();
  const std::uint64_t magnitude =
      raw < 0 ? 0 - static_cast<std::uint64_t>(raw) : static_cast<std::uint64_t>(raw);
  std::string result = raw < 0 ? "-" : "";
  result += IntToStr(magnitude / Currency::Scale);
  unsigned fraction = static_cast<unsigned>(magnitude % Currency::Scale);
  if (fraction != 0) {
    char decimals[4];
    for (int k = 3; k >= 0; --k, fraction /= 10)
      decimals[k] = static_cast<char>('0' + fraction % 10);
    int length = 4;
    while (decimals[length - 1] == '0')
      --length;
    result += FormatSettings.DecimalSeparator;
    result.append(decimals, static_cast<std::size_t>(length));
  }
  return result;
}

// Exact decimal parse: digits are never routed through a double.
bool TryStrToCurr(std::string_view text, Currency& value) {
  text = TrimView(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::string digits;
  long fractionDigits = 0;
  bool anyDigit = false;
  bool inFraction = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      anyDigit = true;
      // Leading zeros stay out of the digits but still count as places.
      if (inFraction) ++fractionDigits;
      if (!digits.empty() || c != '0') digits += c;
    } else if (c == FormatSettings.DecimalSeparator && !inFraction) {
      inFraction = true;
    } else {
      break;
    }
  }
  if (!anyDigit) return false;
  long exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
    const std::size_t start = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
    if (i == start) return false;
    if (negativeExponent) exponent = -exponent;
  }
  if (i != text.size()) return false;
  if (digits.empty()) {
    value = Currency();
    return true;
  }
  std::int64_t raw;
  if (!decimalToRaw(negative, digits, exponent - fractionDigits, raw)) return false;
  value = Currency::FromRaw(raw);
  return true;
}

// Currency from text, raising on failure.
Currency StrToCurr(std::string_view text) {
  Currency value;
  if (!TryStrToCurr(text, value))
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  return value;
}

// Currency from text, or the default.
Currency StrToCurrDef(std::string_view text, Currency defaultValue) {
  Currency value;
  return TryStrToCurr(text, value) ? value : defaultValue;
}

}  // namespace host
