// Dates and times as text: FormatDateTime's patterns and the parsers that
// read back what DateToStr, TimeToStr and DateTimeToStr write.
#include <charconv>
#include <cmath>

#include "host/datetime.h"
#include "host/sysutils.h"

namespace host {

namespace {

// Patterns may name other patterns (ddddd, c, t); a settings string that
// names itself stops here instead of recursing forever.
constexpr int kMaxPatternNesting = 3;

struct DateTimeParts {
  int year, month, day, hour, minute, second, msec, weekday;
  bool hasTime;
};

// Decodes a value once for all the letters of a pattern.
DateTimeParts splitValue(TDateTime value) {
  DateTimeParts parts{};
  DecodeDate(value, parts.year, parts.month, parts.day);
  DecodeTime(value, parts.hour, parts.minute, parts.second, parts.msec);
  parts.weekday = DayOfWeek(value);
  parts.hasTime = parts.hour != 0 || parts.minute != 0 || parts.second != 0 || parts.msec != 0;
  return parts;
}

// Appends a number zero-padded to at least width digits.
void appendNumber(std::string& out, int value, int width) {
  char digits[12];
  auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
  (void)error;
  for (int pad = width - static_cast<int>(end - digits); pad > 0; --pad)
    out += '0';
  out.append(digits, end);
}

// ASCII upper case of a pattern letter.
inline char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// Expands one pattern into out; lastToken carries the letter that an "m"
// looks back at to tell minutes from months.
void appendPattern(std::string& out, std::string_view pattern, const DateTimeParts& parts,
                   int depth) {
  if (depth >= kMaxPatternNesting) return;
  const TFormatSettings& settings = FormatSettings;
  char lastToken = 0;
  std::size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    const char token = upper(c);
    if (c == '"' || c == '\'') {
      const std::size_t close = pattern.find(c, i + 1);
      const std::size_t end = close == std::string_view::npos ? pattern.size() : close;
      out.append(pattern.substr(i + 1, end - i - 1));
      i = end == pattern.size() ? end : end + 1;
      continue;
    }
    std::size_t count = 1;
    if (token >= 'A' && token <= 'Z')
      while (i + count < pattern.size() && upper(pattern[i + count]) == token)
        ++count;
    const int n = static_cast<int>(count);
    switch (token) {
      case 'Y':
        if (n <= 2)
          appendNumber(out, parts.year % 100, 2);
        else
          appendNumber(out, parts.year, 4);
        break;
      case 'M':
        if (lastToken == 'H' && n <= 2)
          appendNumber(out, parts.minute, n);
        else if (n <= 2)
          appendNumber(out, parts.month, n);
        else if (n == 3)
          out += settings.ShortMonthNames[parts.month - 1];
        else
          out += settings.LongMonthNames[parts.month - 1];
        break;
      case 'D':
        if (n <= 2)
          appendNumber(out, parts.day, n);
        else if (n == 3)
          out += settings.ShortDayNames[parts.weekday - 1];
        else if (n == 4)
          out += settings.LongDayNames[parts.weekday - 1];
        else if (n == 5)
          appendPattern(out, settings.ShortDateFormat, parts, depth + 1);
        else
          appendPattern(out, settings.LongDateFormat, parts, depth + 1);
        break;
      case 'H':
        appendNumber(out, parts.hour, n >= 2 ? 2 : 1);
        break;
      case 'N':
        appendNumber(out, parts.minute, n >= 2 ? 2 : 1);
        break;
      case 'S':
        appendNumber(out, parts.second, n >= 2 ? 2 : 1);
        break;
      case 'Z':
        appendNumber(out, parts.msec, n >= 3 ? 3 : 1);
        break;
      case 'C':
        appendPattern(out, settings.ShortDateFormat, parts, depth + 1);
        if (parts.hasTime) {
          out += ' ';
          appendPattern(out, settings.LongTimeFormat, parts, depth + 1);
        }
        break;
      case 'T':
        appendPattern(out, n >= 2 ? settings.LongTimeFormat : settings.ShortTimeFormat, parts,
                      depth + 1);
        break;
      case '/':
        out += settings.DateSeparator;
        break;
      case ':':
        out += settings.TimeSeparator;
        break;
      default:
        out.append(count, c);
        break;
    }
    if (token >= 'A' && token <= 'Z') lastToken = token;
    i += count;
  }
}

// Reads up to the next non-digit; false when there is no digit at pos.
bool readNumber(std::string_view text, std::size_t& pos, int& value, int& digits) {
  const std::size_t start = pos;
  value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 9) {
    value = value * 10 + (text[pos] - '0');
    ++pos;
  }
  digits = static_cast<int>(pos - start);
  return digits > 0;
}

// A separator that may stand between the numbers of a date.
bool isDateSeparator(char c, std::string_view shortDateFormat) {
  if (c == FormatSettings.DateSeparator) return true;
  if ((c >= '0' && c <= '9') || c == ' ') return false;
  const char u = upper(c);
  if (u == 'Y' || u == 'M' || u == 'D') return false;
  return shortDateFormat.find(c) != std::string_view::npos;
}

// Two-digit years fall within 50 years either side of this year.
int expandTwoDigitYear(int year) {
  int thisYear, month, day;
  DecodeDate(Date(), thisYear, month, day);
  const int windowStart = thisYear - 50;
  int expanded = windowStart / 100 * 100 + year;
  if (expanded < windowStart) expanded += 100;
  return expanded;
}

