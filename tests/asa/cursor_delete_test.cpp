// Row numbers after a delete through the cursor: the rows behind the
// deleted one move up by one, in forward-only and scrolling cursors alike,
// also when the next fetch is cancelled and the library has to run the
// query again. No row is skipped or delivered twice.
#include <string>

#include "tests/asa/sql_fixture.h"

namespace asa_test {
namespace {

class CursorDeleteTest : public SqlTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    SqlTest::SetUp();
    Run("CREATE TABLE item(id INTEGER PRIMARY KEY, name VARCHAR(10))");
    Run("INSERT INTO item VALUES (1, 'a'), (2, 'b'), (3, 'c'), (4, 'd'), (5, 'e')");
    // A session whose requests can be cancelled from inside them.
    waiting = NewSession();
    waiting->OnServerWait = [this](host::TObject*) {
      if (cancel) waiting->Stop();
    };
    waiting->SetConnected(true);
    cursor = std::make_unique<TAsaSQL>(nullptr);
    cursor->SetSession(waiting.get());
    cursor->SetUniDirectional(GetParam());
  }
  void TearDown() override {
    cursor.reset();
    waiting.reset();
    SqlTest::TearDown();
  }
  int Current() { return cursor->GetFieldValue("id").AsInteger(); }

  // Every row costs thousands of steps, so the wait callback runs in each fetch.
  static constexpr const char* kSlow =
      "SELECT id, name, (WITH RECURSIVE k(j) AS (SELECT item.id UNION ALL SELECT j + 1 FROM k "
      "WHERE j < item.id + 3000) SELECT count(*) FROM k) AS work FROM item ORDER BY id";
  std::unique_ptr<TAsaSession> waiting;
  std::unique_ptr<TAsaSQL> cursor;
  bool cancel = false;
};

TEST_P(CursorDeleteTest, TheRowAfterADeletedOneTakesItsNumber) {
  ASSERT_TRUE(cursor->OpenWrite(kSlow)) << waiting->LastError();
  ASSERT_TRUE(cursor->Next());
  ASSERT_EQ(Current(), 2);
  ASSERT_TRUE(cursor->Delete()) << waiting->LastError();
  EXPECT_EQ(cursor->RowNo(), 1) << "the position stays on the deleted row";

  cancel = true;
  EXPECT_FALSE(cursor->Next());
  cancel = false;
  EXPECT_EQ(cursor->GetLastErrorCode(), DBE_INTERRUPTED);
  EXPECT_EQ(cursor->RowNo(), 1);

  ASSERT_TRUE(cursor->Next()) << waiting->LastError();
  EXPECT_EQ(Current(), 3) << "not skipped";
  EXPECT_EQ(cursor->RowNo(), 1);
  ASSERT_TRUE(cursor->Next());
  EXPECT_EQ(Current(), 4);
  EXPECT_EQ(cursor->RowNo(), 2);
  ASSERT_TRUE(cursor->Next());
  EXPECT_EQ(Current(), 5);
  EXPECT_FALSE(cursor->Next());
  EXPECT_EQ(cursor->RecordCount(), 4);
  EXPECT_EQ(cursor->RowNo(), 4);

  // Absolute moves count the same way.
  ASSERT_TRUE(cursor->Seek(1));
  EXPECT_EQ(Current(), 3);
  ASSERT_TRUE(cursor->Seek(0));
  EXPECT_EQ(Current(), 1);
}

TEST_P(CursorDeleteTest, StepBackFromADeletedRow) {
  ASSERT_TRUE(cursor->OpenWrite(kSlow));
  ASSERT_TRUE(cursor->Next());
  ASSERT_TRUE(cursor->Next());
  ASSERT_EQ(Current(), 3);
  ASSERT_TRUE(cursor->Delete());
  ASSERT_TRUE(cursor->Prev());
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(cursor->RowNo(), 1);
  ASSERT_TRUE(cursor->Next());
  EXPECT_EQ(Current(), 4) << "the deleted row is gone";
  EXPECT_EQ(cursor->RowNo(), 2);
}

INSTANTIATE_TEST_SUITE_P(ForwardOnlyAndScrolling, CursorDeleteTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& Info) {
                           return Info.param ? "ForwardOnly" : "Scrolling";
                         });

}  // namespace
}  // namespace asa_test
