// Options, transactions, the wait callback and cancel, test control, the tool.
#include <sqlite3.h>

#include <cstdlib>

#include "tests/dblib/dblib_fixture.h"

namespace dblib_test {
namespace {

class OptionsTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    connect();
  }
  void set(const char* name, const char* value) {
    sqlda* d = lib.alloc(1);
    d->sqld = 1;
    d->sqlvar[0] = {DBT_STRING,
                    static_cast<int16_t>(std::strlen(value) + 1),
                    const_cast<char*>(value),
                    nullptr,
                    {}};
    lib.setoption(&ca, name, d);
    lib.free(d);
  }
  std::string get(const char* name, int16_t length = 30) {
    sqlda* d = lib.alloc(1);
    d->sqld = 1;
    char buffer[64] = {};
    d->sqlvar[0] = {DBT_STRING, length, buffer, d->sqlvar[0].sqlind, {}};
    lib.getoption(&ca, name, d);
    lib.free(d);
    return buffer;
  }
};

TEST_F(OptionsTest, KnownOptionsAreCheckedAndOthersStored) {
  EXPECT_EQ(get("isolation_level"), "0");
  EXPECT_EQ(get("row_counts"), "OFF");
  set("isolation_level", "3");
  EXPECT_EQ(ca.sqlcode, 0);
  EXPECT_EQ(get("ISOLATION_LEVEL"), "3");
  set("row_counts", "on");
  EXPECT_EQ(get("row_counts"), "ON");
  set("isolation_level", "4");
  EXPECT_EQ(ca.sqlcode, DBE_INVALID_OPTION_SETTING);
  set("row_counts", "maybe");
  EXPECT_EQ(ca.sqlcode, DBE_INVALID_OPTION_SETTING);
  EXPECT_EQ(get("blocking"), "ON");
  EXPECT_EQ(get("blocking_timeout"), "5000");
  set("blocking", "off");
  EXPECT_EQ(get("blocking"), "OFF");
  set("blocking", "never");
  EXPECT_EQ(ca.sqlcode, DBE_INVALID_OPTION_SETTING);
  EXPECT_EQ(lib.message(&ca), "Invalid setting for option 'blocking': use ON or OFF");
  EXPECT_EQ(get("isolation_level"), "3");
  get("date_format");
  EXPECT_EQ(ca.sqlcode, DBE_INVALID_OPTION);
  set("date_format", "YYYY-MM-DD");
  EXPECT_EQ(get("date_format"), "YYYY-MM-DD");
  EXPECT_EQ(get("date_format", 5), "YYYY");
  EXPECT_EQ(ca.sqlcode, DBE_TRUNCATED);
  exec("SET TEMPORARY OPTION row_counts = 'OFF'");
  EXPECT_EQ(get("row_counts"), "OFF");
}

TEST_F(OptionsTest, OptionsNeedAConnection) {
  lib.disconnect(&ca);
  set("isolation_level", "1");
  EXPECT_EQ(ca.sqlcode, DBE_NOT_CONNECTED);
}

class TransactionTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    connect();
    exec("CREATE TABLE t(a INTEGER)");
    lib.commit(&ca);
    lib.init(&other);
    ASSERT_EQ(lib.connect(&other, "eng=srv;dbn=test;uid=DBA;pwd=SQL"), 1u);
  }
  void TearDown() override {
    lib.fini(&other);
    DbTest::TearDown();
  }
  long long others_count() { return query_int("SELECT count(*) FROM t", &other); }
  sqlca other{};
};

TEST_F(TransactionTest, ChangesShowAfterCommitAndVanishOnRollback) {
  exec("INSERT INTO t VALUES (1)");
  EXPECT_EQ(others_count(), 0) << "uncommitted work stays private";
  lib.commit(&ca);
  EXPECT_EQ(others_count(), 1);
  exec("INSERT INTO t VALUES (2)");
  lib.rollback(&ca);
  EXPECT_EQ(ca.sqlcode, 0);
  EXPECT_EQ(query_int("SELECT count(*) FROM t"), 1);
  lib.commit(&ca);  // nothing pending is fine
  EXPECT_EQ(ca.sqlcode, 0);
}

