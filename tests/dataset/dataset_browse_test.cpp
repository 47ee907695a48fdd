// Opening and browsing a dataset on the stand-in: the session checks, the
// field definitions, moving both ways across the statement's fetch blocks
// and the framework's record window, record numbers, counts and bookmarks.
#include <cstring>

#include "host/db_controls.h"
#include "host/fields_defs.h"
#include "tests/dataset/dataset_fixture.h"

namespace dataset_test {
namespace {

using BrowseTest = DatasetTest;

TEST_F(BrowseTest, OpeningConnectsTheSessionAndClosingItsStatementClosesTheDataset) {
  TAsaDataset lonely(nullptr);
  EXPECT_EQ(MessageOf<velar::EAsaException>([&] { lonely.Open(); }),
            "The session property is not linked to a session");
  MakeNumbers(3);
  session->SetConnected(false);
  OpenNumbers();
  EXPECT_TRUE(session->Connected());
  EXPECT_TRUE(session->WantRowCounts());
  EXPECT_EQ(dataset->RecordCount(), 3) << "the count comes with the opening";
  EXPECT_TRUE(dataset->Statement()->ReadOnly()) << "read-only unless switched";
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { dataset->Edit(); }),
            "Query1: Cannot modify a read-only data set");
  session->SetConnected(false);
  EXPECT_FALSE(dataset->Active()) << "the disconnect closed the statement";
  dataset->Open();
  dataset->SetSession(nullptr);
  EXPECT_FALSE(dataset->Active());
}

TEST_F(BrowseTest, FieldDefinitionsFollowTheColumns) {
  Run("CREATE TABLE shapes(id INTEGER, name VARCHAR(20), raw BINARY(256), note LONG VARCHAR, "
      "pic LONG BINARY, price DOUBLE, flag BIT, born DATE, at TIME, seen TIMESTAMP)");
  SetSQL("SELECT id, name, raw, note, pic, price, flag, born, at, seen, id, id FROM shapes");
  dataset->Open();
  std::string defs;
  for (int i = 0; i < dataset->FieldDefs()->Count(); ++i) {
    host::TFieldDef* def = dataset->FieldDefs()->Items(i);
    EXPECT_EQ(def->FieldNo(), i + 1);
    defs += def->Name() + ":" + host::FieldTypeName(def->DataType()) + ":" +
            std::to_string(def->Size()) + " ";
  }
  EXPECT_EQ(defs,
            "id:Integer:0 name:String:20 raw:Bytes:256 note:Memo:0 pic:Blob:0 price:Float:0 "
            "flag:Boolean:0 born:Date:0 at:Time:0 seen:DateTime:0 id_1:Integer:0 "
            "id_2:Integer:0 ");
  EXPECT_EQ(dataset->FieldCount(), 12) << "default fields, one per definition";
  EXPECT_TRUE(dataset->IsEmpty());
  EXPECT_EQ(dataset->RecNo(), 0);
  EXPECT_EQ(dataset->GetBookmark(), host::TBookmark());
  EXPECT_TRUE(dataset->FieldByName("id")->IsNull());
  dataset->Close();
  EXPECT_EQ(dataset->FieldCount(), 0);
}

// 60 rows come 25 to a fetch; a grid of five rows makes the window five
// records wide.
TEST_F(BrowseTest, BrowsesForwardAndBackAcrossFetchBlocksAndTheWindow) {
  MakeNumbers(60);
  host::TDataSource source(nullptr);
  source.SetDataSet(dataset.get());
  host::TDBGrid grid(nullptr);
  grid.SetRowCount(5);
  grid.SetDataSource(&source);
  OpenNumbers();
  EXPECT_EQ(dataset->Statement()->FetchRows(), 25);
  EXPECT_EQ(dataset->BufferCount(), 5);
  for (int id = 1; id <= 60; ++id, dataset->Next()) {
    ASSERT_EQ(Id(), id);
    ASSERT_EQ(dataset->RecNo(), id);
    ASSERT_EQ(dataset->FieldByName("name")->AsString(), "row " + std::to_string(id));
  }
  EXPECT_TRUE(dataset->Eof());
  for (int id = 59; id >= 1; --id) {
    dataset->Prior();
    ASSERT_EQ(Id(), id);
    ASSERT_EQ(dataset->RecNo(), id);
  }
  dataset->Prior();
  EXPECT_TRUE(dataset->Bof());
  dataset->Last();
  EXPECT_EQ(dataset->RecNo(), 60);
  EXPECT_EQ(grid.Cell(0, 0), "56");
  EXPECT_EQ(dataset->MoveBy(-30), 30);
  EXPECT_EQ(Id(), 30);
  dataset->First();
  EXPECT_EQ(dataset->MoveBy(100), 59);
  EXPECT_EQ(dataset->RecordCount(), 60);
}

