// Calendar arithmetic: encoding and decoding dates and times, time stamps and
// the local clock.
#include "host/datetime.h"

#include <array>
#include <cmath>
#include <ctime>

#include "host/sysutils.h"

namespace host {

namespace {

constexpr int kDaysIn400Years = 146097;
constexpr int kDaysIn100Years = 36524;
constexpr int kDaysIn4Years = 1461;
constexpr int kDaysInYear = 365;

constexpr int kMonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                   {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

// The error for a date value outside years 1..9999.
[[noreturn]] void raiseBadDateTime(double value) {
  throw EConvertError("'" + FloatToStr(value) + "' is not a valid date and time");
}

// Raises unless the stamp names a day of years 1..9999 and a time of day.
void validateTimeStamp(const TTimeStamp& stamp) {
  if (stamp.Time < 0 || stamp.Time >= MSecsPerDay || stamp.Date < 1 || stamp.Date > MaxDateDay)
    throw EConvertError("'" + IntToStr(stamp.Date) + "." + IntToStr(stamp.Time) +
                        "' is not a valid timestamp");
}

// The days of a year before each month's first, from kMonthDays.
constexpr auto kDaysBeforeMonth = [] {
  std::array<std::array<int, 12>, 2> before{};
  for (int leap = 0; leap < 2; ++leap)
    for (int m = 1; m < 12; ++m)
      before[leap][m] = before[leap][m - 1] + kMonthDays[leap][m - 1];
  return before;
}();

// Day number (1 January 0001 = 1) of a valid date. Every timestamp field read
// comes here, so the month's offset is looked up, not summed.
std::int32_t dayNumberOf(int year, int month, int day) {
  const int dayOfYear = kDaysBeforeMonth[IsLeapYear(year)][month - 1] + day;
  const int priorYears = year - 1;
  return priorYears * kDaysInYear + priorYears / 4 - priorYears / 100 + priorYears / 400 +
         dayOfYear;
}

// Year, month and day of a valid day number.
void splitDayNumber(std::int32_t dayNumber, int& year, int& month, int& day) {
  int remaining = dayNumber - 1;
  year = 1 + remaining / kDaysIn400Years * 400;
  remaining %= kDaysIn400Years;
  int centuries = remaining / kDaysIn100Years;
  remaining %= kDaysIn100Years;
  if (centuries == 4) {  // the last day of a 400-year cycle
    centuries = 3;
    remaining += kDaysIn100Years;
  }
  year += centuries * 100;
  year += remaining / kDaysIn4Years * 4;
  remaining %= kDaysIn4Years;
  int years = remaining / kDaysInYear;
  remaining %= kDaysInYear;
  if (years == 4) {  // the last day of a leap year
    years = 3;
    remaining += kDaysInYear;
  }
  year += years;
  const bool leap = IsLeapYear(year);
  month = 1;
  while (remaining >= kMonthDays[leap][month - 1]) {
    remaining -= kMonthDays[leap][month - 1];
    ++month;
  }
  day = remaining + 1;
}

}  // namespace

// Gregorian leap-year rule.
bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// Length of a month, 0 for a month outside 1..12.
int DaysInMonth(int year, int month) {
  if (month < 1 || month > 12) return 0;
  return kMonthDays[IsLeapYear(year)][month - 1];
}

// Date value of a calendar date, reporting failure.
bool TryEncodeDate(int year, int month, int day, TDateTime& value) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return false;
  value = dayNumberOf(year, month, day) - DateDelta;
  return true;
}

// Date value of a calendar date, raising on failure.
TDateTime EncodeDate(int year, int month, int day) {
  TDateTime value;
  if (!TryEncodeDate(year, month, day, value))
    throw EConvertError("Invalid argument to date encode");
  return value;
}

// Time-of-day value, raising on failure.
TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  TDateTime value;
  if (!TryEncodeTime(hour, minute, second, msec, value))
    throw EConvertError("Invalid argument to time encode");
  return value;
}

// Splits into day and millisecond of the day. The whole part is the day and
// the fraction's size the time, so rounding up to midnight moves to the next
// calendar day on either side of day 0.
TTimeStamp DateTimeToTimeStamp(TDateTime value) {
  if (!std::isfinite(value) || value < -693594.0 || value > 2958466.0) raiseBadDateTime(value);
  double wholeDays = std::trunc(value);
  std::int64_t msecOfDay = std::llround(std::fabs(value - wholeDays) * MSecsPerDay);
  if (msecOfDay >= MSecsPerDay) {
    msecOfDay -= MSecsPerDay;
    wholeDays += 1;
  }
  TTimeStamp stamp;
  stamp.Date = static_cast<std::int32_t>(wholeDays) + DateDelta;
  stamp.Time = static_cast<std::int32_t>(msecOfDay);
  if (stamp.Date < 1 || stamp.Date > MaxDateDay) raiseBadDateTime(value);
  return stamp;
}

// Joins a valid stamp back into a date value.
TDateTime TimeStampToDateTime(const TTimeStamp& stamp) {
  validateTimeStamp(stamp);
  return ComposeDateTime(stamp.Date - DateDelta, stamp.Time / static_cast<double>(MSecsPerDay));
}

// Milliseconds since the start of day 0 of a valid stamp.
double TimeStampToMSecs(const TTimeStamp& stamp) {
  validateTimeStamp(stamp);
  return static_cast<double>(stamp.Date) * MSecsPerDay + stamp.Time;
}

// Stamp of a millisecond count, rounded to whole milliseconds.
TTimeStamp MSecsToTimeStamp(double msecs) {
  if (!std::isfinite(msecs) || msecs < 0 ||
      msecs >= (static_cast<double>(MaxDateDay) + 1) * MSecsPerDay)
    throw EConvertError("'" + FloatToStr(msecs) + "' is not a valid timestamp");
  const std::int64_t whole = std::llround(msecs);
  TTimeStamp stamp;
  stamp.Date = static_cast<std::int32_t>(whole / MSecsPerDay);
  stamp.Time = static_cast<std::int32_t>(whole % MSecsPerDay);
  validateTimeStamp(stamp);
  return stamp;
}

// Calendar date of a date value.
void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  splitDayNumber(DateTimeToTimeStamp(value).Date, year, month, day);
}

// Time of day of a date value.
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
  std::int32_t msecOfDay = DateTimeToTimeStamp(value).Time;
  msec = msecOfDay % 1000;
  msecOfDay /= 1000;
  second = msecOfDay % 60;
  msecOfDay /= 60;
  minute = msecOfDay % 60;
  hour = msecOfDay / 60;
}

// Weekday, 1 = Sunday; day 1 of the calendar was a Monday.
int DayOfWeek(TDateTime value) {
  return DateTimeToTimeStamp(value).Date % 7 + 1;
}

// The local wall clock to the millisecond.
TDateTime Now() {
  timespec clock{};
  ::clock_gettime(CLOCK_REALTIME, &clock);
  std::tm local{};
  ::localtime_r(&clock.tv_sec, &local);
  const int second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second
  return ComposeDateTime(
      EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday),
      EncodeTime(local.tm_hour, local.tm_min, second, static_cast<int>(clock.tv_nsec / 1000000)));
}

// Today at midnight.
TDateTime Date() {
  return std::floor(Now());
}

// The time of day alone.
TDateTime Time() {
  const TDateTime now = Now();
  return now - std::floor(now);
}

}  // namespace host
