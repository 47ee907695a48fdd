#include "host/currency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "host/sysutils.h"
#include "tests/host/settings_guard.h"

namespace {

using namespace host;

const Currency kMax = Currency::FromRaw(INT64_MAX);
const Currency kMin = Currency::FromRaw(INT64_MIN);

class CurrencyTest : public host_test::FormatSettingsGuard {};

TEST_F(CurrencyTest, FromDoubleRoundsHalfAwayFromZeroAtTheFifthDecimal) {
  EXPECT_EQ(Currency::FromDouble(12.3456).Raw(), 123456);
  EXPECT_EQ(Currency::FromDouble(1.00005).Raw(), 10001);  // binary value is a hair below
  EXPECT_EQ(Currency::FromDouble(-1.00005).Raw(), -10001);
  EXPECT_EQ(Currency::FromDouble(0.00004).Raw(), 0);
  EXPECT_EQ(Currency::FromDouble(0.000049999).Raw(), 0);
  EXPECT_EQ(Currency::FromDouble(2.00015).Raw(), 20002);
  EXPECT_EQ(Currency::FromDouble(7.5).Raw(), 75000);
  EXPECT_EQ(Currency::FromDouble(1e-300).Raw(), 0);
  EXPECT_EQ(Currency::FromDouble(-0.0).Raw(), 0);
  EXPECT_EQ(Currency::FromDouble(922337203685477.0).Raw(), 9223372036854770000);
  EXPECT_THROW(Currency::FromDouble(1e15), EConvertError);
  EXPECT_THROW(Currency::FromDouble(NAN), EConvertError);
  EXPECT_THROW(Currency::FromDouble(-INFINITY), EConvertError);
}

// Every multiple of 0.00001 up to 2 spells itself, so its rounding is known
// without the conversion: half of them are ties, which must round away from
// zero even where the double lies a hair below or above the tie.
TEST_F(CurrencyTest, FromDoubleAgreesWithTheSpellingOnEveryFifthDecimal) {
  for (std::int64_t i = 0; i <= 200000; ++i) {
    const double value = static_cast<double>(i) / 100000.0;
    ASSERT_EQ(Currency::FromDouble(value).Raw(), (i + 5) / 10) << value;
    ASSERT_EQ(Currency::FromDouble(-value).Raw(), -((i + 5) / 10)) << -value;
  }
  // Large magnitudes: ties and near-ties where the product has few fraction bits.
  EXPECT_EQ(Currency::FromDouble(123456789012.00005).Raw(), 1234567890120001);
  EXPECT_EQ(Currency::FromDouble(123456789012.0001).Raw(), 1234567890120001);
  EXPECT_EQ(Currency::FromDouble(-450359962737.04956).Raw(), -4503599627370496);
}

TEST_F(CurrencyTest, ToDoubleGivesTheNearestDouble) {
  EXPECT_EQ(Currency::FromRaw(75000).ToDouble(), 7.5);
  EXPECT_EQ(Currency::FromRaw(123456).ToDouble(), 12.3456);
  EXPECT_EQ(Currency::FromRaw(1).ToDouble(), 0.0001);
}

TEST_F(CurrencyTest, ArithmeticIsExactAndRoundsProductsAndQuotients) {
  const Currency tenCents = StrToCurr("0.1");
  EXPECT_EQ(tenCents + StrToCurr("0.2"), StrToCurr("0.3"));          // no binary drift
  EXPECT_EQ((StrToCurr("1.2345") * StrToCurr("1.1")).Raw(), 13580);  // 1.35795
  EXPECT_EQ((StrToCurr("-1.2345") * StrToCurr("1.1")).Raw(), -13580);
  EXPECT_EQ((Currency(1) / Currency(3)).Raw(), 3333);
  EXPECT_EQ((Currency(2) / Currency(3)).Raw(), 6667);
  EXPECT_EQ((Currency(-2) / Currency(3)).Raw(), -6667);
  EXPECT_EQ((Currency(10) / std::int64_t{4}).Raw(), 25000);
  EXPECT_EQ((Currency(1) / std::int64_t{3}).Raw(), 3333);
  EXPECT_EQ((tenCents * std::int64_t{3}).Raw(), 3000);
  EXPECT_EQ(Currency(5) - Currency(7), Currency(-2));
  EXPECT_LT(Currency(-1), tenCents);
  EXPECT_EQ(StrToCurr("2.5").Round(), 3);
  EXPECT_EQ(StrToCurr("-2.5").Round(), -3);
  EXPECT_EQ(StrToCurr("-2.7").Trunc(), -2);
}

TEST_F(CurrencyTest, OverflowAndDivisionByZeroRaise) {
  EXPECT_THROW(kMax + Currency::FromRaw(1), EConvertError);
  EXPECT_THROW(kMin - Currency::FromRaw(1), EConvertError);
  EXPECT_THROW(-kMin, EConvertError);
  EXPECT_THROW(kMax * Currency(2), EConvertError);
  EXPECT_THROW(kMax * std::int64_t{2}, EConvertError);
  EXPECT_THROW(Currency(1) / Currency(0), EConvertError);
  EXPECT_THROW(Currency(1) / std::int64_t{0}, EConvertError);
  EXPECT_THROW(Currency::FromInt64(INT64_MAX / 10000 + 1), EConvertError);
  EXPECT_EQ(Currency::FromInt64(-5).Raw(), -50000);
  try {
    (void)(kMax + kMax);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "Currency value out of range");
  }
}