host::TBookmark RowBookmark(std::int32_t Row) {
  host::TBookmark bookmark(8, '\0');
  std::memcpy(bookmark.data(), &Row, sizeof Row);
  return bookmark;
}

TEST_F(BrowseTest, BookmarksAndRecordNumbersAreRowNumbers) {
  MakeNumbers(30);
  OpenNumbers();
  EXPECT_EQ(dataset->GetBookmark(), RowBookmark(0));
  dataset->MoveBy(3);
  const host::TBookmark fourth = dataset->GetBookmark();
  dataset->MoveBy(2);
  const host::TBookmark sixth = dataset->GetBookmark();
  EXPECT_EQ(dataset->CompareBookmarks(fourth, sixth), -1);
  EXPECT_EQ(dataset->CompareBookmarks(sixth, fourth), 1);
  EXPECT_EQ(dataset->CompareBookmarks(fourth, host::TBookmark()), -1);
  EXPECT_EQ(dataset->CompareBookmarks(host::TBookmark(), host::TBookmark()), 0);
  dataset->Last();
  dataset->GotoBookmark(fourth);
  EXPECT_EQ(Id(), 4);
  EXPECT_TRUE(dataset->BookmarkValid(RowBookmark(29)));
  EXPECT_FALSE(dataset->BookmarkValid(RowBookmark(30)));
  EXPECT_FALSE(dataset->BookmarkValid(RowBookmark(-1)));
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { dataset->GotoBookmark(RowBookmark(30)); }),
            "Query1: Record not found");

  int scrolls = 0;
  dataset->AfterScroll = [&](host::TDataSet*) { ++scrolls; };
  dataset->SetRecNo(23);
  EXPECT_EQ(Id(), 23);
  dataset->SetRecNo(23);
  EXPECT_EQ(scrolls, 1) << "the current number does nothing";
  dataset->SetRecNo(31);
  EXPECT_EQ(Id(), 23) << "a number past the end moves nothing";
  dataset->Next();
  EXPECT_EQ(Id(), 24) << "the statement went back to the active record";
}

// A unidirectional dataset reads over a cursor that keeps no rows; going back
// to the first record runs the query again.
TEST_F(BrowseTest, AUniDirectionalDatasetReadsEveryRow) {
  MakeNumbers(60);
  dataset->SetUniDirectional(true);
  OpenNumbers();
  int sum = 0;
  for (dataset->First(); !dataset->Eof(); dataset->Next())
    sum += Id();
  EXPECT_EQ(sum, 60 * 61 / 2);
  dataset->First();
  EXPECT_EQ(Id(), 1);
}

TEST_F(BrowseTest, ParametersReachTheQueryAndOneWithoutAValueIsNull) {
  MakeNumbers(20);
  SetSQL("SELECT id FROM numbers WHERE id > :low AND id <= :high ORDER BY id");
  dataset->ParamByName("low")->SetAsInteger(5);
  dataset->ParamByName("high")->SetAsInteger(8);
  dataset->Open();
  EXPECT_EQ(dataset->RecordCount(), 3);
  EXPECT_EQ(Id(), 6);
  SetSQL("SELECT count(*) AS n FROM numbers WHERE :v IS NULL");
  dataset->ParamByName("v")->Clear();
  dataset->Open();
  EXPECT_EQ(dataset->FieldByName("n")->AsInteger(), 20);
}

}  // namespace
}  // namespace dataset_test
