#include "tools/vlrisql/connect_setup.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "asa/VlrAsa.h"
#include "base/VlrRoutines.h"
#include "host/sysutils.h"
#include "tools/vlrisql/delimited_text.h"

extern char** environ;

namespace vlrisql {

namespace {

constexpr char kDefaultLibrary[] = "libdblib6.so";

bool IsBlank(char C) {
  return C == ' ' || C == '\t' || C == '\r' || C == '\n';
}

std::string_view Trimmed(std::string_view Text) {
  while (!Text.empty() && IsBlank(Text.front()))
    Text.remove_prefix(1);
  while (!Text.empty() && IsBlank(Text.back()))
    Text.remove_suffix(1);
  return Text;
}

bool SameKey(std::string_view Key, const char* Short, const char* Long) {
  return host::AnsiCompareText(Key, Short) == 0 ||
         (Long != nullptr && host::AnsiCompareText(Key, Long) == 0);
}

// The library splits at ";", trims blanks around a value and reads a value
// that opens with "{" up to the closing brace.
bool NeedsBraces(const std::string& Value) {
  return !Value.empty() && (Value.find(';') != std::string::npos || Value.front() == '{' ||
                            IsBlank(Value.front()) || IsBlank(Value.back()));
}

std::string Absolute(const std::string& File) {
  std::error_code ignored;
  const std::filesystem::path path = std::filesystem::absolute(File, ignored);
  return path.empty() ? File : path.lexically_normal().string();
}

bool IsExecutable(const std::string& File) {
  return ::access(File.c_str(), X_OK) == 0 && !std::filesystem::is_directory(File);
}

// The program beside this one, else the first one on PATH; empty when none.
std::string FindProgram(const std::string& Name) {
  const std::string beside = ProgramDir() + "/" + Name;
  if (IsExecutable(beside)) return beside;
  const char* path = std::getenv("PATH");
  std::string_view dirs = path != nullptr ? path : "";
  while (!dirs.empty()) {
    const std::size_t colon = dirs.find(':');
    const std::string dir(dirs.substr(0, colon));
    dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + Name;
    if (IsExecutable(candidate)) return candidate;
  }
  return std::string();
}

// Where to load the client library from. A name without a directory is
// looked for where an installed or built vlrisql keeps its libraries (the
// lib directory beside bin/, or bin/ itself) before the system's search.
void LocateLibrary(velar::TAsaSession& Session, const std::string& Library) {
  const std::string file = Library.empty() ? kDefaultLibrary : Library;
  if (file.find('/') != std::string::npos) {
    Session.SetLibraryFile(Absolute(file));
    return;
  }
  Session.SetLibraryFile(file);
  const std::string program = ProgramDir();
  for (const std::string& dir : {program + "/../lib", program}) {
    if (host::FileExists(dir + "/" + file)) {
      Session.SetLibraryPath(Absolute(dir));
      return;
    }
  }
}

}  // namespace

bool ParseConnectString(const std::string& Text, TLogin& Login, std::string& Error) {
  Login = TLogin{};
  std::string_view rest(Text);
  while (!Trimmed(rest).empty()) {
    const std::size_t equals = rest.find('=');
    const std::size_t semicolon = rest.find(';');
    if (semicolon < equals) {
      if (!Trimmed(rest.substr(0, semicolon)).empty()) {
        Error = "connection parameter \"" + std::string(Trimmed(rest.substr(0, semicolon))) +
                "\" has no \"=\"";
        return false;
      }
      rest.remove_prefix(semicolon + 1);
      continue;
    }
    if (equals == std::string_view::npos) {
      Error = "connection parameter \"" + std::string(Trimmed(rest)) + "\" has no \"=\"";
      return false;
    }
    const std::string_view key = Trimmed(rest.substr(0, equals));
    rest.remove_prefix(equals + 1);
    std::string value;
    const std::string_view start = Trimmed(rest);
    if (!start.empty() && start.front() == '{') {
      std::size_t end = 0;
      if (!ReadDelimited(start, end, '}', value)) {
        Error = "the value of " + std::string(key) + " has no closing \"}\"";
        return false;
      }
      rest = Trimmed(start.substr(end));
      if (!rest.empty() && rest.front() != ';') {
        Error = "text after the \"}\" of " + std::string(key);
        return false;
      }
      if (!rest.empty()) rest.remove_prefix(1);
    } else {
      const std::size_t end = rest.find(';');
      value = Trimmed(rest.substr(0, end));
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    if (SameKey(key, "eng", "EngineName") || SameKey(key, "ServerName", nullptr)) {
      Login.Engine = value;
    } else if (SameKey(key, "dbf", "DatabaseFile")) {
      Login.DatabaseFile = value;
    } else if (SameKey(key, "dbn", "DatabaseName")) {
      Login.DatabaseName = value;
    } else if (SameKey(key, "uid", "UserID")) {
      Login.HasUser = true;
      Login.User = value;
    } else if (SameKey(key, "pwd", "Password")) {
      Login.HasPassword = true;
      Login.Password = value;
    } else if (SameKey(key, "start", nullptr)) {
      Login.Start = value;
    } else {
      Login.Others.emplace_back(std::string(key), value);
    }
  }
  return true;
}

// A value that needs braces and holds a "}" cannot be written: the library
// reads a braced value up to its first "}". The caller checked for it.
std::string ClientParamsOf(const TLogin& Login) {
  std::string params;
  for (const auto& [key, value] : Login.Others) {
    if (!params.empty()) params += ';';
    params += key + "=" + (NeedsBraces(value) ? "{" + value + "}" : value);
  }
  return params;
}

// A database file means the engine may have to start it (stWorkgroup:
// connect, and start server and database when none answers); a database
// name alone, or an engine alone, reaches a running server (stClient).
bool ConfigureSession(velar::TAsaSession& Session, const TOptions& Options, std::string& Error) {
  TLogin login;
  if (!ParseConnectString(Options.ConnectString, login, Error)) return false;
  for (const auto& [key, value] : login.Others) {
    if (NeedsBraces(value) && value.find('}') != std::string::npos) {
      Error = "the value of " + key + " cannot be written in a connection string";
      return false;
    }
  }
  std::string file = !Options.CreateFile.empty() ? Options.CreateFile : Options.Database;
  if (!login.DatabaseFile.empty()) {
    if (!file.empty() && Absolute(file) != Absolute(login.DatabaseFile)) {
      Error = "two databases given: " + file + " and dbf=" + login.DatabaseFile;
      return false;
    }
    file = login.DatabaseFile;
  }
  if (!login.DatabaseName.empty() && !file.empty() &&
      velar::VlrExtractFilePrefix(host::ExtractFileName(file)) != login.DatabaseName) {
    Error = "dbn=" + login.DatabaseName +
            " differs from the database file's name; with a file, leave dbn out";
    return false;
  }

  LocateLibrary(Session, Options.Library);
  Session.SetClientParams(ClientParamsOf(login));
  Session.SetLoginEngineName(login.Engine);
  if (!login.Start.empty()) Session.SetServerParams("start=" + login.Start);
  if (!file.empty()) {
    Session.SetLoginDatabase(Absolute(file));
    Session.SetServerType(velar::stWorkgroup);
  } else {
    Session.SetLoginDatabase(login.DatabaseName);
    Session.SetServerType(velar::stClient);
  }
  Session.SetLoginUser(Options.User ? *Options.User : login.HasUser ? login.User : "DBA");
  Session.SetLoginPassword(Options.Password    ? *Options.Password
                           : login.HasPassword ? login.Password
                                               : "SQL");
  return true;
}

std::string ProgramDir() {
  std::error_code failed;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failed);
  return failed ? std::string(".") : self.parent_path().string();
}

bool CreateDatabase(const TOptions& Options, std::string& Error) {
  const std::string program = FindProgram("vlrdbinit");
  if (program.empty()) {
    Error = "cannot create " + Options.CreateFile + ": vlrdbinit is neither beside " +
            ProgramDir() + "/vlrisql nor on PATH";
    return false;
  }
  std::vector<std::string> args = {program};
  if (Options.User) args.insert(args.end(), {"--user", *Options.User});
  if (Options.Password) args.insert(args.end(), {"--password", *Options.Password});
  args.push_back(Options.CreateFile);
  std::vector<char*> argv;
  for (std::string& arg : args)
    argv.push_back(arg.data());
  argv.push_back(nullptr);

  // Its note of success would mix with the results on standard output; its
  // complaints go to standard error as they are.
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned =
      ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    Error = "cannot run " + program + ": " + std::strerror(spawned);
    return false;
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      Error = "lost " + program + ": " + std::strerror(errno);
      return false;
    }
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    Error = "could not create the database " + Options.CreateFile;
    return false;
  }
  return true;
}

}  // namespace vlrisql
