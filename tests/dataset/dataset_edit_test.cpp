// Changing rows through a dataset on the stand-in (edit, append, delete,
// failures, statements without a cursor) and searching them.
#include "tests/dataset/dataset_fixture.h"

namespace dataset_test {
namespace {

class EditTest : public DatasetTest {
 protected:
  void SetUp() override {
    DatasetTest::SetUp();
    MakeNumbers(30);
    OpenNumbers(/*Writable=*/true);
  }
};

TEST_F(EditTest, EditAndPostChangeTheRowAndCancelReadsItAgain) {
  dataset->MoveBy(4);
  dataset->Edit();
  dataset->FieldByName("name")->SetAsString("five");
  dataset->Post();
  EXPECT_EQ(Id(), 5);
  EXPECT_EQ(Stored("SELECT name FROM numbers WHERE id = 5"), "five");
  EXPECT_EQ(Stored("SELECT name FROM numbers WHERE id = 6"), "row 6");
  dataset->Edit();
  dataset->FieldByName("name")->Clear();
  dataset->Post();
  EXPECT_EQ(Stored("SELECT name FROM numbers WHERE id = 5"), "<null>");
  dataset->Edit();
  dataset->FieldByName("name")->SetAsString("dropped");
  dataset->Cancel();
  EXPECT_TRUE(dataset->FieldByName("name")->IsNull());
  dataset->Next();
  EXPECT_EQ(Id(), 6);
}

TEST_F(EditTest, AnAppendedRecordBecomesTheLastRowAndDeletingTheLastShowsTheNewLast) {
  dataset->MoveBy(10);
  dataset->Append();
  dataset->FieldByName("id")->SetAsInteger(31);
  dataset->FieldByName("name")->SetAsString("new");
  dataset->Post();
  EXPECT_EQ(Id(), 31);
  EXPECT_EQ(dataset->RecNo(), 31);
  EXPECT_EQ(dataset->Statement()->RowNo(), 30) << "the statement stands on the last row";
  EXPECT_EQ(Stored("SELECT name FROM numbers WHERE id = 31"), "new");
  dataset->AppendRecord({32, "newer"});
  EXPECT_EQ(Id(), 32);

  dataset->Delete();
  EXPECT_EQ(Id(), 31);
  EXPECT_EQ(dataset->RecordCount(), 31);
  EXPECT_EQ(Stored("SELECT count(*) FROM numbers"), "31");
  dataset->First();
  dataset->MoveBy(2);
  dataset->Delete();
  EXPECT_EQ(Id(), 4) << "the row after the deleted one";
}

TEST_F(EditTest, AFailedPostIsADatabaseErrorRaisedAfterTheQueryRanAgain) {
  dataset->Next();
  dataset->Edit();
  dataset->FieldByName("id")->SetAsInteger(1);  // the key of the first row
  standIn.StartTrace();
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { dataset->Post(); }),
            "Error -193: Primary key or unique index not unique (UNIQUE constraint failed: "
            "numbers.id) (23W01)");
  const std::string trace = WorkTrace();
  EXPECT_NE(trace.find("dbpp_open", trace.find("dbpp_update")), std::string::npos)
      << "the query ran again: " << trace;
  EXPECT_EQ(dataset->State(), host::dsEdit) << "the edit waits to be corrected";
  dataset->OnPostError = [](host::TDataSet* Sender, host::EDatabaseError&,
                            host::TDataAction& Action) {
    Sender->FieldByName("id")->SetAsInteger(102);
    Action = host::daRetry;
  };
  dataset->Post();
  EXPECT_EQ(Stored("SELECT name FROM numbers WHERE id = 102"), "row 2");
}

TEST_F(EditTest, LocateAndLookupFindByExactCaseInsensitiveAndPartialKeys) {
  EXPECT_TRUE(dataset->Locate("name", "row 17", 0));
  EXPECT_EQ(dataset->RecNo(), 17);
  EXPECT_FALSE(dataset->Locate("name", "ROW 18", 0));
  EXPECT_EQ(Id(), 17) << "nothing found, nothing moved";
  dataset->Next();
  EXPECT_EQ(Id(), 18) << "and the statement follows the active record again";
  EXPECT_TRUE(dataset->Locate("name", "ROW 18", host::loCaseInsensitive));
  EXPECT_TRUE(dataset->Locate("name", "row 2", host::loPartialKey));
  EXPECT_EQ(Id(), 2) << "the first row that begins with the key";
  EXPECT_TRUE(dataset->Locate("NAME", "ROW 3", host::loPartialKey | host::loCaseInsensitive));
  EXPECT_EQ(Id(), 3);
  EXPECT_TRUE(dataset->Locate("id;name", host::VarArrayOf({25, "row 25"}), 0));
  EXPECT_EQ(Id(), 25);
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { dataset->Locate("nope", 1, 0); }),
            "Field \"nope\" not found.");

  EXPECT_EQ(dataset->Lookup("id", 12, "name").AsString(), "row 12");
  EXPECT_EQ(host::VarArrayGet(dataset->Lookup("name", "row 13", "id;name"), 0).AsInteger(), 13);
  EXPECT_TRUE(dataset->Lookup("name", "ROW 13", "id").IsNull()) << "exact and case-sensitive";
  EXPECT_EQ(Id(), 25);
  dataset->Next();
  EXPECT_EQ(Id(), 26);
}

TEST_F(EditTest, ExecSQLRunsTheTextWithTheParametersOnAClosedDataset) {
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { dataset->ExecSQL(); }),
            "Query1: Cannot perform this operation on an open data set");
  SetSQL("UPDATE numbers SET name = :name WHERE id <= :last");
  dataset->ParamByName("name")->SetAsString("low");
  dataset->ParamByName("last")->SetAsInteger(4);
  dataset->ExecSQL();
  EXPECT_EQ(dataset->GetRowsAffected(), 4);
  EXPECT_EQ(Stored("SELECT count(*) FROM numbers WHERE name = 'low'"), "4");

  // A statement prepared on one connection is not run on another.
  Exec(*session, "COMMIT");
  other = NewSession();
  other->SetConnected(true);
  dataset->SetSession(other.get());
  dataset->ParamByName("last")->SetAsInteger(2);
  dataset->ExecSQL();
  EXPECT_EQ(dataset->GetRowsAffected(), 2);
  dataset->SetSession(session.get());
}

}  // namespace
}  // namespace dataset_test
