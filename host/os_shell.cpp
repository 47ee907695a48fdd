// Handing documents to the desktop, through a replaceable handler so that
// tests can record what would have been opened.
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

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

}  // namespace host