TEST_F(CurrencyTest, TextHasNoTrailingZeros) {
  EXPECT_EQ(CurrToStr(StrToCurr("12.3456")), "12.3456");
  EXPECT_EQ(CurrToStr(Currency::FromDouble(7.5)), "7.5");
  EXPECT_EQ(CurrToStr(StrToCurr("-0.25")), "-0.25");
  EXPECT_EQ(CurrToStr(Currency(100)), "100");
  EXPECT_EQ(CurrToStr(Currency()), "0");
  EXPECT_EQ(CurrToStr(StrToCurr("0.0001")), "0.0001");
  EXPECT_EQ(CurrToStr(kMin), "-922337203685477.5808");
  EXPECT_EQ(CurrToStr(kMax), "922337203685477.5807");
  FormatSettings.DecimalSeparator = ',';
  EXPECT_EQ(CurrToStr(StrToCurr("1,5")), "1,5");
}

TEST_F(CurrencyTest, TextParsesExactlyAndRoundsHalfAwayFromZero) {
  EXPECT_EQ(StrToCurr(" 12.3456 ").Raw(), 123456);
  EXPECT_EQ(StrToCurr("12.34565").Raw(), 123457);
  EXPECT_EQ(StrToCurr("-12.34565").Raw(), -123457);
  EXPECT_EQ(StrToCurr("12.345649999").Raw(), 123456);
  EXPECT_EQ(StrToCurr("0.00005").Raw(), 1);
  EXPECT_EQ(StrToCurr("1.5E3").Raw(), 15000000);
  EXPECT_EQ(StrToCurr("12345e-8").Raw(), 1);
  EXPECT_EQ(StrToCurr("000000000000000000000000001").Raw(), 10000);
  EXPECT_EQ(StrToCurr("922337203685477.5807"), kMax);
  EXPECT_EQ(StrToCurr("-922337203685477.5808"), kMin);
  EXPECT_EQ(StrToCurr("0e999999"), Currency());
  Currency value = Currency(9);
  for (const char* bad : {"922337203685477.5808", "-922337203685477.58085", "1e20", "abc", "",
                          "1.2.3", "1e", ".", "1,5"})
    EXPECT_FALSE(TryStrToCurr(bad, value)) << bad;
  EXPECT_EQ(value, Currency(9));
  try {
    StrToCurr("abc");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'abc' is not a valid floating point value");
  }
  EXPECT_EQ(StrToCurrDef("?", Currency(4)), Currency(4));
}

}  // namespace
