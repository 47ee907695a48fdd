#include "host/sysutils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "tests/host/settings_guard.h"
#include "tests/support/velar_test.h"

namespace {

using namespace host;

// ---------------------------------------------------------------------------
// Windows-1252 text: case and locale-aware comparison.

class AnsiTextTest : public ::testing::Test {};

TEST_F(AnsiTextTest, CaseMappingCoversLatin1LettersButNotSigns) {
  EXPECT_EQ(AnsiUpperCase("m\xFCller \xE9t\xE9"), "M\xDCLLER \xC9T\xC9");
  EXPECT_EQ(AnsiLowerCase("\xC0\xC9\xD6\xDE"), "\xE0\xE9\xF6\xFE");
  // The pairs that Windows-1252 keeps in 0x80..0x9F, and y with diaeresis.
  EXPECT_EQ(AnsiUpperCase("\x9A\x9C\x9E\xFF"), "\x8A\x8C\x8E\x9F");
  EXPECT_EQ(AnsiLowerCase("\x8A\x8C\x8E\x9F"), "\x9A\x9C\x9E\xFF");
  // Sharp s has no capital; multiplication and division signs are no letters.
  EXPECT_EQ(AnsiUpperCase("\xDF\xF7"), "\xDF\xF7");
  EXPECT_EQ(AnsiLowerCase("\xD7"), "\xD7");
  // The plain forms touch ASCII only.
  EXPECT_EQ(UpperCase("abc\xE9"), "ABC\xE9");
  EXPECT_EQ(LowerCase("ABC\xC9"), "abc\xC9");
}

TEST_F(AnsiTextTest, CompareTextIgnoresCaseOfAccentedLettersButNotAccents) {
  EXPECT_EQ(AnsiCompareText("M\xFCller", "M\xDCLLER"), 0);
  EXPECT_TRUE(
      AnsiSameText("\xC9"
                   "cole",
                   "\xE9"
                   "COLE"));
  EXPECT_NE(AnsiCompareText("resume", "r\xE9sum\xE9"), 0);
  EXPECT_NE(AnsiCompareText("abc", "abcd"), 0);
}

TEST_F(AnsiTextTest, LocaleOrderPutsAccentedLettersBesideTheirBase) {
  // e < e-acute < f, and the base letters decide before any accent does.
  EXPECT_LT(AnsiCompareText("e", "\xE9"), 0);
  EXPECT_LT(AnsiCompareText("\xE9", "f"), 0);
  EXPECT_LT(AnsiCompareText("\xE9"
                            "a",
                            "eb"),
            0);
  // Punctuation before digits before letters.
  EXPECT_LT(AnsiCompareText("_x", "1x"), 0);
  EXPECT_LT(AnsiCompareText("9", "a"), 0);
  // The ASCII comparison upper-cases, so '_' lands after the letters there.
  EXPECT_GT(CompareText("_", "a"), 0);
  EXPECT_EQ(CompareText("Name", "NAME"), 0);
}

TEST_F(AnsiTextTest, CaseSensitiveOrderIsByLetterThenLowerBeforeUpper) {
  EXPECT_LT(AnsiCompareStr("a", "B"), 0);  // byte order would say otherwise
  EXPECT_LT(AnsiCompareStr("a", "A"), 0);
  EXPECT_NE(AnsiCompareStr("abc", "ABC"), 0);
  EXPECT_EQ(AnsiCompareStr("abc", "abc"), 0);
  EXPECT_LT(AnsiStrComp("apple", "Banana"), 0);
  EXPECT_EQ(AnsiStrIComp("\xC9T\xC9", "\xE9t\xE9"), 0);
}

TEST_F(AnsiTextTest, BoundedComparisonStopsAtTheLimitOrTheTerminator) {
  EXPECT_EQ(AnsiStrLIComp("SMITHxxx", "smithyyy", 5), 0);
  EXPECT_NE(AnsiStrLIComp("SMITHxxx", "smithyyy", 6), 0);
  EXPECT_NE(AnsiStrLIComp("smith", "smithson", 8), 0);
  EXPECT_EQ(AnsiStrLIComp(nullptr, "", 4), 0);
  EXPECT_LT(AnsiStrLIComp(nullptr, "a", 4), 0);
  EXPECT_EQ(AnsiStrLIComp("\xC9"
                          "COLE",
                          "\xE9"
                          "cole",
                          10),
            0);
  // A full buffer slot has no terminator: nothing past the limit is read.
  const char slot[5] = {'S', 'M', 'I', 'T', 'H'};
  EXPECT_EQ(AnsiStrLIComp(slot, "smith", sizeof slot), 0);
  EXPECT_EQ(AnsiStrLIComp("", "", 4), 0);
}

TEST_F(AnsiTextTest, SearchingFindsExactBytes) {
  const char* text = "Blacksmith";
  EXPECT_EQ(AnsiStrPos(text, "smith"), text + 5);
  EXPECT_EQ(AnsiStrPos(text, "Smith"), nullptr);
  EXPECT_EQ(AnsiStrPos(text, ""), nullptr);
  EXPECT_EQ(AnsiStrPos("", "a"), nullptr);
  EXPECT_EQ(AnsiStrPos(static_cast<const char*>(nullptr), "a"), nullptr);
  EXPECT_EQ(Pos("smith", "Blacksmith"), 6u);
  EXPECT_EQ(Pos("x", "Blacksmith"), 0u);
  EXPECT_EQ(Pos("", "Blacksmith"), 0u);
}

// ---------------------------------------------------------------------------
// String editing.

class StringEditTest : public ::testing::Test {};

TEST_F(StringEditTest, TrimRemovesBlanksAndControlCharacters) {
  EXPECT_EQ(Trim(" \t\r\n a b \x01"), "a b");
  EXPECT_EQ(TrimLeft("  a  "), "a  ");
  EXPECT_EQ(TrimRight("  a  "), "  a");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // no-break space is text here
}

TEST_F(StringEditTest, QuotedStrDoublesInnerQuotes) {
  EXPECT_EQ(QuotedStr("O'Neil"), "'O''Neil'");
  EXPECT_EQ(QuotedStr(""), "''");
}

TEST_F(StringEditTest, StringReplaceHonoursItsFlags) {
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", 0), "a+b-c");
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", rfReplaceAll), "a+b+c");
  EXPECT_EQ(StringReplace("xAx", "a", "b", rfReplaceAll), "xAx");
  EXPECT_EQ(StringReplace("\xC9t\xE9", "\xE9", "e", rfReplaceAll | rfIgnoreCase), "ete");
  // The replacement is not searched again, so this terminates.
  EXPECT_EQ(StringReplace("aa", "a", "aa", rfReplaceAll), "aaaa");
  EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
}

// ---------------------------------------------------------------------------
// Integer text.

class IntegerTextTest : public ::testing::Test {};

TEST_F(IntegerTextTest, ParsesDecimalAndHexadecimalWithinRange) {
  EXPECT_EQ(StrToInt(" 42 "), 42);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(StrToInt("$FF"), 255);
  EXPECT_EQ(StrToInt("0x7fffffff"), INT32_MAX);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("4294967296"), 4294967296LL);
}

