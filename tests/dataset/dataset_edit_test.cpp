// Changing rows through a dataset on the stand-in: edit, insert and append,
// delete, failures reported as database errors once the query ran again,
// records added in one call, statements executed without a cursor; and
// searching with Locate and Lookup.
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

TEST_F(EditTest, EditAndPostChangesTheRowAndShowsItAgain) {
  EXPECT_FALSE(dataset->Statement()->ReadOnly()) << "a cursor for writing";
  dataset->MoveBy(4);
  dataset->Edit();
  EXPECT_EQ(dataset->State(), host::dsEdit);
  dataset->FieldByName("name")->SetAsString("five");
  dataset->Post();
  EXPECT_EQ(dataset->State(), host::dsBrowse);
  EXPECT_EQ(Id(), 5);
  EXPECT_EQ(dataset->FieldByName("name")->AsString(), "five");
  EXPECT_EQ(Stored("SELECT name FROM numbers WHERE id = 5"), "five");
  EXPECT_EQ(Stored("SELECT name FROM numbers WHERE id = 6"), "row 6");
  dataset->Next();
  EXPECT_EQ(Id(), 6);

  // A value set to null is stored as null, other columns as they were.
  dataset->Edit();
  dataset->FieldByName("name")->Clear();
  dataset->Post();
  EXPECT_EQ(Stored("SELECT name FROM numbers WHERE id = 6"), "<null>");
  EXPECT_TRUE(dataset->FieldByName("name")->IsNull());

  // Cancel reads the record again.
  dataset->Edit();
  dataset->FieldByName("name")->SetAsString("dropped");
  dataset->Cancel();
  EXPECT_TRUE(dataset->FieldByName("name")->IsNull());
  EXPECT_EQ(Stored("SELECT count(*) FROM numbers WHERE name = 'dropped'"), "0");
}

TEST_F(EditTest, AnAppendedRecordIsPostedAtTheEndAndBecomesTheLastRow) {
  dataset->MoveBy(10);
  dataset->Append();
  dataset->FieldByName("id")->SetAsInteger(31);
  dataset->FieldByName("name")->SetAsString("new");
  dataset->Post();
  EXPECT_EQ(Id(), 31);
  EXPECT_EQ(dataset->RecNo(), 31);
  EXPECT_EQ(dataset->RecordCount(), 31);
  EXPECT_EQ(dataset->Statement()->RowNo(), 30) << "the statement stands on the last row";
  EXPECT_EQ(Stored("SELECT name FROM numbers WHERE id = 31"), "new");
  dataset->Next();
  EXPECT_TRUE(dataset->Eof());
  dataset->Prior();
  EXPECT_EQ(Id(), 30);

  // AppendRecord goes the same way in one call.
  dataset->AppendRecord({32, "newer"});
  EXPECT_EQ(Id(), 32);
  EXPECT_EQ(Stored("SELECT name FROM numbers WHERE id = 32"), "newer");
}

TEST_F(EditTest, DeletingTheLastRowLeavesTheNewLastRowActive) {
  dataset->Last();
  dataset->Delete();
  EXPECT_EQ(Id(), 29);
  EXPECT_EQ(dataset->RecordCount(), 29);
  EXPECT_EQ(Stored("SELECT count(*) FROM numbers"), "29");
  dataset->First();
  dataset->MoveBy(2);
  dataset->Delete();
  EXPECT_EQ(Id(), 4) << "the row after the deleted one";
  dataset->Prior();
  EXPECT_EQ(Id(), 2);
}

