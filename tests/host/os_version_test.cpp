#include <elf.h>
#include <fcntl.h>
#include <gtest/gtest.h>

#include <unistd.h>
#include "tests/support/velar_test.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/os.h"

namespace {

namespace fs = std::filesystem;

const std::string kPeFile = std::string(OS_FIXTURE_DIR) + "/os_fixture_versioned.dll";
const std::string kUnsignedPeFile = std::string(OS_FIXTURE_DIR) + "/os_fixture_unsigned.dll";
const std::string kGermanPeFile = std::string(OS_FIXTURE_DIR) + "/os_fixture_german.dll";
const std::string kElfFile = std::string(VELAR_LIB_DIR) + "/libos_fixture_versioned.so";
const std::string kPlainElfFile = std::string(VELAR_LIB_DIR) + "/libos_fixture_plain.so";

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// Version information read the way the library reads it: ask for the size,
// allocate exactly that, fill it, then query it.
class VersionInfo {
 public:
  explicit VersionInfo(const std::string& path) {
    std::uint32_t size = host::GetFileVersionInfoSize(path);
    if (size == 0) return;
    buffer_.assign(size, 0xCC);
    loaded_ = host::GetFileVersionInfo(path, size, buffer_.data());
  }
  bool Loaded() const { return loaded_; }

  // Every answer must lie inside the buffer; a string answer must end at the
  // length reported.
  std::optional<std::pair<const std::uint8_t*, std::uint32_t>> Query(const std::string& path) {
    const void* value = nullptr;
    std::uint32_t length = 0;
    if (!host::VerQueryValue(buffer_.data(), path, &value, &length)) return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(value);
    bool inside = bytes >= buffer_.data() && bytes + length <= buffer_.data() + buffer_.size();
    if (length == 1 && *bytes == 0) inside = true;  // a text node without value
    EXPECT_TRUE(inside) << path;
    if (path.find("StringFileInfo") != std::string::npos) {
      // Read as text, an answer ends inside the buffer; a text value's length
      // is exactly its characters and terminator (a corrupted file may turn
      // a text node into a binary one, whose length counts bytes).
      const auto* end = buffer_.data() + buffer_.size();
      std::size_t chars = ::strnlen(reinterpret_cast<const char*>(bytes),
                                    bytes >= buffer_.data() && bytes < end ? end - bytes : 1);
      EXPECT_TRUE(bytes + chars < end || (length == 1 && chars == 0)) << path;
      if (exactText_) {
        EXPECT_EQ(chars + 1, length) << path;
      }
    }
    return std::make_pair(bytes, length);
  }

  std::optional<host::TVSFixedFileInfo> Fixed() {
    auto answer = Query("\\");
    if (!answer) return std::nullopt;
    EXPECT_EQ(answer->second, sizeof(host::TVSFixedFileInfo));
    host::TVSFixedFileInfo info{};
    std::memcpy(&info, answer->first, sizeof info);
    return info;
  }

  std::optional<std::string> String(const std::string& path) {
    auto answer = Query(path);
    if (!answer) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(answer->first));
  }

  std::optional<std::pair<std::uint16_t, std::uint16_t>> Translation() {
    auto answer = Query("\\VarFileInfo\\Translation");
    if (!answer || answer->second < 4) return std::nullopt;
    std::uint16_t words[2];
    std::memcpy(words, answer->first, sizeof words);
    return std::make_pair(words[0], words[1]);
  }

  // Every query the library makes, for files whose content is not known.
  void QueryEverything() {
    exactText_ = false;
    Fixed();
    Translation();
    String("\\StringFileInfo\\040904E4\\ProductVersion");
    String("\\StringFileInfo\\040904E4");
    Query("\\VarFileInfo");
  }

 private:
  std::vector<std::uint8_t> buffer_;
  bool loaded_ = false;
  bool exactText_ = true;
};

std::string VersionText(const host::TVSFixedFileInfo& info) {
  return std::to_string(info.dwProductVersionMS >> 16) + "." +
         std::to_string(info.dwProductVersionMS & 0xFFFF) + "." +
         std::to_string(info.dwProductVersionLS >> 16) + "." +
         std::to_string(info.dwProductVersionLS & 0xFFFF);
}

