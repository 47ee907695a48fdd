// Opening and browsing a dataset on the stand-in: the session checks, the
// field definitions, moving both ways across the statement's fetch blocks
// and the framework's record window, record numbers and counts, bookmarks.
#include <cstring>

#include "host/db_controls.h"
#include "host/db_link.h"
#include "host/fields_defs.h"
#include "tests/dataset/dataset_fixture.h"

namespace dataset_test {
namespace {

using BrowseTest = DatasetTest;

TEST_F(BrowseTest, OpeningNeedsASessionAndConnectsIt) {
  TAsaDataset lonely(nullptr);
  lonely.SQL()->SetText("SELECT 1");
  EXPECT_EQ(MessageOf<velar::EAsaException>([&] { lonely.Open(); }),
            "The session property is not linked to a session");
  EXPECT_FALSE(lonely.Active());

  MakeNumbers(3);
  session->SetConnected(false);
  session->SetWantRowCounts(false);
  OpenNumbers();
  EXPECT_TRUE(session->Connected());
  EXPECT_TRUE(session->WantRowCounts());
  EXPECT_EQ(dataset->RecordCount(), 3) << "the count comes with the opening";

  dataset->SetSession(nullptr);
  EXPECT_FALSE(dataset->Active()) << "no session, no dataset";
  EXPECT_EQ(dataset->GetSession(), nullptr);
}

TEST_F(BrowseTest, AReadOnlyDatasetRefusesEdits) {
  MakeNumbers(3);
  OpenNumbers();
  EXPECT_TRUE(dataset->Statement()->ReadOnly()) << "a read-only cursor";
  EXPECT_FALSE(dataset->CanModify());
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { dataset->Edit(); }),
            "Query1: Cannot modify a read-only data set");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { dataset->Append(); }),
            "Query1: Cannot modify a read-only data set");
  EXPECT_EQ(dataset->State(), host::dsBrowse);
}

TEST_F(BrowseTest, FieldDefinitionsFollowTheColumns) {
  Run("CREATE TABLE shapes(id INTEGER, name VARCHAR(20), raw BINARY(256), note LONG VARCHAR, "
      "pic LONG BINARY, price DOUBLE, flag BIT, born DATE, at TIME, seen TIMESTAMP)");
  SetSQL("SELECT id, name, raw, note, pic, price, flag, born, at, seen, id, id FROM shapes");
  dataset->Open();
  host::TFieldDefs* defs = dataset->FieldDefs();
  ASSERT_EQ(defs->Count(), 12);
  const std::vector<std::pair<std::string, host::TFieldType>> expected = {
      {"id", host::ftInteger},    {"name", host::ftString},  {"raw", host::ftBytes},
      {"note", host::ftMemo},     {"pic", host::ftBlob},     {"price", host::ftFloat},
      {"flag", host::ftBoolean},  {"born", host::ftDate},    {"at", host::ftTime},
      {"seen", host::ftDateTime}, {"id_1", host::ftInteger}, {"id_2", host::ftInteger}};
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(defs->Items(i)->Name(), expected[static_cast<std::size_t>(i)].first) << i;
    EXPECT_EQ(defs->Items(i)->DataType(), expected[static_cast<std::size_t>(i)].second) << i;
    EXPECT_EQ(defs->Items(i)->FieldNo(), i + 1);
  }
  EXPECT_EQ(dataset->Statement()->GetFieldSize(1), 21);
  EXPECT_EQ(defs->Items(1)->Size(), 20);
  EXPECT_EQ(dataset->Statement()->GetFieldSize(2), 258);
  EXPECT_EQ(defs->Items(2)->Size(), 256);
  EXPECT_EQ(dataset->FieldCount(), 12) << "default fields, one per definition";
  EXPECT_TRUE(dataset->IsEmpty());
  EXPECT_EQ(dataset->RecNo(), 0);
  EXPECT_TRUE(dataset->FieldByName("id")->IsNull());
  dataset->Close();
  EXPECT_EQ(dataset->FieldCount(), 0);
}

// 60 rows come 25 to a fetch; a grid of five rows makes the window five
// records wide. Every record read is numbered by its row.
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
  EXPECT_EQ(dataset->RecordCount(), 60);
  for (int id = 1; id <= 60; ++id) {
    ASSERT_FALSE(dataset->Eof()) << id;
    ASSERT_EQ(Id(), id);
    ASSERT_EQ(dataset->RecNo(), id);
    ASSERT_EQ(dataset->FieldByName("name")->AsString(), "row " + std::to_string(id));
    dataset->Next();
  }
  EXPECT_TRUE(dataset->Eof());
  EXPECT_EQ(Id(), 60);
  EXPECT_EQ(grid.Cell(grid.Row(), 0), "60");
  for (int id = 59; id >= 1; --id) {
    dataset->Prior();
    ASSERT_EQ(Id(), id);
    ASSERT_EQ(dataset->RecNo(), id);
  }
  dataset->Prior();
  EXPECT_TRUE(dataset->Bof());
  EXPECT_EQ(Id(), 1);

  dataset->Last();
  EXPECT_EQ(Id(), 60);
  EXPECT_EQ(dataset->RecNo(), 60);
  EXPECT_EQ(grid.VisibleRows(), 5);
  EXPECT_EQ(grid.Cell(0, 0), "56");
  EXPECT_EQ(dataset->MoveBy(-30), 30);
  EXPECT_EQ(Id(), 30);
  dataset->First();
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(dataset->MoveBy(100), 59);
  EXPECT_TRUE(dataset->Eof());
}

