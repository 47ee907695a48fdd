// Telling every member of a list of listeners, where a listener may leave the
// list (or another leave it) while it is told. Internal to the record-set
// framework.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace host::detail {

// Calls Run for each element of List as it stands now, in order, skipping one
// that has left the list by the time its turn comes. Lists of the usual size
// are copied to the stack, so that telling them allocates nothing on paths
// that run for every record.
template <class T, class Action>
void ForEachListed(const std::vector<T*>& List, Action&& Run) {
  constexpr std::size_t kOnStack = 16;
  auto tell = [&List, &Run](T* const* Begin, T* const* End) {
    for (T* const* each = Begin; each != End; ++each)
      if (std::find(List.begin(), List.end(), *each) != List.end()) Run(*each);
  };
  if (List.size() <= kOnStack) {
    std::array<T*, kOnStack> copy{};
    std::copy(List.begin(), List.end(), copy.begin());
    tell(copy.data(), copy.data() + List.size());
    return;
  }
  std::vector<T*> copy = List;
  tell(copy.data(), copy.data() + copy.size());
}

}  // namespace host::detail
