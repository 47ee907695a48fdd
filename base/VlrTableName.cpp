#include "base/VlrTableName.h"

#include <algorithm>

#include "host/sysutils.h"

namespace velar {

// Works on one copy: line breaks become blanks there, and the search runs on
// its ASCII upper-cased form, which keeps every position, so the name can be
// cut from the copy in the query's own letter case. Only the first FROM
// counts, which names the table of a simple query; for a join or a subquery
// the result is whatever word follows that FROM, which is why the statement
// only records it for the application to read.
std::string ExtractTableName(std::string_view SQL) {
  std::string text(SQL);
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  const std::string upper = host::UpperCase(text);
  const std::size_t from = upper.find(" FROM ");
  if (from == std::string::npos) return std::string();
  std::string name = text.substr(from + 6);
  std::size_t blank = name.find(' ');
  if (blank != std::string::npos) name.resize(blank);
  std::size_t comma = name.find(',');
  if (comma != std::string::npos) name.resize(comma);
  return name;
}

}  // namespace velar
