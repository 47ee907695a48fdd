// Deriving the table a query reads from its text. Internal to the base
// library: the statement base records it when a query is prepared.
#pragma once

#include <string>
#include <string_view>

namespace velar {

// The word after the first " FROM " (any letter case; line breaks count as
// blanks), cut at the first blank and then at the first ",", in the letter
// case of the query. Empty when there is no " FROM " or when the word after it
// is missing (two blanks, or a carriage return and line feed, after FROM).
std::string ExtractTableName(std::string_view SQL);

}  // namespace velar
