// Dates and times of the host framework.
//
// TDateTime counts days since 30 December 1899 (value 0); the fraction is the
// time of day. Before that day the whole part counts back and the fraction
// still counts forward from midnight of that day: -1.25 is 29 December 1899,
// 06:00. TTimeStamp splits the same moment into a day number (1 January of
// year 1 is day 1, so 30 December 1899 is day 693594) and milliseconds since
// midnight. Dates run from year 1 to 9999; anything outside, and every text
// or number that is no valid date or time, raises EConvertError.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/exceptions.h"

namespace host {

using TDateTime = double;

struct TTimeStamp {
  std::int32_t Time = 0;  // milliseconds since midnight
  std::int32_t Date = 0;  // days since 1 January 0001, which is day 1
};

inline constexpr int HoursPerDay = 24;
inline constexpr int MinsPerDay = HoursPerDay * 60;
inline constexpr int SecsPerDay = MinsPerDay * 60;
inline constexpr std::int32_t MSecsPerDay = SecsPerDay * 1000;
inline constexpr std::int32_t DateDelta = 693594;    // day number of 30 December 1899
inline constexpr std::int32_t MaxDateDay = 3652059;  // day number of 31 December 9999

bool IsLeapYear(int year);
// Days in the month of that year; 0 when the month is not 1..12.
int DaysInMonth(int year, int month);

// Encoding fails for a year outside 1..9999, a month outside 1..12, a day
// outside the month, or hour 24 and beyond, minute or second 60, msec 1000.
bool TryEncodeDate(int year, int month, int day, TDateTime& value);
// Inline, as ComposeDateTime: every timestamp field read encodes its time
// of day and joins it to its date.
inline bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& value) {
  if (hour < 0 || hour >= HoursPerDay || minute < 0 || minute >= 60 || second < 0 || second >= 60 ||
      msec < 0 || msec >= 1000)
    return false;
  value = (((hour * 60 + minute) * 60 + second) * 1000 + msec) / static_cast<double>(MSecsPerDay);
  return true;
}
TDateTime EncodeDate(int year, int month, int day);  // "Invalid argument to date encode"
TDateTime EncodeTime(int hour, int minute, int second,
                     int msec);  // "Invalid argument to time encode"
// Joins a date (whole days) and a time of day (fraction) the way negative
// values need: ComposeDateTime(-1, 0.25) is -1.25, not -0.75.
inline TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
  return date < 0 ? date - time : date + time;
}

// Both round the value to the nearest millisecond first, so 23:59:59.9999
// decodes as midnight of the next day in DecodeDate and DecodeTime alike.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime value);

// Time stamps. A time stamp is valid with Date in 1..MaxDateDay and Time in
// 0..MSecsPerDay-1; the conversions raise EConvertError for any other.
TTimeStamp DateTimeToTimeStamp(TDateTime value);
TDateTime TimeStampToDateTime(const TTimeStamp& stamp);
double TimeStampToMSecs(const TTimeStamp& stamp);  // Date * MSecsPerDay + Time
TTimeStamp MSecsToTimeStamp(double msecs);         // the reverse, rounded to whole msecs

// The local clock.
TDateTime Now();
TDateTime Date();  // today at midnight
TDateTime Time();  // the time of day alone

// Pattern letters (case does not matter):
//   y, yy  two-digit year          yyy, yyyy  four-digit year
//   m, mm  month (minutes right after an h or hh)
//   mmm    short month name        mmmm  long month name
//   d, dd  day                     ddd, dddd  short, long day name
//   ddddd  ShortDateFormat         dddddd  LongDateFormat
//   h, hh  hour (0..23)            n, nn  minute        s, ss  second
//   z      milliseconds            zzz   milliseconds, three digits
//   c      ShortDateFormat, then LongTimeFormat when the time is not midnight
//   t, tt  ShortTimeFormat, LongTimeFormat
//   /      FormatSettings.DateSeparator     :  FormatSettings.TimeSeparator
//   "..." or '...'  literal text; any other character stands for itself.
// An empty pattern means "c".
std::string FormatDateTime(std::string_view pattern, TDateTime value);
std::string DateToStr(TDateTime value);      // ShortDateFormat
std::string TimeToStr(TDateTime value);      // LongTimeFormat
std::string DateTimeToStr(TDateTime value);  // "c"

// Date text holds day, month and year as numbers in the order of
// ShortDateFormat, separated by DateSeparator or by the separator that
// ShortDateFormat itself uses; without a year it is the current year. A year
// of one or two digits lies within 50 years of today. Time text is
// h:n, h:n:s or h:n:s.zzz with TimeSeparator. Date-and-time text is a date, a
// time, or a date and a time separated by blanks or "T".
bool TryStrToDate(std::string_view text, TDateTime& value);
bool TryStrToTime(std::string_view text, TDateTime& value);
bool TryStrToDateTime(std::string_view text, TDateTime& value);
TDateTime StrToDate(std::string_view text);      // "'x' is not a valid date"
TDateTime StrToTime(std::string_view text);      // "'x' is not a valid time"
TDateTime StrToDateTime(std::string_view text);  // "'x' is not a valid date and time"

}  // namespace host
