// The running program as a component: the owner of top-level objects such as
// dialogs, and where messages for the user are shown. Showing goes through a
// replaceable handler, so that a designer can show its own dialog and tests
// can record what would have been shown.
#pragma once

#include <exception>
#include <functional>
#include <string>

#include "host/component.h"

namespace host {

// Message-box flags and answers.
constexpr int MB_OK = 0x0000;
constexpr int MB_OKCANCEL = 0x0001;
constexpr int MB_YESNO = 0x0004;
constexpr int MB_ICONERROR = 0x0010;
constexpr int MB_ICONQUESTION = 0x0020;
constexpr int MB_ICONWARNING = 0x0030;
constexpr int MB_ICONINFORMATION = 0x0040;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

class TApplication : public TComponent {
 public:
  using TMessageBoxHandler =
      std::function<int(const std::string& Text, const std::string& Caption, int Flags)>;

  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  // Shows a message with the installed handler and returns the button chosen.
  // The default writes the caption and text to standard error and answers as
  // if the first button had been pressed.
  int MessageBox(const std::string& Text, const std::string& Caption, int Flags);
  // Installs a handler (an empty one restores the default); returns the previous.
  TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler Handler);

  // Reports the exception being handled (call it inside a catch block) to the
  // user without passing it on: OnException when assigned, otherwise a
  // message box with its text. EAbort is not reported at all. Sender is the
  // object in whose work the exception arose.
  void HandleException(TObject* Sender);
  // The message box HandleException shows when there is no OnException.
  void ShowException(const std::exception& E);

  using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;
  TExceptionEvent OnException;

 private:
  TMessageBoxHandler messageBoxHandler_;
};

// The program's one application object; it lives until the process ends.
extern TApplication* const Application;

}  // namespace host
