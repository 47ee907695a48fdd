// The ASA timestamp record and the host's date and time.
#include <cstring>

#include "host/datetime.h"
#include "asa/VlrAsa.h"
#include "tests/asa/asa_fixture.h"

namespace asa_test {
namespace {

using velar::GetAsaTimeStamp;
using velar::PutAsaTimeStamp;
using velar::TAsaTimeStamp;

TEST(AsaTimeStamp, EveryFieldIsWrittenAndTheTimeOfDayReadBack) {
  const host::TDateTime moment =
      host::ComposeDateTime(host::EncodeDate(2000, 3, 1), host::EncodeTime(12, 30, 15, 250));
  TAsaTimeStamp stamp{};
  PutAsaTimeStamp(stamp, moment);
  EXPECT_EQ(stamp.year, 2000);
  EXPECT_EQ(stamp.month, 2);
  EXPECT_EQ(stamp.day_of_week, 3) << "a Wednesday";
  EXPECT_EQ(stamp.day_of_year, 60) << "31 + 29 days before it: a leap year";
  EXPECT_EQ(stamp.day, 1);
  EXPECT_EQ(stamp.hour, 12);
  EXPECT_EQ(stamp.minute, 30);
  EXPECT_EQ(stamp.second, 15);
  const std::int32_t microsecond = stamp.microsecond;  // a packed field
  EXPECT_EQ(microsecond, 250000);
  EXPECT_EQ(GetAsaTimeStamp(stamp),
            host::ComposeDateTime(host::EncodeDate(2000, 3, 1), host::EncodeTime(12, 30, 15, 0)))
      << "milliseconds are not read back";

  PutAsaTimeStamp(stamp, host::EncodeDate(2001, 3, 1));
  EXPECT_EQ(stamp.day_of_year, 59) << "no leap day in 2001";
  EXPECT_EQ(stamp.hour, 0);
}

TEST(AsaTimeStamp, RecordsThatFormNoDateGiveDayZero) {
  TAsaTimeStamp stamp;
  std::memset(&stamp, 0, sizeof stamp);
  EXPECT_EQ(GetAsaTimeStamp(stamp), 0.0) << "month index 0, day 0";
  stamp.year = 2000;
  stamp.month = 1;
  stamp.day = 30;  // 30 February
  EXPECT_EQ(GetAsaTimeStamp(stamp), 0.0);
  stamp.day = 29;
  stamp.hour = 24;
  EXPECT_EQ(GetAsaTimeStamp(stamp), 0.0);

  // A value outside the host's dates leaves the record as it was.
  TAsaTimeStamp kept{};
  kept.year = 1999;
  PutAsaTimeStamp(kept, 1e9);
  EXPECT_EQ(kept.year, 1999);
}

}  // namespace
}  // namespace asa_test
