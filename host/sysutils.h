// Strings, number text and printf-style formatting of the host framework.
//
// Text is single-byte, in the Windows-1252 character set: the "Ansi" routines
// know its Latin-1 letters (case mapping, accent-aware ordering), the plain
// ones (UpperCase, CompareText) only ASCII. Conversions that fail raise
// EConvertError with a text naming the value, e.g. "'abc' is not a valid
// integer value"; the Try forms return false instead.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "host/exceptions.h"

namespace host {

// The separators and patterns that number and date text follow. A program may
// change the global FormatSettings; every conversion reads it when called.
struct TFormatSettings {
  char DecimalSeparator = '.';
  char DateSeparator = '-';
  char TimeSeparator = ':';
  std::string ShortDateFormat = "yyyy-mm-dd";
  std::string LongDateFormat = "dddd, d mmmm yyyy";
  std::string ShortTimeFormat = "hh:nn";
  std::string LongTimeFormat = "hh:nn:ss";
  std::string ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::string LongMonthNames[12] = {"January",   "February", "March",    "April",
                                    "May",       "June",     "July",     "August",
                                    "September", "October",  "November", "December"};
  std::string ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::string LongDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
};

extern TFormatSettings FormatSettings;

// ---------------------------------------------------------------------------
// Format: printf-style formatting over a typed argument list.
//
// Specifiers: %[index:][flags][width][.precision]type with the flags '-'
// (left-justify), '0' (pad numbers with zeros), '+' and ' ' (sign of positive
// numbers), and the types
//   d      signed decimal of an integer argument (precision = minimum digits)
//   u      unsigned decimal of an integer argument (a negative value is taken
//          as two's complement of its own width, so -1 of an int is 4294967295)
//   x, X   hexadecimal, lower or upper case, of an integer argument
//   f      fixed notation, e scientific, g general (E and G upper case), of a
//          floating-point argument; precision defaults to 6 as in printf, and
//          the decimal point is FormatSettings.DecimalSeparator
//   s      a string or character argument (precision = maximum characters)
//   %%     a percent sign
// "index:" picks the argument by 0-based position; following specifiers go on
// from there. An argument of the wrong kind for its specifier, a missing
// argument or a malformed specifier raises EConvertError; surplus arguments
// are ignored. Types that are none of the above do not compile.
// ---------------------------------------------------------------------------

class FormatArg {
 public:
  enum class Kind : std::uint8_t { Signed, Unsigned, Float, String };

  template <std::signed_integral T>
  requires(!std::same_as<T, char>) FormatArg(T value)
      : kind_(Kind::Signed), byteWidth_(sizeof(T)), signed_(static_cast<std::int64_t>(value)) {}
  template <std::unsigned_integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char>) FormatArg(T value)
      : kind_(Kind::Unsigned),
        byteWidth_(sizeof(T)),
        unsigned_(static_cast<std::uint64_t>(value)) {}
  FormatArg(double value) : kind_(Kind::Float), float_(value) {}
  FormatArg(float value) : kind_(Kind::Float), float_(value) {}
  FormatArg(char value) : kind_(Kind::String), oneChar_(true), charStore_(value) {}
  FormatArg(const char* value) : kind_(Kind::String), text_(value ? value : "") {}
  FormatArg(std::string_view value) : kind_(Kind::String), text_(value) {}
  FormatArg(const std::string& value) : kind_(Kind::String), text_(value) {}
  FormatArg(bool) = delete;  // "%d" of a bool is a slip, not a number

  Kind kind() const { return kind_; }
  int byteWidth() const { return byteWidth_; }
  std::int64_t asSigned() const { return signed_; }
  std::uint64_t asUnsigned() const { return unsigned_; }
  double asFloat() const { return float_; }
  std::string_view asText() const { return oneChar_ ? std::string_view(&charStore_, 1) : text_; }

 private:
  Kind kind_;
  std::uint8_t byteWidth_ = 8;
  bool oneChar_ = false;
  union {
    std::int64_t signed_ = 0;
    std::uint64_t unsigned_;
    double float_;
  };
  std::string_view text_;
  char charStore_ = 0;
};

// Formats over an argument list built elsewhere; Format forwards to it.
std::string FormatList(std::string_view format, std::span<const FormatArg> args);

// Format("%s has %d rows", name, count).
template <class... Args>
std::string Format(std::string_view format, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return FormatList(format, {});
  } else {
    const FormatArg list[] = {FormatArg(args)...};
    return FormatList(format, std::span<const FormatArg>(list, sizeof...(Args)));
  }
}

// Format("%s has %d rows", {name, count}), for callers that build the list.
inline std::string Format(std::string_view format, std::initializer_list<FormatArg> args) {
  return FormatList(format, std::span<const FormatArg>(args.begin(), args.size()));
}

// ---------------------------------------------------------------------------
// Trimming, case and comparison.
// ---------------------------------------------------------------------------

