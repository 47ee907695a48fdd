#include "host/variant.h"

#include <gtest/gtest.h>

#include "tests/support/velar_test.h"

#include <cmath>
#include <cstdint>
#include <type_traits>

#include "host/sysutils.h"
#include "tests/host/settings_guard.h"

namespace {

using namespace host;

using velar::testing::MessageOf;

class VariantTestBase : public host_test::FormatSettingsGuard {
 protected:
  const TDateTime moment_ = EncodeDate(2000, 3, 1) + EncodeTime(12, 30, 15, 0);
};

// ---------------------------------------------------------------------------
// What each C++ value becomes.

class VariantTypeTest : public VariantTestBase {};

TEST_F(VariantTypeTest, EachSourceTypeGetsItsVarType) {
  EXPECT_EQ(VarType(Variant()), varEmpty);
  EXPECT_EQ(VarType(Null()), varNull);
  EXPECT_EQ(VarType(Unassigned()), varEmpty);
  EXPECT_EQ(VarType(Variant(5)), varInteger);
  EXPECT_EQ(VarType(Variant(std::int16_t{5})), varSmallint);
  EXPECT_EQ(VarType(Variant(std::int8_t{5})), varShortInt);
  EXPECT_EQ(VarType(Variant(std::uint8_t{5})), varByte);
  EXPECT_EQ(VarType(Variant(std::uint16_t{5})), varWord);
  EXPECT_EQ(VarType(Variant(5u)), varLongWord);
  EXPECT_EQ(VarType(Variant(std::int64_t{5})), varInt64);
  EXPECT_EQ(VarType(Variant(5LL)), varInt64);
  EXPECT_EQ(VarType(Variant(std::size_t{5})), varInt64);
  EXPECT_EQ(VarType(Variant(1.5)), varDouble);
  EXPECT_EQ(VarType(Variant(1.5f)), varSingle);
  EXPECT_EQ(VarType(Variant(true)), varBoolean);
  EXPECT_EQ(VarType(Variant("x")), varString);
  EXPECT_EQ(VarType(Variant(std::string("x"))), varString);
  EXPECT_EQ(VarType(Variant('x')), varString);
  EXPECT_EQ(VarType(Variant(Currency(1))), varCurrency);
  EXPECT_EQ(VarType(Variant::FromDateTime(moment_)), varDate);
  EXPECT_THROW(Variant(std::uint64_t{1} << 63), EVariantError);
  // A stray pointer must not turn into a Boolean.
  static_assert(!std::is_constructible_v<Variant, const int*>);
  static_assert(!std::is_constructible_v<Variant, void*>);
}

TEST_F(VariantTypeTest, CategoriesOfTheUsualFamily) {
  EXPECT_TRUE(VarIsNumeric(Variant(1)));
  EXPECT_TRUE(VarIsNumeric(Variant(true)));  // Booleans are ordinal
  EXPECT_TRUE(VarIsNumeric(Variant(Currency(1))));
  EXPECT_FALSE(VarIsNumeric(Variant::FromDateTime(1)));
  EXPECT_FALSE(VarIsNumeric(Variant("1")));
  EXPECT_TRUE(VarIsStr(VarAsType(Variant(1), varOleStr)));
  EXPECT_TRUE(VarIsNull(Null()));
  EXPECT_FALSE(VarIsNull(Variant()));
  EXPECT_TRUE(VarIsEmpty(Variant()));
  EXPECT_TRUE(VarIsClear(Variant()));
  EXPECT_EQ(VarTypeAsText(varArray | varByte), "Array Byte");
}

TEST_F(VariantTypeTest, CopiesAreIndependentAndMovesLeaveEmpty) {
  Variant original("some text that is longer than a short string");
  Variant copy = original;
  original = Variant(5);
  EXPECT_EQ(copy.AsString(), "some text that is longer than a short string");
  Variant moved = std::move(copy);
  EXPECT_TRUE(copy.IsEmpty());  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(VarType(moved), varString);
  moved.Clear();
  EXPECT_TRUE(moved.IsEmpty());
}

// AssignText is assignment of a text variant done in place: whatever the
// Variant held before (a number, a longer text, an array) is gone, and a
// locked array refuses it as it refuses assignment.
TEST_F(VariantTypeTest, AssignTextReplacesAnyValueLikeAssignment) {
  Variant number(3.5);
  number.AssignText("customer name 123456");
  EXPECT_EQ(VarType(number), varString);
  EXPECT_EQ(number.TextView(), "customer name 123456");
  EXPECT_EQ(number, Variant("customer name 123456"));
  number.AssignText("x");  // shorter than what it held
  EXPECT_EQ(number.AsString(), "x");
  EXPECT_THROW(number.AsInteger(), EConvertError);  // no number left behind

  Variant array = VarArrayFromBytes("abc", 3);
  array.AssignText("");
  EXPECT_FALSE(array.IsArray());
  EXPECT_EQ(VarType(array), varString);
  EXPECT_TRUE(array.TextView().empty());

  Variant locked = VarArrayFromBytes("abc", 3);
  {
    VarArrayLockGuard lock(locked);
    EXPECT_EQ(MessageOf<EVariantError>([&] { locked.AssignText("y"); }), "Variant array is locked");
  }
  EXPECT_EQ(locked.AsString(), "abc");
}

// ---------------------------------------------------------------------------
// Conversions.

class VariantConversionTest : public VariantTestBase {};

TEST_F(VariantConversionTest, TextBecomesNumbersOrAConversionError) {
  EXPECT_EQ(Variant("42").AsInteger(), 42);
  EXPECT_EQ(Variant(" -7 ").AsInt64(), -7);
  EXPECT_EQ(Variant("1.5E3").AsDouble(), 1500.0);
  EXPECT_EQ(Variant("2.5").AsInteger(), 2);  // half to even
  EXPECT_EQ(Variant("3.5").AsInteger(), 4);
  EXPECT_EQ(MessageOf<EConvertError>([] { Variant("abc").AsInteger(); }),
            "'abc' is not a valid integer value");
  EXPECT_EQ(MessageOf<EConvertError>([] { Variant("1.5x").AsDouble(); }),
            "'1.5x' is not a valid floating point value");
  EXPECT_THROW(Variant("").AsInteger(), EConvertError);
  FormatSettings.DecimalSeparator = ',';
  EXPECT_EQ(Variant("1,5").AsDouble(), 1.5);
  EXPECT_EQ(Variant(1.5).AsString(), "1,5");
}

TEST_F(VariantConversionTest, NullRaisesOnTypedCastsButIsEmptyText) {
  const Variant null = Null();
  EXPECT_EQ(MessageOf<EVariantError>([&] { null.AsInteger(); }),
            "Could not convert variant of type (Null) into type (Integer)");
  EXPECT_EQ(MessageOf<EVariantError>([&] { null.AsDouble(); }),
            "Could not convert variant of type (Null) into type (Double)");
  EXPECT_EQ(MessageOf<EVariantError>([&] { null.AsString(); }),
            "Could not convert variant of type (Null) into type (String)");
  EXPECT_THROW(null.AsBoolean(), EVariantError);
  EXPECT_THROW(null.AsCurrency(), EVariantError);
  EXPECT_THROW(VarToDateTime(null), EVariantError);
  EXPECT_THROW(VarAsType(null, varString), EVariantError);
  EXPECT_EQ(VarToStr(null), "");
  EXPECT_EQ(VarToStrDef(null, "n/a"), "n/a");
  EXPECT_EQ(VarToStrDef(Variant(3), "n/a"), "3");
  EXPECT_TRUE(VarAsType(Variant(3), varNull).IsNull());
  // Empty is not Null: it converts to the neutral value.
  EXPECT_EQ(Variant().AsInteger(), 0);
  EXPECT_EQ(Variant().AsString(), "");
  EXPECT_FALSE(Variant().AsBoolean());
  EXPECT_EQ(Variant().AsDateTime(), 0.0);
}

TEST_F(VariantConversionTest, OutOfRangeValuesRaiseOverflow) {
  EXPECT_EQ(MessageOf<EVariantError>([] { Variant(3e9).AsInteger(); }),
            "Overflow while converting variant of type (Double) into type (Integer)");
  EXPECT_THROW(Variant(std::int64_t{1} << 40).AsInteger(), EVariantError);
  EXPECT_THROW(Variant(NAN).AsInt64(), EVariantError);
  EXPECT_THROW(Variant("99999999999").AsInteger(), EVariantError);
  EXPECT_THROW(VarAsType(Variant(300), varByte), EVariantError);
  EXPECT_THROW(VarAsType(Variant(-1), varWord), EVariantError);
  EXPECT_THROW(VarAsType(Variant(1e300), varSingle), EVariantError);
  EXPECT_THROW(Variant(1e20).AsCurrency(), EVariantError);
  EXPECT_THROW(Variant("1e20").AsCurrency(), EVariantError);
  EXPECT_EQ(VarType(VarAsType(Variant(255), varByte)), varByte);
  EXPECT_EQ(VarAsType(Variant(-32768), varSmallint).AsInteger(), -32768);
}

TEST_F(VariantConversionTest, BooleansFollowTheFrameworksTruthValues) {
  EXPECT_EQ(Variant(true).AsString(), "True");
  EXPECT_EQ(Variant(false).AsString(), "False");
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant(true).AsDouble(), -1.0);
  EXPECT_TRUE(Variant("TRUE").AsBoolean());
  EXPECT_FALSE(Variant("false").AsBoolean());
  EXPECT_FALSE(Variant("0").AsBoolean());
  EXPECT_TRUE(Variant("2").AsBoolean());
  EXPECT_TRUE(Variant(0.5).AsBoolean());
  EXPECT_FALSE(Variant(0.0).AsBoolean());
  EXPECT_TRUE(Variant(Currency::FromRaw(1)).AsBoolean());
  EXPECT_EQ(MessageOf<EConvertError>([] { Variant("yes").AsBoolean(); }),
            "'yes' is not a valid boolean value");
  EXPECT_EQ(VarType(VarAsType(Variant("True"), varBoolean)), varBoolean);
}

