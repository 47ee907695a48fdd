// A connection lost in the middle of a statement's own call: the session
// disconnects and unprepares every statement, the calling one included, so
// the call must stop without touching what was released and tell its
// caller. Run under the sanitizers, these tests catch any use of a freed
// descriptor or buffer.
#include <functional>
#include <string>

#include "tests/asa/sql_fixture.h"

namespace asa_test {
namespace {

const char kLost[] = "Error -308: Connection was terminated";

class LostConnectionTest : public SqlTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    SqlTest::SetUp();
    Run("CREATE TABLE n(i INTEGER, note LONG BINARY)");
    std::string values = "INSERT INTO n(i) VALUES (0)";
    for (int i = 1; i < 60; ++i)
      values += ", (" + std::to_string(i) + ")";
    Run(values.c_str());
    query->SetWantExceptions(GetParam());
  }
  void StopEngines() { standIn.Sym<dblib_test_stop_all_fn>("dblib_test_stop_all")(); }
  // Runs a step that meets the lost connection: false without exceptions,
  // the lost-connection text with them. Either way the session is
  // disconnected and the statement holds nothing any more.
  void ExpectCleanStop(const std::function<bool()>& Step) {
    if (GetParam()) {
      EXPECT_EQ(MessageOf<EAsaException>([&] { Step(); }).rfind(kLost, 0), 0u);
    } else {
      EXPECT_FALSE(Step());
    }
    EXPECT_EQ(session->LastError().rfind(kLost, 0), 0u) << session->LastError();
    EXPECT_EQ(session->LastErrorCode(), DBE_CONNECTION_TERMINATED);
    EXPECT_FALSE(session->Connected());
    EXPECT_FALSE(query->Opened());
    EXPECT_FALSE(query->Prepared());
    EXPECT_FALSE(query->ExecPrepared());
    EXPECT_EQ(query->GetFieldCount(), 0);
    EXPECT_EQ(query->CursorSqlda(), nullptr);
    EXPECT_EQ(query->ExecVariables().Count, 0);
  }
};

TEST_P(LostConnectionTest, OpeningAfterTheEngineStopped) {
  ASSERT_TRUE(query->OpenRead("SELECT i FROM n"));
  StopEngines();
  ExpectCleanStop([&] { return query->OpenRead("SELECT i, note FROM n", {1}); });
}

// The block runs out after 25 rows; the fetch of the next block meets the
// stopped engine.
TEST_P(LostConnectionTest, FetchingAfterTheEngineStopped) {
  ASSERT_TRUE(query->OpenRead("SELECT i FROM n"));
  StopEngines();
  for (int i = 1; i < 25; ++i)
    ASSERT_TRUE(query->Next()) << "served from the block";
  ExpectCleanStop([&] { return query->Next(); });
  EXPECT_EQ(MessageOf<EAsaException>([&] { query->Next(); }), "The cursor is not opened.");
}

TEST_P(LostConnectionTest, ExecutingAfterTheEngineStopped) {
  ASSERT_TRUE(query->OpenRead("SELECT i FROM n"));
  ASSERT_TRUE(query->Execute("UPDATE n SET i = i WHERE i = ?", {1}));
  StopEngines();
  ExpectCleanStop([&] { return query->ExecutePrepared({2}); });
}

// The open itself reports the lost connection, after the preparation.
TEST_P(LostConnectionTest, LostWhileOpening) {
  standIn.Inject("dbpp_open", DBE_CONNECTION_TERMINATED);
  ExpectCleanStop([&] { return query->OpenRead("SELECT i FROM n WHERE i > ?", {3}); });
}

// Describing the values of a query that was prepared at prepare time.
TEST_P(LostConnectionTest, LostWhileDescribing) {
  standIn.Inject("dbpp_describe", DBE_CONNECTION_TERMINATED);
  ExpectCleanStop([&] { return query->OpenRead("SELECT i FROM n WHERE i > ?", {3}); });
}

// A long value half sent: the variables it was read from and the
// descriptor being filled are gone, with a second long value still to go.
TEST_P(LostConnectionTest, LostWhileSendingALongValue) {
  ASSERT_TRUE(query->OpenRead("SELECT i FROM n"));
  const std::string bytes(70000, 'z');
  const host::Variant value = host::VarArrayFromBytes(bytes.data(), bytes.size());
  ASSERT_TRUE(query->PrepareExecute("UPDATE n SET note = ? WHERE note IS NULL OR note <> ?"));
  standIn.Inject("dbpp_execute_into", DBE_CONNECTION_TERMINATED);
  ExpectCleanStop([&] { return query->ExecutePrepared({value, value}); });
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutExceptions, LostConnectionTest, ::testing::Bool());

}  // namespace
}  // namespace asa_test