// Trim functions remove blanks and control characters (every byte <= ' ').
std::string Trim(std::string_view text);
// Trim without a copy: the part of text that Trim would return.
std::string_view TrimView(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// ASCII-only case mapping; other bytes are left alone.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
// Windows-1252 case mapping: the Latin-1 letters and the letters with caron,
// OE and Y with diaeresis follow their case too. Sharp s has no upper form.
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
char AnsiUpperChar(char c);
char AnsiLowerChar(char c);

// ASCII case-insensitive comparison by byte value of the upper-cased text:
// negative, zero or positive. '_' sorts after the letters here.
int CompareText(std::string_view left, std::string_view right);
bool SameText(std::string_view left, std::string_view right);

// Locale-aware comparisons over Windows-1252 text: punctuation before digits
// before letters; letters by their base letter first (so "é" sorts between
// "e" and "f"), then by accent, then (case-sensitive forms only) lower case
// before upper case. Results are negative, zero or positive.
int AnsiCompareText(std::string_view left, std::string_view right);  // ignores case
int AnsiCompareStr(std::string_view left, std::string_view right);   // respects case
bool AnsiSameText(std::string_view left, std::string_view right);
// The same over zero-terminated text; AnsiStrLIComp stops after maxLength
// characters (or at the terminator), so it compares fixed-size buffer slots.
int AnsiStrComp(const char* left, const char* right);
int AnsiStrIComp(const char* left, const char* right);
int AnsiStrLIComp(const char* left, const char* right, std::size_t maxLength);

// First occurrence of sub in text (exact bytes), or nullptr when there is none
// or either string is null or empty.
const char* AnsiStrPos(const char* text, const char* sub);
char* AnsiStrPos(char* text, const char* sub);

// 1-based position of the first occurrence of sub in text; 0 when absent or
// when sub is empty.
std::size_t Pos(std::string_view sub, std::string_view text);

// ---------------------------------------------------------------------------
// Numbers as text.
// ---------------------------------------------------------------------------

std::string IntToStrSigned(std::int64_t value);
std::string IntToStrUnsigned(std::uint64_t value);
// Upper-case hexadecimal of the value's own width in two's complement,
// left-padded with zeros to at least minDigits.
std::string IntToHexBits(std::uint64_t bits, int minDigits);

// Decimal text of any integer type (32 or 64 bits, signed or not).
template <std::integral T>
requires(!std::same_as<T, bool> && !std::same_as<T, char>) std::string IntToStr(T value) {
  if constexpr (std::is_signed_v<T>)
    return IntToStrSigned(value);
  else
    return IntToStrUnsigned(value);
}

// IntToHex(255, 4) is "00FF"; IntToHex(-1, 1) of an int is "FFFFFFFF".
template <std::integral T>
requires(!std::same_as<T, bool> && !std::same_as<T, char>) std::string
    IntToHex(T value, int minDigits) {
  return IntToHexBits(static_cast<std::uint64_t>(static_cast<std::make_unsigned_t<T>>(value)),
                      minDigits);
}

// Integer text: optional blanks around, an optional sign, decimal digits, or
// hexadecimal digits after "$" or "0x" (hexadecimal may use the full unsigned
// range, so "$FFFFFFFF" is -1 as a 32-bit value). Out of range is invalid.
bool TryStrToInt(std::string_view text, std::int32_t& value);
bool TryStrToInt64(std::string_view text, std::int64_t& value);
std::int32_t StrToInt(std::string_view text);    // "'x' is not a valid integer value"
std::int64_t StrToInt64(std::string_view text);  // same text
std::int32_t StrToIntDef(std::string_view text, std::int32_t defaultValue);
std::int64_t StrToInt64Def(std::string_view text, std::int64_t defaultValue);

// Floating-point text with FormatSettings.DecimalSeparator: optional blanks
// around, sign, digits, separator, digits, exponent ("1.5E-7"). Infinity and
// NaN spellings are not numbers here.
bool TryStrToFloat(std::string_view text, double& value);
double StrToFloat(std::string_view text);  // "'x' is not a valid floating point value"
double StrToFloatDef(std::string_view text, double defaultValue);

// The shortest text that reads back as the same double: fixed notation for
// magnitudes from 1E-5 below 1E15, otherwise "1.5E20" / "1E-7"; "NAN", "INF",
// "-INF" for the special values.
std::string FloatToStr(double value);
// The same for a single-precision value (0.1f gives "0.1").
std::string SingleToStr(float value);

// BoolToStr(true) is "-1" and BoolToStr(false) "0", the framework's numeric
// truth values; with useBoolStrs "True" / "False".
std::string BoolToStr(bool value, bool useBoolStrs = false);
// "True"/"False" in any case, or a number (zero is false).
bool TryStrToBool(std::string_view text, bool& value);
bool StrToBool(std::string_view text);  // "'x' is not a valid boolean value"
bool StrToBoolDef(std::string_view text, bool defaultValue);

// ---------------------------------------------------------------------------
// String editing.
// ---------------------------------------------------------------------------

// Encloses in single quotes, doubling the quotes inside: O'Neil -> 'O''Neil'.
std::string QuotedStr(std::string_view text);

enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
using TReplaceFlags = unsigned;
// Replaces the first (or, with rfReplaceAll, every) occurrence of pattern;
// rfIgnoreCase matches by Windows-1252 case. An empty pattern changes nothing.
std::string StringReplace(std::string_view text, std::string_view pattern,
                          std::string_view replacement, TReplaceFlags flags);

// ---------------------------------------------------------------------------
// File names (delimiter "/") and the file system.
// ---------------------------------------------------------------------------

inline constexpr char PathDelim = '/';

std::string ExtractFilePath(std::string_view fileName);  // "/a/b.txt" -> "/a/"
std::string ExtractFileName(std::string_view fileName);  // "/a/b.txt" -> "b.txt"
std::string ExtractFileExt(std::string_view fileName);   // "/a/b.txt" -> ".txt"
std::string ChangeFileExt(std::string_view fileName, std::string_view extension);
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);
bool FileExists(const std::string& fileName);  // a file that is not a directory
bool DirectoryExists(const std::string& directory);

}  // namespace host
