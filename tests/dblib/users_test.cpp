// Users and their passwords: Argon2id hashes at the database's cost, GRANT
// and REVOKE CONNECT, vlrdbinit's first user, and databases of the old form.
#include <sqlite3.h>

#include <cstdlib>

#include "tests/dblib/dblib_fixture.h"

namespace dblib_test {
namespace {

class UsersTest : public DbTest {
 protected:
  // The connection string for user and password on the test's database;
  // the password goes in braces, its "}" doubled, so it may hold anything.
  std::string login(const std::string& user, const std::string& password) const {
    std::string braced;
    for (char c : password) {
      braced.push_back(c);
      if (c == '}') braced.push_back('}');
    }
    return "eng=srv;dbf=" + db_file + ";start=x;uid=" + user + ";pwd={" + braced + "}";
  }
  // Connects a second SQLCA as user; the outcome code (0 when connected).
  int try_login(const std::string& user, const std::string& password) {
    sqlca other{};
    lib.init(&other);
    lib.connect(&other, login(user, password));
    int code = other.sqlcode;
    message_seen = lib.message(&other);
    lib.fini(&other);
    return code;
  }
  // The single text a query returns.
  std::string query_text(const char* sql) {
    int16_t number = prepare(sql);
    FetchArea out(lib, {{DBT_STRING, 200}});
    lib.execute_into(&ca, &number, nullptr, out.get());
    EXPECT_EQ(ca.sqlcode, 0) << sql << ": " << lib.message(&ca);
    lib.dropstmt(&ca, &number);
    return out.text(0, 0);
  }
  std::string message_seen;
};

TEST_F(UsersTest, PasswordsAreStoredAsArgon2idHashesAtTheDatabasesCost) {
  connect();
  exec("GRANT CONNECT TO clerk IDENTIFIED BY 'Opal;Tree}9'");
  exec("COMMIT");
  std::string hash = query_text("SELECT password_hash FROM dblib_users WHERE user_name = 'clerk'");
  // A test database hashes at the lowest cost Argon2id allows.
  EXPECT_EQ(hash.rfind("$argon2id$v=19$m=8,t=1,p=1$", 0), 0u) << hash;
  EXPECT_EQ(hash.find("Opal"), std::string::npos);
  std::string other = query_text("SELECT password_hash FROM dblib_users WHERE user_name = 'DBA'");
  EXPECT_EQ(other.rfind("$argon2id$", 0), 0u) << other;
  EXPECT_EQ(try_login("clerk", "Opal;Tree}9"), 0) << message_seen;
  EXPECT_EQ(try_login("clerk", "Opal;Tree}8"), DBE_INVALID_LOGON);
  EXPECT_EQ(message_seen.find("Opal"), std::string::npos) << message_seen;
}

TEST_F(UsersTest, AGrantedUserConnectsAndIsRefusedOnceRevoked) {
  connect();
  EXPECT_EQ(try_login("clerk", "pass word"), DBE_INVALID_LOGON);
  exec("GRANT CONNECT TO clerk IDENTIFIED BY 'pass word'");
  exec("COMMIT");
  EXPECT_EQ(try_login("CLERK", "pass word"), 0) << "user names ignore case: " << message_seen;
  EXPECT_EQ(try_login("clerk", "pass WORD"), DBE_INVALID_LOGON) << "passwords do not";

  exec("GRANT CONNECT TO clerk IDENTIFIED BY other");
  exec("COMMIT");
  EXPECT_EQ(try_login("clerk", "pass word"), DBE_INVALID_LOGON) << "the old password is gone";
  EXPECT_EQ(try_login("clerk", "other"), 0) << message_seen;

  exec("REVOKE CONNECT FROM clerk");
  exec("COMMIT");
  EXPECT_EQ(try_login("clerk", "other"), DBE_INVALID_LOGON);
  EXPECT_EQ(try_login("DBA", "SQL"), 0) << message_seen;
}

TEST_F(UsersTest, AGrantTakesEffectWithItsTransaction) {
  connect();
  exec("GRANT CONNECT TO temp IDENTIFIED BY 'x'");
  lib.rollback(&ca);
  EXPECT_EQ(try_login("temp", "x"), DBE_INVALID_LOGON);
}

TEST_F(UsersTest, APasswordMayComeFromAHostVariableAndHoldAnyCharacter) {
  connect();
  int16_t number = prepare("GRANT CONNECT TO \"night shift\" IDENTIFIED BY :password");
  const std::string password = std::string("a;b}c{d= 'e\"") + '\x01';
  sqlda* in = lib.alloc(1);
  in->sqld = 1;
  in->sqlvar[0].sqltype = DBT_STRING;
  in->sqlvar[0].sqllen = static_cast<int16_t>(password.size() + 1);
  in->sqlvar[0].sqldata = const_cast<char*>(password.c_str());
  *in->sqlvar[0].sqlind = 0;
  lib.execute_into(&ca, &number, in, nullptr);
  EXPECT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  *in->sqlvar[0].sqlind = -1;
  lib.execute_into(&ca, &number, in, nullptr);
  EXPECT_EQ(ca.sqlcode, DBE_BAD_ARGUMENT) << "a NULL password is refused";
  lib.free(in);
  lib.commit(&ca);
  EXPECT_EQ(try_login("night shift", password), 0) << message_seen;
}

TEST_F(UsersTest, RevokingAnUnknownOrTheLastUserIsRefused) {
  connect();
  lib.execute_imm(&ca, "REVOKE CONNECT FROM nobody");
  EXPECT_EQ(ca.sqlcode, DBE_USER_NOT_FOUND);
  EXPECT_EQ(lib.message(&ca), "User 'nobody' does not exist");
  lib.execute_imm(&ca, "REVOKE CONNECT FROM dba");
  EXPECT_EQ(ca.sqlcode, DBE_ERROR);
  lib.commit(&ca);
  EXPECT_EQ(try_login("DBA", "SQL"), 0) << message_seen;
}

TEST_F(UsersTest, SyntaxErrorsNeverShowThePassword) {
  connect();
  const char* wrong[] = {"GRANT CONNECT TO IDENTIFIED BY 'Hunter2'",
                         "GRANT CONNECT TO clerk IDENTIFIED 'Hunter2'",
                         "GRANT CONNECT TO clerk IDENTIFIED BY 'Hunter2' 'Hunter2'",
                         "REVOKE CONNECT clerk", "REVOKE CONNECT FROM clerk Hunter2"};
  for (const char* sql : wrong) {
    lib.execute_imm(&ca, sql);
    EXPECT_EQ(ca.sqlcode, DBE_SYNTAX_ERROR) << sql;
    EXPECT_EQ(lib.message(&ca).find("Hunter2"), std::string::npos) << lib.message(&ca);
  }
}

TEST_F(UsersTest, ADatabaseOfTheOldFormIsRefusedWithWhatToDo) {
  std::string old_file = dir.File("old.db");
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(old_file.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "CREATE TABLE dblib_users(user_name TEXT PRIMARY KEY, salt TEXT, "
                         "digest TEXT); INSERT INTO dblib_users VALUES ('DBA', 'ab', 'cd')",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  EXPECT_EQ(lib.connect(&ca, "eng=old;dbf=" + old_file + ";start=x;uid=DBA;pwd=SQL"), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_UNABLE_TO_START_DATABASE);
  EXPECT_NE(lib.message(&ca).find("recreate it with vlrdbinit"), std::string::npos)
      << lib.message(&ca);
}

class VlrdbinitUsersTest : public ::testing::Test {
 protected:
  int run(const std::string& arguments) {
    std::string command =
        std::string(VELAR_BIN_DIR) + "/vlrdbinit " + arguments + " >/dev/null 2>&1";
    return std::system(command.c_str());
  }
  TempDir dir;
};

TEST_F(VlrdbinitUsersTest, TheFirstUserIsTheOneGivenWithAnInteractiveCostHash) {
  std::string file = dir.File("own.db");
  ASSERT_EQ(run("--user owner '--password=se;cret' " + file), 0);
  Library lib("libdblib7.so");
  sqlca ca{};
  lib.init(&ca);
  EXPECT_EQ(lib.connect(&ca, "dbf=" + file + ";start=x;uid=DBA;pwd=SQL"), 0u);
  EXPECT_EQ(ca.sqlcode, DBE_INVALID_LOGON);
  ASSERT_EQ(lib.connect(&ca, "dbf=" + file + ";start=x;uid=owner;pwd={se;cret}"), 1u)
      << lib.message(&ca);
  int16_t number = 0;
  lib.prepare(&ca, &number, "SELECT password_hash FROM dblib_users");
  FetchArea out(lib, {{DBT_STRING, 200}});
  lib.execute_into(&ca, &number, nullptr, out.get());
  EXPECT_EQ(out.text(0, 0).rfind("$argon2id$v=19$m=65536,t=2,p=1$", 0), 0u) << out.text(0, 0);
  lib.fini(&ca);
}

TEST_F(VlrdbinitUsersTest, RefusesAMissingFileOrAnOptionWithoutItsValue) {
  EXPECT_NE(run("--user owner"), 0);
  EXPECT_NE(run(dir.File("a.db") + " --password"), 0);
  EXPECT_NE(run("--colour=blue " + dir.File("b.db")), 0);
  EXPECT_NE(run(dir.File("c.db") + " " + dir.File("d.db")), 0);
}

}  // namespace
}  // namespace dblib_test
