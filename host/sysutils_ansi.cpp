// Case mapping and ordering of Windows-1252 text, and the string routines
// built on them (trimming, comparison, searching, replacing).
#include <array>
#include <cstdint>
#include <cstring>

#include "host/sysutils.h"

namespace host {

namespace {

// Collation weights of one byte. Primary: punctuation and symbols keep their
// byte order below the digits, the digits below the letters, and every letter
// weighs as its base letter. Secondary: 0 for a plain letter, otherwise the
// lower-case code of the accented form. Tertiary: 1 for upper case.
struct CharWeights {
  std::uint16_t primary;
  std::uint8_t secondary;
  std::uint8_t tertiary;
};

struct AnsiTables {
  std::array<unsigned char, 256> upper{};
  std::array<unsigned char, 256> lower{};
  std::array<CharWeights, 256> weights{};
};

// Base letter of a lower-case Windows-1252 letter at or above 0x80, or 0 when
// the byte is not a letter.
constexpr char baseLetterOf(unsigned c) {
  switch (c) {
    case 0x9A:
      return 's';  // s caron
    case 0x9C:
      return 'o';  // oe ligature
    case 0x9E:
      return 'z';  // z caron
    case 0xDF:
      return 's';  // sharp s
    case 0xE7:
      return 'c';
    case 0xF0:
      return 'd';  // eth
    case 0xF1:
      return 'n';
    case 0xF8:
      return 'o';  // o stroke
    case 0xFD:
    case 0xFF:
      return 'y';
    case 0xFE:
      return 't';  // thorn
    default:
      break;
  }
  if (c >= 0xE0 && c <= 0xE6) return 'a';  // a grave .. ae ligature
  if (c >= 0xE8 && c <= 0xEB) return 'e';
  if (c >= 0xEC && c <= 0xEF) return 'i';
  if (c >= 0xF2 && c <= 0xF6) return 'o';
  if (c >= 0xF9 && c <= 0xFC) return 'u';
  return 0;
}

// Builds the case tables and weights once, at compile time.
constexpr AnsiTables buildTables() {
  AnsiTables t;
  for (unsigned c = 0; c < 256; ++c) {
    t.upper[c] = static_cast<unsigned char>(c);
    t.lower[c] = static_cast<unsigned char>(c);
  }
  for (unsigned c = 'a'; c <= 'z'; ++c) {
    t.upper[c] = static_cast<unsigned char>(c - 32);
    t.lower[c - 32] = static_cast<unsigned char>(c);
  }
  // Latin-1 pairs differ by 0x20, except the multiplication and division signs.
  for (unsigned c = 0xE0; c <= 0xFE; ++c) {
    if (c == 0xF7) continue;
    t.upper[c] = static_cast<unsigned char>(c - 0x20);
    t.lower[c - 0x20] = static_cast<unsigned char>(c);
  }
  // The pairs Windows-1252 adds in 0x80..0x9F, and y with diaeresis.
  const unsigned pairs[][2] = {{0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}};
  for (const auto& pair : pairs) {
    t.upper[pair[1]] = static_cast<unsigned char>(pair[0]);
    t.lower[pair[0]] = static_cast<unsigned char>(pair[1]);
  }
  for (unsigned c = 0; c < 256; ++c) {
    const unsigned folded = t.lower[c];
    CharWeights w{static_cast<std::uint16_t>(c), 0, 0};
    char base = 0;
    if (folded >= 'a' && folded <= 'z')
      base = static_cast<char>(folded);
    else if (folded >= 0x80)
      base = baseLetterOf(folded);
    if (c >= '0' && c <= '9') {
      w.primary = static_cast<std::uint16_t>(0x100 + (c - '0'));
    } else if (base != 0) {
      w.primary = static_cast<std::uint16_t>(0x200 + (base - 'a'));
      w.secondary = folded >= 0x80 ? static_cast<std::uint8_t>(folded) : 0;
      w.tertiary = folded != c ? 1 : 0;
    }
    t.weights[c] = w;
  }
  return t;
}

constexpr AnsiTables kTables = buildTables();

// Table index of a character: its byte value.
inline unsigned char uc(char c) {
  return static_cast<unsigned char>(c);
}

// Trimming removes blanks and every control character.
inline bool isTrimmable(char c) {
  return uc(c) <= ' ';
}

// Three-level comparison of two byte ranges: the whole text by base letters
// first, so an accent or a case difference only decides between texts that
// are otherwise equal.
int collate(const char* left, std::size_t leftLength, const char* right, std::size_t rightLength,
            bool respectCase) {
  const std::size_t common = leftLength < rightLength ? leftLength : rightLength;
  for (std::size_t i = 0; i < common; ++i) {
    const int diff = kTables.weights[uc(left[i])].primary - kTables.weights[uc(right[i])].primary;
    if (diff != 0) return diff;
  }
  if (leftLength != rightLength) return leftLength < rightLength ? -1 : 1;
  for (std::size_t i = 0; i < common; ++i) {
    const int diff =
        kTables.weights[uc(left[i])].secondary - kTables.weights[uc(right[i])].secondary;
    if (diff != 0) return diff;
  }
  if (!respectCase) return 0;
  for (std::size_t i = 0; i < common; ++i) {
    const int diff = kTables.weights[uc(left[i])].tertiary - kTables.weights[uc(right[i])].tertiary;
    if (diff != 0) return diff;
  }
  return 0;
}

// Finds pattern in text from position start, by exact bytes or by case.
std::size_t findFrom(std::string_view text, std::string_view pattern, std::size_t start,
                     bool ignoreCase) {
  if (!ignoreCase) return text.find(pattern, start);
  if (pattern.size() > text.size()) return std::string_view::npos;
  for (std::size_t at = start; at + pattern.size() <= text.size(); ++at) {
    std::size_t i = 0;
    while (i < pattern.size() && kTables.lower[uc(text[at + i])] == kTables.lower[uc(pattern[i])])
      ++i;
    if (i == pattern.size()) return at;
  }
  return std::string_view::npos;
}

}  // namespace

// The part of text between its blanks, as a view: parsers trim without a copy.
std::string_view TrimView(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && isTrimmable(text[first]))
    ++first;
  while (last > first && isTrimmable(text[last - 1]))
    --last;
  return text.substr(first, last - first);
}

