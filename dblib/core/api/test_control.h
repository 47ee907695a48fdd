// Test control: the trace of entry points called and the outcomes injected
// into the next call of a named entry point (see dblib_test_trace and
// dblib_test_inject in entry_point_list.h). Safe to call from any thread.
#pragma once

#include <string>

namespace dblib {

// Records a call while tracing is on.
void trace_call(const char* entry_point);
// Takes the outcome injected for entry_point, if any: true with code and
// text (empty: the standard text).
bool take_injection(const char* entry_point, int& code, std::string& text);

}  // namespace dblib
