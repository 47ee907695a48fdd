// Moving through a cursor: block fetches only at block edges, the position
// bookkeeping (RowNo, RecordCount, BOF, EOF, null indicators) on every
// move, stepping back across a block's start, absolute moves and the end.
#include <string>

#include "tests/asa/sql_fixture.h"

namespace asa_test {
namespace {

class CursorNavigationTest : public SqlTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    SqlTest::SetUp();
    Run("CREATE TABLE n(i INTEGER, label VARCHAR(10))");
    std::string values = "INSERT INTO n VALUES (0, 'r0')";
    for (int i = 1; i < 60; ++i)
      values += ", (" + std::to_string(i) + ", 'r" + std::to_string(i) + "')";
    Run(values.c_str());
    Run("CREATE TABLE empty(i INTEGER, label VARCHAR(10))");
    query->SetUniDirectional(GetParam());
  }
  // The row the cursor stands on, by its value.
  int Current() { return query->GetFieldValue("i").AsInteger(); }
  bool AllNull() {
    for (int i = 0; i < query->GetFieldCount(); ++i)
      if (!query->IsFieldNull(i)) return false;
    return true;
  }
  static constexpr const char* kAll = "SELECT i, label FROM n ORDER BY i";
};

TEST_P(CursorNavigationTest, AnEmptyResult) {
  // The open succeeds but finds no first row to stand on: false, open.
  EXPECT_FALSE(query->OpenRead("SELECT i, label FROM empty"));
  EXPECT_TRUE(query->Opened());
  EXPECT_EQ(query->GetLastErrorCode(), DBE_NOT_FOUND);
  EXPECT_TRUE(query->Bof());
  EXPECT_TRUE(query->Eof());
  EXPECT_EQ(query->RowNo(), 0) << "the open's Next stands one past the (no) last row";
  EXPECT_FALSE(query->First());
  EXPECT_TRUE(query->Bof());
  EXPECT_TRUE(query->Eof());
  EXPECT_EQ(query->RowNo(), -1);
  EXPECT_EQ(query->BufferRows(), 0);
  EXPECT_TRUE(AllNull());
  EXPECT_FALSE(query->Next());
}

// 60 rows, 25 per block: the library is called at the block edges only,
// the row number counts through, and the end fixes the count.
TEST_P(CursorNavigationTest, SixtyRowsInBlocksOf25) {
  ASSERT_TRUE(query->OpenRead(kAll));
  EXPECT_EQ(query->BufferRows(), 25);
  standIn.StartTrace();
  for (int row = 1; row < 25; ++row) {
    ASSERT_TRUE(query->Next());
    EXPECT_EQ(query->BufferIndex(), row);
    EXPECT_EQ(query->RowNo(), row);
    EXPECT_EQ(Current(), row);
  }
  EXPECT_EQ(Calls("dbpp_fetch_array"), 0) << "served from the block";
  ASSERT_TRUE(query->Next());
  EXPECT_EQ(Calls("dbpp_fetch_array"), 1);
  EXPECT_EQ(query->BufferIndex(), 0);
  EXPECT_EQ(query->RowNo(), 25);
  EXPECT_EQ(Current(), 25);
  EXPECT_EQ(query->GetFieldValue("label").AsString(), "r25");
  for (int row = 26; row < 60; ++row) {
    ASSERT_TRUE(query->Next());
    EXPECT_EQ(Current(), row);
    EXPECT_EQ(query->RowNo(), row);
  }
  EXPECT_EQ(Calls("dbpp_fetch_array"), 2) << "rows 50 to 59 came as a short block";
  EXPECT_EQ(query->BufferRows(), 10);
  EXPECT_FALSE(query->Eof());

  EXPECT_FALSE(query->Next());
  EXPECT_TRUE(query->Eof());
  EXPECT_FALSE(query->Bof());
  EXPECT_EQ(query->RecordCount(), 60);
  EXPECT_EQ(query->RowNo(), 60);
  EXPECT_TRUE(AllNull());
  EXPECT_FALSE(query->Next());
  EXPECT_EQ(query->RowNo(), 60);
}