// Trims both ends.
std::string Trim(std::string_view text) {
  return std::string(TrimView(text));
}

// Trims the start only.
std::string TrimLeft(std::string_view text) {
  std::size_t first = 0;
  while (first < text.size() && isTrimmable(text[first]))
    ++first;
  return std::string(text.substr(first));
}

// Trims the end only.
std::string TrimRight(std::string_view text) {
  std::size_t last = text.size();
  while (last > 0 && isTrimmable(text[last - 1]))
    --last;
  return std::string(text.substr(0, last));
}

// ASCII upper case.
std::string UpperCase(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return result;
}

// ASCII lower case.
std::string LowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return result;
}

// Windows-1252 upper case of one character.
char AnsiUpperChar(char c) {
  return static_cast<char>(kTables.upper[uc(c)]);
}

// Windows-1252 lower case of one character.
char AnsiLowerChar(char c) {
  return static_cast<char>(kTables.lower[uc(c)]);
}

// Windows-1252 upper case.
std::string AnsiUpperCase(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    c = AnsiUpperChar(c);
  return result;
}

// Windows-1252 lower case.
std::string AnsiLowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    c = AnsiLowerChar(c);
  return result;
}

// ASCII case-insensitive order by the upper-cased bytes.
int CompareText(std::string_view left, std::string_view right) {
  const std::size_t common = left.size() < right.size() ? left.size() : right.size();
  for (std::size_t i = 0; i < common; ++i) {
    int a = uc(left[i]);
    int b = uc(right[i]);
    if (a >= 'a' && a <= 'z') a -= 32;
    if (b >= 'a' && b <= 'z') b -= 32;
    if (a != b) return a - b;
  }
  if (left.size() == right.size()) return 0;
  return left.size() < right.size() ? -1 : 1;
}

