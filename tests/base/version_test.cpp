#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/VlrBase.h"
#include "host/exceptions.h"

namespace {

using namespace velar;

std::string PeFile(const std::string& name) {
  return std::string(BASE_FIXTURE_DIR) + "/" + name;
}
std::string ElfFile(const std::string& name) {
  return std::string(VELAR_LIB_DIR) + "/lib" + name + ".so";
}

// The four numbers as text, or "false" when the reader gave up; the numbers
// start at 11 so that those it leaves alone show.
class ProductVersion : public ::testing::Test {
 protected:
  std::string Read(const std::string& file) {
    std::uint16_t major = 11, minor = 11, release = 11, build = 11;
    bool found = VlrGetProductVersion(file, major, minor, release, build);
    numbers_ = std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(release) +
               "." + std::to_string(build);
    return found ? numbers_ : "false";
  }
  std::string numbers_;
};

TEST_F(ProductVersion, FixedPartWithMajorIsTheAnswer) {
  EXPECT_EQ(Read(PeFile("base_major.dll")), "6.0.2.3456");
  EXPECT_EQ(Read(ElfFile("base_fixture_versioned")), "6.0.2.3456");
}

TEST_F(ProductVersion, TextOverridesEachPartFollowedByADot) {
  EXPECT_EQ(Read(PeFile("base_text3.dll")), "6.0.7.9");
  EXPECT_EQ(Read(PeFile("base_text4.dll")), "6.0.1.2");
  EXPECT_EQ(Read(ElfFile("base_fixture_textversion")), "7.1.0.42");
}

TEST_F(ProductVersion, TextIsFoundThroughTheFirstTranslation) {
  EXPECT_EQ(Read(PeFile("base_german.dll")), "5.1.2.3");
}

TEST_F(ProductVersion, PartThatIsNoVersionNumberRaises) {
  EXPECT_THROW(Read(PeFile("base_text_alpha.dll")), host::EConvertError);
  EXPECT_THROW(Read(PeFile("base_text_wide.dll")), host::EConvertError);
}

TEST_F(ProductVersion, FilesWithoutAUsableBlock) {
  EXPECT_EQ(Read(ElfFile("base_fixture_plain")), "false");
  EXPECT_EQ(numbers_, "11.11.11.11");
  EXPECT_EQ(Read(PeFile("no_such_file.dll")), "false");
  EXPECT_EQ(Read(PeFile("base_unsigned.dll")), "false");
  // Fixed major 0 and no ProductVersion text: the fixed numbers were read.
  EXPECT_EQ(Read(PeFile("base_no_text.dll")), "false");
  EXPECT_EQ(numbers_, "0.5.7.9");
}

// A block whose translation list is gone cannot name its string table.
TEST_F(ProductVersion, MissingTranslationGivesFalse) {
  std::ifstream in(PeFile("base_text4.dll"), std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  const std::string key = "Translation";
  std::vector<char> wide;
  for (char c : key) {
    wide.push_back(c);
    wide.push_back('\0');
  }
  auto at = std::search(bytes.begin(), bytes.end(), wide.begin(), wide.end());
  ASSERT_NE(at, bytes.end());
  *at = 'X';
  const std::string copy = (std::filesystem::temp_directory_path() /
                            ("base_no_translation_" + std::to_string(::getpid()) + ".dll"))
                               .string();
  {
    std::ofstream out(copy, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  EXPECT_EQ(Read(copy), "false");
  std::filesystem::remove(copy);
}

}  // namespace
