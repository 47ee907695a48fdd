// Numbers and truth values as text, in both directions.
#include "host/sysutils.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace host {

TFormatSettings FormatSettings;

namespace {

// Text strips at most this much into a stack buffer before a float parse; the
// longest sensible number is far shorter, longer text takes the slow path.
constexpr std::size_t kNumberBufferSize = 128;

// The parts of an integer text: sign, magnitude and whether it was written in
// hexadecimal. False when the text is not an integer or exceeds 64 bits.
struct IntegerText {
  bool negative = false;
  bool hex = false;
  std::uint64_t magnitude = 0;
};

// Splits integer text into sign, base and magnitude.
bool parseIntegerText(std::string_view text, IntegerText& out) {
  text = TrimView(text);
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    out.negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return false;
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  auto [end, error] = std::from_chars(first, last, out.magnitude, base);
  if (error != std::errc() || end != last) return false;
  out.hex = base == 16;
  return true;
}

// Fits parsed integer text into a signed type of the given bit width:
// decimal text must lie in the signed range, hexadecimal may use the full
// unsigned range and is read as two's complement.
bool fitSigned(const IntegerText& parsed, int bits, std::int64_t& value) {
  const std::uint64_t signedMax = (std::uint64_t{1} << (bits - 1)) - 1;
  std::uint64_t bitsValue;
  if (parsed.hex) {
    const std::uint64_t unsignedMax =
        bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
    if (parsed.magnitude > unsignedMax) return false;
    bitsValue = parsed.magnitude;
    if (bits < 64 && bitsValue > signedMax) bitsValue |= ~unsignedMax;  // sign-extend
    if (parsed.negative) bitsValue = ~bitsValue + 1;
  } else {
    if (parsed.magnitude > signedMax + (parsed.negative ? 1 : 0)) return false;
    bitsValue = parsed.negative ? ~parsed.magnitude + 1 : parsed.magnitude;
  }
  value = static_cast<std::int64_t>(bitsValue);
  if (bits < 64) {
    const std::int64_t low = -static_cast<std::int64_t>(signedMax) - 1;
    if (value < low || value > static_cast<std::int64_t>(signedMax)) return false;
  }
  return true;
}

// The conversion error that names the text which failed.
[[noreturn]] void raiseNotValid(std::string_view text, const char* what) {
  throw EConvertError("'" + std::string(text) + "' is not a valid " + what);
}

// The raising and the defaulting forms of every TryStrToX parser: one place
// decides what a failed parse means for each.
template <typename T>
T parsedOrRaise(bool (*tryParse)(std::string_view, T&), std::string_view text, const char* what) {
  T value;
  if (!tryParse(text, value)) raiseNotValid(text, what);
  return value;
}

template <typename T>
T parsedOrDefault(bool (*tryParse)(std::string_view, T&), std::string_view text, T defaultValue) {
  T value;
  return tryParse(text, value) ? value : defaultValue;
}

// Checks the shape of a floating-point text and copies it with '.' as the
// decimal point and without a leading '+', ready for from_chars. Estimates the
// decimal magnitude so that a result out of range can be told apart as
// overflow (not a number here) or underflow (zero).
bool normaliseFloatText(std::string_view text, char* out, std::size_t& outLength,
                        long& magnitudeEstimate) {
  const char separator = FormatSettings.DecimalSeparator;
  std::size_t i = 0;
  outLength = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') out[outLength++] = '-';
    ++i;
  }
  std::size_t digits = 0;
  long integerDigits = 0;
  long leadingFractionZeros = 0;
  bool seenNonZero = false;
  bool inFraction = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      ++digits;
      if (c != '0') seenNonZero = true;
      if (!inFraction && seenNonZero) ++integerDigits;
      if (inFraction && !seenNonZero) ++leadingFractionZeros;
      out[outLength++] = c;
    } else if (c == separator && !inFraction) {
      inFraction = true;
      out[outLength++] = '.';
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  long exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    out[outLength++] = 'e';
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
      negativeExponent = text[i] == '-';
      if (negativeExponent) out[outLength++] = '-';
      ++i;
    }
    std::size_t exponentDigits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++exponentDigits) {
      out[outLength++] = text[i];
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
    }
    if (exponentDigits == 0) return false;
    if (negativeExponent) exponent = -exponent;
  }
  if (i != text.size()) return false;
  magnitudeEstimate = (integerDigits > 0 ? integerDigits : -leadingFractionZeros) + exponent;
  return true;
}

// Lays out the shortest round-trip digits of a number: fixed notation for
// decimal exponents from -5 to 14, otherwise mantissa and "E" exponent.
std::string layoutShortest(const char* scientific, std::size_t length) {
  // scientific is to_chars output such as "-1.2345e+20" or "5e-07".
  std::string result;
  std::size_t i = 0;
  bool negative = false;
  if (scientific[i] == '-') {
    negative = true;
    ++i;
  }
  char digits[32];
  std::size_t digitCount = 0;
  for (; i < length && scientific[i] != 'e'; ++i)
    if (scientific[i] != '.') digits[digitCount++] = scientific[i];
  int exponent = 0;
  if (i < length)
    std::from_chars(scientific + i + (scientific[i + 1] == '+' ? 2 : 1), scientific + length,
                    exponent);
  if (digitCount == 1 && digits[0] == '0') return "0";
  const char separator = FormatSettings.DecimalSeparator;
  if (negative) result += '-';
  if (exponent >= -5 && exponent < 15) {
    if (exponent < 0) {
      result += '0';
      result += separator;
      result.append(static_cast<std::size_t>(-exponent - 1), '0');
      result.append(digits, digitCount);
    } else {
      const std::size_t integerDigits = static_cast<std::size_t>(exponent) + 1;
      if (digitCount <= integerDigits) {
        result.append(digits, digitCount);
        result.append(integerDigits - digitCount, '0');
      } else {
        result.append(digits, integerDigits);
        result += separator;
        result.append(digits + integerDigits, digitCount - integerDigits);
      }
    }
  } else {
    result += digits[0];
    if (digitCount > 1) {
      result += separator;
      result.append(digits + 1, digitCount - 1);
    }
    result += 'E';
    result += std::to_string(exponent);
  }
  return result;
}

