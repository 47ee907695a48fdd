#include "host/datetime.h"

#include <gtest/gtest.h>

#include <cmath>

#include "host/sysutils.h"
#include "tests/host/settings_guard.h"

namespace {

using namespace host;

constexpr double kOneMsec = 1.0 / MSecsPerDay;

// ---------------------------------------------------------------------------
// The calendar: encoding, decoding and day numbers.

class CalendarTest : public ::testing::Test {};

TEST_F(CalendarTest, DayZeroIsThirtiethDecember1899AndTimeStampDay693594) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  const TTimeStamp stamp = DateTimeToTimeStamp(0);
  EXPECT_EQ(stamp.Date, 693594);
  EXPECT_EQ(stamp.Time, 0);
  EXPECT_EQ(TimeStampToDateTime(TTimeStamp{0, 693594}), 0.0);
  EXPECT_EQ(DateTimeToTimeStamp(EncodeDate(1, 1, 1)).Date, 1);
  EXPECT_EQ(DateTimeToTimeStamp(EncodeDate(9999, 12, 31)).Date, MaxDateDay);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
}

TEST_F(CalendarTest, EveryDayFromYearOneTo9999FollowsTheDayBefore) {
  int year = 1, month = 1, day = 1;
  for (TDateTime value = EncodeDate(1, 1, 1); value <= EncodeDate(9999, 12, 31); value += 1) {
    int y, m, d;
    DecodeDate(value, y, m, d);
    if (y != year || m != month || d != day) {
      FAIL() << "value " << value << " decodes as " << y << "-" << m << "-" << d << ", expected "
             << year << "-" << month << "-" << day;
    }
    if (++day > DaysInMonth(year, month)) {
      day = 1;
      if (++month > 12) {
        month = 1;
        ++year;
      }
    }
  }
  EXPECT_EQ(year, 10000);
}

TEST_F(CalendarTest, LeapYearsFollowTheGregorianRule) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(2100));
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2023, 13), 0);
  EXPECT_EQ(EncodeDate(2024, 3, 1) - EncodeDate(2024, 2, 28), 2.0);
  EXPECT_EQ(EncodeDate(1900, 3, 1) - EncodeDate(1900, 2, 28), 1.0);
}

TEST_F(CalendarTest, InvalidDatesAndTimesAreRefused) {
  TDateTime value = 42;
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, value));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, value));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1, value));
  EXPECT_FALSE(TryEncodeDate(2023, 0, 1, value));
  EXPECT_FALSE(TryEncodeDate(2023, 4, 31, value));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, value));
  EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, value));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, value));
  EXPECT_EQ(value, 42);
  try {
    EncodeDate(2023, 2, 29);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "Invalid argument to date encode");
  }
  EXPECT_THROW(EncodeTime(-1, 0, 0, 0), EConvertError);
  int y, m, d;
  EXPECT_THROW(DecodeDate(NAN, y, m, d), EConvertError);
  EXPECT_THROW(DecodeDate(EncodeDate(1, 1, 1) - 1, y, m, d), EConvertError);
}

TEST_F(CalendarTest, DatesBefore1899CountBackWithTimeCountingForward) {
  EXPECT_EQ(EncodeDate(1899, 12, 29), -1.0);
  const TDateTime sixInTheMorning = ComposeDateTime(-1, EncodeTime(6, 0, 0, 0));
  EXPECT_EQ(sixInTheMorning, -1.25);
  int y, m, d, h, n, s, ms;
  DecodeDate(-1.25, y, m, d);
  DecodeTime(-1.25, h, n, s, ms);
  EXPECT_EQ(y * 10000 + m * 100 + d, 18991229);
  EXPECT_EQ(h, 6);
  const TTimeStamp stamp = DateTimeToTimeStamp(-1.25);
  EXPECT_EQ(stamp.Date, 693593);
  EXPECT_EQ(stamp.Time, 6 * 3600000);
  EXPECT_EQ(TimeStampToDateTime(stamp), -1.25);
  // Round trips through time stamps far before and after day 0.
  for (const TDateTime value :
       {EncodeDate(1600, 2, 29), EncodeDate(1, 1, 1), EncodeDate(1850, 6, 15),
        EncodeDate(2400, 2, 29), EncodeDate(9999, 12, 31)}) {
    for (const TDateTime time : {0.0, EncodeTime(8, 15, 30, 125), EncodeTime(23, 59, 59, 999)}) {
      const TDateTime moment = ComposeDateTime(value, time);
      EXPECT_NEAR(TimeStampToDateTime(DateTimeToTimeStamp(moment)), moment, kOneMsec / 2);
      EXPECT_NEAR(
          TimeStampToDateTime(MSecsToTimeStamp(TimeStampToMSecs(DateTimeToTimeStamp(moment)))),
          moment, kOneMsec / 2);
    }
  }
}

