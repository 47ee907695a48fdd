#include "host/application.h"

#include <cstdio>
#include <utility>

#include "host/exceptions.h"

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
// Reports the exception in flight; one that is no std::exception still gets a
// message, so that nothing is swallowed without a word.
void TApplication::HandleException(TObject* Sender) {
  std::exception_ptr current = std::current_exception();
  if (!current) return;
  try {
    std::rethrow_exception(current);
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    if (OnException)
      OnException(Sender, e);
    else
      ShowException(e);
  } catch (...) {
    Exception unknown("Unknown exception");
    if (OnException)
      OnException(Sender, unknown);
    else
      ShowException(unknown);
  }
}

void TApplication::ShowException(const std::exception& E) {
  MessageBox(E.what(), "Error", MB_OK | MB_ICONERROR);
}

TApplication* const Application = new TApplication(nullptr);

}  // namespace host