// Text of the special floating-point values, or null for a finite value.
const char* specialFloatText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  return nullptr;
}

// Shortest text that reads back as the same value, for double and float alike.
template <typename Float>
std::string shortestText(Float value) {
  if (const char* special = specialFloatText(value)) return special;
  char buffer[40];
  auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  (void)error;
  return layoutShortest(buffer, static_cast<std::size_t>(end - buffer));
}

}  // namespace

// Decimal text of a signed integer.
std::string IntToStrSigned(std::int64_t value) {
  char buffer[24];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  (void)error;
  return std::string(buffer, end);
}

// Decimal text of an unsigned integer.
std::string IntToStrUnsigned(std::uint64_t value) {
  char buffer[24];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  (void)error;
  return std::string(buffer, end);
}

// Upper-case hexadecimal, zero-padded to minDigits.
std::string IntToHexBits(std::uint64_t bits, int minDigits) {
  char buffer[20];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, bits, 16);
  (void)error;
  std::string result;
  const std::size_t length = static_cast<std::size_t>(end - buffer);
  if (minDigits > 0 && static_cast<std::size_t>(minDigits) > length)
    result.append(static_cast<std::size_t>(minDigits) - length, '0');
  for (const char* p = buffer; p != end; ++p)
    result += (*p >= 'a' && *p <= 'f') ? static_cast<char>(*p - 32) : *p;
  return result;
}

// 32-bit integer from text, reporting failure.
bool TryStrToInt(std::string_view text, std::int32_t& value) {
  IntegerText parsed;
  std::int64_t wide;
  if (!parseIntegerText(text, parsed) || !fitSigned(parsed, 32, wide)) return false;
  value = static_cast<std::int32_t>(wide);
  return true;
}

// 64-bit integer from text, reporting failure.
bool TryStrToInt64(std::string_view text, std::int64_t& value) {
  IntegerText parsed;
  return parseIntegerText(text, parsed) && fitSigned(parsed, 64, value);
}

// 32-bit integer from text, raising on failure.
std::int32_t StrToInt(std::string_view text) {
  return parsedOrRaise(TryStrToInt, text, "integer value");
}

// 64-bit integer from text, raising on failure.
std::int64_t StrToInt64(std::string_view text) {
  return parsedOrRaise(TryStrToInt64, text, "integer value");
}

// 32-bit integer from text, or the default.
std::int32_t StrToIntDef(std::string_view text, std::int32_t defaultValue) {
  return parsedOrDefault(TryStrToInt, text, defaultValue);
}

// 64-bit integer from text, or the default.
std::int64_t StrToInt64Def(std::string_view text, std::int64_t defaultValue) {
  return parsedOrDefault(TryStrToInt64, text, defaultValue);
}

// Double from text in the current decimal separator, reporting failure.
bool TryStrToFloat(std::string_view text, double& value) {
  text = TrimView(text);
  if (text.empty()) return false;
  char stackBuffer[kNumberBufferSize];
  std::string heapBuffer;
  char* buffer = stackBuffer;
  if (text.size() + 1 > kNumberBufferSize) {
    heapBuffer.resize(text.size() + 1);
    buffer = heapBuffer.data();
  }
  std::size_t length = 0;
  long magnitude = 0;
  if (!normaliseFloatText(text, buffer, length, magnitude)) return false;
  double parsed = 0;
  auto [end, error] = std::from_chars(buffer, buffer + length, parsed);
  if (error == std::errc::result_out_of_range) {
    if (magnitude > 0) return false;  // too large for a double
    parsed = buffer[0] == '-' ? -0.0 : 0.0;
  } else if (error != std::errc() || end != buffer + length) {
    return false;
  }
  value = parsed;
  return true;
}

// Double from text, raising on failure.
double StrToFloat(std::string_view text) {
  return parsedOrRaise(TryStrToFloat, text, "floating point value");
}

// Double from text, or the default.
double StrToFloatDef(std::string_view text, double defaultValue) {
  return parsedOrDefault(TryStrToFloat, text, defaultValue);
}

// Shortest round-trip text of a double.
std::string FloatToStr(double value) {
  return shortestText(value);
}

// Shortest round-trip text of a float, so a single keeps its short digits.
std::string SingleToStr(float value) {
  return shortestText(value);
}

// Numeric or named truth value.
std::string BoolToStr(bool value, bool useBoolStrs) {
  if (useBoolStrs) return value ? "True" : "False";
  return value ? "-1" : "0";
}

// Truth value from its name or from a number.
bool TryStrToBool(std::string_view text, bool& value) {
  const std::string_view trimmed = TrimView(text);
  if (SameText(trimmed, "True")) {
    value = true;
    return true;
  }
  if (SameText(trimmed, "False")) {
    value = false;
    return true;
  }
  double number;
  if (!TryStrToFloat(trimmed, number)) return false;
  value = number != 0;
  return true;
}

// Truth value, raising on failure.
bool StrToBool(std::string_view text) {
  return parsedOrRaise(TryStrToBool, text, "boolean value");
}

// Truth value, or the default.
bool StrToBoolDef(std::string_view text, bool defaultValue) {
  return parsedOrDefault(TryStrToBool, text, defaultValue);
}

}  // namespace host
