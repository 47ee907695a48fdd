// The three libraries: their entry points, calling forms, version answers,
// version blocks and separate state.
#include <fstream>
#include <iterator>

#include "tests/dblib/dblib_fixture.h"

namespace dblib_test {
namespace {

const char* const kEntryPoints[] = {"dbpp_commit",       "dbpp_rollback",
                                    "dbpp_prepare",      "dbpp_dropstmt",
                                    "dbpp_execute_into", "dbpp_execute_imm",
                                    "dbpp_describe",     "dbpp_describe_cursor",
                                    "dbpp_declare",      "dbpp_open",
                                    "dbpp_explain",      "dbpp_fetch_array",
                                    "dbpp_get_data",     "dbpp_put_into",
                                    "dbpp_update",       "dbpp_delete",
                                    "dbpp_resume",       "dbpp_close",
                                    "dbpp_setoption",    "dbpp_getoption",
                                    "db_string_connect", "db_string_disconnect",
                                    "db_start_engine",   "db_start_database",
                                    "db_stop_engine",    "db_stop_database",
                                    "db_cancel_request", "alloc_sqlda_noind",
                                    "alloc_sqlda",       "free_sqlda_noind",
                                    "free_sqlda",        "sqlerror_message",
                                    "db_find_engine",    "db_is_working",
                                    "db_init",           "db_fini",
                                    "db_backup",         "db_string_ping_server",
                                    "db_version_check",  "db_register_a_callback",
                                    "db_locate_servers"};
const char* const kMissingFromOld[] = {"db_version_check", "db_string_ping_server",
                                       "db_locate_servers", "dbpp_explain"};

bool is_missing_from_old(const std::string& name) {
  for (const char* missing : kMissingFromOld) {
    if (name == missing) return true;
  }
  return false;
}

// The UTF-16 text of s, as a version block stores it.
std::string wide(const std::string& s) {
  std::string out;
  for (char c : s) {
    out.push_back(c);
    out.push_back('\0');
  }
  return out;
}

class LibraryFormsTest : public ::testing::Test {};

TEST_F(LibraryFormsTest, CurrentLibrariesExportAllEntryPoints) {
  static_assert(sizeof kEntryPoints / sizeof kEntryPoints[0] == 41);
  for (const char* name : {"libdblib7.so", "libdblib6.so"}) {
    Library lib(name);
    ASSERT_TRUE(lib.loaded()) << name;
    for (const char* entry : kEntryPoints)
      EXPECT_NE(lib.find(entry), nullptr) << name << entry;
  }
}

TEST_F(LibraryFormsTest, OldLibraryLacksTheNewerEntryPoints) {
  Library lib("libdblib5.so");
  ASSERT_TRUE(lib.loaded());
  for (const char* entry : kEntryPoints) {
    if (is_missing_from_old(entry)) {
      EXPECT_EQ(lib.find(entry), nullptr) << entry;
    } else {
      EXPECT_NE(lib.find(entry), nullptr) << entry;
    }
  }
  // Internal symbols stay inside the library.
  EXPECT_EQ(lib.find("_ZN5dblib8Registry3getEv"), nullptr);
  EXPECT_EQ(lib.find("vs_version_info"), nullptr);
}

TEST_F(LibraryFormsTest, VersionCheckAnswersPerGeneration) {
  Library seven("libdblib7.so");
  Library six("libdblib6.so");
  auto check7 = seven.sym<db_version_check_fn>("db_version_check");
  auto check6 = six.sym<db_version_check_fn>("db_version_check");
  EXPECT_NE(check7(7), 0u);
  EXPECT_NE(check7(6), 0u);
  EXPECT_EQ(check7(8), 0u);
  EXPECT_EQ(check6(7), 0u);
  EXPECT_NE(check6(6), 0u);
}

TEST_F(LibraryFormsTest, EachLibraryCarriesItsVersionBlock) {
  const std::pair<const char*, const char*> expected[] = {
      {"libdblib7.so", "7.0."}, {"libdblib6.so", "6.0."}, {"libdblib5.so", "5."}};
  for (auto [name, version] : expected) {
    std::ifstream in(std::string(VELAR_LIB_DIR) + "/" + name, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t key = bytes.find(wide("ProductVersion"));
    ASSERT_NE(key, std::string::npos) << name;
    EXPECT_NE(bytes.find(wide(version), key), std::string::npos) << name;
  }
}

TEST_F(LibraryFormsTest, LoadedLibrariesKeepSeparateState) {
  Library seven("libdblib7.so");
  Library six("libdblib6.so");
  sqlca a{}, b{};
  ASSERT_EQ(seven.init(&a), 1u);
  ASSERT_EQ(six.init(&b), 1u);
  EXPECT_EQ(seven.sym<db_start_engine_fn>("db_start_engine")(&a, "eng=only7"), 1u);
  EXPECT_EQ(six.sym<db_find_engine_fn>("db_find_engine")(&b, "only7"), 0);
  EXPECT_EQ(b.sqlcode, DBE_ENGINE_NOT_RUNNING);
  EXPECT_NE(seven.sym<db_find_engine_fn>("db_find_engine")(&a, "only7"), 0);
  seven.fini(&a);
  six.fini(&b);
}

// A program may unload the library while engines it started still run; the
// leak checker at process exit tells whether their databases were released.
TEST_F(LibraryFormsTest, UnloadingStopsWhatStillRuns) {
  velar::testing::TempDir dir("dblib_unload");
  const std::string file = dir.File("unload.db");
  void* handle =
      dlopen((std::string(VELAR_LIB_DIR) + "/libdblib6.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr);
  auto entry = [&](const char* name) { return dlsym(handle, name); };
  ASSERT_EQ(reinterpret_cast<dblib_test_create_database_fn>(entry("dblib_test_create_database"))(
                file.c_str()),
            0);
  sqlca kept{}, ended{};
  auto init = reinterpret_cast<db_init_fn>(entry("db_init"));
  ASSERT_EQ(init(&kept), 1u);
  ASSERT_EQ(init(&ended), 1u);
  EXPECT_EQ(reinterpret_cast<db_start_engine_fn>(entry("db_start_engine"))(&kept, "eng=left"), 1u);
  const std::string database = "eng=left;dbf=" + file;
  EXPECT_EQ(
      reinterpret_cast<db_start_database_fn>(entry("db_start_database"))(&kept, database.c_str()),
      1u);
  const std::string connect = database + ";uid=DBA;pwd=SQL";
  EXPECT_EQ(
      reinterpret_cast<db_string_connect_fn>(entry("db_string_connect"))(&kept, connect.c_str()),
      1u);
  EXPECT_EQ(
      reinterpret_cast<db_string_connect_fn>(entry("db_string_connect"))(&ended, connect.c_str()),
      1u);
  reinterpret_cast<db_fini_fn>(entry("db_fini"))(&ended);
  // The first SQLCA is neither disconnected nor finished: unloading must end it.
  EXPECT_EQ(dlclose(handle), 0);
}

class LegacyFormTest : public DbTest {
 protected:
  LegacyFormTest() : DbTest("libdblib6.so") {}
};

TEST_F(LegacyFormTest, StatementsRunWithTheContextArgument) {
  connect();
  exec("CREATE TABLE t(a INTEGER)");
  exec("INSERT INTO t VALUES (41), (1)");
  EXPECT_EQ(query_int("SELECT sum(a) FROM t"), 42);
  lib.commit(&ca);
  EXPECT_EQ(ca.sqlcode, 0);
}

class OldLibraryTest : public DbTest {
 protected:
  OldLibraryTest() : DbTest("libdblib5.so") {}
};

TEST_F(OldLibraryTest, WorksWithoutItsMissingEntryPoints) {
  connect();
  exec("CREATE TABLE t(a INTEGER)");
  exec("INSERT INTO t VALUES (7)");
  EXPECT_EQ(query_int("SELECT a FROM t"), 7);
}

TEST_F(LegacyFormTest, CursorsRunWithTheContextArgument) {
  connect();
  exec("CREATE TABLE t(a INTEGER)");
  exec("INSERT INTO t VALUES (5), (6)");
  int16_t number = 0;
  lib.prepare(&ca, &number, "SELECT a FROM t ORDER BY a");
  lib.declare(&ca, "c", &number, DBCUR_READ_ONLY | DBCUR_SCROLL);
  lib.open(&ca, "c", &number, nullptr, DBCUR_READ_ONLY | DBCUR_SCROLL);
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  sqlda* out = lib.alloc(1);
  out->sqld = 1;
  int32_t a = 0;
  out->sqlvar[0].sqltype = DBT_INT;
  out->sqlvar[0].sqldata = &a;
  lib.fetch(&ca, "c", DBFETCH_ABSOLUTE, -1, out, 1);
  EXPECT_EQ(ca.sqlcode, 0);
  EXPECT_EQ(a, 6);
  lib.close(&ca, "c");
  EXPECT_EQ(ca.sqlcode, 0);
  lib.free(out);
}

}  // namespace
}  // namespace dblib_test
