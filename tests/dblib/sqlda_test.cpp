// Descriptor allocation and the SQLCA that db_init prepares.
#include "tests/dblib/dblib_fixture.h"

namespace dblib_test {
namespace {

class SqldaTest : public ::testing::Test {
 protected:
  Library lib{"libdblib7.so"};
};

TEST_F(SqldaTest, AllocatesEntriesWithOrWithoutIndicators) {
  sqlda* with = lib.alloc(3);
  ASSERT_NE(with, nullptr);
  EXPECT_EQ(with->sqln, 3);
  EXPECT_EQ(with->sqld, 0);
  EXPECT_EQ(std::memcmp(with->sqldaid, "SQLDA", 5), 0);
  for (int i = 0; i < 3; ++i) {
    ASSERT_NE(with->sqlvar[i].sqlind, nullptr);
    *with->sqlvar[i].sqlind = -1;  // writable, and each its own
    EXPECT_EQ(with->sqlvar[i].sqldata, nullptr);
  }
  EXPECT_NE(with->sqlvar[0].sqlind, with->sqlvar[1].sqlind);
  lib.free(with);

  sqlda* without = lib.sym<alloc_sqlda_noind_fn>("alloc_sqlda_noind")(2);
  ASSERT_NE(without, nullptr);
  EXPECT_EQ(without->sqlvar[1].sqlind, nullptr);
  lib.sym<free_sqlda_noind_fn>("free_sqlda_noind")(without);
}

TEST_F(SqldaTest, RejectsCountsBeyondSixteenBits) {
  EXPECT_EQ(lib.alloc(40000), nullptr);
  sqlda* empty = lib.alloc(0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->sqln, 0);
  lib.free(empty);
  lib.free(nullptr);
}

TEST_F(SqldaTest, InitPreparesTheSqlcaAndMessagesFollowTheCode) {
  sqlca ca;
  std::memset(&ca, 0x5A, sizeof ca);
  ASSERT_EQ(lib.init(&ca), 1u);
  EXPECT_EQ(std::memcmp(ca.sqlcaid, "SQLCA", 5), 0);
  EXPECT_EQ(ca.sqlcabc, 136);
  EXPECT_EQ(ca.sqlcode, 0);
  EXPECT_EQ(lib.init(nullptr), 0u);
  // A statement call on an SQLCA that is not connected.
  lib.execute_imm(&ca, "SELECT 1");
  EXPECT_EQ(ca.sqlcode, DBE_NOT_CONNECTED);
  EXPECT_EQ(std::string(ca.sqlstate), "08003");
  // The message buffer is never overrun.
  char small[8];
  std::memset(small, 'x', sizeof small);
  lib.sym<sqlerror_message_fn>("sqlerror_message")(&ca, small, 5);
  EXPECT_EQ(std::strlen(small), 4u);
  EXPECT_EQ(small[5], 'x');
  lib.fini(&ca);
}

TEST_F(SqldaTest, CallsOnAnUninitialisedOrNullSqlcaFailSafely) {
  sqlca ca{};
  lib.execute_imm(&ca, "SELECT 1");
  EXPECT_EQ(ca.sqlcode, DBE_SQLCA_NOT_INITIALIZED);
  lib.execute_imm(nullptr, "SELECT 1");  // nothing to write to, and no crash
  EXPECT_EQ(lib.connect(nullptr, "eng=x"), 0u);
}

}  // namespace
}  // namespace dblib_test
