// Test support: loads a stand-in library with dlopen, as the driver does, and
// calls its entry points through dlsym'd pointers in the library's calling
// form. Each test gets a fresh temporary directory and database.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "dblib/include/sqldef.h"
#include "tests/support/velar_test.h"

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
      dblib_test_stop_all();
      dblib_test_clear();
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

  // Every entry point of entry_point_list.h under its own name and parameters
  // (dbpp_ entries without the legacy context), called in this library's
  // form; a missing one fails the test.
#define DBLIB_DBPP(name, since, probe, params, args)                                  \
  void dbpp_##name(sqlca* ca, DBLIB_UNPAREN params) {                                 \
    if (legacy_) {                                                                    \
      sym<dbpp_##name##_legacy_fn>("dbpp_" #name)(ca, &context_, DBLIB_UNPAREN args); \
    } else {                                                                          \
      sym<dbpp_##name##_fn>("dbpp_" #name)(ca, DBLIB_UNPAREN args);                   \
    }                                                                                 \
  }
#define DBLIB_FIXTURE_CALL(result, name, params, args) \
  result name params {                                 \
    return sym<name##_fn>(#name) args;                 \
  }
#define DBLIB_DB(result, name, since, probe, params, args) \
  DBLIB_FIXTURE_CALL(result, name, params, args)
#define DBLIB_TEST DBLIB_FIXTURE_CALL
#include "dblib/include/entry_point_list.h"
#undef DBLIB_FIXTURE_CALL

  // The calls as the tests make them, with the arguments the library does
  // not read filled in.
  void commit(sqlca* ca) {
    dbpp_commit(ca, 0u);
  }
  void rollback(sqlca* ca) {
    dbpp_rollback(ca, 0u);
  }
  void prepare(sqlca* ca, int16_t* number, const char* sql) {
    dbpp_prepare(ca, nullptr, "VelarDB", number, sql, nullptr, 1);
  }
  void dropstmt(sqlca* ca, int16_t* number) {
    dbpp_dropstmt(ca, nullptr, "VelarDB", number);
  }
  void execute_into(sqlca* ca, int16_t* number, sqlda* in, sqlda* out) {
    dbpp_execute_into(ca, nullptr, "VelarDB", number, in, out);
  }
  void execute_imm(sqlca* ca, const char* sql) {
    dbpp_execute_imm(ca, sql, 2);
  }
  void describe(sqlca* ca, int16_t* number, sqlda* descriptor, unsigned short what) {
    dbpp_describe(ca, nullptr, "VelarDB", number, descriptor, what);
  }
  void setoption(sqlca* ca, const char* name, sqlda* descriptor) {
    dbpp_setoption(ca, 1, nullptr, name, descriptor);
  }
  void getoption(sqlca* ca, const char* name, sqlda* descriptor) {
    dbpp_getoption(ca, 0, nullptr, name, descriptor);
  }
  void declare(sqlca* ca, const char* cursor, int16_t* number, unsigned short options) {
    dbpp_declare(ca, cursor, nullptr, "VelarDB", number, options);
  }
  void open(sqlca* ca, const char* cursor, int16_t* number, sqlda* input, unsigned short options) {
    dbpp_open(ca, cursor, nullptr, "VelarDB", number, input, 25, 0, options);
  }
  void close(sqlca* ca, const char* cursor) {
    dbpp_close(ca, cursor);
  }
  void describe_cursor(sqlca* ca, const char* cursor, sqlda* descriptor) {
    dbpp_describe_cursor(ca, cursor, descriptor, 1);
  }
  void fetch(sqlca* ca, const char* cursor, unsigned short orientation, int32_t offset,
             sqlda* descriptor, unsigned short width) {
    dbpp_fetch_array(ca, cursor, orientation, offset, descriptor, 0, 0, width);
  }
  void get_data(sqlca* ca, const char* cursor, unsigned short column, int32_t offset,
                sqlda* descriptor) {
    dbpp_get_data(ca, cursor, column, offset, descriptor, 0);
  }
  void update(sqlca* ca, const char* cursor, sqlda* input) {
    dbpp_update(ca, cursor, input);
  }
  void delete_row(sqlca* ca, const char* cursor) {
    dbpp_delete(ca, cursor, nullptr, nullptr);
  }
  void put_into(sqlca* ca, const char* cursor, sqlda* input, sqlda* output) {
    dbpp_put_into(ca, cursor, input, output);
  }
  void explain(sqlca* ca, const char* cursor, sqlda* descriptor) {
    dbpp_explain(ca, cursor, 0, descriptor);
  }
  void resume(sqlca* ca, const char* cursor) {
    dbpp_resume(ca, cursor);
  }

  unsigned init(sqlca* ca) {
    return db_init(ca);
  }
  unsigned fini(sqlca* ca) {
    return db_fini(ca);
  }
  unsigned connect(sqlca* ca, const std::string& parms) {
    return db_string_connect(ca, parms.c_str());
  }
  unsigned disconnect(sqlca* ca) {
    return db_string_disconnect(ca, nullptr);
  }
  sqlda* alloc(unsigned n) {
    return alloc_sqlda(n);
  }
  sqlda* alloc_noind(unsigned n) {
    return alloc_sqlda_noind(n);
  }
  void free_noind(sqlda* d) {
    free_sqlda_noind(d);
  }
  void free(sqlda* d) {
    free_sqlda(d);
  }
  std::string message(sqlca* ca) {
    char buffer[512];
    char* text = sqlerror_message(ca, buffer, sizeof buffer);
    return text != nullptr ? text : "";
  }

 private:
  void* handle_ = nullptr;
  bool legacy_ = false;
  dblib_legacy_context context_{};
};

