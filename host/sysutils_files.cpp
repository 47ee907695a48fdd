// File-name splitting and file-system tests, with "/" as the delimiter.
#include <sys/stat.h>

#include "host/sysutils.h"

namespace host {

namespace {

// Index just past the last delimiter, 0 when the name has none.
std::size_t nameStart(std::string_view fileName) {
  const std::size_t slash = fileName.rfind(PathDelim);
  return slash == std::string_view::npos ? 0 : slash + 1;
}

// Index of the extension's dot inside the last name component, or npos. A dot
// in a directory name is no extension.
std::size_t extensionStart(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos || dot < nameStart(fileName)) return std::string_view::npos;
  return dot;
}

}  // namespace

// Directory part, delimiter included.
std::string ExtractFilePath(std::string_view fileName) {
  return std::string(fileName.substr(0, nameStart(fileName)));
}

// Name part after the last delimiter.
std::string ExtractFileName(std::string_view fileName) {
  return std::string(fileName.substr(nameStart(fileName)));
}

// Extension with its dot, or empty.
std::string ExtractFileExt(std::string_view fileName) {
  const std::size_t dot = extensionStart(fileName);
  return dot == std::string_view::npos ? std::string() : std::string(fileName.substr(dot));
}

// The name with its extension replaced (or added, or removed by an empty one).
std::string ChangeFileExt(std::string_view fileName, std::string_view extension) {
  const std::size_t dot = extensionStart(fileName);
  std::string result(fileName.substr(0, dot == std::string_view::npos ? fileName.size() : dot));
  result.append(extension);
  return result;
}

// The path ending in exactly one more delimiter when it had none.
std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string result(path);
  if (result.empty() || result.back() != PathDelim) result += PathDelim;
  return result;
}

// The path without its final delimiter.
std::string ExcludeTrailingPathDelimiter(std::string_view path) {
  std::string result(path);
  if (!result.empty() && result.back() == PathDelim) result.pop_back();
  return result;
}

// True for an existing entry that is not a directory.
bool FileExists(const std::string& fileName) {
  struct stat info;
  return !fileName.empty() && ::stat(fileName.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

// True for an existing directory.
bool DirectoryExists(const std::string& directory) {
  struct stat info;
  return !directory.empty() && ::stat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace host
