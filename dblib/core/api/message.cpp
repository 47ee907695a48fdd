// The text of an SQLCA's outcome.
#include <algorithm>
#include <cstring>

#include "dblib/core/api/entry_points.h"
#include "dblib/core/api/request.h"
#include "dblib/core/api/session.h"

namespace dblib::api {

// The session keeps the full text of its last outcome (sqlerrmc holds 70
// bytes of it); a code the caller set itself gets its standard text.
char* sqlerror_message(sqlca* ca, char* buffer, int max) {
  if (ca == nullptr || buffer == nullptr || max <= 0) return nullptr;
  Request request(ca, __func__, Needs::Nothing);
  Session* session = find_session(ca);
  const char* text = ca->sqlcode == 0 ? ""
                     : session != nullptr && session->message_code == ca->sqlcode
                         ? session->message.c_str()
                         : standard_text(ca->sqlcode);
  size_t length = std::min(std::strlen(text), static_cast<size_t>(max - 1));
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
  return buffer;
}

}  // namespace dblib::api