// Reads two or three numbers as a date in the order of ShortDateFormat.
bool parseDate(std::string_view text, TDateTime& value) {
  const std::string& pattern = FormatSettings.ShortDateFormat;
  // The order of day, month and year follows the pattern's first letters.
  char order[3];
  int orderCount = 0;
  for (char c : pattern) {
    const char u = upper(c);
    if ((u == 'Y' || u == 'M' || u == 'D') && orderCount < 3) {
      bool seen = false;
      for (int k = 0; k < orderCount; ++k)
        seen = seen || order[k] == u;
      if (!seen) order[orderCount++] = u;
    }
  }
  if (orderCount != 3) {
    order[0] = 'Y';
    order[1] = 'M';
    order[2] = 'D';
  }
  int numbers[3];
  int digitCounts[3];
  int count = 0;
  std::size_t pos = 0;
  text = TrimView(text);
  while (true) {
    if (count == 3 || !readNumber(text, pos, numbers[count], digitCounts[count])) return false;
    ++count;
    if (pos == text.size()) break;
    if (!isDateSeparator(text[pos], pattern)) return false;
    ++pos;
  }
  int year = 0, month = 0, day = 0;
  if (count == 3) {
    for (int k = 0; k < 3; ++k) {
      if (order[k] == 'Y') {
        year = numbers[k];
        if (digitCounts[k] <= 2) year = expandTwoDigitYear(year);
      } else if (order[k] == 'M') {
        month = numbers[k];
      } else {
        day = numbers[k];
      }
    }
  } else if (count == 2) {
    int thisMonth, thisDay;
    DecodeDate(Date(), year, thisMonth, thisDay);
    int next = 0;
    for (int k = 0; k < 3; ++k) {
      if (order[k] == 'M') month = numbers[next++];
      if (order[k] == 'D') day = numbers[next++];
    }
  } else {
    return false;
  }
  return TryEncodeDate(year, month, day, value);
}

// Reads h:n, h:n:s or h:n:s.fraction as a time of day.
bool parseTime(std::string_view text, TDateTime& value) {
  text = TrimView(text);
  const char separator = FormatSettings.TimeSeparator;
  std::size_t pos = 0;
  int hour, minute, second = 0, msec = 0, digits;
  if (!readNumber(text, pos, hour, digits)) return false;
  if (pos >= text.size() || text[pos] != separator) return false;
  ++pos;
  if (!readNumber(text, pos, minute, digits)) return false;
  if (pos < text.size() && text[pos] == separator) {
    ++pos;
    if (!readNumber(text, pos, second, digits)) return false;
    if (pos < text.size() && (text[pos] == '.' || text[pos] == FormatSettings.DecimalSeparator)) {
      ++pos;
      if (!readNumber(text, pos, msec, digits) || digits > 3) return false;
      for (; digits < 3; ++digits)
        msec *= 10;  // ".5" is half a second
    }
  }
  if (pos != text.size()) return false;
  return TryEncodeTime(hour, minute, second, msec, value);
}

}  // namespace

// Expands a pattern for a value; the empty pattern is "c".
std::string FormatDateTime(std::string_view pattern, TDateTime value) {
  const DateTimeParts parts = splitValue(value);
  std::string out;
  appendPattern(out, pattern.empty() ? std::string_view("c") : pattern, parts, 0);
  return out;
}

// The date in ShortDateFormat.
std::string DateToStr(TDateTime value) {
  return FormatDateTime(FormatSettings.ShortDateFormat, value);
}

// The time in LongTimeFormat.
std::string TimeToStr(TDateTime value) {
  return FormatDateTime(FormatSettings.LongTimeFormat, value);
}

// Date and, unless it is midnight, time.
std::string DateTimeToStr(TDateTime value) {
  return FormatDateTime("c", value);
}

// Date text in the order of ShortDateFormat.
bool TryStrToDate(std::string_view text, TDateTime& value) {
  return parseDate(text, value);
}

// Time text h:n[:s[.zzz]].
bool TryStrToTime(std::string_view text, TDateTime& value) {
  return parseTime(text, value);
}

// A date, a time, or both separated by blanks or "T".
bool TryStrToDateTime(std::string_view text, TDateTime& value) {
  text = TrimView(text);
  std::size_t split = text.find(' ');
  if (split == std::string_view::npos) {
    const std::size_t t = text.find_first_of("Tt");
    if (t != std::string_view::npos && t > 0 && t + 1 < text.size()) split = t;
  }
  if (split != std::string_view::npos) {
    TDateTime datePart, timePart;
    if (!parseDate(text.substr(0, split), datePart) || !parseTime(text.substr(split + 1), timePart))
      return false;
    value = ComposeDateTime(datePart, timePart);
    return true;
  }
  if (parseDate(text, value)) return true;
  return parseTime(text, value);
}

// Date from text, raising on failure.
TDateTime StrToDate(std::string_view text) {
  TDateTime value;
  if (!TryStrToDate(text, value))
    throw EConvertError("'" + std::string(text) + "' is not a valid date");
  return value;
}

// Time from text, raising on failure.
TDateTime StrToTime(std::string_view text) {
  TDateTime value;
  if (!TryStrToTime(text, value))
    throw EConvertError("'" + std::string(text) + "' is not a valid time");
  return value;
}

// Date and time from text, raising on failure.
TDateTime StrToDateTime(std::string_view text) {
  TDateTime value;
  if (!TryStrToDateTime(text, value))
    throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
  return value;
}

}  // namespace host