TEST_F(EditTest, AFailedPostIsADatabaseErrorRaisedAfterTheQueryRanAgain) {
  dataset->Next();
  dataset->Edit();
  dataset->FieldByName("id")->SetAsInteger(1);  // the key of the first row
  standIn.StartTrace();
  std::string message;
  try {
    dataset->Post();
  } catch (const host::EDatabaseError& e) {
    message = e.Message;
  }
  EXPECT_EQ(message,
            "Error -193: Primary key or unique index not unique (UNIQUE constraint failed: "
            "numbers.id) (23W01)");
  const std::string trace = WorkTrace();
  const std::size_t update = trace.find("dbpp_update");
  ASSERT_NE(update, std::string::npos) << trace;
  EXPECT_NE(trace.find("dbpp_open", update), std::string::npos) << "the query ran again";
  EXPECT_EQ(dataset->State(), host::dsEdit) << "the edit waits to be corrected or cancelled";
  EXPECT_EQ(dataset->FieldByName("id")->AsInteger(), 1);
  dataset->Cancel();
  EXPECT_EQ(Id(), 2);
  EXPECT_EQ(Stored("SELECT count(*) FROM numbers WHERE id = 2"), "1");

  // The post-error event may retry after correcting the record.
  dataset->Edit();
  dataset->FieldByName("id")->SetAsInteger(1);
  int errors = 0;
  dataset->OnPostError = [&](host::TDataSet* Sender, host::EDatabaseError&,
                             host::TDataAction& Action) {
    ++errors;
    Sender->FieldByName("id")->SetAsInteger(102);
    Action = host::daRetry;
  };
  dataset->Post();
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(Stored("SELECT name FROM numbers WHERE id = 102"), "row 2");
}

TEST_F(EditTest, LocateFindsByExactCaseInsensitiveAndPartialKeys) {
  EXPECT_TRUE(dataset->Locate("name", "row 17", 0));
  EXPECT_EQ(Id(), 17);
  EXPECT_EQ(dataset->RecNo(), 17);
  EXPECT_FALSE(dataset->Locate("name", "ROW 18", 0));
  EXPECT_EQ(Id(), 17) << "nothing found, nothing moved";
  dataset->Next();
  EXPECT_EQ(Id(), 18) << "and the statement follows the active record again";
  EXPECT_TRUE(dataset->Locate("name", "ROW 18", host::loCaseInsensitive));
  EXPECT_EQ(Id(), 18);
  EXPECT_TRUE(dataset->Locate("name", "row 2", host::loPartialKey));
  EXPECT_EQ(Id(), 2) << "the first row that begins with the key";
  EXPECT_TRUE(dataset->Locate("NAME", "ROW 3", host::loPartialKey | host::loCaseInsensitive));
  EXPECT_EQ(Id(), 3);
  EXPECT_TRUE(dataset->Locate("id;name", host::VarArrayOf({25, "row 25"}), 0));
  EXPECT_EQ(Id(), 25);
  EXPECT_FALSE(dataset->Locate("id;name", host::VarArrayOf({25, "row 26"}), 0));
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { dataset->Locate("nope", 1, 0); }),
            "Field \"nope\" not found.");
  dataset->Next();
  EXPECT_EQ(Id(), 26);
}

TEST_F(EditTest, LookupAnswersWithoutMoving) {
  dataset->MoveBy(5);
  EXPECT_EQ(dataset->Lookup("id", 12, "name").AsString(), "row 12");
  host::Variant both = dataset->Lookup("name", "row 13", "id;name");
  ASSERT_TRUE(both.IsArray());
  EXPECT_EQ(host::VarArrayGet(both, 0).AsInteger(), 13);
  EXPECT_TRUE(dataset->Lookup("name", "ROW 13", "id").IsNull()) << "exact and case-sensitive";
  EXPECT_EQ(dataset->State(), host::dsBrowse);
  EXPECT_EQ(Id(), 6);
  dataset->Next();
  EXPECT_EQ(Id(), 7);
}

TEST_F(EditTest, ExecSQLRunsTheTextWithTheParametersOnAClosedDataset) {
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { dataset->ExecSQL(); }),
            "Query1: Cannot perform this operation on an open data set");
  dataset->Close();
  SetSQL("UPDATE numbers SET name = :name WHERE id <= :last");
  dataset->ParamByName("name")->SetAsString("low");
  dataset->ParamByName("last")->SetAsInteger(4);
  dataset->ExecSQL();
  EXPECT_EQ(dataset->GetRowsAffected(), 4);
  EXPECT_EQ(Stored("SELECT count(*) FROM numbers WHERE name = 'low'"), "4");
}

}  // namespace
}  // namespace dataset_test
