// Currency: an exact decimal with four places, kept as a 64-bit integer count
// of ten-thousandths, for money that must not pick up binary rounding.
//
// Every result that does not fit (beyond +-922337203685477.5807), every
// division by zero and every text that is not a number raises EConvertError.
// Conversions from double and text round half away from zero at the fifth
// decimal; a double is taken at its shortest decimal spelling, so 1.00005
// becomes 1.0001 although its binary value lies a hair below.
#pragma once

#include <cmath>
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
  // The double at its shortest decimal spelling, rounded to four places.
  //
  // Reading that spelling costs a shortest-text conversion, and rows of
  // numeric columns come here for every value, so the product with Scale
  // answers wherever it must agree with the spelling: its rounding can only
  // differ where its fraction lies within a few units in the last place of a
  // half (the spelling and the product are each within half a unit in the
  // last place of the exact value). Near a half, beyond 2^52 where the
  // product has no fraction left to judge, and for what is no number, the
  // spelling decides (FromSpelling, out of line).
  static Currency FromDouble(double value) {
    const double scaled = value * static_cast<double>(Scale);
    const double magnitude = std::fabs(scaled);
    if (magnitude < 0x1p52) {
      // Below 2^52 the truncating conversion is the exact floor.
      const auto floor = static_cast<std::int64_t>(magnitude);
      const double fraction = magnitude - static_cast<double>(floor);
      const double margin = magnitude * 0x1p-50 + 0x1p-60;
      if (std::fabs(fraction - 0.5) > margin) {
        const std::int64_t raw = fraction > 0.5 ? floor + 1 : floor;
        return FromRaw(scaled < 0 ? -raw : raw);
      }
    }
    return FromSpelling(value);
  }
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
  static Currency FromSpelling(double value);

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
