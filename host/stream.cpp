#include "host/stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "host/exceptions.h"

namespace host {

namespace {

constexpr std::int64_t kMaxInt64 = std::numeric_limits<std::int64_t>::max();

// The position Seek arrives at, or Current for an origin it does not know.
std::int64_t SeekTarget(std::int64_t Current, std::int64_t End, std::int64_t Offset,
                        TSeekOrigin Origin) {
  switch (Origin) {
    case soFromBeginning:
      return Offset;
    case soFromCurrent:
      return Current + Offset;
    case soFromEnd:
      return End + Offset;
  }
  return Current;
}

// How many of Count bytes a read at Position takes from Size bytes of data:
// none from a position outside the data.
std::int64_t ReadableBytes(std::int64_t Position, std::int64_t Size, std::int64_t Count) {
  if (Count <= 0 || Position < 0 || Position >= Size) return 0;
  return std::min(Count, Size - Position);
}

// A write needs something to write, a position not before the start, and an
// end position that 64 bits can hold.
bool CanWrite(std::int64_t Position, std::int64_t Count) {
  return Count > 0 && Position >= 0 && Count <= kMaxInt64 - Position;
}

// Where Source lies inside the Length bytes at Base, or -1 when elsewhere. A
// stream asked to write bytes it holds itself finds them again this way after
// growing has moved its storage.
std::ptrdiff_t OffsetInside(const void* Source, const void* Base, std::size_t Length) {
  const auto source = reinterpret_cast<std::uintptr_t>(Source);
  const auto base = reinterpret_cast<std::uintptr_t>(Base);
  if (Base == nullptr || source < base || source - base >= Length) return -1;
  return static_cast<std::ptrdiff_t>(source - base);
}

}  // namespace

// ----------------------------------------------------------------- TStream

TStream::~TStream() = default;

// Streams of fixed size ignore the request.
void TStream::SetSize(std::int64_t /*NewSize*/) {}

// Finds the size by seeking to the end and back, for streams that do not know
// it otherwise.
std::int64_t TStream::GetSize() {
  std::int64_t position = Seek(0, soFromCurrent);
  std::int64_t size = Seek(0, soFromEnd);
  Seek(position, soFromBeginning);
  return size;
}

// Reads exactly Count bytes; a short read is an error, not a partial result.
void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
  if (Count < 0 || (Count > 0 && Read(Buffer, Count) != Count))
    throw EReadError("Stream read error");
}

// Writes exactly Count bytes; a short write is an error.
void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
  if (Count < 0 || (Count > 0 && Write(Buffer, Count) != Count))
    throw EWriteError("Stream write error");
}

// Moves the data through one bounded buffer, so that copying a large blob
// neither holds it twice in memory nor allocates per piece.
std::int64_t TStream::CopyFrom(TStream* Source, std::int64_t Count) {
  if (Source == nullptr || Count < 0) throw EReadError("Stream read error");
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  if (Count <= 0) return 0;
  std::int64_t bufferSize = std::min(Count, kCopyChunkSize);
  std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[static_cast<std::size_t>(bufferSize)]);
  std::int64_t remaining = Count;
  while (remaining > 0) {
    std::int64_t piece = std::min(remaining, bufferSize);
    Source->ReadBuffer(buffer.get(), piece);
    WriteBuffer(buffer.get(), piece);
    remaining -= piece;
  }
  return Count;
}

// ----------------------------------------------------------- TMemoryStream

TMemoryStream::~TMemoryStream() = default;

// Sets the size exactly (no spare room: callers that know the final size use
// this before filling the block). New bytes are zero.
void TMemoryStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0) throw EStreamError("Invalid stream size");
  if (NewSize > capacity_) SetCapacity(NewSize);
  if (NewSize > size_)
    std::memset(memory_.get() + size_, 0, static_cast<std::size_t>(NewSize - size_));
  size_ = NewSize;
  if (position_ > size_) position_ = size_;
}

// Reads what lies between the position and the end; nothing from a
// position outside the data.
std::int64_t TMemoryStream::Read(void* Buffer, std::int64_t Count) {
  const std::int64_t available = ReadableBytes(position_, size_, Count);
  if (available == 0) return 0;
  std::memcpy(Buffer, memory_.get() + position_, static_cast<std::size_t>(available));
  position_ += available;
  return available;
}

