// TFileStream over a POSIX file descriptor.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "host/exceptions.h"
#include "host/os.h"
#include "host/stream.h"

namespace host {

namespace {

// The largest transfer handed to one read or write call; the kernel moves at
// most about 2 GiB per call anyway.
constexpr std::int64_t kMaxTransfer = std::int64_t{1} << 30;

[[noreturn]] void RaiseOpenError(bool Creating, const std::string& FileName, int ErrorCode) {
  std::string reason = SysErrorMessage(ErrorCode);
  if (Creating) throw EFCreateError("Cannot create file " + FileName + ". " + reason);
  throw EFOpenError("Cannot open file " + FileName + ". " + reason);
}

// Repeats Transfer(done, piece), a read or write of up to piece bytes at
// offset done of the caller's buffer, until Count bytes moved, the file ended
// or the system refused more; returns what moved, so a short count tells.
template <class Transfer>
std::int64_t TransferAll(std::int64_t Count, Transfer&& transfer) {
  std::int64_t done = 0;
  while (done < Count) {
    const std::int64_t piece = std::min(Count - done, kMaxTransfer);
    const ssize_t moved = transfer(done, static_cast<std::size_t>(piece));
    if (moved < 0 && errno == EINTR) continue;
    if (moved <= 0) break;
    done += moved;
  }
  return done;
}

}  // namespace

// Opens or creates the file. A directory is refused although the system would
// open it for reading, since no stream operation could succeed on it.
TFileStream::TFileStream(const std::string& FileName, unsigned Mode) : fileName_(FileName) {
  const bool creating = (Mode & fmCreate) == fmCreate;
  int flags = O_CLOEXEC;
  if (creating) {
    flags |= O_RDWR | O_CREAT | O_TRUNC;
  } else {
    switch (Mode & 0x3u) {
      case fmOpenRead:
        flags |= O_RDONLY;
        break;
      case fmOpenWrite:
        flags |= O_WRONLY;
        break;
      case fmOpenReadWrite:
        flags |= O_RDWR;
        break;
      default:
        RaiseOpenError(false, FileName, EINVAL);
    }
  }
  do {
    fd_ = ::open(FileName.c_str(), flags, 0666);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) RaiseOpenError(creating, FileName, errno);
  struct stat info {};
  if (::fstat(fd_, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    RaiseOpenError(creating, FileName, EISDIR);
  }
}

// Closes the file; data written went straight to the system.
TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

// Cuts or extends the file; the position is left where it was.
void TFileStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0 || ::ftruncate(fd_, static_cast<off_t>(NewSize)) != 0)
    throw EStreamError("Cannot set the size of file " + fileName_ + ". " +
                       SysErrorMessage(NewSize < 0 ? EINVAL : errno));
}

// Reads until Count bytes arrived, the file ended or the system failed.
std::int64_t TFileStream::Read(void* Buffer, std::int64_t Count) {
  auto* out = static_cast<char*>(Buffer);
  return TransferAll(
      Count, [&](std::int64_t Done, std::size_t Piece) { return ::read(fd_, out + Done, Piece); });
}

// Writes until Count bytes went out or the system refused more.
std::int64_t TFileStream::Write(const void* Buffer, std::int64_t Count) {
  const auto* in = static_cast<const char*>(Buffer);
  return TransferAll(
      Count, [&](std::int64_t Done, std::size_t Piece) { return ::write(fd_, in + Done, Piece); });
}

// A failed seek raises: reporting a position the file is not at would send
// later reads and writes to the wrong place.
std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  int whence = SEEK_CUR;
  switch (Origin) {
    case soFromBeginning:
      whence = SEEK_SET;
      break;
    case soFromCurrent:
      whence = SEEK_CUR;
      break;
    case soFromEnd:
      whence = SEEK_END;
      break;
    default:
      Offset = 0;
      break;
  }
  off_t position = ::lseek(fd_, static_cast<off_t>(Offset), whence);
  if (position < 0)
    throw EStreamError("Cannot seek in file " + fileName_ + ". " + SysErrorMessage(errno));
  return position;
}

// The file's size from the system, without moving the position.
std::int64_t TFileStream::GetSize() {
  struct stat info {};
  if (::fstat(fd_, &info) != 0)
    throw EStreamError("Cannot read the size of file " + fileName_ + ". " + SysErrorMessage(errno));
  return info.st_size;
}

}  // namespace host
