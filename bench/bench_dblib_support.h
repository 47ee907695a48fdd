// What the stand-in's benchmarks share: the tests' scratch directory and the
// short-form library, bound by name as a caller would.
#pragma once

#include <dlfcn.h>

#include <string>

#include "dblib/include/sqldef.h"
#include "tests/support/velar_test.h"

namespace dblib_bench {

using TempDir = velar::testing::TempDir;

struct Library {
  Library() {
    handle = dlopen(VELAR_LIB_DIR "/libdblib7.so", RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return;
    init = sym<db_init_fn>("db_init");
    fini = sym<db_fini_fn>("db_fini");
    connect = sym<db_string_connect_fn>("db_string_connect");
    create = sym<dblib_test_create_database_fn>("dblib_test_create_database");
    prepare = sym<dbpp_prepare_fn>("dbpp_prepare");
    execute_into = sym<dbpp_execute_into_fn>("dbpp_execute_into");
    execute_imm = sym<dbpp_execute_imm_fn>("dbpp_execute_imm");
    dropstmt = sym<dbpp_dropstmt_fn>("dbpp_dropstmt");
    commit = sym<dbpp_commit_fn>("dbpp_commit");
    declare = sym<dbpp_declare_fn>("dbpp_declare");
    open = sym<dbpp_open_fn>("dbpp_open");
    fetch = sym<dbpp_fetch_array_fn>("dbpp_fetch_array");
    close = sym<dbpp_close_fn>("dbpp_close");
    alloc = sym<alloc_sqlda_fn>("alloc_sqlda");
    release = sym<free_sqlda_fn>("free_sqlda");
  }
  ~Library() {
    if (handle != nullptr) dlclose(handle);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  template <typename F>
  F sym(const char* name) {
    return reinterpret_cast<F>(dlsym(handle, name));
  }
  // A fresh database in directory, connected on ca as DBA.
  bool connect_new(sqlca& ca, const std::string& directory, const char* engine) {
    std::string file = directory + "/" + engine + ".db";
    if (create(file.c_str()) != 0 || init(&ca) == 0) return false;
    std::string parms = std::string("eng=") + engine + ";start=x;uid=DBA;pwd=SQL;dbf=" + file;
    return connect(&ca, parms.c_str()) != 0;
  }

  void* handle = nullptr;
  db_init_fn init = nullptr;
  db_fini_fn fini = nullptr;
  db_string_connect_fn connect = nullptr;
  dblib_test_create_database_fn create = nullptr;
  dbpp_prepare_fn prepare = nullptr;
  dbpp_execute_into_fn execute_into = nullptr;
  dbpp_execute_imm_fn execute_imm = nullptr;
  dbpp_dropstmt_fn dropstmt = nullptr;
  dbpp_commit_fn commit = nullptr;
  dbpp_declare_fn declare = nullptr;
  dbpp_open_fn open = nullptr;
  dbpp_fetch_array_fn fetch = nullptr;
  dbpp_close_fn close = nullptr;
  alloc_sqlda_fn alloc = nullptr;
  free_sqlda_fn release = nullptr;
};

}  // namespace dblib_bench