TEST_F(VariantConversionTest, NumbersBecomeTextThatReadsBack) {
  EXPECT_EQ(Variant(0.1).AsString(), "0.1");
  EXPECT_EQ(Variant(0.1f).AsString(), "0.1");
  EXPECT_EQ(Variant(INT64_MIN).AsString(), "-9223372036854775808");
  EXPECT_EQ(Variant(Currency::FromDouble(12.5)).AsString(), "12.5");
  EXPECT_EQ(Variant(std::uint8_t{200}).AsString(), "200");
  const double value = 1.0 / 3;
  EXPECT_EQ(Variant(Variant(value).AsString()).AsDouble(), value);
  const Variant text = VarAsType(Variant(42), varString);
  EXPECT_EQ(VarType(text), varString);
  EXPECT_EQ(text.AsString(), "42");
  EXPECT_EQ(text.TextView(), "42");
  EXPECT_THROW(Variant(42).TextView(), EVariantError);
}

TEST_F(VariantConversionTest, DatesToAndFromText) {
  const Variant date = Variant::FromDateTime(moment_);
  EXPECT_EQ(date.AsString(), "2000-03-01 12:30:15");
  EXPECT_EQ(Variant::FromDateTime(EncodeDate(2000, 3, 1)).AsString(), "2000-03-01");
  EXPECT_EQ(Variant("2000-03-01 12:30:15").AsDateTime(), moment_);
  EXPECT_EQ(VarToDateTime(Variant(date.AsString())), moment_);
  const Variant converted = VarAsType(Variant("2000-03-01"), varDate);
  EXPECT_EQ(VarType(converted), varDate);
  EXPECT_EQ(converted.AsDateTime(), EncodeDate(2000, 3, 1));
  EXPECT_EQ(Variant(36586).AsDateTime(), 36586.0);  // a number is a day count
  EXPECT_EQ(date.AsDouble(), moment_);
  EXPECT_EQ(MessageOf<EConvertError>([] { VarToDateTime(Variant("soon")); }),
            "'soon' is not a valid date and time");
  EXPECT_THROW(Variant::FromDateTime(1e20).AsString(), EConvertError);
}

