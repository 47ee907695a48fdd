// Preparing, opening and executing through TAsaSQL on the stand-in: a query
// and an update end to end in both calling forms, when a preparation is
// kept, the cursor name retry, cursors for writing and with long columns,
// result sets whose shape is known only after the open, events and failures.
#include <string>
#include <vector>

#include "tests/asa/sql_fixture.h"

namespace asa_test {
namespace {

using velar::EVelarException;

class StatementOpenTest : public SqlTest {
 protected:
  void SetUp() override {
    SqlTest::SetUp();
    Run("CREATE TABLE item(id INTEGER PRIMARY KEY, name VARCHAR(20), qty INTEGER, note LONG "
        "VARCHAR)");
    Run("INSERT INTO item VALUES (1, 'one', 10, 'n1'), (2, 'two', 20, NULL), (3, 'three', 30, "
        "'n3')");
  }
};

class BothFormsTest : public SqlTest, public ::testing::WithParamInterface<const char*> {
 protected:
  BothFormsTest() : SqlTest(GetParam()) {}
};

// A query with a host variable stands on its first row after the open; an
// update runs through the execute side while the cursor stays open.
TEST_P(BothFormsTest, QueryAndUpdateRunEndToEnd) {
  Run("CREATE TABLE item(id INTEGER PRIMARY KEY, name VARCHAR(20), qty INTEGER)");
  Run("INSERT INTO item VALUES (1, 'one', 10), (2, 'two', 20), (3, 'three', 30)");
  ASSERT_TRUE(query->OpenRead("SELECT id, name, qty FROM item WHERE id > ? ORDER BY id", {1}))
      << session->LastError();
  EXPECT_TRUE(query->Opened());
  EXPECT_EQ(query->TableName(), "item");
  EXPECT_EQ(query->GetFieldCount(), 3);
  EXPECT_EQ(query->RowNo(), 0);
  EXPECT_FALSE(query->Eof());
  EXPECT_EQ(query->GetFieldValue("ID").AsInteger(), 2);
  EXPECT_EQ(query->GetFieldValue(1).AsString(), "two");

  ASSERT_TRUE(query->Execute("UPDATE item SET qty = qty + ? WHERE id >= ?", {5, 2}))
      << session->LastError();
  EXPECT_EQ(query->RowsProcessed(), 2);
  EXPECT_TRUE(query->Opened()) << "the cursor stays open";
  EXPECT_EQ(QueryInt(*session, "SELECT sum(qty) FROM item"), 70);
}

INSTANTIATE_TEST_SUITE_P(CallingForms, BothFormsTest,
                         ::testing::Values("libdblib6.so", "libdblib7.so"));

TEST_F(StatementOpenTest, TheSameTextKeepsItsPreparation) {
  const char* select = "SELECT id, name FROM item ORDER BY id";
  ASSERT_TRUE(query->OpenRead(select));
  const std::int16_t statement = query->StmtNum();
  standIn.StartTrace();
  ASSERT_TRUE(query->OpenRead(select));
  EXPECT_EQ(Calls("dbpp_prepare"), 0);
  EXPECT_EQ(Calls("dbpp_close"), 1);
  EXPECT_EQ(Calls("dbpp_open"), 1);
  EXPECT_EQ(query->StmtNum(), statement);
  query->Close();
  standIn.StartTrace();
  ASSERT_TRUE(query->OpenReadPrepared());
  EXPECT_EQ(Calls("dbpp_prepare"), 0) << "a closed cursor opens again from its preparation";
  EXPECT_EQ(query->GetFieldValue("name").AsString(), "one");

  standIn.StartTrace();
  ASSERT_TRUE(query->OpenRead("SELECT name FROM item"));
  EXPECT_EQ(Calls("dbpp_dropstmt"), 1);
  EXPECT_EQ(Calls("dbpp_prepare"), 1);
  EXPECT_EQ(query->GetFieldCount(), 1);
}

// Another cursor of the connection holds the statement's cursor name: the
// name with the next number is taken.
TEST_F(StatementOpenTest, ATakenCursorNameMovesToTheNextNumber) {
  ASSERT_TRUE(query->OpenRead("SELECT id FROM item"));
  const std::string first = query->CursorName();
  EXPECT_EQ(first, "VelarDB-" + std::to_string(query->StmtNum()));
  standIn.Inject("dbpp_open", DBE_CURSOR_ALREADY_OPEN);
  standIn.StartTrace();
  ASSERT_TRUE(query->OpenRead("SELECT id FROM item"));
  EXPECT_EQ(Calls("dbpp_declare"), 2);
  EXPECT_EQ(std::string(query->CursorName()), "VelarDB-" + std::to_string(query->StmtNum() + 1));
  EXPECT_EQ(query->GetFieldValue(0).AsInteger(), 1);
}

// Block fetching is for cursors that only read short columns.
TEST_F(StatementOpenTest, WritingAndLongColumnsFetchOneRowAtATime) {
  ASSERT_TRUE(query->OpenRead("SELECT id, name FROM item"));
  EXPECT_EQ(query->FetchRows(), 25);
  EXPECT_EQ(query->CursorOptions(), DBCUR_READ_ONLY | DBCUR_NO_SCROLL);
  ASSERT_TRUE(query->OpenWrite("SELECT id, name FROM item"));
  EXPECT_EQ(query->FetchRows(), 1);
  EXPECT_EQ(query->CursorOptions(), DBCUR_UPDATE | DBCUR_NO_SCROLL);
  query->SetUniDirectional(false);
  ASSERT_TRUE(query->OpenRead("SELECT id, note FROM item"));
  EXPECT_EQ(query->FetchRows(), 1);
  EXPECT_EQ(query->CursorOptions(), DBCUR_READ_ONLY | DBCUR_SCROLL);
  EXPECT_EQ(query->AllocatedRows(), 25) << "described at prepare for 25 rows";
}

// A procedure's result sets may differ in shape: described after the open,
// one row per fetch when a long column appears.
TEST_F(StatementOpenTest, ProcedureResultsAreDescribedAfterTheOpen) {
  Run("CREATE PROCEDURE sets(IN lo INTEGER) BEGIN "
      "SELECT id, name, qty FROM item WHERE id >= lo ORDER BY id; "
      "SELECT id, name, qty, note FROM item; END");
  ASSERT_TRUE(query->OpenRead("CALL sets(?)", {2})) << session->LastError();
  EXPECT_TRUE(query->DescribeAfterOpen());
  EXPECT_EQ(query->GetFieldCount(), 3);
  EXPECT_EQ(query->FetchRows(), 25);
  EXPECT_EQ(query->CursorSqlda()->sqln, 75);
  EXPECT_EQ(query->GetFieldValue("id").AsInteger(), 2);
  EXPECT_EQ(query->GetFieldValue("NAME").AsString(), "two");

  auto table = NewQuery();
  ASSERT_TRUE(table->OpenRead("SELECT id, name, qty FROM item"));
  EXPECT_FALSE(table->DescribeAfterOpen());
  EXPECT_EQ(table->CursorSqlda()->sqln, 75);
  ASSERT_TRUE(table->Describe("SELECT id, name || '!' AS shout FROM item"));
  EXPECT_TRUE(table->DescribeAfterOpen()) << "expression columns: typed from their values";
}

// A library without a version check cannot describe an open cursor, so
// every query is described when it is prepared.
TEST_F(StatementOpenTest, AnOldLibraryDescribesAtPrepare) {
  StandIn old("libdblib5.so");
  auto oldSession = std::make_unique<TAsaSession>(nullptr);
  query.reset();
  session.reset();
  oldSession->SetLibraryPath(LibDir());
  oldSession->SetLibraryFile("libdblib5.so");
  oldSession->SetLoginDatabase(database);
  oldSession->SetLoginUser("DBA");
  oldSession->SetLoginPassword("SQL");
  oldSession->SetConnected(true);
  TAsaSQL call(nullptr);
  call.SetSession(oldSession.get());
  // Expression columns make the shape one the library cannot promise.
  const char* select = "SELECT id, name || '!' AS shout FROM item";
  ASSERT_TRUE(call.Describe(select)) << oldSession->LastError();
  EXPECT_FALSE(call.DescribeAfterOpen());
  EXPECT_EQ(call.GetFieldCount(), 2);
  EXPECT_EQ(call.GetFieldName(1), "shout");
  call.SetSession(nullptr);
}

TEST_F(StatementOpenTest, EventsMarkOpensAndTheEndOfAPreparation) {
  std::vector<std::string> events;
  query->BeforeOpen = [&](host::TObject*) { events.push_back("BeforeOpen"); };
  query->AfterOpen = [&](host::TObject*) { events.push_back("AfterOpen"); };
  query->BeforeClose = [&](host::TObject*) { events.push_back("BeforeClose"); };
  query->AfterClose = [&](host::TObject*) { events.push_back("AfterClose"); };
  ASSERT_TRUE(query->OpenRead("SELECT id FROM item"));
  query->Close();
  ASSERT_TRUE(query->OpenReadPrepared());
  query->UnprepareOpen();
  EXPECT_EQ(events, (std::vector<std::string>{"BeforeOpen", "AfterOpen", "BeforeOpen", "AfterOpen",
                                              "BeforeClose", "AfterClose"}));
}

// A failing step returns false (raising only when asked) and leaves nothing
// prepared or open; the session's LastError tells why.
TEST_F(StatementOpenTest, FailuresReturnFalseOrRaise) {
  EXPECT_FALSE(query->OpenRead("SELECT id FROM missing"));
  EXPECT_FALSE(query->Prepared());
  EXPECT_EQ(query->GetLastErrorCode(), DBE_TABLE_NOT_FOUND);
  EXPECT_EQ(query->GetLastError().rfind("Error -141: ", 0), 0u) << query->GetLastError();
  query->SetWantExceptions(true);
  EXPECT_EQ(MessageOf<EAsaException>([&] { query->Execute("UPDATE missing SET a = 1"); }),
            session->LastError());
  EXPECT_FALSE(query->ExecPrepared());

  // A prepared statement whose open fails leaves no cursor marked open.
  ASSERT_TRUE(query->Describe("SELECT id FROM item WHERE id = ?"));
  standIn.Inject("dbpp_open", DBE_ERROR, "open refused");
  EXPECT_THROW(query->OpenReadPrepared({1}), EAsaException);
  EXPECT_FALSE(query->Opened());
  EXPECT_TRUE(query->Prepared());
  EXPECT_TRUE(query->OpenReadPrepared({1}));
}

TEST_F(StatementOpenTest, AutoCommitAppliesOutsideAUserTransactionOnly) {
  other = NewSession();
  other->SetConnected(true);
  session->SetAutoCommit(true);
  ASSERT_TRUE(query->Execute("UPDATE item SET qty = ? WHERE id = 1", {11}));
  EXPECT_EQ(QueryInt(*other, "SELECT qty FROM item WHERE id = 1"), 11) << "committed";

  session->StartTransaction();
  standIn.StartTrace();
  ASSERT_TRUE(query->ExecutePrepared({12}));
  EXPECT_EQ(Calls("dbpp_commit"), 0);
  EXPECT_EQ(QueryInt(*other, "SELECT qty FROM item WHERE id = 1"), 11) << "not yet committed";
  session->Rollback();
  EXPECT_EQ(QueryInt(*session, "SELECT qty FROM item WHERE id = 1"), 11);

  session->SetAutoCommit(false);
  ASSERT_TRUE(query->ExecutePrepared({13}));
  EXPECT_EQ(QueryInt(*other, "SELECT qty FROM item WHERE id = 1"), 11);
  session->Rollback();
}

}  // namespace
}  // namespace asa_test
