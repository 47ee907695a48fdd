// Ctrl-C for vlrisql: SIGINT only raises a flag. The running statement is
// cancelled from the session's wait event (the client library calls it
// while a request runs), printing stops at the next row, and the prompt
// reads Ctrl-C as a key of its own; the program goes on.
#pragma once

namespace vlrisql {

// Installs the handler for the life of the process (without SA_RESTART, so
// that a read of plain input waiting for a line returns).
void InstallInterruptHandler();
// Whether Ctrl-C came since the last ClearInterrupt.
bool InterruptRequested();
void ClearInterrupt();
// Raises the flag as the handler does (for tests and for callers that see
// Ctrl-C as a key).
void RequestInterrupt();

}  // namespace vlrisql