using velar::testing::TempDir;

class OsVersionInfo : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(OsVersionInfo, ReadsTheBlockOfAPeFile) {
  VersionInfo info(kPeFile);
  ASSERT_TRUE(info.Loaded());
  auto fixed = info.Fixed();
  ASSERT_TRUE(fixed);
  EXPECT_EQ(fixed->dwSignature, host::VS_FFI_SIGNATURE);
  EXPECT_EQ(VersionText(*fixed), "7.1.0.42");
  EXPECT_EQ(info.Translation(), std::make_pair(std::uint16_t{0x0409}, std::uint16_t{0x04E4}));
  EXPECT_EQ(info.String("\\StringFileInfo\\040904E4\\ProductVersion"), "7.1.0.42");
  EXPECT_EQ(info.String("\\StringFileInfo\\040904e4\\companyname"), "Fixture Works");
  EXPECT_EQ(info.String("\\StringFileInfo\\040904E4\\Missing"), std::nullopt);
  EXPECT_EQ(info.String("\\StringFileInfo\\040704B0\\ProductVersion"), std::nullopt);
}

TEST_F(OsVersionInfo, ReadsTheSectionOfAnElfLibrary) {
  VersionInfo info(kElfFile);
  ASSERT_TRUE(info.Loaded());
  auto fixed = info.Fixed();
  ASSERT_TRUE(fixed);
  EXPECT_EQ(VersionText(*fixed), "6.0.2.3456");
  EXPECT_EQ(info.String("\\StringFileInfo\\040904E4\\ProductVersion"), "6.0.2.3456");
  EXPECT_EQ(info.String("\\StringFileInfo\\040904E4\\FileDescription"), "Fixture library");
}

TEST_F(OsVersionInfo, FilesWithoutABlockHaveNoVersionInformation) {
  for (const std::string& path :
       {kPlainElfFile, std::string("/nonexistent/file.dll"),
        std::string(VELAR_SOURCE_DIR) + "/CMakeLists.txt", std::string(VELAR_LIB_DIR)}) {
    EXPECT_EQ(host::GetFileVersionInfoSize(path), 0u) << path;
    std::vector<std::uint8_t> buffer(4096);
    EXPECT_FALSE(host::GetFileVersionInfo(path, 4096, buffer.data())) << path;
  }
}

TEST_F(OsVersionInfo, TheFixedPartNeedsItsSignature) {
  VersionInfo info(kUnsignedPeFile);
  ASSERT_TRUE(info.Loaded());
  EXPECT_FALSE(info.Fixed());
  EXPECT_EQ(info.String("\\StringFileInfo\\040904E4\\ProductVersion"), "1.2.3.4");
}

TEST_F(OsVersionInfo, StringsComeBackAsSingleByteText) {
  std::vector<std::uint8_t> bytes = ReadFile(kGermanPeFile);
  const std::uint8_t key[] = {'S', 0, 'y', 0, 'm', 0, 'b', 0, 'o', 0, 'l', 0, 0, 0};
  auto at = std::search(bytes.begin(), bytes.end(), std::begin(key), std::end(key));
  ASSERT_NE(at, bytes.end());
  auto value = std::find(at + sizeof key, bytes.end(), 'X');
  ASSERT_NE(value, bytes.end());
  value[0] = 0xAC;  // U+20AC, the euro sign, at 0x80 in Windows-1252
  value[1] = 0x20;
  WriteFile(dir.File("euro.dll"), bytes);

  VersionInfo info(dir.File("euro.dll"));
  ASSERT_TRUE(info.Loaded());
  EXPECT_EQ(info.Translation(), std::make_pair(std::uint16_t{0x0407}, std::uint16_t{0x04B0}));
  EXPECT_EQ(info.String("\\StringFileInfo\\040704B0\\Symbol"), "\x80");
  EXPECT_EQ(info.String("\\StringFileInfo\\040704B0\\ProductVersion"), "5.0.0.1");
}

TEST_F(OsVersionInfo, ABufferSmallerThanAskedForIsRefused) {
  std::uint32_t size = host::GetFileVersionInfoSize(kPeFile);
  ASSERT_GT(size, 0u);
  std::vector<std::uint8_t> buffer(size);
  EXPECT_FALSE(host::GetFileVersionInfo(kPeFile, size - 1, buffer.data()));
}

