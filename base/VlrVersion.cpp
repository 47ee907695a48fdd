// Reading a file's product version from its version block.
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/VlrRoutines.h"
#include "host/os.h"
#include "host/sysutils.h"

namespace velar {

namespace {

// One dotted part of a ProductVersion text. The host's parser decides what a
// number is (and raises for anything else); a number that does not fit the
// 16 bits of a version part is refused too, since cutting it would report a
// version the file does not carry.
std::uint16_t ParseVersionPart(std::string_view Text) {
  std::int32_t value = host::StrToInt(Text);
  if (value < 0 || value > 0xFFFF)
    throw host::EConvertError(host::Format("'%s' is not a valid version number", Text));
  return static_cast<std::uint16_t>(value);
}

// The string-block path of ProductVersion for the first translation listed:
// language and code page as four upper-case hexadecimal digits each.
bool ProductVersionPath(const void* Block, std::string& Path) {
  const void* value = nullptr;
  std::uint32_t length = 0;
  if (!host::VerQueryValue(Block, "\\VarFileInfo\\Translation", &value, &length)) return false;
  if (length < 2 * sizeof(std::uint16_t)) return false;  // no translation listed
  std::uint16_t words[2];
  std::memcpy(words, value, sizeof(words));
  Path = "\\StringFileInfo\\" + host::IntToHex(words[0], 4) + host::IntToHex(words[1], 4) +
         "\\ProductVersion";
  return true;
}

}  // namespace

// The fixed part is authoritative unless its major number is 0, which some
// build tools leave there while writing the real version only as text; then
// the text's parts override the fixed ones, each part only when a "." follows
// it (a text of "6.0.1" therefore sets major and minor and keeps the fixed
// release and build).
bool VlrGetProductVersion(const std::string& FileName, std::uint16_t& Major, std::uint16_t& Minor,
                          std::uint16_t& Release, std::uint16_t& Build) {
  std::uint32_t size = host::GetFileVersionInfoSize(FileName);
  if (size == 0) return false;
  std::vector<std::uint8_t> block(size, 0);
  if (!host::GetFileVersionInfo(FileName, size, block.data())) return false;

  const void* value = nullptr;
  std::uint32_t length = 0;
  if (!host::VerQueryValue(block.data(), "\\", &value, &length)) return false;
  if (length < sizeof(host::TVSFixedFileInfo)) return false;
  host::TVSFixedFileInfo fixed;
  std::memcpy(&fixed, value, sizeof(fixed));
  Major = static_cast<std::uint16_t>(fixed.dwProductVersionMS >> 16);
  Minor = static_cast<std::uint16_t>(fixed.dwProductVersionMS & 0xFFFF);
  Release = static_cast<std::uint16_t>(fixed.dwProductVersionLS >> 16);
  Build = static_cast<std::uint16_t>(fixed.dwProductVersionLS & 0xFFFF);
  if (Major != 0) return true;

  std::string path;
  if (!ProductVersionPath(block.data(), path)) return false;
  if (!host::VerQueryValue(block.data(), path, &value, &length)) return false;
  const char* chars = static_cast<const char*>(value);
  std::string_view rest(chars, ::strnlen(chars, length));

  std::uint16_t* parts[] = {&Major, &Minor, &Release, &Build};
  for (std::uint16_t* part : parts) {
    std::size_t dot = rest.find('.');
    if (dot == std::string_view::npos) break;  // no later part can have a "." either
    *part = ParseVersionPart(rest.substr(0, dot));
    rest.remove_prefix(dot + 1);
  }
  return true;
}

}  // namespace velar
