// Engines, databases, connections and authentication.
#include "tests/dblib/dblib_fixture.h"

namespace dblib_test {
namespace {

class ConnectTest : public DbTest {
 protected:
  unsigned start_engine(const std::string& parms) {
    return lib.sym<db_start_engine_fn>("db_start_engine")(&ca, parms.c_str());
  }
  unsigned stop_engine(sqlca* on, const std::string& parms) {
    return lib.sym<db_stop_engine_fn>("db_stop_engine")(on, parms.c_str());
  }
  unsigned start_database(const std::string& parms) {
    return lib.sym<db_start_database_fn>("db_start_database")(&ca, parms.c_str());
  }
  unsigned stop_database(sqlca* on, const std::string& parms) {
    return lib.sym<db_stop_database_fn>("db_stop_database")(on, parms.c_str());
  }
  bool engine_runs(const char* name) {
    sqlca probe{};
    lib.init(&probe);
    bool found = lib.sym<db_find_engine_fn>("db_find_engine")(&probe, name) != 0;
    lib.fini(&probe);
    return found;
  }
};

TEST_F(ConnectTest, ConnectStartsEngineAndDatabaseWhichStopWithTheLastConnection) {
  connect();
  EXPECT_TRUE(engine_runs("srv"));
  exec("CREATE TABLE t(a INTEGER)");
  EXPECT_EQ(lib.disconnect(&ca), 1u);
  EXPECT_FALSE(engine_runs("srv"));
  EXPECT_EQ(lib.disconnect(&ca), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_NOT_CONNECTED);
}

TEST_F(ConnectTest, WrongPasswordIsRefusedWithoutShowingIt) {
  EXPECT_EQ(lib.connect(&ca, "eng=srv;dbf=" + db_file + ";start=x;uid=DBA;pwd=Secret77"), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_INVALID_LOGON);
  EXPECT_EQ(lib.message(&ca), "Invalid user ID or password");
  EXPECT_EQ(lib.connect(&ca, "eng=srv;dbf=" + db_file + ";start=x;uid=nobody;pwd=SQL"), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_INVALID_LOGON);
  // User names ignore case, passwords do not.
  EXPECT_EQ(lib.connect(&ca, "eng=srv;dbf=" + db_file + ";start=x;uid=dba;pwd=sql"), 0u);
  EXPECT_EQ(lib.connect(&ca, "ENG=srv;DatabaseFile=" + db_file + ";start=x;UserID=dba;PWD=SQL"), 1u)
      << lib.message(&ca);
}

TEST_F(ConnectTest, ParseErrorsNeverEchoTheText) {
  EXPECT_EQ(lib.connect(&ca, "eng=srv;pwd=a;Hunter2;uid=DBA"), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_CONNECTION_PARSE_ERROR);
  EXPECT_EQ(lib.message(&ca).find("Hunter2"), std::string::npos);
  EXPECT_EQ(lib.connect(&ca, "eng=srv;pwd=a;b=Hunter2"), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_CONNECTION_PARSE_ERROR);
  EXPECT_EQ(lib.message(&ca).find("Hunter2"), std::string::npos);
  // Braces hold a password with a semicolon.
  EXPECT_EQ(lib.connect(&ca, "eng=srv;dbf=" + db_file + ";start=x;uid=DBA;pwd={S;QL}"), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_INVALID_LOGON);
}

TEST_F(ConnectTest, StartAndConnectErrors) {
  EXPECT_EQ(lib.connect(&ca, "eng=none;uid=DBA;pwd=SQL"), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_ENGINE_NOT_RUNNING);
  EXPECT_EQ(start_engine("start=dbeng;eng=e1"), 1u);
  EXPECT_EQ(start_engine("eng=E1"), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_ENGINE_ALREADY_RUNNING);
  EXPECT_EQ(lib.connect(&ca, "eng=e1;dbn=test;uid=DBA;pwd=SQL"), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_DATABASE_NOT_FOUND);
  EXPECT_EQ(start_database("eng=e1;dbf=" + dir.File("missing.db")), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_UNABLE_TO_START_DATABASE);
  EXPECT_EQ(start_database("eng=e1;dbf=" + db_file), 1u) << lib.message(&ca);
  EXPECT_EQ(start_database("eng=e1;dbf=" + db_file), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_DATABASE_NAME_NOT_UNIQUE);
  EXPECT_EQ(start_database("eng=e1;dbn=other;dbf=" + db_file), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_DATABASE_FILE_IN_USE);
  // A started database serves connects by name and does not stop with them.
  EXPECT_EQ(lib.connect(&ca, "eng=e1;dbn=test;uid=DBA;pwd=SQL"), 1u) << lib.message(&ca);
  EXPECT_EQ(lib.connect(&ca, "eng=e1;dbn=test;uid=DBA;pwd=SQL"), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_ALREADY_CONNECTED);
  lib.disconnect(&ca);
  EXPECT_EQ(lib.connect(&ca, "uid=DBA;pwd=SQL"), 1u) << "the default engine and database";
  lib.disconnect(&ca);
  // A file that is no database does not start.
  std::string junk = dir.File("junk.db");
  FILE* f = fopen(junk.c_str(), "w");
  fputs("not a database at all, just text that is long enough to read", f);
  fclose(f);
  EXPECT_EQ(start_database("eng=e1;dbf=" + junk), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_UNABLE_TO_START_DATABASE);
}

TEST_F(ConnectTest, StoppingTheEngineEndsOtherConnectionsOnlyWhenUnconditional) {
  connect();
  sqlca other{};
  lib.init(&other);
  ASSERT_EQ(lib.connect(&other, "eng=srv;uid=DBA;pwd=SQL"), 1u) << lib.message(&other);
  EXPECT_EQ(stop_engine(&ca, "eng=srv"), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_START_STOP_DENIED);
  EXPECT_EQ(stop_engine(&ca, "eng=srv;unconditional=yes"), 1u) << lib.message(&ca);
  lib.execute_imm(&other, "SELECT 1");
  EXPECT_EQ(other.sqlcode, DBE_CONNECTION_TERMINATED);
  lib.execute_imm(&ca, "SELECT 1");
  EXPECT_EQ(ca.sqlcode, DBE_CONNECTION_TERMINATED);
  EXPECT_FALSE(engine_runs("srv"));
  EXPECT_EQ(lib.disconnect(&other), 1u);
  // After the -308 the SQLCA may connect again.
  connect();
  lib.fini(&other);
}

TEST_F(ConnectTest, StoppingTheDatabaseEndsItsConnections) {
  connect();
  EXPECT_EQ(stop_database(&ca, "eng=srv;dbn=test"), 1u) << lib.message(&ca);
  lib.execute_imm(&ca, "SELECT 1");
  EXPECT_EQ(ca.sqlcode, DBE_CONNECTION_TERMINATED);
  EXPECT_EQ(stop_database(&ca, "eng=nosuch;dbn=test"), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_ENGINE_NOT_RUNNING);
}

TEST_F(ConnectTest, PingAndFindEngine) {
  auto ping = lib.sym<db_string_ping_server_fn>("db_string_ping_server");
  EXPECT_EQ(ping(&ca, "eng=srv", 0), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_ENGINE_NOT_RUNNING);
  connect();
  EXPECT_EQ(ping(&ca, "eng=srv", 0), 1u);
  EXPECT_EQ(ping(&ca, "eng=srv;dbn=test;uid=DBA;pwd=SQL", 1), 1u) << lib.message(&ca);
  EXPECT_EQ(ping(&ca, "eng=srv;dbn=test;uid=DBA;pwd=bad", 1), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_INVALID_LOGON);
  auto find = lib.sym<db_find_engine_fn>("db_find_engine");
  EXPECT_NE(find(&ca, "SRV"), 0);
  EXPECT_EQ(find(&ca, "elsewhere"), 0);
  EXPECT_EQ(ca.sqlcode, DBE_ENGINE_NOT_RUNNING);
}

TEST_F(ConnectTest, FiniDropsTheConnectionAndRollsBack) {
  connect();
  exec("CREATE TABLE t(a INTEGER)");
  lib.commit(&ca);
  exec("INSERT INTO t VALUES (1)");
  ASSERT_EQ(lib.fini(&ca), 1u);
  ASSERT_EQ(lib.init(&ca), 1u);
  connect();
  EXPECT_EQ(query_int("SELECT count(*) FROM t"), 0);
}

}  // namespace
}  // namespace dblib_test