TEST_F(CalendarTest, RoundingUpToMidnightMovesToTheNextDayOnBothSidesOfDayZero) {
  int y, m, d, h, n, s, ms;
  DecodeDate(0.9999999999, y, m, d);
  DecodeTime(0.9999999999, h, n, s, ms);
  EXPECT_EQ(y * 10000 + m * 100 + d, 18991231);
  EXPECT_EQ(h + n + s + ms, 0);
  // 23:59:59.99999 on 29 December 1899 is midnight of the 30th, not the 28th.
  DecodeDate(-1.9999999999, y, m, d);
  EXPECT_EQ(y * 10000 + m * 100 + d, 18991230);
  EXPECT_EQ(DateTimeToTimeStamp(-1.9999999999).Time, 0);
}

TEST_F(CalendarTest, DayOfWeekStartsOnSunday) {
  EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);  // a Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 5, 19)), 1);   // a Sunday
  EXPECT_EQ(DayOfWeek(EncodeDate(2000, 3, 1)), 4);    // a Wednesday
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);       // a Monday
  EXPECT_EQ(DayOfWeek(-1.25), 6);                     // Friday 29 December 1899
}

TEST_F(CalendarTest, TimeStampsOutsideTheCalendarRaise) {
  EXPECT_THROW(TimeStampToDateTime(TTimeStamp{0, 0}), EConvertError);
  EXPECT_THROW(TimeStampToDateTime(TTimeStamp{MSecsPerDay, 693594}), EConvertError);
  EXPECT_THROW(TimeStampToDateTime(TTimeStamp{-1, 693594}), EConvertError);
  EXPECT_THROW(TimeStampToMSecs(TTimeStamp{0, MaxDateDay + 1}), EConvertError);
  EXPECT_THROW(MSecsToTimeStamp(0), EConvertError);  // day 0 does not exist
  EXPECT_THROW(MSecsToTimeStamp(-1), EConvertError);
  EXPECT_THROW(MSecsToTimeStamp(NAN), EConvertError);
  EXPECT_THROW(DateTimeToTimeStamp(1e20), EConvertError);
  EXPECT_THROW(DateTimeToTimeStamp(INFINITY), EConvertError);
  const TTimeStamp stamp = MSecsToTimeStamp(693594.0 * MSecsPerDay + 45015250.4);
  EXPECT_EQ(stamp.Date, 693594);
  EXPECT_EQ(stamp.Time, 45015250);
}

TEST_F(CalendarTest, ClockReadsToday) {
  const TDateTime today = Date();
  EXPECT_EQ(today, std::floor(today));
  const TDateTime timeOfDay = Time();
  EXPECT_GE(timeOfDay, 0.0);
  EXPECT_LT(timeOfDay, 1.0);
  EXPECT_NEAR(Now(), today + timeOfDay, 1.0 / SecsPerDay);
  int y, m, d;
  DecodeDate(today, y, m, d);
  EXPECT_GE(y, 2024);
}

// ---------------------------------------------------------------------------
// Dates and times as text.

class DateTextTest : public host_test::FormatSettingsGuard {
 protected:
  // Wednesday 1 March 2000, 12:30:15.250
  const TDateTime moment_ = EncodeDate(2000, 3, 1) + EncodeTime(12, 30, 15, 250);
};

TEST_F(DateTextTest, PatternLettersExpand) {
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", moment_), "2000-03-01 12:30:15.250");
  EXPECT_EQ(FormatDateTime("d/m/yy h:n:s z", moment_), "1-3-00 12:30:15 250");
  EXPECT_EQ(FormatDateTime("hh:mm", moment_), "12:30");  // m after h is minutes
  EXPECT_EQ(FormatDateTime("mmm mmmm ddd dddd", moment_), "Mar March Wed Wednesday");
  EXPECT_EQ(FormatDateTime("'day' d \"of\" mmmm", moment_), "day 1 of March");
  EXPECT_EQ(FormatDateTime("ddddd", moment_), "2000-03-01");
  EXPECT_EQ(FormatDateTime("t|tt", moment_), "12:30|12:30:15");
  EXPECT_EQ(FormatDateTime("YYYY", moment_), "2000");
  EXPECT_EQ(FormatDateTime("yyyy", EncodeDate(33, 1, 1)), "0033");
}

