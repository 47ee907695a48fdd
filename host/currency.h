// Currency: an exact decimal with four places, kept as a 64-bit integer count
// of ten-thousandths, for money that must not pick up binary rounding.
//
// Every result that does not fit (beyond +-922337203685477.5807), every
// division by zero and every text that is not a number raises EConvertError.
// Conversions from double and text round half away from zero at the fifth
// decimal; a double is taken at its shortest decimal spelling, so 1.00005
// becomes 1.0001 although its binary value lies a hair below.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/exceptions.h"

namespace host {

class Currency {
 public:
  static constexpr std::int64_t Scale = 10000;

  constexpr Currency() = default;
  // Whole units; every 32-bit integer fits.
  constexpr Currency(int units) : raw_(static_cast<std::int64_t>(units) * Scale) {}
  // Whole units of a wider integer, checked for range.
  static Currency FromInt64(std::int64_t units);
  static Currency FromDouble(double value);
  static constexpr Currency FromRaw(std::int64_t tenThousandths) {
    Currency result;
    result.raw_ = tenThousandths;
    return result;
  }

  constexpr std::int64_t Raw() const { return raw_; }
  // The nearest double; one correctly rounded division, no drift from
  // repeated scaling.
  constexpr double ToDouble() const { return static_cast<double>(raw_) / Scale; }
  // Whole units, rounded half away from zero.
  std::int64_t Round() const;
  // Whole units, the fraction dropped.
  constexpr std::int64_t Trunc() const { return raw_ / Scale; }

  Currency operator-() const;
  Currency& operator+=(Currency other);
  Currency& operator-=(Currency other);
  Currency& operator*=(Currency other);  // rounded to four places
  Currency& operator/=(Currency other);  // rounded to four places
  Currency& operator*=(std::int64_t factor);
  Currency& operator/=(std::int64_t divisor);  // rounded to four places

  friend Currency operator+(Currency a, Currency b) { return a += b; }
  friend Currency operator-(Currency a, Currency b) { return a -= b; }
  friend Currency operator*(Currency a, Currency b) { return a *= b; }
  friend Currency operator/(Currency a, Currency b) { return a /= b; }
  friend Currency operator*(Currency a, std::int64_t b) { return a *= b; }
  friend Currency operator*(std::int64_t a, Currency b) { return b *= a; }
  friend Currency operator/(Currency a, std::int64_t b) { return a /= b; }

  friend constexpr bool operator==(Currency a, Currency b) = default;
  friend constexpr std::strong_ordering operator<=>(Currency a, Currency b) = default;

 private:
  std::int64_t raw_ = 0;
};

// "12.3456", "7.5", "-0.25", "100": no trailing zeros, FormatSettings'
// decimal separator.
std::string CurrToStr(Currency value);
// Decimal text with FormatSettings' separator and an optional exponent.
bool TryStrToCurr(std::string_view text, Currency& value);
Currency StrToCurr(std::string_view text);  // "'x' is not a valid floating point value"
Currency StrToCurrDef(std::string_view text, Currency defaultValue);

}  // namespace host
