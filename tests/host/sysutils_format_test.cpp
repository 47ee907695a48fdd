#include <gtest/gtest.h>

#include <cstdint>

#include "host/sysutils.h"
#include "tests/host/settings_guard.h"

namespace {

using namespace host;

class FormatTest : public host_test::FormatSettingsGuard {
 protected:
  // The message of the EConvertError that formatting raises, or "" if none.
  template <class... Args>
  static std::string errorOf(std::string_view format, const Args&... args) {
    try {
      Format(format, args...);
    } catch (const EConvertError& e) {
      return e.Message;
    }
    return "";
  }
};

TEST_F(FormatTest, FillsTextAndIntegers) {
  EXPECT_EQ(Format("Error %d: %s (%s)", -103, "Invalid user ID or password", "28000"),
            "Error -103: Invalid user ID or password (28000)");
  EXPECT_EQ(Format("VelarDB-%d", 12), "VelarDB-12");
  EXPECT_EQ(Format("Field \"%s\" not found.", std::string("NAME")), "Field \"NAME\" not found.");
  EXPECT_EQ(Format("no specifiers"), "no specifiers");
}

TEST_F(FormatTest, WidthFlagsAndPrecisionOfIntegers) {
  EXPECT_EQ(Format("[%5d|%-5d|%05d]", 42, 42, 42), "[   42|42   |00042]");
  EXPECT_EQ(Format("[%05d]", -42), "[-0042]");
  EXPECT_EQ(Format("[%.3d]", 7), "[007]");
  EXPECT_EQ(Format("[%6.3d]", -7), "[  -007]");
  EXPECT_EQ(Format("[%+d|% d|%+d]", 5, 5, -5), "[+5| 5|-5]");
  EXPECT_EQ(Format("%d", INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(Format("%u", UINT64_MAX), "18446744073709551615");
  EXPECT_EQ(Format("[%2d]", 12345), "[12345]");  // width never truncates
}

TEST_F(FormatTest, HexadecimalAndUnsignedUseTheArgumentsOwnWidth) {
  EXPECT_EQ(Format("%x %X", 255, 255), "ff FF");
  EXPECT_EQ(Format("%08X", 0xBEEF), "0000BEEF");
  EXPECT_EQ(Format("%.4X", 0x1F), "001F");
  EXPECT_EQ(Format("%x", -1), "ffffffff");
  EXPECT_EQ(Format("%x", std::int64_t{-1}), "ffffffffffffffff");
  EXPECT_EQ(Format("%x", std::int16_t{-1}), "ffff");
  EXPECT_EQ(Format("%u", -1), "4294967295");
}

TEST_F(FormatTest, FloatingPointStylesAndPrecision) {
  EXPECT_EQ(Format("%f", 1.5), "1.500000");
  EXPECT_EQ(Format("%.2f", 3.14159), "3.14");
  EXPECT_EQ(Format("[%8.3f|%-8.1f]", 3.14159, 2.0), "[   3.142|2.0     ]");
  EXPECT_EQ(Format("[%08.2f]", -3.14159), "[-0003.14]");
  EXPECT_EQ(Format("%e", 12345.678), "1.234568e+04");
  EXPECT_EQ(Format("%.2E", 0.000123), "1.23E-04");
  EXPECT_EQ(Format("%g %g", 0.0001, 100000.0), "0.0001 100000");
  EXPECT_EQ(Format("%G", 1e-10), "1E-10");
  EXPECT_EQ(Format("%+.1f", 2.25f), "+2.2");
  EXPECT_EQ(Format("%.0f", 1e300).size(), 301u);  // longer than any stack buffer
  FormatSettings.DecimalSeparator = ',';
  EXPECT_EQ(Format("%.2f", 1.5), "1,50");
}

TEST_F(FormatTest, StringsTakeWidthAndPrecision) {
  EXPECT_EQ(Format("[%6s|%-6s|%.3s]", "ab", "ab", "abcdef"), "[    ab|ab    |abc]");
  EXPECT_EQ(Format("%s%s", 'x', std::string_view("yz")), "xyz");
  EXPECT_EQ(Format("[%s]", static_cast<const char*>(nullptr)), "[]");
}

TEST_F(FormatTest, PercentAndIndexedArguments) {
  EXPECT_EQ(Format("100%%"), "100%");
  EXPECT_EQ(Format("%1:s %0:s", "world", "hello"), "hello world");
  EXPECT_EQ(Format("%1:s %s %0:s", "a", "b", "c"), "b c a");
  EXPECT_EQ(Format("%s=%d", {"rows", 3}), "rows=3");
}

TEST_F(FormatTest, MismatchedArgumentsRaiseInsteadOfMisbehaving) {
  EXPECT_EQ(errorOf("%d", "abc"), "Format '%d' invalid or incompatible with argument");
  EXPECT_EQ(errorOf("%s rows", 5), "Format '%s rows' invalid or incompatible with argument");
  EXPECT_EQ(errorOf("%f", 1), "Format '%f' invalid or incompatible with argument");
  EXPECT_EQ(errorOf("%x", 1.5), "Format '%x' invalid or incompatible with argument");
  EXPECT_EQ(errorOf("%d %d", 1), "No argument for format '%d %d'");
  EXPECT_EQ(errorOf("%5:d", 1), "No argument for format '%5:d'");
  EXPECT_NE(errorOf("%q", 1), "");
  EXPECT_NE(errorOf("%*d", 1, 2), "");
  EXPECT_NE(errorOf("50%", 1), "");
  EXPECT_NE(errorOf("%-", 1), "");
  EXPECT_EQ(errorOf("%d", 1, "surplus"), "");  // extra arguments are ignored
}

}  // namespace
