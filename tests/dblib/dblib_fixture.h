// Test support: loads a stand-in library with dlopen, as the driver does, and
// calls its entry points through dlsym'd pointers in the library's calling
// form. Each test gets a fresh temporary directory and database.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "dblib/include/sqldef.h"

namespace dblib_test {

class Library {
 public:
  explicit Library(const std::string& name) {
    std::string path = std::string(VELAR_LIB_DIR) + "/" + name;
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    legacy_ = name.find("dblib7") == std::string::npos;
  }
  ~Library() {
    if (handle_ != nullptr) {
      sym<dblib_test_stop_all_fn>("dblib_test_stop_all")();
      sym<dblib_test_clear_fn>("dblib_test_clear")();
      dlclose(handle_);
    }
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  bool legacy() const { return legacy_; }
  void* find(const char* name) const { return dlsym(handle_, name); }
  template <typename F>
  F sym(const char* name) const {
    void* address = find(name);
    if (address == nullptr) ADD_FAILURE() << "missing entry point " << name;
    return reinterpret_cast<F>(address);
  }

  // The dbpp_ calls, in whichever form this library has.
#define DBPP_CALL(name, ...)                                                         \
  (legacy_ ? sym<dbpp_##name##_legacy_fn>("dbpp_" #name)(ca, &context_, __VA_ARGS__) \
           : sym<dbpp_##name##_fn>("dbpp_" #name)(ca, __VA_ARGS__))
  void commit(sqlca* ca) {
    DBPP_CALL(commit, 0u);
  }
  void rollback(sqlca* ca) {
    DBPP_CALL(rollback, 0u);
  }
  void prepare(sqlca* ca, int16_t* number, const char* sql) {
    DBPP_CALL(prepare, nullptr, "VelarDB", number, sql, nullptr, 1);
  }
  void dropstmt(sqlca* ca, int16_t* number) {
    DBPP_CALL(dropstmt, nullptr, "VelarDB", number);
  }
  void execute_into(sqlca* ca, int16_t* number, sqlda* in, sqlda* out) {
    DBPP_CALL(execute_into, nullptr, "VelarDB", number, in, out);
  }
  void execute_imm(sqlca* ca, const char* sql) {
    DBPP_CALL(execute_imm, sql, 2);
  }
  void describe(sqlca* ca, int16_t* number, sqlda* descriptor, unsigned short what) {
    DBPP_CALL(describe, nullptr, "VelarDB", number, descriptor, what);
  }
  void setoption(sqlca* ca, const char* name, sqlda* descriptor) {
    DBPP_CALL(setoption, 1, nullptr, name, descriptor);
  }
  void getoption(sqlca* ca, const char* name, sqlda* descriptor) {
    DBPP_CALL(getoption, 0, nullptr, name, descriptor);
  }
  void open(sqlca* ca, int16_t* number) {
    DBPP_CALL(open, "VelarDB-1", nullptr, "VelarDB", number, nullptr, 25, 0, 2);
  }
#undef DBPP_CALL

  unsigned init(sqlca* ca) {
    return sym<db_init_fn>("db_init")(ca);
  }
  unsigned fini(sqlca* ca) {
    return sym<db_fini_fn>("db_fini")(ca);
  }
  unsigned connect(sqlca* ca, const std::string& parms) {
    return sym<db_string_connect_fn>("db_string_connect")(ca, parms.c_str());
  }
  unsigned disconnect(sqlca* ca) {
    return sym<db_string_disconnect_fn>("db_string_disconnect")(ca, nullptr);
  }
  sqlda* alloc(unsigned n) {
    return sym<alloc_sqlda_fn>("alloc_sqlda")(n);
  }
  void free(sqlda* d) {
    sym<free_sqlda_fn>("free_sqlda")(d);
  }
  std::string message(sqlca* ca) {
    char buffer[512];
    char* text = sym<sqlerror_message_fn>("sqlerror_message")(ca, buffer, sizeof buffer);
    return text != nullptr ? text : "";
  }

 private:
  void* handle_ = nullptr;
  bool legacy_ = false;
  dblib_legacy_context context_{};
};

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/dblib-test-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A fresh database and one initialised SQLCA connected to it as DBA.
class DbTest : public ::testing::Test {
 protected:
  explicit DbTest(const char* library = "libdblib7.so") : lib(library) {}

  void SetUp() override {
    ASSERT_TRUE(lib.loaded()) << dlerror();
    db_file = dir.file("test.db");
    ASSERT_EQ(lib.sym<dblib_test_create_database_fn>("dblib_test_create_database")(db_file.c_str()),
              0);
    ASSERT_EQ(lib.init(&ca), 1u);
  }
  void TearDown() override { lib.fini(&ca); }

  std::string connect_string(const std::string& extra = "") const {
    return "eng=srv;dbf=" + db_file + ";start=dbeng;uid=DBA;pwd=SQL" + extra;
  }
  void connect() { ASSERT_EQ(lib.connect(&ca, connect_string()), 1u) << lib.message(&ca); }
  void exec(const char* sql) {
    lib.execute_imm(&ca, sql);
    ASSERT_EQ(ca.sqlcode, 0) << sql << ": " << lib.message(&ca);
  }
  // The single integer a query returns, through a one-entry output SQLDA.
  long long query_int(const char* sql, sqlca* on = nullptr) {
    sqlca& ca = on != nullptr ? *on : this->ca;
    int16_t number = 0;
    lib.prepare(&ca, &number, sql);
    EXPECT_EQ(ca.sqlcode, 0) << lib.message(&ca);
    sqlda* out = lib.alloc(1);
    out->sqld = 1;
    int64_t value = -1;
    out->sqlvar[0].sqltype = DBT_BIGINT;
    out->sqlvar[0].sqldata = &value;
    lib.execute_into(&ca, &number, nullptr, out);
    EXPECT_EQ(ca.sqlcode, 0) << sql << ": " << lib.message(&ca);
    lib.free(out);
    lib.dropstmt(&ca, &number);
    return value;
  }

  Library lib;
  TempDir dir;
  std::string db_file;
  sqlca ca{};
};

}  // namespace dblib_test