// ASCII case-insensitive equality.
bool SameText(std::string_view left, std::string_view right) {
  return CompareText(left, right) == 0;
}

// Locale-aware order ignoring case.
int AnsiCompareText(std::string_view left, std::string_view right) {
  return collate(left.data(), left.size(), right.data(), right.size(), false);
}

// Locale-aware order respecting case.
int AnsiCompareStr(std::string_view left, std::string_view right) {
  return collate(left.data(), left.size(), right.data(), right.size(), true);
}

// Locale-aware equality ignoring case.
bool AnsiSameText(std::string_view left, std::string_view right) {
  return left.size() == right.size() && AnsiCompareText(left, right) == 0;
}

// Length of zero-terminated text read at most maxLength far; a null pointer
// is the empty text, as the C-string routines of this family treat it.
static std::size_t boundedLength(const char*& text, std::size_t maxLength) {
  if (text == nullptr) text = "";
  return strnlen(text, maxLength);
}

// Locale-aware order of zero-terminated text, respecting case.
int AnsiStrComp(const char* left, const char* right) {
  const std::size_t leftLength = boundedLength(left, SIZE_MAX);
  return collate(left, leftLength, right, boundedLength(right, SIZE_MAX), true);
}

// Locale-aware order of zero-terminated text, ignoring case.
int AnsiStrIComp(const char* left, const char* right) {
  const std::size_t leftLength = boundedLength(left, SIZE_MAX);
  return collate(left, leftLength, right, boundedLength(right, SIZE_MAX), false);
}

// Locale-aware, case-insensitive order of at most maxLength characters; a
// slot that fills its buffer without a terminator is read only that far.
int AnsiStrLIComp(const char* left, const char* right, std::size_t maxLength) {
  const std::size_t leftLength = boundedLength(left, maxLength);
  return collate(left, leftLength, right, boundedLength(right, maxLength), false);
}

// Exact-byte search in zero-terminated text.
const char* AnsiStrPos(const char* text, const char* sub) {
  if (text == nullptr || sub == nullptr || *text == '\0' || *sub == '\0') return nullptr;
  return std::strstr(text, sub);
}

// Exact-byte search returning a writable pointer into a writable text.
char* AnsiStrPos(char* text, const char* sub) {
  return const_cast<char*>(AnsiStrPos(static_cast<const char*>(text), sub));
}

// 1-based position of sub in text.
std::size_t Pos(std::string_view sub, std::string_view text) {
  if (sub.empty()) return 0;
  const std::size_t at = text.find(sub);
  return at == std::string_view::npos ? 0 : at + 1;
}

// Single-quoted text with its quotes doubled.
std::string QuotedStr(std::string_view text) {
  std::string result;
  result.reserve(text.size() + 2);
  result += '\'';
  for (char c : text) {
    if (c == '\'') result += '\'';
    result += c;
  }
  result += '\'';
  return result;
}

// Replaces one or every occurrence of pattern.
std::string StringReplace(std::string_view text, std::string_view pattern,
                          std::string_view replacement, TReplaceFlags flags) {
  if (pattern.empty()) return std::string(text);
  const bool ignoreCase = (flags & rfIgnoreCase) != 0;
  std::string result;
  std::size_t copiedUpTo = 0;
  std::size_t at = findFrom(text, pattern, 0, ignoreCase);
  while (at != std::string_view::npos) {
    result.append(text.substr(copiedUpTo, at - copiedUpTo));
    result.append(replacement);
    copiedUpTo = at + pattern.size();
    if ((flags & rfReplaceAll) == 0) break;
    at = findFrom(text, pattern, copiedUpTo, ignoreCase);
  }
  result.append(text.substr(copiedUpTo));
  return result;
}

}  // namespace host
