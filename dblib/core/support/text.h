// Small text routines the library needs in many places: names and keywords
// compare without regard to case, and values and keys lose their surrounding
// blanks before they are read.
#pragma once

#include <strings.h>

#include <cctype>
#include <string>
#include <string_view>

namespace dblib {

// Equality of two names ignoring case (ASCII), without building either one.
inline bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Copies text into out in lower case (ASCII), reusing out's storage.
inline void assign_lower(std::string& out, std::string_view text) {
  out.assign(text);
  for (char& c : out)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// The white space of the C locale, told without a call into the C library
// (and whatever locale the host program set): every timestamp read is
// trimmed.
inline bool is_blank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// text without the white space at either end.
inline std::string_view trim(std::string_view text) {
  while (!text.empty() && is_blank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back()))
    text.remove_suffix(1);
  return text;
}

}  // namespace dblib