TEST_F(IntegerTextTest, RejectsMalformedAndOutOfRangeText) {
  std::int32_t value = 99;
  for (const char* bad : {"", " ", "abc", "12a", "1 2", "--5", "+", "$", "0x", "1.5", "2147483648",
                          "-2147483649", "$100000000"}) {
    EXPECT_FALSE(TryStrToInt(bad, value)) << bad;
  }
  EXPECT_EQ(value, 99);  // a failed parse leaves the target alone
  std::int64_t wide;
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", wide));
  EXPECT_EQ(StrToIntDef("x", -5), -5);
  try {
    StrToInt("abc");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'abc' is not a valid integer value");
  }
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
}

TEST_F(IntegerTextTest, WritesDecimalAndHexadecimalOfEachWidth) {
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(IntToStr(UINT64_MAX), "18446744073709551615");
  EXPECT_EQ(IntToStr(-5), "-5");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0x1234, 2), "1234");
  EXPECT_EQ(IntToHex(-1, 1), "FFFFFFFF");
  EXPECT_EQ(IntToHex(std::int64_t{-1}, 1), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(std::int16_t{-2}, 1), "FFFE");
}

// ---------------------------------------------------------------------------
// Floating-point and truth-value text.

class FloatTextTest : public host_test::FormatSettingsGuard {};

