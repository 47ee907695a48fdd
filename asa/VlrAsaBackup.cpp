// Online backup: every database file copied page by page, from the server's
// consistent snapshot, into a directory on the client.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <optional>

#include "asa/VlrAsaSession.h"
#include "host/os.h"
#include "host/stream.h"
#include "host/sysutils.h"

namespace velar {

namespace {

// Database files are numbered from 0 up to this; the file list ends at the
// first that cannot be opened. -1 and -2 are the log files.
constexpr int kLastDatabaseFile = 12;
constexpr int kLogFiles[] = {-1, -2};

// A page travels as a 16-bit length and the page's bytes.
constexpr std::int32_t kPageLengthBytes = 2;

// A copy in the making: a temporary file beside the target, which replaces
// the target only once every page is in. Until then an earlier copy under
// the target's name stays as it was, and a copy that fails halfway leaves
// nothing behind.
class TAsaBackupCopy {
 public:
  explicit TAsaBackupCopy(const std::string& Target) : target_(Target), temp_(Target + ".XXXXXX") {
    const int fd = ::mkstemp(temp_.data());
    if (fd < 0) throw host::EFCreateError("Cannot create file \"" + temp_ + "\"");
    ::close(fd);
    created_ = true;
    stream_.emplace(temp_, host::fmCreate);
    // mkstemp makes the file private; a copy takes the mode of the one it
    // replaces, else the usual mode of a new file.
    struct stat previous {};
    const mode_t mode = ::stat(target_.c_str(), &previous) == 0 ? previous.st_mode & 07777 : 0644;
    ::fchmod(stream_->Handle(), mode);
  }
  ~TAsaBackupCopy() {
    stream_.reset();
    if (created_ && !replaced_) ::unlink(temp_.c_str());
  }
  TAsaBackupCopy(const TAsaBackupCopy&) = delete;
  TAsaBackupCopy& operator=(const TAsaBackupCopy&) = delete;

  host::TFileStream& Stream() { return *stream_; }
  // Closes the copy and puts it in the target's place.
  void Replace() {
    stream_.reset();
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
      throw host::EFCreateError("Cannot create file \"" + target_ + "\"");
    replaced_ = true;
  }

