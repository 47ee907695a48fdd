// vlrdbinit FILE: creates an empty database in FILE with the user DBA,
// password SQL. Refuses a file that exists.
#include <cstdio>
#include <cstring>

#include "dblib/core/status.h"
#include "dblib/core/users.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0) {
    std::fprintf(stderr,
                 "usage: vlrdbinit FILE\n"
                 "Creates a database in FILE with user DBA, password SQL.\n");
    return argc == 2 ? 0 : 2;
  }
  dblib::Status status;
  if (!dblib::create_database(argv[1], status)) {
    std::fprintf(stderr, "vlrdbinit: %s\n", status.text().c_str());
    return 1;
  }
  std::printf("Created database %s (user DBA, password SQL)\n", argv[1]);
  return 0;
}
