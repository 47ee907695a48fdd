// vlrdbinit [--user NAME] [--password PASSWORD] FILE: creates an empty
// database in FILE whose first user is NAME (DBA when not given) with
// PASSWORD (SQL when not given). Refuses a file that exists. Passwords are
// hashed at the interactive cost; more users come with GRANT CONNECT.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "dblib/core/server/users.h"
#include "dblib/core/support/status.h"

namespace {

constexpr const char* kUsage =
    "usage: vlrdbinit [--user NAME] [--password PASSWORD] FILE\n"
    "Creates a database in FILE whose first user is NAME (default DBA) with\n"
    "PASSWORD (default SQL). Add users later with\n"
    "  GRANT CONNECT TO name IDENTIFIED BY 'password'\n";

// The value of option name at argv[i]: "--name VALUE" or "--name=VALUE".
// Null when argv[i] is not that option; i moves past what was read.
const char* option_value(const char* name, int argc, char** argv, int& i, bool& missing) {
  std::string_view arg(argv[i]);
  std::string_view prefix = std::string_view(name);
  if (arg.substr(0, prefix.size()) != prefix) return nullptr;
  if (arg.size() == prefix.size()) {
    if (i + 1 >= argc) {
      missing = true;
      return nullptr;
    }
    return argv[++i];
  }
  if (arg[prefix.size()] != '=') return nullptr;
  return argv[i] + prefix.size() + 1;
}

}  // namespace

int main(int argc, char** argv) {
  dblib::NewDatabase spec;
  const char* file = nullptr;
  for (int i = 1; i < argc; ++i) {
    bool missing = false;
    if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (const char* user = option_value("--user", argc, argv, i, missing)) {
      spec.user = user;
    } else if (const char* password = option_value("--password", argc, argv, i, missing)) {
      spec.password = password;
    } else if (missing || argv[i][0] == '-' || file != nullptr) {
      std::fputs(kUsage, stderr);
      return 2;
    } else {
      file = argv[i];
    }
  }
  if (file == nullptr) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  dblib::Status status;
  if (!dblib::create_database(file, spec, status)) {
    std::fprintf(stderr, "vlrdbinit: %s\n", status.text().c_str());
    return 1;
  }
  std::printf("Created database %s (user %s)\n", file, spec.user.c_str());
  return 0;
}
