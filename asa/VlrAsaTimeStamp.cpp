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
// filled. A value outside the host's date range leaves the record as it was.
// The value is split into day and time once: inserts write a record per row.
void PutAsaTimeStamp(TAsaTimeStamp& Stamp, host::TDateTime Value) {
  try {
    const host::TTimeStamp split = host::DateTimeToTimeStamp(Value);
    const std::int32_t seconds = split.Time / 1000;
    Stamp.hour = static_cast<std::uint8_t>(seconds / 3600);
    Stamp.minute = static_cast<std::uint8_t>(seconds / 60 % 60);
    Stamp.second = static_cast<std::uint8_t>(seconds % 60);
    Stamp.microsecond = split.Time % 1000 * 1000;
    int year = 0, month = 0, day = 0;
    host::DecodeDate(Value, year, month, day);
    Stamp.year = static_cast<std::int16_t>(year);
    Stamp.month = static_cast<std::uint8_t>(month - 1);
    // Day 1 of the calendar was a Monday; the record counts from Sunday = 0.
    Stamp.day_of_week = static_cast<std::uint8_t>(split.Date % 7);
    host::TDateTime newYear = 0;
    host::TryEncodeDate(year, 1, 1, newYear);
    Stamp.day_of_year = static_cast<std::int16_t>(split.Date - host::DateDelta -
                                                  static_cast<std::int32_t>(newYear));
    Stamp.day = static_cast<std::uint8_t>(day);
  } catch (const host::Exception&) {
  }
}

}  // namespace velar
