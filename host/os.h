// The platform layer: what the library needs of the operating system, behind
// the names and results of the calls it was designed around. Dynamic
// libraries, the library search, the current directory and system messages,
// the OEM code-page tables, version-information blocks, opening a document
// with the desktop, and the application's message box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "host/component.h"

namespace host {

// ------------------------------------------------------- dynamic libraries

// A loaded library; nullptr means none.
using TLibraryHandle = void*;

// Loads a shared library with all its symbols bound at once and kept private
// to it. A FileName without "/" is found by the system's library search, one
// with "/" is taken as a path (relative to the current directory). Returns
// nullptr on failure and keeps the reason for LastLibraryError.
TLibraryHandle LoadLibrary(const std::string& FileName);
// The address of an exported symbol, or nullptr (reason in LastLibraryError).
void* GetProcAddress(TLibraryHandle Handle, const std::string& ProcName);
// Releases a library from LoadLibrary; false on failure.
bool FreeLibrary(TLibraryHandle Handle);
// The system's text for the last failure of the three calls above, on this
// thread; empty when there was none.
std::string LastLibraryError();

// Finds a file the way a program's libraries are found: in the executable's
// directory, then in each directory of LD_LIBRARY_PATH, then of PATH. Returns
// the absolute path of the first regular file of that name, or an empty
// string. A name that holds a "/" is only checked where it points.
std::string SearchPath(const std::string& FileName);

// ------------------------------------------------ directory and OS errors

// The current directory, or empty when it cannot be determined (errno kept).
std::string GetCurrentDir();
// Changes the current directory; false on failure with errno kept.
bool SetCurrentDir(const std::string& Dir);
// The system's text for an error number.
std::string SysErrorMessage(int ErrorCode);
// The calling thread's last error number and its text.
int GetLastOSError();
std::string LastOSErrorMessage();

// ------------------------------------------------------------- code pages

// Convert Length bytes between the ANSI code page (Windows-1252) and the OEM
// code page (850). Characters without a counterpart become a close look-alike
// or "?". Source and Dest may be the same buffer; otherwise they must not
// overlap.
void CharToOemBuff(const char* Source, char* Dest, std::size_t Length);
void OemToCharBuff(const char* Source, char* Dest, std::size_t Length);

// --------------------------------------------------- version information

// The fixed part of a version block, as the query "\" returns it.
struct TVSFixedFileInfo {
  std::uint32_t dwSignature;
  std::uint32_t dwStrucVersion;
  std::uint32_t dwFileVersionMS;
  std::uint32_t dwFileVersionLS;
  std::uint32_t dwProductVersionMS;
  std::uint32_t dwProductVersionLS;
  std::uint32_t dwFileFlagsMask;
  std::uint32_t dwFileFlags;
  std::uint32_t dwFileOS;
  std::uint32_t dwFileType;
  std::uint32_t dwFileSubtype;
  std::uint32_t dwFileDateMS;
  std::uint32_t dwFileDateLS;
};
static_assert(sizeof(TVSFixedFileInfo) == 52);

constexpr std::uint32_t VS_FFI_SIGNATURE = 0xFEEF04BD;

// The raw version block of a file: from the resources of a PE file (type 16),
// or from the section ".vs_version_info" of an ELF file. Empty when the file
// has none, cannot be read, or its structures do not hold together.
std::vector<std::uint8_t> ReadVersionBlock(const std::string& FileName);

// The number of bytes GetFileVersionInfo needs for the file's version
// information, or 0 when there is none (errno then says why).
std::uint32_t GetFileVersionInfoSize(const std::string& FileName);
// Fills Data (Length bytes, at least what GetFileVersionInfoSize answered) with
// the version information; false when there is none or Length is too small.
bool GetFileVersionInfo(const std::string& FileName, std::uint32_t Length, void* Data);
// Looks a value up in information from GetFileVersionInfo:
//   "\"                                   the TVSFixedFileInfo (signature checked)
//   "\VarFileInfo\Translation"            language and code-page word pairs
//   "\StringFileInfo\<8 hex digits>\<Key>" a string as single-byte text, ending
//                                         in a zero byte; Length counts
//                                         characters including that zero
// Keys compare without regard to case. On success Buffer points into Block.
bool VerQueryValue(const void* Block, const std::string& SubBlock, const void** Buffer,
                   std::uint32_t* Length);

// ------------------------------------------------------------------ shell

// Opens a document or address with the desktop's preferred application.
using TShellOpenHandler = std::function<bool(const std::string& Target)>;
// Hands Target to the installed handler; the default starts xdg-open and
// returns whether it could be started.
bool ShellOpen(const std::string& Target);
// Installs a handler (an empty one restores the default); returns the previous.
TShellOpenHandler SetShellOpenHandler(TShellOpenHandler Handler);

// ------------------------------------------------------------ application

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

// The running program as a component: the owner of top-level objects such as
// dialogs, and the place where messages for the user are shown.
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