TEST_F(FloatTextTest, FloatToStrUsesShortestDigitsAndTheUsualLayout) {
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(-0.5), "-0.5");
  EXPECT_EQ(FloatToStr(100), "100");
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(0.00001), "0.00001");
  EXPECT_EQ(FloatToStr(0.000001), "1E-6");
  EXPECT_EQ(FloatToStr(1.5e-7), "1.5E-7");
  EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToStr(1e15), "1E15");
  EXPECT_EQ(FloatToStr(-2.5e20), "-2.5E20");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(FloatToStr(NAN), "NAN");
  EXPECT_EQ(FloatToStr(-INFINITY), "-INF");
  EXPECT_EQ(SingleToStr(0.1f), "0.1");
}

TEST_F(FloatTextTest, TextRoundTripsEveryDouble) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 2000; ++i) {
    double value;
    const std::uint64_t bits = random();
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value)) continue;
    EXPECT_EQ(StrToFloat(FloatToStr(value)), value) << FloatToStr(value);
  }
}

TEST_F(FloatTextTest, StrToFloatAcceptsOnlyPlainNumbers) {
  EXPECT_EQ(StrToFloat(" -1.5E-7 "), -1.5e-7);
  EXPECT_EQ(StrToFloat("+.5"), 0.5);
  EXPECT_EQ(StrToFloat("3."), 3.0);
  EXPECT_EQ(StrToFloat("1e-400"), 0.0);  // underflow is zero, not an error
  double value = 7;
  for (const char* bad :
       {"", ".", "1e", "1e+", "abc", "inf", "nan", "1e400", "1,5", "0x10", "1.2.3", "- 1"})
    EXPECT_FALSE(TryStrToFloat(bad, value)) << bad;
  EXPECT_EQ(value, 7);
  try {
    StrToFloat("x1");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'x1' is not a valid floating point value");
  }
  EXPECT_EQ(StrToFloatDef("?", 2.5), 2.5);
}

TEST_F(FloatTextTest, DecimalSeparatorGovernsBothDirections) {
  FormatSettings.DecimalSeparator = ',';
  EXPECT_EQ(FloatToStr(1.5), "1,5");
  EXPECT_EQ(FloatToStr(2.5e-9), "2,5E-9");
  EXPECT_EQ(StrToFloat("1,5"), 1.5);
  double value;
  EXPECT_FALSE(TryStrToFloat("1.5", value));
}

TEST_F(FloatTextTest, TruthValuesByNameOrNumber) {
  EXPECT_EQ(BoolToStr(true), "-1");
  EXPECT_EQ(BoolToStr(false), "0");
  EXPECT_EQ(BoolToStr(true, true), "True");
  EXPECT_TRUE(StrToBool("TRUE"));
  EXPECT_FALSE(StrToBool(" false "));
  EXPECT_FALSE(StrToBool("0"));
  EXPECT_TRUE(StrToBool("-1"));
  EXPECT_TRUE(StrToBool("0.5"));
  EXPECT_TRUE(StrToBoolDef("maybe", true));
  try {
    StrToBool("yes");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'yes' is not a valid boolean value");
  }
}

// ---------------------------------------------------------------------------
// File names and the file system.

class FileNameTest : public ::testing::Test {};

TEST_F(FileNameTest, SplitsAtTheLastDelimiterAndTheLastDotOfTheName) {
  EXPECT_EQ(ExtractFilePath("/data/db.x/file.db"), "/data/db.x/");
  EXPECT_EQ(ExtractFileName("/data/db.x/file.db"), "file.db");
  EXPECT_EQ(ExtractFileExt("/data/db.x/file.db"), ".db");
  EXPECT_EQ(ExtractFileExt("/data/db.x/file"), "");
  EXPECT_EQ(ExtractFilePath("file.db"), "");
  EXPECT_EQ(ChangeFileExt("/data/db.x/file", ".log"), "/data/db.x/file.log");
  EXPECT_EQ(ChangeFileExt("a.tar.gz", ".zip"), "a.tar.zip");
  EXPECT_EQ(ChangeFileExt("a.db", ""), "a");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp/"), "/tmp/");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp/"), "/tmp");
}

TEST_F(FileNameTest, TellsFilesFromDirectories) {
  velar::testing::TempDir scratch("velar_sysutils");
  const std::string& directory = scratch.Path();
  ASSERT_FALSE(directory.empty());
  const std::string file = scratch.File("a.txt");
  EXPECT_FALSE(FileExists(file));
  FILE* handle = fopen(file.c_str(), "w");
  ASSERT_NE(handle, nullptr);
  fclose(handle);
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_TRUE(DirectoryExists(directory));
  EXPECT_FALSE(FileExists(directory));
  EXPECT_FALSE(FileExists(""));
}

}  // namespace
