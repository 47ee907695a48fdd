// Reading a delimited value, where the closing mark written twice stands
// for itself: a braced connection value ({a}}b} is a}b) and a quoted name
// ("a""b" is a"b) are read alike.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vlrisql {

// Text[At] is the opening mark. Reads up to the lone Close that ends the
// value into Value (doubled Close read as one) and moves At past it; false
// when nothing closes it.
inline bool ReadDelimited(std::string_view Text, std::size_t& At, char Close, std::string& Value) {
  Value.clear();
  for (std::size_t i = At + 1; i < Text.size(); ++i) {
    if (Text[i] != Close) {
      Value += Text[i];
    } else if (i + 1 < Text.size() && Text[i + 1] == Close) {
      Value += Close;
      ++i;
    } else {
      At = i + 1;
      return true;
    }
  }
  return false;
}

}  // namespace vlrisql
