#include "host/stream.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include "tests/support/velar_test.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "host/exceptions.h"

namespace {

using host::TFileStream;
using host::TMemoryStream;

using velar::testing::TempDir;

std::vector<std::uint8_t> Pattern(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>((i * 131) >> 3);
  return bytes;
}

using velar::testing::MessageOf;

std::vector<std::uint8_t> Contents(TMemoryStream& stream) {
  return std::vector<std::uint8_t>(stream.Memory(), stream.Memory() + stream.Size());
}

class StreamCopy : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(StreamCopy, CountZeroCopiesTheWholeSourceFromItsStart) {
  TMemoryStream source;
  std::vector<std::uint8_t> data = Pattern(1000);
  source.WriteBuffer(data.data(), 1000);
  source.SetPosition(400);  // a caller left it in the middle
  {
    TFileStream file(dir.File("whole.bin"), host::fmCreate);
    EXPECT_EQ(file.CopyFrom(&source, 0), 1000);
  }
  TMemoryStream back;
  back.LoadFromFile(dir.File("whole.bin"));
  EXPECT_EQ(Contents(back), data);
}

TEST_F(StreamCopy, ACountLargerThanOneChunkCopiesFromThePosition) {
  const std::size_t size = 3 * host::TStream::kCopyChunkSize + 123;
  std::vector<std::uint8_t> data = Pattern(size);
  {
    TFileStream file(dir.File("big.bin"), host::fmCreate);
    file.WriteBuffer(data.data(), static_cast<std::int64_t>(size));
  }
  TFileStream file(dir.File("big.bin"), host::fmOpenRead | host::fmShareDenyNone);
  EXPECT_EQ(file.Size(), static_cast<std::int64_t>(size));
  file.SetPosition(10);
  TMemoryStream memory;
  const std::int64_t count = static_cast<std::int64_t>(size) - 20;
  EXPECT_EQ(memory.CopyFrom(&file, count), count);
  EXPECT_EQ(file.Position(), 10 + count);
  EXPECT_EQ(Contents(memory), std::vector<std::uint8_t>(data.begin() + 10, data.end() - 10));
}

class StreamBuffers : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(StreamBuffers, ShortReadsAndWritesRaise) {
  TMemoryStream memory, target;
  memory.WriteBuffer("0123456789", 10);
  memory.SetPosition(6);
  char buffer[8] = {};
  EXPECT_EQ(MessageOf<host::EReadError>([&] { memory.ReadBuffer(buffer, 5); }),
            "Stream read error");
  memory.SetPosition(6);
  EXPECT_EQ(MessageOf<host::EReadError>([&] { target.CopyFrom(&memory, 5); }), "Stream read error");
  { TFileStream(dir.File("ro.bin"), host::fmCreate).WriteBuffer("x", 1); }
  TFileStream readOnly(dir.File("ro.bin"), host::fmOpenRead);
  EXPECT_EQ(MessageOf<host::EWriteError>([&] { readOnly.WriteBuffer("y", 1); }),
            "Stream write error");
}

TEST_F(StreamBuffers, FileOpenFailuresNameTheFileAndTheReason) {
  const std::string missing = dir.File("missing.bin");
  EXPECT_EQ(MessageOf<host::EFOpenError>([&] {
              TFileStream{missing, host::fmOpenRead};
            }),
            "Cannot open file " + missing + ". " + std::strerror(ENOENT));
  const std::string nowhere = dir.File("no/such/dir.bin");
  EXPECT_EQ(MessageOf<host::EFCreateError>([&] {
              TFileStream{nowhere, host::fmCreate};
            }),
            "Cannot create file " + nowhere + ". " + std::strerror(ENOENT));
  const std::string directory = dir.File("sub");
  std::filesystem::create_directory(directory);
  EXPECT_EQ(MessageOf<host::EFOpenError>([&] {
              TFileStream{directory, host::fmOpenRead};
            }),
            "Cannot open file " + directory + ". " + std::strerror(EISDIR));
}

class MemoryStream : public ::testing::Test {};

TEST_F(MemoryStream, GrowsGeometricallyWhenWrittenByteByByte) {
  TMemoryStream memory;
  std::set<std::int64_t> capacities;
  for (int i = 0; i < 100000; ++i) {
    std::uint8_t byte = static_cast<std::uint8_t>(i);
    memory.WriteBuffer(&byte, 1);
    capacities.insert(memory.Capacity());
  }
  EXPECT_EQ(memory.Size(), 100000);
  EXPECT_LT(capacities.size(), 30u);
  EXPECT_EQ(memory.Memory()[99999], static_cast<std::uint8_t>(99999));
}

TEST_F(MemoryStream, WritingPastTheEndFillsTheGapWithZeros) {
  TMemoryStream memory;
  memory.WriteBuffer("ab", 2);
  memory.SetPosition(6);
  memory.WriteBuffer("z", 1);
  EXPECT_EQ(Contents(memory), (std::vector<std::uint8_t>{'a', 'b', 0, 0, 0, 0, 'z'}));
  memory.SetSize(3);
  EXPECT_EQ(memory.Position(), 3);
  memory.SetSize(5);
  EXPECT_EQ(Contents(memory), (std::vector<std::uint8_t>{'a', 'b', 0, 0, 0}));
  memory.Clear();
  EXPECT_EQ(memory.Size(), 0);
  EXPECT_EQ(memory.Memory(), nullptr);
}

// Appending a stream's own contents to itself grows its storage while the
// bytes to write still lie in it; they must be copied from where they went.
TEST_F(MemoryStream, WritingItsOwnBytesSurvivesGrowing) {
  TMemoryStream memory;
  std::vector<std::uint8_t> data = Pattern(300);
  memory.WriteBuffer(data.data(), 300);
  memory.WriteBuffer(memory.Memory(), 300);
  memory.SetPosition(1);
  memory.WriteBuffer(memory.Memory(), 2);  // overlapping, no growth
  std::vector<std::uint8_t> expected = data;
  expected.insert(expected.end(), data.begin(), data.end());
  expected[2] = data[1];
  expected[1] = data[0];
  EXPECT_EQ(Contents(memory), expected);

  const std::string line = "a line of text that outgrows the string's own room";
  host::TStringStream text(line);
  text.SetPosition(static_cast<std::int64_t>(line.size()));
  text.Write(text.DataString().data(), static_cast<std::int64_t>(line.size()));
  EXPECT_EQ(text.DataString(), line + line);
}

TEST_F(MemoryStream, StringStreamWritesInTheMiddleWithoutTruncating) {
  host::TStringStream text("hello world");
  text.SetPosition(6);
  text.WriteString("W");
  EXPECT_EQ(text.DataString(), "hello World");
  EXPECT_EQ(text.Seek(-1, host::soFromEnd), 10);
  EXPECT_EQ(text.ReadString(5), "d");
}

}  // namespace
