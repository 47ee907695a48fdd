// Current directory and system error texts.
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/os.h"

namespace host {

namespace {

// strerror_r comes in two forms, the POSIX one returning a status and the GNU
// one returning the text; these pick the text out of either.
[[maybe_unused]] const char* ErrorText(int Status, const char* Buffer) {
  return Status == 0 ? Buffer : nullptr;
}
[[maybe_unused]] const char* ErrorText(const char* Text, const char* /*Buffer*/) {
  return Text;
}

}  // namespace

// Grows the buffer until the whole path fits; errno is left as getcwd set it.
std::string GetCurrentDir() {
  std::string buffer(256, '\0');
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
      buffer.resize(std::strlen(buffer.c_str()));
      return buffer;
    }
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

// chdir leaves the directory alone on failure, and errno says why.
bool SetCurrentDir(const std::string& Dir) {
  return ::chdir(Dir.c_str()) == 0;
}

// The system's text for ErrorCode, without disturbing errno.
std::string SysErrorMessage(int ErrorCode) {
  int saved = errno;
  char buffer[256] = {};
  const char* text = ErrorText(::strerror_r(ErrorCode, buffer, sizeof buffer), buffer);
  std::string message =
      text != nullptr ? std::string(text) : "Unknown error " + std::to_string(ErrorCode);
  errno = saved;
  return message;
}

// The error number of the calling thread's last failed system call.
int GetLastOSError() {
  return errno;
}

// The text of GetLastOSError.
std::string LastOSErrorMessage() {
  return SysErrorMessage(errno);
}

}  // namespace host