TEST_F(VariantConversionTest, CurrencyConversionsStayExact) {
  EXPECT_EQ(Variant(1.00005).AsCurrency().Raw(), 10001);
  EXPECT_EQ(Variant("12.34565").AsCurrency().Raw(), 123457);
  EXPECT_EQ(Variant(INT32_MAX).AsCurrency(), Currency(INT32_MAX));
  EXPECT_EQ(Variant(true).AsCurrency(), Currency(-1));
  EXPECT_EQ(Variant(Currency::FromRaw(25000)).AsInteger(), 2);  // 2.5, half to even
  EXPECT_EQ(Variant(Currency::FromRaw(35000)).AsInteger(), 4);
  EXPECT_EQ(Variant(Currency::FromRaw(-35000)).AsInteger(), -4);
  EXPECT_EQ(Variant(Currency::FromRaw(123456)).AsDouble(), 12.3456);
  EXPECT_THROW(Variant("cash").AsCurrency(), EConvertError);
}

TEST_F(VariantConversionTest, KindsWithoutAConversionRaise) {
  const Variant array = VarArrayCreate({0, 1}, varVariant);
  EXPECT_EQ(MessageOf<EVariantError>([&] { array.AsInteger(); }),
            "Could not convert variant of type (Array Variant) into type (Integer)");
  EXPECT_THROW(array.AsString(), EVariantError);
  EXPECT_THROW(VarAsType(Variant(1), varVariant), EVariantError);
  EXPECT_THROW(VarAsType(Variant(1), varArray | varByte), EVariantError);
  // A byte array reads as the string of its bytes.
  EXPECT_EQ(VarArrayFromBytes("a\0b", 3).AsString(), std::string("a\0b", 3));
}

