// A second program on a database file, for the tests of several processes:
// it starts the database in an engine of its own, checks that a row the
// starting process committed is there, and inserts rows tagged with its own
// number, committing each one.
//
//   dblib_process_writer LIBRARY FILE TAG ROWS
//
// Exit status: 0 when every row went in, 2 on bad arguments or a library
// that does not load, 3 when the committed row is missing, 4 on a failed
// connect or insert (the message goes to stderr).
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "dblib/include/sqldef.h"

namespace {

struct Entries {
  db_init_fn init = nullptr;
  db_fini_fn fini = nullptr;
  db_string_connect_fn connect = nullptr;
  dbpp_execute_imm_fn execute_imm = nullptr;
  dbpp_prepare_fn prepare = nullptr;
  dbpp_execute_into_fn execute_into = nullptr;
  dbpp_commit_fn commit = nullptr;
  alloc_sqlda_fn alloc = nullptr;
  free_sqlda_fn release = nullptr;
  sqlerror_message_fn message = nullptr;
};

template <typename F>
bool bind(void* library, const char* name, F& entry) {
  entry = reinterpret_cast<F>(dlsym(library, name));
  return entry != nullptr;
}

int fail(Entries& lib, sqlca& ca, const char* what) {
  char text[512] = {};
  lib.message(&ca, text, sizeof text);
  std::fprintf(stderr, "%s: %d %s\n", what, ca.sqlcode, text);
  return 4;
}

// The one integer a query returns, or -1.
long long query(Entries& lib, sqlca& ca, const char* sql) {
  int16_t number = 0;
  lib.prepare(&ca, nullptr, "writer", &number, sql, nullptr, 0);
  if (ca.sqlcode != 0) return -1;
  sqlda* out = lib.alloc(1);
  out->sqld = 1;
  int64_t value = -1;
  out->sqlvar[0].sqltype = DBT_BIGINT;
  out->sqlvar[0].sqldata = &value;
  lib.execute_into(&ca, nullptr, "writer", &number, nullptr, out);
  lib.release(out);
  return ca.sqlcode == 0 ? value : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return 2;
  Entries lib;
  if (!bind(library, "db_init", lib.init) || !bind(library, "db_fini", lib.fini) ||
      !bind(library, "db_string_connect", lib.connect) ||
      !bind(library, "dbpp_execute_imm", lib.execute_imm) ||
      !bind(library, "dbpp_prepare", lib.prepare) ||
      !bind(library, "dbpp_execute_into", lib.execute_into) ||
      !bind(library, "dbpp_commit", lib.commit) || !bind(library, "alloc_sqlda", lib.alloc) ||
      !bind(library, "free_sqlda", lib.release) ||
      !bind(library, "sqlerror_message", lib.message)) {
    return 2;
  }
  int32_t tag = std::atoi(argv[3]);
  const int rows = std::atoi(argv[4]);
  sqlca ca{};
  lib.init(&ca);
  std::string parms =
      "eng=writer" + std::to_string(getpid()) + ";dbf=" + argv[2] + ";start=x;uid=DBA;pwd=SQL";
  if (lib.connect(&ca, parms.c_str()) == 0) return fail(lib, ca, "connect");
  if (query(lib, ca, "SELECT count(*) FROM t WHERE a = 0") != 1) return 3;
  int16_t insert = 0;
  lib.prepare(&ca, nullptr, "writer", &insert, "INSERT INTO t(a, b) VALUES (?, ?)", nullptr, 0);
  if (ca.sqlcode != 0) return fail(lib, ca, "prepare");
  sqlda* in = lib.alloc(2);
  in->sqld = 2;
  int32_t row = 0;
  in->sqlvar[0].sqltype = DBT_INT;
  in->sqlvar[0].sqllen = 4;
  in->sqlvar[0].sqldata = &tag;
  in->sqlvar[1].sqltype = DBT_INT;
  in->sqlvar[1].sqllen = 4;
  in->sqlvar[1].sqldata = &row;
  int status = 0;
  for (row = 0; row < rows && status == 0; ++row) {
    lib.execute_into(&ca, nullptr, "writer", &insert, in, nullptr);
    if (ca.sqlcode == 0) lib.commit(&ca, 0);
    if (ca.sqlcode != 0) status = fail(lib, ca, "insert");
  }
  lib.release(in);
  lib.fini(&ca);
  dlclose(library);
  return status;
}