TEST_F(DateTextTest, DefaultTextsFollowTheSettings) {
  EXPECT_EQ(DateToStr(moment_), "2000-03-01");
  EXPECT_EQ(TimeToStr(moment_), "12:30:15");
  EXPECT_EQ(DateTimeToStr(moment_), "2000-03-01 12:30:15");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2000, 3, 1)), "2000-03-01");  // midnight: date only
  EXPECT_EQ(DateTimeToStr(-1.25), "1899-12-29 06:00:00");
  EXPECT_EQ(FormatDateTime("", moment_), DateTimeToStr(moment_));
  FormatSettings.ShortDateFormat = "dd/mm/yyyy";
  FormatSettings.DateSeparator = '.';
  FormatSettings.TimeSeparator = '.';
  FormatSettings.LongTimeFormat = "hh:nn";
  EXPECT_EQ(DateTimeToStr(moment_), "01.03.2000 12.30");
}

TEST_F(DateTextTest, SelfReferringSettingsDoNotRecurseForever) {
  FormatSettings.ShortDateFormat = "ddddd";
  EXPECT_NO_THROW(DateToStr(moment_));
}

TEST_F(DateTextTest, ParsesWhatItWrites) {
  EXPECT_EQ(StrToDate("2024-02-29"), EncodeDate(2024, 2, 29));
  EXPECT_EQ(StrToTime("12:30"), EncodeTime(12, 30, 0, 0));
  EXPECT_EQ(StrToTime(" 12:30:15.250 "), EncodeTime(12, 30, 15, 250));
  EXPECT_EQ(StrToTime("12:30:15.5"), EncodeTime(12, 30, 15, 500));
  EXPECT_EQ(StrToDateTime("2000-03-01 12:30:15.250"), moment_);
  EXPECT_EQ(StrToDateTime("2000-03-01T12:30:15.250"), moment_);
  EXPECT_EQ(StrToDateTime("12:30"), EncodeTime(12, 30, 0, 0));
  EXPECT_EQ(StrToDateTime("2000-03-01"), EncodeDate(2000, 3, 1));
  for (const TDateTime value :
       {moment_, EncodeDate(1850, 6, 15) - EncodeTime(8, 0, 0, 0), EncodeDate(2000, 3, 1), 0.0,
        EncodeDate(1, 1, 1), EncodeTime(23, 59, 59, 0)}) {
    EXPECT_NEAR(StrToDateTime(DateTimeToStr(value)), value, 0.5 / SecsPerDay)
        << DateTimeToStr(value);
  }
}

TEST_F(DateTextTest, RefusesTextThatIsNoDate) {
  TDateTime value = 7;
  for (const char* bad :
       {"", "2023-02-29", "2000-13-01", "2000-03", "2000-03-01-02", "abc", "2000/03/01",
        "2000-03-01 25:00", "2000-03-01 12:60", "12", "12:30:15.1234", "2000-03-01 x"})
    EXPECT_FALSE(TryStrToDateTime(bad, value)) << bad;
  EXPECT_EQ(value, 7);
  try {
    StrToDate("2023-02-29");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'2023-02-29' is not a valid date");
  }
  EXPECT_THROW(StrToTime("12"), EConvertError);
  EXPECT_THROW(StrToDateTime("tomorrow"), EConvertError);
}

TEST_F(DateTextTest, DateOrderAndSeparatorComeFromTheSettings) {
  FormatSettings.ShortDateFormat = "dd.mm.yyyy";
  FormatSettings.DateSeparator = '.';
  EXPECT_EQ(DateToStr(moment_), "01.03.2000");
  EXPECT_EQ(StrToDate("01.03.2000"), EncodeDate(2000, 3, 1));
  EXPECT_EQ(StrToDate("1.3.2000"), EncodeDate(2000, 3, 1));
  FormatSettings.ShortDateFormat = "mm/dd/yyyy";
  FormatSettings.DateSeparator = '/';
  EXPECT_EQ(StrToDate("03/01/2000"), EncodeDate(2000, 3, 1));
}

TEST_F(DateTextTest, ShortYearsAndMissingYears) {
  int thisYear, m, d;
  DecodeDate(Date(), thisYear, m, d);
  int y;
  DecodeDate(StrToDate(IntToStr(thisYear % 100) + "-01-15"), y, m, d);
  EXPECT_EQ(y, thisYear);
  DecodeDate(StrToDate("03-01"), y, m, d);
  EXPECT_EQ(y, thisYear);
  EXPECT_EQ(m * 100 + d, 301);
}

}  // namespace