// The row as fetched (GetOldValue) follows every move, within a block and
// across its edge, and outlives a fetch that failed after the block was
// cleared for it: the current row is still the one before.
TEST_P(CursorNavigationTest, TheRowAsFetchedFollowsEveryMove) {
  ASSERT_TRUE(query->OpenRead(kAll));
  for (int row = 1; row < 25; ++row) {
    ASSERT_TRUE(query->Next());
    EXPECT_EQ(query->GetOldValue("i").AsInteger(), row);
    EXPECT_EQ(query->GetOldValue("label").AsString(), "r" + std::to_string(row));
  }
  query->SetWantExceptions(true);
  standIn.Inject("dbpp_fetch_array", DBE_ERROR, "fetch refused");
  EXPECT_ANY_THROW(query->Next());
  EXPECT_EQ(Current(), 24);
  EXPECT_EQ(query->GetOldValue("i").AsInteger(), 24) << "not the cleared block's zeros";
  EXPECT_EQ(query->GetOldValue("label").AsString(), "r24");
  EXPECT_FALSE(query->IsFieldDirty("label"));
  ASSERT_TRUE(query->Next());
  EXPECT_EQ(query->GetOldValue("i").AsInteger(), 25);
  ASSERT_TRUE(query->First());
  EXPECT_EQ(query->GetOldValue("label").AsString(), "r0");
}

// After a wide fetch the library's cursor stands on the block's last row:
// stepping back from the block's first row must land on the row before it.
TEST_P(CursorNavigationTest, StepBackAcrossTheStartOfABlock) {
  ASSERT_TRUE(query->OpenRead(kAll));
  for (int row = 1; row <= 25; ++row)
    ASSERT_TRUE(query->Next());
  ASSERT_EQ(query->BufferIndex(), 0);
  ASSERT_EQ(Current(), 25);
  ASSERT_TRUE(query->Prev());
  EXPECT_EQ(Current(), 24);
  EXPECT_EQ(query->RowNo(), 24);
  ASSERT_TRUE(query->Prev());
  EXPECT_EQ(Current(), 23);
  EXPECT_EQ(query->RowNo(), 23);
  ASSERT_TRUE(query->Next());
  EXPECT_EQ(Current(), 24);
  ASSERT_TRUE(query->Next());
  EXPECT_EQ(Current(), 25);

  // Back from past the end: the last row.
  while (query->Next()) {
  }
  ASSERT_TRUE(query->Prev());
  EXPECT_EQ(Current(), 59);
  EXPECT_EQ(query->RowNo(), 59);
  EXPECT_FALSE(query->Eof());
}

TEST_P(CursorNavigationTest, StepBackFromTheFirstRow) {
  ASSERT_TRUE(query->OpenRead(kAll));
  EXPECT_FALSE(query->Prev());
  EXPECT_TRUE(query->Bof());
  EXPECT_FALSE(query->Eof()) << "unchanged";
  EXPECT_EQ(query->RowNo(), -1);
  EXPECT_TRUE(AllNull());
  ASSERT_TRUE(query->Next());
  EXPECT_EQ(Current(), 0);
  EXPECT_EQ(query->RowNo(), 0);
}

TEST_P(CursorNavigationTest, AbsoluteMoves) {
  session->SetWantRowCounts(true);
  ASSERT_TRUE(query->OpenRead(kAll));
  EXPECT_EQ(query->RecordCount(), 60) << "counted by the open";
  ASSERT_TRUE(query->Seek(9));
  EXPECT_EQ(Current(), 9);
  EXPECT_EQ(query->RowNo(), 9);
  ASSERT_TRUE(query->Next());
  EXPECT_EQ(Current(), 10);
  EXPECT_FALSE(query->Seek(-5)) << "asks for the position before the first row";
  EXPECT_TRUE(query->Bof());
  EXPECT_EQ(query->RowNo(), 10) << "unchanged";
  EXPECT_FALSE(query->Seek(500));
  EXPECT_TRUE(query->Eof());
  ASSERT_TRUE(query->Last());
  EXPECT_EQ(Current(), 59);
  EXPECT_EQ(query->RowNo(), 59);
  ASSERT_TRUE(query->First());
  EXPECT_EQ(Current(), 0);
  EXPECT_EQ(query->RowNo(), 0);
  EXPECT_EQ(query->BufferRows(), 25);
}

// Navigation needs an open cursor.
TEST_P(CursorNavigationTest, AClosedCursorDoesNotMove) {
  ASSERT_TRUE(query->OpenRead(kAll));
  query->Close();
  for (auto move : {&TAsaSQL::First, &TAsaSQL::Last, &TAsaSQL::Next, &TAsaSQL::Prev}) {
    EXPECT_EQ(MessageOf<EAsaException>([&] { (query.get()->*move)(); }),
              "The cursor is not opened.");
  }
  EXPECT_EQ(MessageOf<EAsaException>([&] { query->Seek(3); }), "The cursor is not opened.");
}

INSTANTIATE_TEST_SUITE_P(ForwardOnlyAndScrolling, CursorNavigationTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& Info) {
                           return Info.param ? "ForwardOnly" : "Scrolling";
                         });

}  // namespace
}  // namespace asa_test
