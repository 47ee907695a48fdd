#include "asa/VlrAsaSession.h"

namespace velar {

EAsaException::~EAsaException() = default;

// Creating a session does no library work; the platform's file names stand
// in for the library and server programs of the original platform.
TAsaSession::TAsaSession(host::TComponent* AOwner)
    : TVelarSession(AOwner), serverParams_("start=dbeng6") {
  SetLibraryFile("libdblib6.so");
}

// The base's destroy frame runs first, while this class's steps still exist:
// it disconnects and gives back the library reference. A wait-callback route
// that a failed disconnect left behind must not outlive the session.
TAsaSession::~TAsaSession() {
  BeforeDestruction();
  UnregisterWaitCallback();
}

// Another server type means another way to connect, so an open connection
// made the old way is closed; while read from a form nothing is open yet.
void TAsaSession::SetServerType(TAsaServerType Value) {
  if (Value == serverType_) return;
  if (!Reading()) SetConnected(false);
  serverType_ = Value;
}

}  // namespace velar
