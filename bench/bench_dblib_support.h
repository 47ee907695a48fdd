// What the stand-in's benchmarks share: the tests' scratch directory and the
// short-form library, bound by name as a caller would.
#pragma once

#include <dlfcn.h>

#include <string>

#include "dblib/include/sqldef.h"
#include "tests/support/velar_test.h"

namespace dblib_bench {

using TempDir = velar::testing::TempDir;

// Every entry point of entry_point_list.h, bound by name in the short form
// (a missing one stays null).
struct Library {
  Library() {
    handle = dlopen(VELAR_LIB_DIR "/libdblib7.so", RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return;
#define DBLIB_DBPP(name, since, probe, params, args) bind(dbpp_##name, "dbpp_" #name);
#define DBLIB_DB(result, name, since, probe, params, args) bind(name, #name);
#define DBLIB_TEST(result, name, params, args) bind(name, #name);
#include "dblib/include/entry_point_list.h"
  }
  ~Library() {
    if (handle != nullptr) dlclose(handle);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  template <typename F>
  void bind(F& entry, const char* name) {
    entry = reinterpret_cast<F>(dlsym(handle, name));
  }
  // A fresh database in directory, connected on ca as DBA.
  bool connect_new(sqlca& ca, const std::string& directory, const char* engine) {
    std::string file = directory + "/" + engine + ".db";
    if (dblib_test_create_database(file.c_str()) != 0 || db_init(&ca) == 0) return false;
    std::string parms = std::string("eng=") + engine + ";start=x;uid=DBA;pwd=SQL;dbf=" + file;
    return db_string_connect(&ca, parms.c_str()) != 0;
  }

  void* handle = nullptr;
#define DBLIB_DBPP(name, since, probe, params, args) dbpp_##name##_fn dbpp_##name = nullptr;
#define DBLIB_DB(result, name, since, probe, params, args) name##_fn name = nullptr;
#define DBLIB_TEST(result, name, params, args) name##_fn name = nullptr;
#include "dblib/include/entry_point_list.h"
};

}  // namespace dblib_bench