// Counts calls of the wait callback and can cancel from inside it.
struct WaitProbe {
  static inline int calls = 0;
  static inline int working_seen = 0;
  static inline bool cancel = false;
  static inline db_is_working_fn is_working = nullptr;
  static inline db_cancel_request_fn cancel_request = nullptr;
  static int on_wait(sqlca* ca) {
    ++calls;
    if (is_working(ca) == 1) ++working_seen;
    if (cancel && calls == 3) cancel_request(ca);
    return 0;
  }
};

class CallbackTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    connect();
    WaitProbe::calls = 0;
    WaitProbe::working_seen = 0;
    WaitProbe::cancel = false;
    WaitProbe::is_working = lib.sym<db_is_working_fn>("db_is_working");
    WaitProbe::cancel_request = lib.sym<db_cancel_request_fn>("db_cancel_request");
    lib.sym<db_register_a_callback_fn>("db_register_a_callback")(&ca, DBCB_WAIT,
                                                                 &WaitProbe::on_wait);
  }
  static constexpr const char* kLongQuery =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200000) "
      "SELECT count(*) FROM n";
};

TEST_F(CallbackTest, WaitCallbackFiresWhileARequestRuns) {
  EXPECT_EQ(query_int(kLongQuery), 200000);
  EXPECT_GT(WaitProbe::calls, 10);
  EXPECT_EQ(WaitProbe::working_seen, WaitProbe::calls);
  EXPECT_EQ(WaitProbe::is_working(&ca), 0u);
  EXPECT_EQ(WaitProbe::cancel_request(&ca), 0) << "nothing runs to cancel";
}

TEST_F(CallbackTest, CancelEndsTheRequestAndKeepsTheTransaction) {
  exec("CREATE TABLE t(a INTEGER)");
  exec("INSERT INTO t VALUES (1)");
  WaitProbe::cancel = true;
  lib.execute_imm(&ca, kLongQuery);
  EXPECT_EQ(ca.sqlcode, DBE_INTERRUPTED);
  EXPECT_EQ(WaitProbe::calls, 3);
  WaitProbe::cancel = false;
  EXPECT_EQ(query_int("SELECT count(*) FROM t"), 1) << "the pending insert survives";
  lib.commit(&ca);
  EXPECT_EQ(ca.sqlcode, 0);
}

class TestControlTest : public DbTest {};

TEST_F(TestControlTest, TraceRecordsCallsAndInjectionReplacesTheNextOne) {
  lib.sym<dblib_test_trace_fn>("dblib_test_trace")(1);
  connect();
  lib.sym<dblib_test_inject_fn>("dblib_test_inject")("dbpp_execute_imm", -308, nullptr);
  lib.execute_imm(&ca, "CREATE TABLE t(a INTEGER)");
  EXPECT_EQ(ca.sqlcode, DBE_CONNECTION_TERMINATED);
  exec("CREATE TABLE t(a INTEGER)");  // the injection was used up, and did nothing
  char trace[256];
  lib.sym<dblib_test_trace_text_fn>("dblib_test_trace_text")(trace, sizeof trace);
  EXPECT_STREQ(trace, "db_string_connect\ndbpp_execute_imm\ndbpp_execute_imm\n");
  lib.sym<dblib_test_inject_fn>("dblib_test_inject")("db_init", -1, "no memory");
  sqlca fresh{};
  EXPECT_EQ(lib.init(&fresh), 0u);
  EXPECT_EQ(fresh.sqlcode, -1);
}

class VlrdbinitTest : public ::testing::Test {};

TEST_F(VlrdbinitTest, CreatesADatabaseOnceAndItAcceptsDba) {
  TempDir dir;
  std::string file = dir.File("made.db");
  std::string command = std::string(VELAR_BIN_DIR) + "/vlrdbinit " + file + " > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_NE(std::system((command + " 2>&1").c_str()), 0) << "an existing file is kept";
  Library lib("libdblib7.so");
  sqlca ca{};
  lib.init(&ca);
  EXPECT_EQ(lib.connect(&ca, "dbf=" + file + ";start=x;uid=DBA;pwd=SQL"), 1u) << lib.message(&ca);
  lib.fini(&ca);
}

}  // namespace
}  // namespace dblib_test