// Every prefix of the file either has no version information or the complete,
// correct one; nothing is read outside what the file holds.
void CheckTruncations(const std::string& original, const std::string& copy,
                      const std::string& expectedVersion) {
  std::vector<std::uint8_t> bytes = ReadFile(original);
  WriteFile(copy, bytes);
  for (std::size_t length = bytes.size(); length-- > 0;) {
    ASSERT_EQ(::truncate(copy.c_str(), static_cast<off_t>(length)), 0);
    VersionInfo info(copy);
    if (!info.Loaded()) continue;
    auto fixed = info.Fixed();
    ASSERT_TRUE(fixed) << "length " << length;
    EXPECT_EQ(VersionText(*fixed), expectedVersion) << "length " << length;
    EXPECT_EQ(info.String("\\StringFileInfo\\040904E4\\ProductVersion"), expectedVersion)
        << "length " << length;
  }
}

TEST_F(OsVersionInfo, TruncatedPeFiles) {
  CheckTruncations(kPeFile, dir.File("cut.dll"), "7.1.0.42");
}

TEST_F(OsVersionInfo, TruncatedElfLibraries) {
  CheckTruncations(kElfFile, dir.File("cut.so"), "6.0.2.3456");
}

// Overwrites each byte in the given ranges with values that break lengths,
// counts and offsets, and queries the result.
void CheckCorruptions(const std::string& original, const std::string& copy,
                      const std::vector<std::pair<std::size_t, std::size_t>>& ranges) {
  std::vector<std::uint8_t> bytes = ReadFile(original);
  WriteFile(copy, bytes);
  int fd = ::open(copy.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  for (auto [begin, end] : ranges) {
    for (std::size_t at = begin; at < std::min(end, bytes.size()); ++at) {
      for (std::uint8_t hostile : {0x00, 0x7F, 0x80, 0xFF}) {
        ASSERT_EQ(::pwrite(fd, &hostile, 1, static_cast<off_t>(at)), 1);
        VersionInfo info(copy);
        if (info.Loaded()) info.QueryEverything();
      }
      ASSERT_EQ(::pwrite(fd, &bytes[at], 1, static_cast<off_t>(at)), 1);
    }
  }
  ::close(fd);
}

TEST_F(OsVersionInfo, CorruptedPeFiles) {
  CheckCorruptions(kPeFile, dir.File("bad.dll"), {{0, ReadFile(kPeFile).size()}});
}

TEST_F(OsVersionInfo, CorruptedElfLibraries) {
  // The parts the reader looks at: the header, the section table, the
  // section names and the version section itself.
  std::vector<std::uint8_t> bytes = ReadFile(kElfFile);
  ASSERT_GE(bytes.size(), sizeof(Elf64_Ehdr));
  Elf64_Ehdr header;
  std::memcpy(&header, bytes.data(), sizeof header);
  ASSERT_EQ(header.e_ident[EI_CLASS], ELFCLASS64);
  std::vector<std::pair<std::size_t, std::size_t>> ranges = {{0, sizeof header}};
  ranges.push_back({header.e_shoff, header.e_shoff + header.e_shnum * sizeof(Elf64_Shdr)});
  auto section = [&](std::size_t index) {
    Elf64_Shdr s;
    std::memcpy(&s, bytes.data() + header.e_shoff + index * sizeof s, sizeof s);
    return s;
  };
  Elf64_Shdr names = section(header.e_shstrndx);
  ranges.push_back({names.sh_offset, names.sh_offset + names.sh_size});
  for (std::size_t i = 0; i < header.e_shnum; ++i) {
    Elf64_Shdr s = section(i);
    const char* name = reinterpret_cast<const char*>(bytes.data() + names.sh_offset + s.sh_name);
    if (std::strcmp(name, ".vs_version_info") == 0)
      ranges.push_back({s.sh_offset, s.sh_offset + s.sh_size});
  }
  ASSERT_EQ(ranges.size(), 4u) << "no version section in the fixture";
  CheckCorruptions(kElfFile, dir.File("bad.so"), ranges);
}

}  // namespace