TEST_F(BrowseTest, RecordNumbersMoveTheDatasetAndUnreachableOnesDoNot) {
  MakeNumbers(40);
  OpenNumbers();
  int scrolls = 0;
  dataset->AfterScroll = [&](host::TDataSet*) { ++scrolls; };
  dataset->SetRecNo(33);
  EXPECT_EQ(Id(), 33);
  EXPECT_EQ(scrolls, 1);
  dataset->SetRecNo(33);
  EXPECT_EQ(scrolls, 1) << "the current number does nothing";
  dataset->SetRecNo(41);
  EXPECT_EQ(Id(), 33);
  EXPECT_EQ(scrolls, 1);
  dataset->Next();
  EXPECT_EQ(Id(), 34) << "the statement went back to the active record";
}

host::TBookmark RowBookmark(std::int32_t Row) {
  host::TBookmark bookmark(8, '\0');
  std::memcpy(bookmark.data(), &Row, sizeof Row);
  return bookmark;
}

TEST_F(BrowseTest, BookmarksAreRowNumbers) {
  MakeNumbers(30);
  OpenNumbers();
  const host::TBookmark first = dataset->GetBookmark();
  ASSERT_EQ(first.size(), 8u);
  std::int32_t row = -1;
  std::memcpy(&row, first.data(), sizeof row);
  EXPECT_EQ(row, 0);
  dataset->MoveBy(3);
  const host::TBookmark fourth = dataset->GetBookmark();
  dataset->MoveBy(2);
  const host::TBookmark sixth = dataset->GetBookmark();
  EXPECT_EQ(dataset->CompareBookmarks(fourth, sixth), -1);
  EXPECT_EQ(dataset->CompareBookmarks(sixth, fourth), 1);
  EXPECT_EQ(dataset->CompareBookmarks(sixth, sixth), 0);
  EXPECT_EQ(dataset->CompareBookmarks(fourth, host::TBookmark()), -1);
  EXPECT_EQ(dataset->CompareBookmarks(host::TBookmark(), fourth), 1);
  EXPECT_EQ(dataset->CompareBookmarks(host::TBookmark(), host::TBookmark()), 0);

  dataset->Last();
  dataset->GotoBookmark(fourth);
  EXPECT_EQ(Id(), 4);
  dataset->Next();
  EXPECT_EQ(Id(), 5);
  EXPECT_TRUE(dataset->BookmarkValid(sixth));
  EXPECT_TRUE(dataset->BookmarkValid(RowBookmark(29)));
  EXPECT_FALSE(dataset->BookmarkValid(RowBookmark(30)));
  EXPECT_FALSE(dataset->BookmarkValid(RowBookmark(-1)));
  EXPECT_FALSE(dataset->BookmarkValid(host::TBookmark()));
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { dataset->GotoBookmark(RowBookmark(30)); }),
            "Query1: Record not found");
}

TEST_F(BrowseTest, AnEmptyResultHasNoRecordsAndNoValues) {
  MakeNumbers(3);
  SetSQL("SELECT id, name FROM numbers WHERE id > 100");
  dataset->Open();
  EXPECT_TRUE(dataset->IsEmpty());
  EXPECT_TRUE(dataset->Eof());
  EXPECT_EQ(dataset->RecordCount(), 0);
  EXPECT_EQ(dataset->GetBookmark(), host::TBookmark());
  dataset->Next();
  dataset->Last();
  EXPECT_TRUE(dataset->IsEmpty());
  EXPECT_TRUE(dataset->FieldByName("name")->IsNull());
  EXPECT_EQ(dataset->FieldByName("name")->AsString(), "");
}

// A unidirectional dataset reads front to back over a cursor that keeps no
// rows; going back to the first record runs the query again.
TEST_F(BrowseTest, AUniDirectionalDatasetReadsEveryRow) {
  MakeNumbers(60);
  dataset->SetUniDirectional(true);
  OpenNumbers();
  int sum = 0;
  int rows = 0;
  for (dataset->First(); !dataset->Eof(); dataset->Next()) {
    sum += Id();
    ++rows;
  }
  EXPECT_EQ(rows, 60);
  EXPECT_EQ(sum, 60 * 61 / 2);
  dataset->First();
  EXPECT_EQ(Id(), 1);
}

TEST_F(BrowseTest, ParametersReachTheStatementAndAStatementClosedElsewhereClosesTheDataset) {
  MakeNumbers(20);
  SetSQL("SELECT id FROM numbers WHERE id > :low AND id <= :high ORDER BY id");
  dataset->ParamByName("low")->SetAsInteger(5);
  dataset->ParamByName("high")->SetAsInteger(8);
  dataset->Open();
  EXPECT_EQ(dataset->RecordCount(), 3);
  EXPECT_EQ(Id(), 6);

  session->SetConnected(false);
  EXPECT_FALSE(dataset->Active()) << "the session's disconnect closed the statement";
}

// One parameter without a value reaches the query as Null.
TEST_F(BrowseTest, ASingleParameterWithoutAValueReachesTheQueryAsNull) {
  MakeNumbers(5);
  SetSQL("SELECT count(*) AS n FROM numbers WHERE :v IS NULL");
  dataset->ParamByName("v")->Clear();
  dataset->Open();
  EXPECT_EQ(dataset->FieldByName("n")->AsInteger(), 5);
  dataset->Close();
  dataset->ParamByName("v")->SetAsInteger(1);
  dataset->Open();
  EXPECT_EQ(dataset->FieldByName("n")->AsInteger(), 0);
}

}  // namespace
}  // namespace dataset_test
