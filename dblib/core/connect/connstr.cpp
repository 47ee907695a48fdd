#include "dblib/core/connect/connstr.h"

#include "dblib/core/support/text.h"
#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

bool key_is(std::string_view key, const char* short_name, const char* long_name) {
  return same_name(key, short_name) || (long_name != nullptr && same_name(key, long_name));
}

// Reads yes/no style values; false when the text is none of them.
bool parse_flag(std::string_view value, bool& out) {
  static const struct {
    const char* word;
    bool flag;
  } kWords[] = {{"yes", true}, {"true", true},   {"on", true},   {"1", true},  {"y", true},
                {"no", false}, {"false", false}, {"off", false}, {"0", false}, {"n", false}};
  for (const auto& [word, flag] : kWords) {
    if (same_name(value, word)) {
      out = flag;
      return true;
    }
  }
  return false;
}

// Reads a braced value from text, which starts at the "{": the characters up
// to the lone "}" that closes it, each "}}" read as one "}". rest receives
// what follows the closing brace. False when no brace closes it.
bool read_braced(std::string_view text, std::string& value, std::string_view& rest) {
  value.clear();
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i] != '}') {
      value.push_back(text[i]);
    } else if (i + 1 < text.size() && text[i + 1] == '}') {
      value.push_back('}');
      ++i;
    } else {
      rest = text.substr(i + 1);
      return true;
    }
  }
  return false;
}

}  // namespace

// Splits text into pairs and stores each known key; stops at the first fault.
bool parse_connect_params(const char* text, ConnectParams& out, Status& status) {
  out = ConnectParams{};
  if (text == nullptr) return true;
  std::string_view rest(text);
  std::string braced;  // a braced value, its doubled braces undone
  int position = 0;
  while (!rest.empty()) {
    ++position;
    size_t equals = rest.find('=');
    size_t semicolon = rest.find(';');
    if (semicolon < equals) {
      // A segment without "=": only blanks may stand there.
      if (!trim(rest.substr(0, semicolon)).empty()) {
        return status.fail(DBE_CONNECTION_PARSE_ERROR,
                           "Parse error: connection parameter %d has no '='", position);
      }
      rest.remove_prefix(semicolon + 1);
      continue;
    }
    if (equals == std::string_view::npos) {
      if (!trim(rest).empty()) {
        return status.fail(DBE_CONNECTION_PARSE_ERROR,
                           "Parse error: connection parameter %d has no '='", position);
      }
      break;
    }
    std::string_view key = trim(rest.substr(0, equals));
    rest.remove_prefix(equals + 1);
    std::string_view value;
    std::string_view after_value = trim(rest);
    if (!after_value.empty() && after_value.front() == '{') {
      std::string_view tail;
      if (!read_braced(after_value, braced, tail)) {
        return status.fail(DBE_CONNECTION_PARSE_ERROR,
                           "Parse error: connection parameter %d has no closing '}'", position);
      }
      value = braced;
      tail = trim(tail);
      if (!tail.empty() && tail.front() != ';') {
        return status.fail(DBE_CONNECTION_PARSE_ERROR,
                           "Parse error: text after '}' in connection parameter %d", position);
      }
      rest = tail.empty() ? tail : tail.substr(1);
    } else {
      size_t end = rest.find(';');
      value = trim(rest.substr(0, end));
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    if (key_is(key, "eng", "EngineName") || key_is(key, "ServerName", nullptr)) {
      out.engine.assign(value);
    } else if (key_is(key, "dbf", "DatabaseFile")) {
      out.file.assign(value);
    } else if (key_is(key, "dbn", "DatabaseName")) {
      out.database.assign(value);
    } else if (key_is(key, "uid", "UserID")) {
      out.user.assign(value);
    } else if (key_is(key, "pwd", "Password")) {
      out.password.assign(value);
    } else if (key_is(key, "start", nullptr)) {
      out.has_start = true;
    } else if (key_is(key, "links", "CommLinks") || key_is(key, "con", "ConnectionName")) {
      // Accepted: every engine is in-process and one connection serves an SQLCA.
    } else if (key_is(key, "autostop", "AutoStop")) {
      out.autostop_given = true;
      if (!parse_flag(value, out.autostop)) {
        return status.fail(DBE_CONNECTION_PARSE_ERROR,
                           "Parse error: autostop needs yes or no (parameter %d)", position);
      }
    } else if (key_is(key, "unconditional", "Unconditional")) {
      if (!parse_flag(value, out.unconditional)) {
        return status.fail(DBE_CONNECTION_PARSE_ERROR,
                           "Parse error: unconditional needs yes or no (parameter %d)", position);
      }
    } else {
      return status.fail(DBE_CONNECTION_PARSE_ERROR,
                         "Parse error: connection parameter %d has an unknown key", position);
    }
  }
  return true;
}

}  // namespace dblib
