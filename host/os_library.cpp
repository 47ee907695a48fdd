// Dynamic libraries and the library search.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "host/os.h"
#include "host/sysutils.h"

namespace host {

namespace {

// The reason for the last failed library call on this thread. dlerror() gives
// its text only once, so it is taken at the failure and kept here.
thread_local std::string lastLibraryError;

// Stores dlerror's text, or Fallback when it has none.
void KeepLibraryError(const char* Fallback) {
  const char* reason = ::dlerror();
  lastLibraryError = reason != nullptr ? reason : Fallback;
}

// Only regular files count as found: not directories, devices or FIFOs.
bool IsRegularFile(const std::string& Path) {
  struct stat info {};
  return ::stat(Path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// A relative path is completed with the current directory, so that the result
// stays valid after the caller changes directory (the library loader does).
std::string Absolute(const std::string& Path) {
  if (!Path.empty() && Path[0] == '/') return Path;
  std::string current = GetCurrentDir();
  if (current.empty()) return Path;
  return IncludeTrailingPathDelimiter(current) + Path;
}

// The running program's directory with a trailing "/", or empty.
std::string ExecutableDir() {
  std::string buffer(512, '\0');
  for (;;) {
    ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return std::string();
    if (static_cast<std::size_t>(length) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(length));
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  std::size_t slash = buffer.rfind('/');
  return slash == std::string::npos ? std::string() : buffer.substr(0, slash + 1);
}

// Looks for FileName in Dir; empty Dir entries are skipped rather than taken
// as the current directory, which would let whatever directory a program
// happens to run in supply its libraries.
bool TryDir(std::string_view Dir, const std::string& FileName, std::string& Found) {
  if (Dir.empty()) return false;
  std::string candidate = IncludeTrailingPathDelimiter(Dir) + FileName;
  if (!IsRegularFile(candidate)) return false;
  Found = Absolute(candidate);
  return true;
}

// Tries each directory of a colon-separated list in order.
bool TryPathList(const char* List, const std::string& FileName, std::string& Found) {
  if (List == nullptr) return false;
  std::string_view rest(List);
  while (true) {
    std::size_t colon = rest.find(':');
    if (TryDir(rest.substr(0, colon), FileName, Found)) return true;
    if (colon == std::string_view::npos) return false;
    rest.remove_prefix(colon + 1);
  }
}

}  // namespace

// Binds every symbol at load time, so that a library missing one of its own
// dependencies fails here rather than at the first call; RTLD_LOCAL keeps
// its symbols from satisfying other libraries by accident.
TLibraryHandle LoadLibrary(const std::string& FileName) {
  // dlopen takes an empty name as the running program itself, which is never
  // what a caller asking for a library file means.
  if (FileName.empty()) {
    lastLibraryError = "No library file name given";
    return nullptr;
  }
  void* handle = ::dlopen(FileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) KeepLibraryError("Cannot load library");
  return handle;
}

// Looks an exported symbol up by name.
void* GetProcAddress(TLibraryHandle Handle, const std::string& ProcName) {
  if (Handle == nullptr) {
    lastLibraryError = "No library loaded";
    return nullptr;
  }
  ::dlerror();
  void* address = ::dlsym(Handle, ProcName.c_str());
  if (address == nullptr) KeepLibraryError("Symbol not found");
  return address;
}

// Releases one LoadLibrary reference.
bool FreeLibrary(TLibraryHandle Handle) {
  if (Handle == nullptr) {
    lastLibraryError = "No library loaded";
    return false;
  }
  if (::dlclose(Handle) == 0) return true;
  KeepLibraryError("Cannot unload library");
  return false;
}

// The reason kept by the last failing library call on this thread.
std::string LastLibraryError() {
  return lastLibraryError;
}

// Searches the way the program's own libraries are found, so that a library
// shipped next to the program wins over one installed elsewhere.
std::string SearchPath(const std::string& FileName) {
  if (FileName.empty()) return std::string();
  if (FileName.find('/') != std::string::npos)
    return IsRegularFile(FileName) ? Absolute(FileName) : std::string();
  std::string found;
  if (TryDir(ExecutableDir(), FileName, found)) return found;
  if (TryPathList(std::getenv("LD_LIBRARY_PATH"), FileName, found)) return found;
  if (TryPathList(std::getenv("PATH"), FileName, found)) return found;
  return std::string();
}

}  // namespace host
