#include "host/application.h"

#include <cstdio>
#include <utility>

namespace host {

namespace {

// The answer of a message box's first button.
int FirstButton(int Flags) {
  switch (Flags & 0xF) {
    case 3:  // yes, no, cancel
    case MB_YESNO:
      return IDYES;
    default:
      return IDOK;
  }
}

}  // namespace

// The application is normally the root of its own tree (no owner).
TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() = default;

// Routes the message to the installed handler; without one there is no
// window to show it in, so it goes to standard error.
int TApplication::MessageBox(const std::string& Text, const std::string& Caption, int Flags) {
  if (messageBoxHandler_) return messageBoxHandler_(Text, Caption, Flags);
  std::fprintf(stderr, "%s: %s\n", Caption.c_str(), Text.c_str());
  std::fflush(stderr);
  return FirstButton(Flags);
}

// Installs Handler and gives back the one it replaces, for restoring.
TApplication::TMessageBoxHandler TApplication::SetMessageBoxHandler(TMessageBoxHandler Handler) {
  TMessageBoxHandler previous = std::move(messageBoxHandler_);
  messageBoxHandler_ = std::move(Handler);
  return previous;
}

// Never destroyed: components it owns may still be in use while other
// libraries' static objects are torn down at exit.
TApplication* const Application = new TApplication(nullptr);

}  // namespace host
