// Changing rows through the cursor (Modify, Append, Delete) with long values
// through server variables and the auto-commit rule; statements run
// directly; the query plan; the next result set of a procedure.
#include <string>

#include "tests/asa/sql_fixture.h"

namespace asa_test {
namespace {

class CursorChangeTest : public SqlTest {
 protected:
  void SetUp() override {
    SqlTest::SetUp();
    Run("CREATE TABLE item(id INTEGER PRIMARY KEY, name VARCHAR(20), qty INTEGER, "
        "note LONG VARCHAR)");
    Run("INSERT INTO item VALUES (1, 'one', 10, 'n1'), (2, 'two', 20, NULL), "
        "(3, 'three', 30, 'n3')");
    other = NewSession();
    other->SetConnected(true);
  }
  // What the other connection sees: committed work only.
  std::int64_t Committed(const char* SQL) { return QueryInt(*other, SQL); }
};

TEST_F(CursorChangeTest, ModifyWritesChangedColumnsAndCommitsUnderAutoCommit) {
  session->SetAutoCommit(true);
  ASSERT_TRUE(query->OpenWrite("SELECT id, name, qty FROM item ORDER BY id"));
  ASSERT_TRUE(query->Next());
  query->SetFieldValue("qty", 22);
  EXPECT_TRUE(query->IsDirty());
  ASSERT_TRUE(query->Modify()) << session->LastError();
  EXPECT_FALSE(query->IsDirty()) << "the written row is the row as fetched now";
  EXPECT_EQ(Committed("SELECT qty FROM item WHERE id = 2"), 22);
  EXPECT_EQ(Committed("SELECT count(*) FROM item WHERE id = 2 AND name = 'two'"), 1);

  // Nothing changed: no call, no commit.
  standIn.StartTrace();
  EXPECT_TRUE(query->Modify());
  EXPECT_EQ(standIn.Trace(), "") << "not even a descriptor";

  // Null is written as null.
  query->SetFieldValue("name", host::Null());
  ASSERT_TRUE(query->Modify());
  EXPECT_EQ(Committed("SELECT count(*) FROM item WHERE id = 2 AND name IS NULL"), 1);
}

// The memo goes through a server variable named after its column: created
// and filled before the update, dropped after it.
TEST_F(CursorChangeTest, ModifyOfALongColumnGoesThroughAServerVariable) {
  ASSERT_TRUE(query->OpenWrite("SELECT id, note FROM item ORDER BY id"));
  const std::string text(40000, 'm');
  query->SetFieldValue("note", text);
  standIn.StartTrace();
  ASSERT_TRUE(query->Modify()) << session->LastError();
  EXPECT_EQ(WorkTrace(),
            "dbpp_execute_imm\n"  // create variable note
            "dbpp_execute_imm\n"  // set it empty
            "dbpp_prepare\ndbpp_describe\ndbpp_describe\ndbpp_execute_into\ndbpp_dropstmt\n"
            "dbpp_prepare\ndbpp_describe\ndbpp_describe\ndbpp_execute_into\ndbpp_dropstmt\n"
            "dbpp_update\n"
            "dbpp_execute_imm\n");  // drop variable note
  EXPECT_EQ(QueryInt(*session, "SELECT length(note) FROM item WHERE id = 1"), 40000);
  Exec(*session, "CREATE VARIABLE note LONG VARCHAR");  // gone again
  EXPECT_EQ(query->GetFieldValue("note").AsString(), text);
}

// A long value that cannot be sent leaves the row unwritten and says so.
TEST_F(CursorChangeTest, AChangeWhoseLongValueCannotBeSentIsNotWritten) {
  ASSERT_TRUE(query->OpenWrite("SELECT id, qty, note FROM item ORDER BY id"));
  query->SetFieldValue("qty", 99);
  query->SetFieldValue("note", std::string(40000, 'x'));
  standIn.Inject("dbpp_execute_into", DBE_ERROR, "chunk refused");
  standIn.StartTrace();
  EXPECT_FALSE(query->Modify());
  EXPECT_EQ(Calls("dbpp_update"), 0);
  EXPECT_EQ(query->GetLastError(), "Error -300: chunk refused (HY000)");
  EXPECT_EQ(QueryInt(*session, "SELECT qty FROM item WHERE id = 1"), 10);
  ASSERT_TRUE(query->Modify()) << "the variable was dropped, so it can be sent again";
  EXPECT_EQ(QueryInt(*session, "SELECT length(note) FROM item WHERE id = 1"), 40000);
}

TEST_F(CursorChangeTest, AppendAndDelete) {
  session->SetAutoCommit(true);
  ASSERT_TRUE(query->OpenWrite("SELECT id, name, qty, note FROM item ORDER BY id"));
  query->ClearNotNull();
  query->SetFieldValue("id", 4);
  query->SetFieldValue("name", "four");
  query->SetFieldValue("qty", host::Null());
  query->SetFieldValue("note", std::string(50000, 'a'));
  ASSERT_TRUE(query->Append()) << session->LastError();
  EXPECT_EQ(Committed("SELECT count(*) FROM item WHERE id = 4 AND name = 'four' AND qty IS NULL "
                      "AND length(note) = 50000"),
            1);
  EXPECT_EQ(query->GetFieldValue("name").AsString(), "four") << "the stored row came back";
  EXPECT_TRUE(query->IsFieldNull("qty"));
  EXPECT_EQ(query->RowNo(), 0) << "the position stays";

  ASSERT_TRUE(query->Delete());
  EXPECT_EQ(Committed("SELECT count(*) FROM item WHERE id = 1"), 0);
  EXPECT_EQ(query->RowNo(), 0);

  ASSERT_TRUE(query->OpenRead("SELECT id FROM item"));
  for (auto change : {&TAsaSQL::Modify, &TAsaSQL::Append, &TAsaSQL::Delete})
    EXPECT_EQ(MessageOf<EAsaException>([&] { (query.get()->*change)(); }),
              "The cursor is read-only.");
  query->Close();
  EXPECT_EQ(MessageOf<EAsaException>([&] { query->Delete(); }), "The cursor is not opened.");
}

// An append into an empty result reads back as a row of nulls: there is no
// fetched row for the library to write into.
TEST_F(CursorChangeTest, AppendIntoAnEmptyResult) {
  EXPECT_FALSE(query->OpenWrite("SELECT id, name FROM item WHERE id > 100"));
  query->ClearNotNull();
  query->SetFieldValue("id", 7);
  query->SetFieldValue("name", "seven");
  ASSERT_TRUE(query->Append()) << session->LastError();
  EXPECT_EQ(QueryInt(*session, "SELECT count(*) FROM item WHERE id = 7 AND name = 'seven'"), 1);
  EXPECT_TRUE(query->IsFieldNull("name"));
}

TEST_F(CursorChangeTest, ExecuteImmediateCommitsOutsideAUserTransaction) {
  TAsaSQL direct(nullptr);
  direct.SetSession(session.get());
  session->SetAutoCommit(true);
  ASSERT_TRUE(direct.ExecuteImmediate("UPDATE item SET qty = qty + 1"));
  EXPECT_EQ(direct.RowsProcessed(), 3);
  EXPECT_EQ(Committed("SELECT sum(qty) FROM item"), 63);
  session->StartTransaction();
  ASSERT_TRUE(direct.ExecuteImmediate("UPDATE item SET qty = 0"));
  EXPECT_EQ(Committed("SELECT sum(qty) FROM item"), 63);
  session->Rollback();
  EXPECT_FALSE(direct.ExecuteImmediate("UPDATE missing SET a = 1"));
  EXPECT_EQ(direct.GetLastErrorCode(), DBE_TABLE_NOT_FOUND);
  direct.SetSession(nullptr);
}

TEST_F(CursorChangeTest, ExplainGivesThePlanOfTheOpenCursor) {
  EXPECT_EQ(MessageOf<EAsaException>([&] { query->Explain(); }), "The cursor is not opened.");
  ASSERT_TRUE(query->OpenRead("SELECT id FROM item WHERE id = 2"));
  const std::string plan = query->Explain();
  EXPECT_FALSE(plan.empty());
  EXPECT_LE(plan.size(), 300u);
}

TEST_F(CursorChangeTest, ResumeMovesToTheNextResultSet) {
  session->SetWantRowCounts(true);
  Run("CREATE PROCEDURE two_sets() BEGIN SELECT id, name FROM item ORDER BY id; "
      "SELECT count(*) AS n, max(qty) AS top, min(note) AS first_note FROM item; END");
  ASSERT_TRUE(query->OpenRead("CALL two_sets()"));
  EXPECT_EQ(query->GetFieldCount(), 2);
  ASSERT_TRUE(query->Next());
  EXPECT_EQ(query->RowNo(), 1);
  ASSERT_TRUE(query->Resume()) << session->LastError();
  EXPECT_EQ(query->GetFieldCount(), 3);
  EXPECT_EQ(query->GetFieldName(1), "top");
  EXPECT_EQ(query->RowNo(), 0);
  EXPECT_EQ(query->RecordCount(), 1);
  EXPECT_EQ(query->GetFieldValue("n").AsInteger(), 3);
  EXPECT_EQ(query->GetFieldValue("top").AsInteger(), 30);
  EXPECT_FALSE(query->Resume()) << "no third set";
  EXPECT_EQ(query->GetFieldCount(), 3) << "nothing changes";
  EXPECT_EQ(query->GetLastErrorCode(), DBE_NOT_FOUND);
}

}  // namespace
}  // namespace asa_test
