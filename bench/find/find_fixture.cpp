#include "bench/find/find_fixture.h"

#include <cctype>

namespace velar_bench {

const ScratchDatabase& TheFindDatabase() {
  static const ScratchDatabase database(
      "find", [](const std::string& file) { return FillFindTable(file, kFindRows); });
  return database;
}

std::string SearchKey() {
  std::string key = FindKey(kFindRows);
  for (char& c : key)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

}  // namespace velar_bench
