// Handing documents to the desktop, and the application's message box. Both
// go through replaceable handlers, so that a designer can show its own dialog
// and tests can record what would have been shown or opened.
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <exception>

#include "host/exceptions.h"
#include "host/os.h"

extern char** environ;

namespace host {

namespace {

// Starts xdg-open in the background through the shell, which then exits at
// once: the opener is not waited for (it may run as long as the document is
// open) and, being orphaned, leaves no zombie behind. The target travels as a
// positional argument, never as shell text.
bool SpawnDesktopOpener(const std::string& Target) {
  static const char kScript[] =
      "command -v xdg-open >/dev/null 2>&1 || exit 127; "
      "xdg-open \"$1\" </dev/null >/dev/null 2>&1 &";
  const char* argv[] = {"sh", "-c", kScript, "sh", Target.c_str(), nullptr};
  pid_t child = 0;
  if (::posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
    return false;
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The installed handler; a function-local object, so that it exists before
// any static initialiser of another library could install one.
TShellOpenHandler& ShellOpenHandler() {
  static TShellOpenHandler handler;
  return handler;
}

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

// Opens Target with the installed handler or, without one, the desktop's.
bool ShellOpen(const std::string& Target) {
  TShellOpenHandler& handler = ShellOpenHandler();
  return handler ? handler(Target) : SpawnDesktopOpener(Target);
}

// Installs Handler and gives back the one it replaces, for restoring.
TShellOpenHandler SetShellOpenHandler(TShellOpenHandler Handler) {
  TShellOpenHandler previous = std::move(ShellOpenHandler());
  ShellOpenHandler() = std::move(Handler);
  return previous;
}

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

// Never destroyed: components it owns may still be in use while other
// libraries' static objects are torn down at exit.
TApplication* const Application = new TApplication(nullptr);

}  // namespace host
