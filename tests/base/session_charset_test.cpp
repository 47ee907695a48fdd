#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/base/test_driver.h"

namespace {

using namespace velar_test;

// Windows-1252 and code page 850 spell "é" and "É" differently.
constexpr char kAnsiSmallE = '\xE9';
constexpr char kOemSmallE = '\x82';
constexpr char kOemCapitalE = '\x90';

class CharacterConversion : public ::testing::Test {
 protected:
  void SetUp() override { DriverLog::Reset(); }
  TTestSession session_{nullptr};
};

TEST_F(CharacterConversion, OffLeavesTheDestinationUntouched) {
  const char source[] = {'a', kAnsiSmallE, 'b'};
  char dest[] = {'x', 'y', 'z'};
  session_.TranslateChar(source, dest, sizeof(source), true);
  EXPECT_EQ(std::string(dest, 3), "xyz");
}

TEST_F(CharacterConversion, OnConvertsBothWaysAndInPlace) {
  session_.SetOEMConvert(true);
  const char ansi[] = {'a', kAnsiSmallE, 'b'};
  char oem[3] = {};
  session_.TranslateChar(ansi, oem, 3, true);
  EXPECT_EQ(std::string(oem, 3), std::string({'a', kOemSmallE, 'b'}));

  session_.TranslateChar(oem, oem, 3, false);
  EXPECT_EQ(std::string(oem, 3), std::string(ansi, 3));
}

TEST_F(CharacterConversion, CompareIgnoresCaseWithinTheLimit) {
  EXPECT_TRUE(session_.TranslateLICompChar("abcX", "ABCy", 3));
  EXPECT_FALSE(session_.TranslateLICompChar("abcX", "ABCy", 4));
  EXPECT_TRUE(session_.TranslateLICompChar(nullptr, "", 5));
  EXPECT_FALSE(session_.TranslateLICompChar(nullptr, "a", 5));
}

// OEM letters only match their other case once read as OEM text; the
// callers' buffers are compared through copies and stay as they were.
TEST_F(CharacterConversion, CompareReadsOemTextWhenOn) {
  char left[] = {'n', kOemSmallE, 'e', '\0'};
  char right[] = {'N', kOemCapitalE, 'E', '\0'};
  EXPECT_FALSE(session_.TranslateLICompChar(left, right, 8));

  session_.SetOEMConvert(true);
  EXPECT_TRUE(session_.TranslateLICompChar(left, right, 8));
  EXPECT_EQ(left[1], kOemSmallE);
  EXPECT_EQ(right[1], kOemCapitalE);
  EXPECT_TRUE(session_.TranslateLICompChar(left, "N\x90Z", 2));
  EXPECT_FALSE(session_.TranslateLICompChar(left, "N\x90Z", 3));
}

}  // namespace