using TempDir = velar::testing::TempDir;

// An SQLDA of width row groups over the given (type, length) columns, each
// entry with its own buffer, as a caller lays one out for wide fetches:
// entry r * columns + c is column c of row r.
class FetchArea {
 public:
  FetchArea(Library& lib, std::vector<std::pair<int, int>> columns, int width = 1)
      : lib_(lib), columns_(static_cast<int>(columns.size())) {
    int entries = columns_ * width;
    descriptor_ = lib.alloc(static_cast<unsigned>(entries));
    descriptor_->sqld = static_cast<int16_t>(entries);
    buffers_.resize(static_cast<size_t>(entries));
    for (int i = 0; i < entries; ++i) {
      auto [type, length] = columns[static_cast<size_t>(i % columns_)];
      buffers_[static_cast<size_t>(i)].assign(static_cast<size_t>(length) + 8, '\x5a');
      sqlvar& entry = descriptor_->sqlvar[i];
      entry.sqltype = static_cast<int16_t>(type);
      entry.sqllen = static_cast<int16_t>(length);
      entry.sqldata = buffers_[static_cast<size_t>(i)].data();
      *entry.sqlind = 99;
    }
  }
  ~FetchArea() { lib_.free(descriptor_); }
  FetchArea(const FetchArea&) = delete;
  FetchArea& operator=(const FetchArea&) = delete;

  sqlda* get() { return descriptor_; }
  sqlvar& entry(int row, int column) { return descriptor_->sqlvar[row * columns_ + column]; }
  int16_t indicator(int row, int column) { return *entry(row, column).sqlind; }
  int32_t integer(int row, int column) { return load<int32_t>(row, column); }
  double real(int row, int column) { return load<double>(row, column); }
  // A terminated string (460) or a length-prefixed one (448, 524).
  std::string text(int row, int column) {
    const char* data = static_cast<const char*>(entry(row, column).sqldata);
    int type = entry(row, column).sqltype & DBT_TYPE_MASK;
    if (type == DBT_VARCHAR || type == DBT_BINARY) {
      uint16_t length = load<uint16_t>(row, column);
      return std::string(data + 2, length);
    }
    return std::string(data, strnlen(data, static_cast<size_t>(entry(row, column).sqllen)));
  }
  // The bytes past the entry's declared length must stay as they were.
  bool guard_intact(int row, int column) {
    const std::vector<char>& buffer = buffers_[static_cast<size_t>(row * columns_ + column)];
    for (size_t i = buffer.size() - 8; i < buffer.size(); ++i) {
      if (buffer[i] != '\x5a') return false;
    }
    return true;
  }

 private:
  template <typename T>
  T load(int row, int column) {
    T value;
    std::memcpy(&value, entry(row, column).sqldata, sizeof value);
    return value;
  }
  Library& lib_;
  int columns_;
  sqlda* descriptor_;
  std::vector<std::vector<char>> buffers_;
};

// A wait callback that cancels the running request while armed, so that a
// test can interrupt a statement in the middle of its work.
struct Canceller {
  static inline bool armed = false;
  static inline db_cancel_request_fn cancel_request = nullptr;
  static int on_wait(sqlca* ca) {
    if (armed) cancel_request(ca);
    return 0;
  }
};

// A fresh database and one initialised SQLCA connected to it as DBA.
class DbTest : public ::testing::Test {
 protected:
  explicit DbTest(const char* library = "libdblib7.so") : lib(library) {}

  void SetUp() override {
    ASSERT_TRUE(lib.loaded()) << dlerror();
    db_file = dir.File("test.db");
    ASSERT_EQ(lib.sym<dblib_test_create_database_fn>("dblib_test_create_database")(db_file.c_str()),
              0);
    ASSERT_EQ(lib.init(&ca), 1u);
  }
  void TearDown() override { lib.fini(&ca); }

  std::string connect_string(const std::string& extra = "") const {
    return "eng=srv;dbf=" + db_file + ";start=dbeng;uid=DBA;pwd=SQL" + extra;
  }
  void connect() { ASSERT_EQ(lib.connect(&ca, connect_string()), 1u) << lib.message(&ca); }
  int16_t prepare(const char* sql) {
    int16_t number = 0;
    lib.prepare(&ca, &number, sql);
    EXPECT_EQ(ca.sqlcode, 0) << sql << ": " << lib.message(&ca);
    return number;
  }
  // Prepares sql and declares and opens it as cursor name.
  void open_cursor(const char* name, const char* sql, unsigned short options,
                   sqlda* input = nullptr) {
    int16_t number = prepare(sql);
    lib.declare(&ca, name, &number, options);
    ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
    lib.open(&ca, name, &number, input, options);
    ASSERT_EQ(ca.sqlcode, 0) << sql << ": " << lib.message(&ca);
  }
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
