#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>
#include <string>

#include "host/os.h"

namespace {

// The system's own converter, as an independent reference for the tables.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
  ~Converter() {
    if (Ok()) ::iconv_close(cd_);
  }
  bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  // The single byte that c becomes, or none when it has no counterpart.
  std::optional<unsigned char> Convert(unsigned char c) {
    char in[1] = {static_cast<char>(c)};
    char out[8] = {};
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = 1, outLeft = sizeof out;
    ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    if (::iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        sizeof out - outLeft != 1)
      return std::nullopt;
    return static_cast<unsigned char>(out[0]);
  }

 private:
  iconv_t cd_;
};

unsigned char ToOem(unsigned char c) {
  char in = static_cast<char>(c), out = 0;
  host::CharToOemBuff(&in, &out, 1);
  return static_cast<unsigned char>(out);
}

unsigned char ToAnsi(unsigned char c) {
  char in = static_cast<char>(c), out = 0;
  host::OemToCharBuff(&in, &out, 1);
  return static_cast<unsigned char>(out);
}

class OsCodePage : public ::testing::Test {};

TEST_F(OsCodePage, EveryCharacterInBothPagesMapsAsTheSystemDoesAndRoundTrips) {
  Converter ansiToOem("IBM850", "CP1252"), oemToAnsi("CP1252", "IBM850");
  if (!ansiToOem.Ok() || !oemToAnsi.Ok()) GTEST_SKIP() << "no IBM850/CP1252 converter here";
  int shared = 0;
  for (int c = 0x20; c < 0x100; ++c) {
    if (c == 0x7F) continue;
    if (auto expected = ansiToOem.Convert(static_cast<unsigned char>(c))) {
      EXPECT_EQ(ToOem(static_cast<unsigned char>(c)), *expected) << "ANSI " << c;
      EXPECT_EQ(ToAnsi(ToOem(static_cast<unsigned char>(c))), c) << "ANSI " << c;
      ++shared;
    } else {
      EXPECT_NE(ToAnsi(ToOem(static_cast<unsigned char>(c))), c) << "ANSI " << c;
    }
    if (auto expected = oemToAnsi.Convert(static_cast<unsigned char>(c))) {
      EXPECT_EQ(ToAnsi(static_cast<unsigned char>(c)), *expected) << "OEM " << c;
      EXPECT_EQ(ToOem(ToAnsi(static_cast<unsigned char>(c))), c) << "OEM " << c;
    }
  }
  // All of printable ASCII, all of Latin-1's upper half and the florin sign.
  EXPECT_EQ(shared, 95 + 96 + 1);
}

TEST_F(OsCodePage, CharactersWithoutCounterpartTakeALookAlike) {
  EXPECT_EQ(ToOem(0x93), '"');   // left double quotation mark
  EXPECT_EQ(ToOem(0x8A), 'S');   // S with caron
  EXPECT_EQ(ToOem(0x80), '?');   // euro sign
  EXPECT_EQ(ToAnsi(0xC9), '+');  // box corner
  EXPECT_EQ(ToAnsi(0xCD), '=');  // double horizontal line
  EXPECT_EQ(ToAnsi(0xB0), '?');  // light shade
}

TEST_F(OsCodePage, ConvertsInPlace) {
  std::string text = "M\xFCller \xC6\xD8\xC5 caf\xE9";  // Müller ÆØÅ café
  const std::string original = text;
  host::CharToOemBuff(text.data(), text.data(), text.size());
  EXPECT_EQ(text, "M\x81ller \x92\x9D\x8F caf\x82");
  host::OemToCharBuff(text.data(), text.data(), text.size());
  EXPECT_EQ(text, original);
  host::CharToOemBuff(nullptr, text.data(), 4);  // refused, not a crash
  EXPECT_EQ(text, original);
}

}  // namespace
