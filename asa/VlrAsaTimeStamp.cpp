// The ASA timestamp record and the host's date and time.
#include <cstddef>

#include "asa/VlrAsaSQL.h"
#include "asa/VlrAsaSession.h"
#include "host/datetime.h"

namespace velar {

// The record the driver hands out is the library's own, field for field.
static_assert(sizeof(TAsaTimeStamp) == sizeof(dbt_timestamp) && sizeof(TAsaTimeStamp) == 14);
static_assert(offsetof(TAsaTimeStamp, month) == offsetof(dbt_timestamp, month) &&
              offsetof(TAsaTimeStamp, day_of_year) == offsetof(dbt_timestamp, day_of_year) &&
              offsetof(TAsaTimeStamp, day) == offsetof(dbt_timestamp, day) &&
              offsetof(TAsaTimeStamp, second) == offsetof(dbt_timestamp, second) &&
              offsetof(TAsaTimeStamp, microsecond) == offsetof(dbt_timestamp, microsecond));

// Only the calendar fields and the time of day count; a record that forms
// no date (a zero-filled one, for instance) is day 0.
host::TDateTime GetAsaTimeStamp(const TAsaTimeStamp& Stamp) {
  host::TDateTime date = 0;
  host::TDateTime time = 0;
  if (!host::TryEncodeDate(Stamp.year, Stamp.month + 1, Stamp.day, date) ||
      !host::TryEncodeTime(Stamp.hour, Stamp.minute, Stamp.second, 0, time))
    return 0;
  return host::ComposeDateTime(date, time);
}

// Day of week and day of year are derived, as the server expects them
// filled. A value outside the host's date range leaves the fields written
// so far.
void PutAsaTimeStamp(TAsaTimeStamp& Stamp, host::TDateTime Value) {
  try {
    int hour = 0, minute = 0, second = 0, msec = 0;
    host::DecodeTime(Value, hour, minute, second, msec);
    Stamp.hour = static_cast<std::uint8_t>(hour);
    Stamp.minute = static_cast<std::uint8_t>(minute);
    Stamp.second = static_cast<std::uint8_t>(second);
    Stamp.microsecond = msec * 1000;
    int year = 0, month = 0, day = 0;
    host::DecodeDate(Value, year, month, day);
    Stamp.year = static_cast<std::int16_t>(year);
    Stamp.month = static_cast<std::uint8_t>(month - 1);
    Stamp.day_of_week = static_cast<std::uint8_t>(host::DayOfWeek(Value) - 1);
    int dayOfYear = day - 1;
    for (int m = 1; m < month; ++m)
      dayOfYear += host::DaysInMonth(year, m);
    Stamp.day_of_year = static_cast<std::int16_t>(dayOfYear);
    Stamp.day = static_cast<std::uint8_t>(day);
  } catch (const host::Exception&) {
  }
}

}  // namespace velar
