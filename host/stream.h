// Byte streams: the abstract TStream with its buffer and copy helpers, and
// streams over memory, over a file and over a string.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "host/component.h"

namespace host {

// Seek origins; the values are fixed because callers pass them as numbers.
enum TSeekOrigin : int { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TStream : public TObject {
 public:
  ~TStream() override;

  // Virtual order (a contract for subclasses): SetSize, Read, Write, Seek,
  // GetSize. Read and Write return the number of bytes moved, which may be
  // less than asked; Seek returns the new position.
  virtual void SetSize(std::int64_t NewSize);
  virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;
  virtual std::int64_t GetSize();

  std::int64_t Position() { return Seek(0, soFromCurrent); }
  void SetPosition(std::int64_t Pos) { Seek(Pos, soFromBeginning); }
  std::int64_t Size() { return GetSize(); }

  // Move exactly Count bytes or raise EReadError "Stream read error" /
  // EWriteError "Stream write error".
  void ReadBuffer(void* Buffer, std::int64_t Count);
  void WriteBuffer(const void* Buffer, std::int64_t Count);

  // Copies Count bytes from Source's position into this stream; Count 0 copies
  // the whole of Source from its beginning. Returns the bytes copied.
  std::int64_t CopyFrom(TStream* Source, std::int64_t Count);

  // The largest piece CopyFrom moves at a time.
  static constexpr std::int64_t kCopyChunkSize = 64 * 1024;
};

// A stream over a growable block of memory. Position may be moved past the
// end; writing there fills the gap with zero bytes.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;
  ~TMemoryStream() override;

  void SetSize(std::int64_t NewSize) override;
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t GetSize() override { return size_; }

  // The data; valid until the next change of size.
  std::uint8_t* Memory() { return memory_.get(); }
  const std::uint8_t* Memory() const { return memory_.get(); }
  std::int64_t Capacity() const { return capacity_; }
  void SetCapacity(std::int64_t NewCapacity);
  void Clear();

  // Replaces the contents with the whole of Stream, read from its beginning.
  void LoadFromStream(TStream* Stream);
  // Writes the whole contents to Stream at its position.
  void SaveToStream(TStream* Stream) const;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;

 private:
  struct FreeDeleter {
    void operator()(std::uint8_t* p) const { std::free(p); }
  };
  void Reserve(std::int64_t Required);

  std::unique_ptr<std::uint8_t, FreeDeleter> memory_;
  std::int64_t size_ = 0;
  std::int64_t capacity_ = 0;
  std::int64_t position_ = 0;
};

// File open modes. The access mode is one of fmOpenRead, fmOpenWrite and
// fmOpenReadWrite; fmCreate creates or empties the file and opens it for
// reading and writing. The share modes are accepted and have no effect: the
// platform has no mandatory sharing control.
constexpr unsigned fmOpenRead = 0x0000;
constexpr unsigned fmOpenWrite = 0x0001;
constexpr unsigned fmOpenReadWrite = 0x0002;
constexpr unsigned fmShareCompat = 0x0000;
constexpr unsigned fmShareExclusive = 0x0010;
constexpr unsigned fmShareDenyWrite = 0x0020;
constexpr unsigned fmShareDenyRead = 0x0030;
constexpr unsigned fmShareDenyNone = 0x0040;
constexpr unsigned fmCreate = 0xFF00;

// A stream over a file. Failing to open raises EFOpenError "Cannot open file
// %s. %s", failing to create EFCreateError "Cannot create file %s. %s", the
// second part being the system's message.
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& FileName, unsigned Mode);
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  ~TFileStream() override;

  void SetSize(std::int64_t NewSize) override;
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t GetSize() override;

  const std::string& FileName() const { return fileName_; }
  int Handle() const { return fd_; }

 private:
  std::string fileName_;
  int fd_ = -1;
};

// A stream over a std::string; writing overwrites and extends the text.
class TStringStream : public TStream {
 public:
  explicit TStringStream(std::string Data = std::string());
  ~TStringStream() override;

  void SetSize(std::int64_t NewSize) override;
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t GetSize() override { return static_cast<std::int64_t>(data_.size()); }

  const std::string& DataString() const { return data_; }
  // Reads up to Count bytes from the position.
  std::string ReadString(std::int64_t Count);
  void WriteString(const std::string& S) { Write(S.data(), static_cast<std::int64_t>(S.size())); }

 private:
  std::string data_;
  std::int64_t position_ = 0;
};

}  // namespace host