// ---------------------------------------------------------------------------
// Comparison.

class VariantComparisonTest : public VariantTestBase {};

TEST_F(VariantComparisonTest, NullEqualsOnlyNullAndOrdersFirst) {
  EXPECT_TRUE(Null() == Null());
  EXPECT_FALSE(Null() == Variant(0));
  EXPECT_FALSE(Null() == Variant());
  EXPECT_FALSE(Variant("") == Null());
  EXPECT_TRUE(Null() < Variant(-1000));
  EXPECT_FALSE(Variant(-1000) < Null());
  EXPECT_FALSE(Null() < Null());
  EXPECT_TRUE(Null() <= Null());
  EXPECT_EQ(VarCompareValue(Null(), Null()), vrEqual);
  EXPECT_EQ(VarCompareValue(Null(), Variant(1)), vrNotEqual);
  EXPECT_EQ(VarCompareValue(Variant(1), Null()), vrNotEqual);
  EXPECT_EQ(VarCompareValue(Variant(), Variant()), vrEqual);
  EXPECT_EQ(VarCompareValue(Variant(), Variant(0)), vrNotEqual);
}

TEST_F(VariantComparisonTest, EmptyStandsForZeroOrEmptyText) {
  EXPECT_TRUE(Variant() == Variant(0));
  EXPECT_TRUE(Variant() == Variant(""));
  EXPECT_TRUE(Variant() == Variant());
  EXPECT_FALSE(Variant() == Variant(1));
  EXPECT_TRUE(Variant() < Variant(1));
  EXPECT_TRUE(Variant(-1) < Variant());
  EXPECT_TRUE(Variant() < Variant("a"));
}