 private:
  std::string target_;
  std::string temp_;
  std::optional<host::TFileStream> stream_;
  bool created_ = false;
  bool replaced_ = false;
};

}  // namespace

// Whether Target is the file the session's database lives in, by identity on
// disk, so that no spelling of the path (relative, through a link, with
// extra separators) gets past it. A relative database name was opened from
// the library's directory, which the connect makes current.
bool TAsaSession::IsDatabaseFile(const std::string& Target) const {
  const std::string& database = LoginDatabase();
  if (host::Trim(database).empty()) return false;
  std::error_code ignored;
  if (std::filesystem::equivalent(Target, database, ignored)) return true;
  if (database.front() != host::PathDelim && !LoadedLibraryPath().empty())
    return std::filesystem::equivalent(Target, LoadedLibraryPath() + database, ignored);
  return false;
}

// The backup's start and end calls always pair up, so the server never keeps
// a backup open after this returns or raises.
bool TAsaSession::Backup(const std::string& Directory) {
  InternalLibraryHandleNeeded();
  std::string directory = Directory;
  if (!directory.empty() && directory.back() != host::PathDelim) directory += host::PathDelim;

  const TAsaProcs& procs = AsaLibrary.Procs;
  procs.db_backup(&sqlca_, DBBACKUP_START, 0, 0, nullptr);
  if (!Check(nullptr, 0, 0, WantExceptions())) return false;
  bool result = false;
  try {
    result = CopyBackupFiles(directory);
  } catch (...) {
    procs.db_backup(&sqlca_, DBBACKUP_END, 0, 0, nullptr);
    throw;
  }
  procs.db_backup(&sqlca_, DBBACKUP_END, 0, 0, nullptr);
  return result;
}

// One page buffer and one descriptor serve every page of every file. A page
// size the buffer's 16-bit length cannot describe is refused rather than
// read into a buffer of the wrong size.
bool TAsaSession::CopyBackupFiles(const std::string& Directory) {
  const std::int32_t pageSize = SQLCOUNT(&sqlca_);
  if (pageSize <= 0 || pageSize > DBT_MAX_SHORT_LENGTH - kPageLengthBytes) return false;
  TVelarMemBlock page;
  page.Allocate(static_cast<std::size_t>(pageSize + kPageLengthBytes));
  TAsaDescriptor descriptor(1);
  descriptor->sqld = 1;
  sqlvar& entry = descriptor->sqlvar[0];
  entry.sqltype = DBT_BINARY;
  entry.sqllen = static_cast<std::int16_t>(pageSize + kPageLengthBytes);
  entry.sqldata = page.Data();

  bool copied = false;
  for (int file = 0; file <= kLastDatabaseFile; ++file) {
    if (!CopyBackupFile(Directory, file, descriptor.get(), page.Data(), pageSize)) break;
    copied = true;
  }
  if (copied) {
    for (int file : kLogFiles)
      CopyBackupFile(Directory, file, descriptor.get(), page.Data(), pageSize);
  }
  return copied;
}

// A file that does not open ends the list quietly. Only the file-name part of
// the name the server reports is used, so the copy lands in Directory
// whatever the name holds. The file's close call always follows its open.
//
// A target that is the live database file itself is refused before anything
// is opened for writing: writing the copy there would destroy the database.
// That refusal is an error of its own (raised with WantExceptions), not a
// quiet end of the file list.
bool TAsaSession::CopyBackupFile(const std::string& Directory, int FileNumber, sqlda* Descriptor,
                                 const std::uint8_t* Page, std::int32_t PageSize) {
  const TAsaProcs& procs = AsaLibrary.Procs;
  procs.db_backup(&sqlca_, DBBACKUP_OPEN_FILE, FileNumber, 0, nullptr);
  if (!Check(nullptr, 0, 0, false)) return false;
  bool complete = false;
  std::string refused;
  try {
    const std::int32_t pages = SQLCOUNT(&sqlca_);
    const std::string serverName(sqlca_.sqlerrmc,
                                 ::strnlen(sqlca_.sqlerrmc, sizeof sqlca_.sqlerrmc));
    const std::string target = host::Trim(Directory + host::ExtractFileName(serverName));
    if (IsDatabaseFile(target))
      refused = target;
    else
      complete = WriteBackupFile(target, FileNumber, pages, Descriptor, Page, PageSize);
  } catch (...) {
    complete = false;
  }
  procs.db_backup(&sqlca_, DBBACKUP_CLOSE_FILE, FileNumber, 0, nullptr);
  if (!refused.empty()) {
    const std::string text = host::Format(VlrLoadStr(VELAR_ERR_BACKUP_SELF), {refused});
    if (WantExceptions()) RaiseLastError<EAsaException>(text);
    SetLastError(text);
  }
  return complete;
}

// A copy counts only when every page was read and written: a page that
// could not be read, or that claims more bytes than a page holds, fails the
// file instead of leaving a hole in a copy reported as done.
bool TAsaSession::WriteBackupFile(const std::string& Target, int FileNumber, std::int32_t Pages,
                                  sqlda* Descriptor, const std::uint8_t* Page,
                                  std::int32_t PageSize) {
  const TAsaProcs& procs = AsaLibrary.Procs;
  TAsaBackupCopy copy(Target);
  for (std::int32_t pageNumber = 0; pageNumber < Pages; ++pageNumber) {
    procs.db_backup(&sqlca_, DBBACKUP_READ_PAGE, FileNumber, static_cast<unsigned long>(pageNumber),
                    Descriptor);
    if (!Check(nullptr, 0, 0, WantExceptions())) return false;
    std::uint16_t length = 0;
    std::memcpy(&length, Page, sizeof length);
    if (length > PageSize) return false;
    copy.Stream().WriteBuffer(Page + kPageLengthBytes, length);
    if (OnBackup) OnBackup(this, Target, Pages, pageNumber + 1);
  }
  copy.Replace();
  return true;
}

}  // namespace velar