// Writes at the position, growing the block; a position past the end leaves
// a gap of zero bytes. Returns 0 for a position before the start. Buffer may
// be the stream's own memory, even a range the write overlaps.
std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count) {
  if (!CanWrite(position_, Count)) return 0;
  std::int64_t end = position_ + Count;
  const std::ptrdiff_t own =
      OffsetInside(Buffer, memory_.get(), static_cast<std::size_t>(capacity_));
  Reserve(end);
  const void* source = own >= 0 ? memory_.get() + own : Buffer;
  if (position_ > size_)
    std::memset(memory_.get() + size_, 0, static_cast<std::size_t>(position_ - size_));
  std::memmove(memory_.get() + position_, source, static_cast<std::size_t>(Count));
  position_ = end;
  size_ = std::max(size_, end);
  return Count;
}

// Moves the position anywhere, even outside the data; reads and writes
// there do nothing.
std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  position_ = SeekTarget(position_, size_, Offset, Origin);
  return position_;
}

// Never drops data: a capacity below the size is raised to the size.
void TMemoryStream::SetCapacity(std::int64_t NewCapacity) {
  NewCapacity = std::max(NewCapacity, size_);
  if (NewCapacity == capacity_) return;
  if (NewCapacity == 0) {
    memory_.reset();
    capacity_ = 0;
    return;
  }
  if (static_cast<std::uint64_t>(NewCapacity) > std::numeric_limits<std::size_t>::max())
    throw EStreamError("Out of memory while expanding memory stream");
  void* grown = std::realloc(memory_.get(), static_cast<std::size_t>(NewCapacity));
  if (grown == nullptr) throw EStreamError("Out of memory while expanding memory stream");
  (void)memory_.release();
  memory_.reset(static_cast<std::uint8_t*>(grown));
  capacity_ = NewCapacity;
}

// Frees the block and starts over empty.
void TMemoryStream::Clear() {
  memory_.reset();
  size_ = capacity_ = position_ = 0;
}

// Replaces the contents with the whole of Stream, read from its beginning
// into a block of exactly its size.
void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  std::int64_t count = Stream->Size();
  SetSize(count);
  if (count != 0) Stream->ReadBuffer(memory_.get(), count);
}

// Writes the whole contents at Stream's position.
void TMemoryStream::SaveToStream(TStream* Stream) const {
  if (size_ != 0) Stream->WriteBuffer(memory_.get(), size_);
}

// Loads the whole file.
void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

// Writes the contents to a file, replacing it.
void TMemoryStream::SaveToFile(const std::string& FileName) const {
  TFileStream file(FileName, fmCreate);
  SaveToStream(&file);
}

// Grows by half again at least, so that writing a value in many small pieces
// costs amortised constant time per byte.
void TMemoryStream::Reserve(std::int64_t Required) {
  if (Required <= capacity_) return;
  std::int64_t grown = capacity_ + capacity_ / 2;
  SetCapacity(std::max({Required, grown, std::int64_t{256}}));
}

// ----------------------------------------------------------- TStringStream

TStringStream::TStringStream(std::string Data) : data_(std::move(Data)) {}

TStringStream::~TStringStream() = default;

// Cuts or extends the text (with zero bytes); the position stays inside.
void TStringStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0) throw EStreamError("Invalid stream size");
  data_.resize(static_cast<std::size_t>(NewSize));
  if (position_ > NewSize) position_ = NewSize;
}

// Reads what lies between the position and the end of the text.
std::int64_t TStringStream::Read(void* Buffer, std::int64_t Count) {
  const std::int64_t available = ReadableBytes(position_, GetSize(), Count);
  if (available == 0) return 0;
  std::memcpy(Buffer, data_.data() + position_, static_cast<std::size_t>(available));
  position_ += available;
  return available;
}

// Overwrites from the position and extends the text as needed; text after
// the written range stays. Buffer may be the stream's own text.
std::int64_t TStringStream::Write(const void* Buffer, std::int64_t Count) {
  if (!CanWrite(position_, Count)) return 0;
  std::int64_t end = position_ + Count;
  const std::ptrdiff_t own = OffsetInside(Buffer, data_.data(), data_.capacity());
  if (end > GetSize()) data_.resize(static_cast<std::size_t>(end));
  const void* source = own >= 0 ? data_.data() + own : Buffer;
  std::memmove(data_.data() + position_, source, static_cast<std::size_t>(Count));
  position_ = end;
  return Count;
}

// Moves the position as TMemoryStream does, without clamping.
std::int64_t TStringStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  position_ = SeekTarget(position_, GetSize(), Offset, Origin);
  return position_;
}

// Up to Count bytes from the position, as text.
std::string TStringStream::ReadString(std::int64_t Count) {
  const std::int64_t available = ReadableBytes(position_, GetSize(), Count);
  if (available == 0) return std::string();
  std::string result =
      data_.substr(static_cast<std::size_t>(position_), static_cast<std::size_t>(available));
  position_ += available;
  return result;
}

}  // namespace host