TEST_F(VariantComparisonTest, NumbersCompareByValueAcrossTypes) {
  EXPECT_TRUE(Variant(2) == Variant(2.0));
  EXPECT_TRUE(Variant(std::int16_t{2}) == Variant(std::int64_t{2}));
  EXPECT_TRUE(Variant(Currency::FromRaw(1000)) == Variant(0.1));
  EXPECT_TRUE(Variant(Currency(3)) == Variant(3));
  EXPECT_TRUE(Variant(Currency::FromRaw(29999)) < Variant(3));
  // 2^63-1 as an integer lies below the double 2^63 it would round to.
  EXPECT_TRUE(Variant(INT64_MAX) < Variant(9223372036854775808.0));
  EXPECT_FALSE(Variant(INT64_MAX) == Variant(9223372036854775808.0));
  EXPECT_EQ(VarCompareValue(Variant(1), Variant(2)), vrLessThan);
  EXPECT_EQ(VarCompareValue(Variant(2.5), Variant(2)), vrGreaterThan);
  EXPECT_EQ(VarCompareValue(Variant(NAN), Variant(1)), vrNotEqual);
  EXPECT_FALSE(Variant(NAN) == Variant(NAN));
}

TEST_F(VariantComparisonTest, TextComparesByLocaleAndCase) {
  EXPECT_TRUE(Variant("a") < Variant("B"));
  EXPECT_FALSE(Variant("a") == Variant("A"));
  EXPECT_TRUE(Variant("\xE9") < Variant("f"));
  EXPECT_EQ(VarCompareValue(Variant("b"), Variant("a")), vrGreaterThan);
  EXPECT_TRUE(Variant("x") == VarAsType(Variant("x"), varOleStr));
}

TEST_F(VariantComparisonTest, MixedKindsConvertTowardsTheNonText) {
  EXPECT_TRUE(Variant("10") == Variant(10));
  EXPECT_TRUE(Variant("10") > Variant(9));  // as text "10" < "9"
  EXPECT_TRUE(Variant("0.1") == Variant(Currency::FromRaw(1000)));
  EXPECT_THROW((void)(Variant("abc") == Variant(1)), EConvertError);
  const Variant date = Variant::FromDateTime(moment_);
  EXPECT_TRUE(date == Variant("2000-03-01 12:30:15"));
  EXPECT_TRUE(Variant::FromDateTime(EncodeDate(1999, 1, 1)) < date);
  EXPECT_TRUE(Variant(true) == Variant("True"));
  EXPECT_TRUE(Variant(false) < Variant(true));
  EXPECT_TRUE(Variant(true) == Variant(-1));
}

TEST_F(VariantComparisonTest, ArraysAreEqualElementWiseButHaveNoOrder) {
  const Variant bytes = VarArrayFromBytes("abc", 3);
  EXPECT_TRUE(bytes == VarArrayFromBytes("abc", 3));
  EXPECT_FALSE(bytes == VarArrayFromBytes("abd", 3));
  EXPECT_FALSE(bytes == VarArrayFromBytes("abc", 3, 1));  // other bounds
  EXPECT_FALSE(bytes == Variant("abc"));
  EXPECT_TRUE(VarArrayOf({1, "x", Null()}) == VarArrayOf({1.0, "x", Null()}));
  EXPECT_FALSE(VarArrayOf({1, "x"}) == VarArrayOf({1, "y"}));
  EXPECT_EQ(VarCompareValue(bytes, VarArrayFromBytes("abc", 3)), vrEqual);
  EXPECT_EQ(VarCompareValue(bytes, VarArrayFromBytes("ab", 2)), vrNotEqual);
  EXPECT_EQ(MessageOf<EVariantError>([&] { (void)(bytes < bytes); }), "Invalid variant operation");
}

}  // namespace
