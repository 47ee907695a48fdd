#include "dblib/core/value/timestamp.h"

#include <algorithm>
#include <cstring>

#include "dblib/core/support/text.h"

namespace dblib {

namespace {

bool is_leap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int year, int month) {  // month 1-12
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && is_leap(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long days_from_civil(int year, int month, int day) {
  year -= month <= 2;
  long era = (year >= 0 ? year : year - 399) / 400;
  long year_of_era = year - era * 400;
  long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

// Writes value as count digits, zeros in front; answers the end.
char* put_digits(char* out, int value, int count) {
  for (int i = count - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  return out + count;
}

// Reads exactly count digits at text[pos]; advances pos.
bool digits(std::string_view text, size_t& pos, int count, int& out) {
  out = 0;
  for (int i = 0; i < count; ++i, ++pos) {
    if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') return false;
    out = out * 10 + (text[pos] - '0');
  }
  return true;
}

bool parse_time(std::string_view text, size_t& pos, dbt_timestamp& r) {
  int hour = 0, minute = 0, second = 0, micro = 0;
  if (!digits(text, pos, 2, hour) || pos >= text.size() || text[pos++] != ':' ||
      !digits(text, pos, 2, minute)) {
    return false;
  }
  if (pos < text.size() && text[pos] == ':') {
    ++pos;
    if (!digits(text, pos, 2, second)) return false;
    if (pos < text.size() && text[pos] == '.') {
      ++pos;
      int scale = 100000, places = 0;
      while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (places++ < 6) micro += (text[pos] - '0') * scale;
        scale /= 10;
        ++pos;
      }
      if (places == 0) return false;
    }
  }
  if (hour > 23 || minute > 59 || second > 59) return false;
  r.hour = static_cast<uint8_t>(hour);
  r.minute = static_cast<uint8_t>(minute);
  r.second = static_cast<uint8_t>(second);
  r.microsecond = micro;
  return true;
}

// Days of a common year before each month's first.
constexpr int kDaysBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

// Every timestamp read comes here: the day of the year is looked up, not
// counted from a second civil date.
void set_date(dbt_timestamp& r, int year, int month, int day) {
  long days = days_from_civil(year, month, day);
  r.year = static_cast<int16_t>(year);
  r.month = static_cast<uint8_t>(month - 1);
  r.day = static_cast<uint8_t>(day);
  r.day_of_week = static_cast<uint8_t>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  r.day_of_year =
      static_cast<int16_t>(kDaysBefore[month - 1] + (month > 2 && is_leap(year)) + day - 1);
}

}  // namespace

bool parse_timestamp(std::string_view text, dbt_timestamp& record) {
  text = trim(text);
  std::memset(&record, 0, sizeof record);
  size_t pos = 0;
  if (text.size() >= 3 && text[2] == ':') {
    set_date(record, 1899, 12, 30);
    return parse_time(text, pos, record) && pos == text.size();
  }
  int year = 0, month = 0, day = 0;
  if (!digits(text, pos, 4, year) || pos >= text.size() || text[pos++] != '-' ||
      !digits(text, pos, 2, month) || pos >= text.size() || text[pos++] != '-' ||
      !digits(text, pos, 2, day)) {
    return false;
  }
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > days_in_month(year, month)) {
    return false;
  }
  set_date(record, year, month, day);
  if (pos == text.size()) return true;
  if (text[pos] != ' ' && text[pos] != 'T') return false;
  ++pos;
  return parse_time(text, pos, record) && pos == text.size();
}

// Inserts bind a timestamp per row, so the text is written digit by digit:
// snprintf's format parsing was the largest part of the stand-in's own time.
int format_timestamp(const dbt_timestamp& record, char* out, size_t capacity) {
  int year = record.year, month = record.month + 1, day = record.day;
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > days_in_month(year, month) || record.hour > 23 || record.minute > 59 ||
      record.second > 59 || record.microsecond < 0 || record.microsecond > 999999) {
    return -1;
  }
  // The longest text, "yyyy-mm-dd hh:nn:ss.ffffff", and its terminator.
  char text[27];
  char* end = text;
  bool midnight =
      record.hour == 0 && record.minute == 0 && record.second == 0 && record.microsecond == 0;
  bool no_date = year == 1899 && month == 12 && day == 30;
  if (!no_date || midnight) {
    end = put_digits(end, year, 4);
    *end++ = '-';
    end = put_digits(end, month, 2);
    *end++ = '-';
    end = put_digits(end, day, 2);
  }
  if (!midnight) {
    if (end != text) *end++ = ' ';
    end = put_digits(end, record.hour, 2);
    *end++ = ':';
    end = put_digits(end, record.minute, 2);
    *end++ = ':';
    end = put_digits(end, record.second, 2);
    if (record.microsecond != 0) {
      *end++ = '.';
      int micro = static_cast<int>(record.microsecond), places = 6;
      while (places > 3 && micro % 10 == 0) {  // keep at least milliseconds
        micro /= 10;
        --places;
      }
      end = put_digits(end, micro, places);
    }
  }
  *end = '\0';
  int length = static_cast<int>(end - text);
  if (capacity > 0) {
    size_t copied = std::min(static_cast<size_t>(length), capacity - 1);
    std::memcpy(out, text, copied);
    out[copied] = '\0';
  }
  return length;
}

}  // namespace dblib
