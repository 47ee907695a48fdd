// Describing results into fields: the type table on a real table, long
// columns and BlobSize, the cursor SQLDA of several rows per fetch, and the
// limits of the fixed descriptor arrays.
#include <string>

#include "host/sysutils.h"
#include "tests/asa/sql_fixture.h"

namespace asa_test {
namespace {

using velar::TVelarFieldDesc;
using velar::TVelarFieldTypes;

class StatementDescribeTest : public SqlTest {
 protected:
  // A table of n integer columns c0, c1, ...
  void CreateWideTable(int Columns) {
    std::string sql = "CREATE TABLE wide(";
    for (int i = 0; i < Columns; ++i)
      sql += (i > 0 ? ", c" : "c") + std::to_string(i) + " INTEGER";
    Run((sql + ")").c_str());
    Run("INSERT INTO wide(c0) VALUES (7)");
  }
};

// What each declared type becomes: the field type, the type it is fetched
// as, its room in the row, its declared length and decimals.
TEST_F(StatementDescribeTest, TheTypeTableOnARealTable) {
  Run("CREATE TABLE typed(v VARCHAR(40), c CHAR(5), lv LONG VARCHAR, lb LONG BINARY, "
      "i INTEGER, nn INTEGER NOT NULL, s SMALLINT, t TINYINT, bi BIGINT, d DOUBLE, r REAL, "
      "n4 NUMERIC(10,4), n2 NUMERIC(10,2), dt DATE, tm TIME, ts TIMESTAMP, b BINARY(16), "
      "bt BIT)");
  ASSERT_TRUE(query->Describe("SELECT * FROM typed")) << session->LastError();
  struct Expected {
    const char* Name;
    TVelarFieldTypes Type;
    int ExtType;
    int Size;
    int Length;
  };
  const Expected table[] = {
      {"v", velar::ntString, DBT_STRING, 41, 40},
      {"c", velar::ntString, DBT_STRING, 6, 5},
      {"lv", velar::ntMemo, DBT_STRING, 4, 0},
      {"lb", velar::ntBlob, DBT_BINARY, 4, 0},
      {"i", velar::ntInteger, DBT_INT, 4, 10},
      {"nn", velar::ntInteger, DBT_INT, 4, 10},
      {"s", velar::ntInteger, DBT_INT, 4, 10},
      {"t", velar::ntInteger, DBT_INT, 4, 10},
      {"bi", velar::ntFloat, DBT_DOUBLE, 8, 10},
      {"d", velar::ntFloat, DBT_DOUBLE, 8, 10},
      {"r", velar::ntFloat, DBT_DOUBLE, 8, 10},
      {"n4", velar::ntCurrency, DBT_DOUBLE, 8, 10},
      {"n2", velar::ntFloat, DBT_DOUBLE, 8, 10},
      {"dt", velar::ntDate, DBT_TIMESTAMP_STRUCT, 14, 10},
      {"tm", velar::ntTime, DBT_TIMESTAMP_STRUCT, 14, 8},
      {"ts", velar::ntDateTime, DBT_TIMESTAMP_STRUCT, 14, 19},
      {"b", velar::ntBinary, DBT_BINARY, 18, 16},
      {"bt", velar::ntBoolean, DBT_BIT, 1, 5},
  };
  ASSERT_EQ(query->GetFieldCount(), 18);
  int offset = 0;
  for (int i = 0; i < 18; ++i) {
    const TVelarFieldDesc& field = query->Fields(i);
    const Expected& expected = table[i];
    SCOPED_TRACE(expected.Name);
    EXPECT_STREQ(field.Name, expected.Name);
    EXPECT_EQ(field.FieldType, expected.Type);
    EXPECT_EQ(field.ExtType, expected.ExtType);
    EXPECT_EQ(field.Size, expected.Size);
    EXPECT_EQ(field.Length, expected.Length);
    int at = -1;
    ASSERT_TRUE(query->GetFieldInfo(i, nullptr, &at));
    EXPECT_EQ(at, offset);
    offset += field.Size;
  }
  EXPECT_EQ(query->RecordSize(), offset);
  EXPECT_EQ(query->GetFieldDecimals("n4"), 4);
  EXPECT_EQ(query->GetFieldDecimals("n2"), 2);
  EXPECT_EQ(query->GetFieldDecimals("v"), 0);
  EXPECT_TRUE(query->GetFieldNulls("i"));
  EXPECT_FALSE(query->GetFieldNulls("nn"));
  // The entries fetch the mapped types, nullable where the column is.
  EXPECT_EQ(query->CursorSqlda()->sqlvar[4].sqltype, 497);
  EXPECT_EQ(query->CursorSqlda()->sqlvar[5].sqltype, 496);
  EXPECT_EQ(query->CursorSqlda()->sqlvar[0].sqllen, 41);
  // Every row of the SQLDA repeats row 0, pointing at its own row.
  const sqlda* cursor = query->CursorSqlda();
  ASSERT_EQ(cursor->sqln, 18 * 25);
  EXPECT_EQ(cursor->sqld, cursor->sqln);
  EXPECT_EQ(cursor->sqlvar[18 * 3 + 4].sqltype, 497);
  EXPECT_EQ(std::string(cursor->sqlvar[18 * 3 + 4].sqlname.data, 1), "i");
  EXPECT_EQ(static_cast<const std::uint8_t*>(cursor->sqlvar[18 * 3 + 4].sqldata) -
                static_cast<const std::uint8_t*>(cursor->sqlvar[0].sqldata),
            3 * offset + 41 + 6 + 4 + 4);
  // A long column is a blob kind with its stream.
  EXPECT_EQ(query->BlobManager()->Count(), 2);
  EXPECT_EQ(query->BlobManager()->BlobByName("LV")->GetFieldNo(), 2);
}

// With BlobSize the row carries the first part of a long value.
TEST_F(StatementDescribeTest, BlobSizeGivesLongColumnsRoomInTheRow) {
  Run("CREATE TABLE notes(id INTEGER, body LONG VARCHAR)");
  query->SetBlobSize(1000);
  ASSERT_TRUE(query->Describe("SELECT id, body FROM notes"));
  EXPECT_EQ(query->GetFieldSize("body"), 1004);
  EXPECT_EQ(query->Fields(1).ExtType, DBT_STRING);
  EXPECT_EQ(query->CursorSqlda()->sqlvar[1].sqllen, 1004);
}

// Described after the open, a result with a long column is fetched one row
// at a time and its SQLDA holds one row.
TEST_F(StatementDescribeTest, AResultWithALongColumnDescribedAfterOpenTakesOneRow) {
  Run("CREATE TABLE things(a INTEGER, b VARCHAR(10), c DOUBLE, d LONG BINARY)");
  Run("INSERT INTO things VALUES (1, 'x', 1.5, NULL)");
  Run("CREATE PROCEDURE short_then_long() BEGIN SELECT a, b, c FROM things; "
      "SELECT a, b, c, d FROM things; END");
  Run("CREATE PROCEDURE all_long() BEGIN SELECT a, b, c, d FROM things; END");
  ASSERT_TRUE(query->OpenRead("CALL short_then_long()"));
  EXPECT_EQ(query->CursorSqlda()->sqln, 75);
  ASSERT_TRUE(query->OpenRead("CALL all_long()"));
  EXPECT_EQ(query->CursorSqlda()->sqln, 4);
  EXPECT_EQ(query->FetchRows(), 1);
  EXPECT_EQ(query->GetFieldValue("a").AsInteger(), 1);
}

// The field descriptors are a fixed array of 256: a wider result is refused
// with a message that says so, and nothing stays prepared.
TEST_F(StatementDescribeTest, MoreThan256ColumnsAreRefused) {
  CreateWideTable(257);
  EXPECT_EQ(MessageOf<EAsaException>([&] { query->OpenRead("SELECT * FROM wide"); }),
            "The result has 257 columns; at most 256 are supported.");
  EXPECT_EQ(session->LastError(), "The result has 257 columns; at most 256 are supported.");
  EXPECT_FALSE(query->Prepared());
  EXPECT_EQ(query->GetFieldCount(), 0);
  // The statement is usable afterwards, also for a result of exactly 256.
  ASSERT_TRUE(query->OpenRead("SELECT c0, c1 FROM wide"));
  ASSERT_TRUE(
      query->OpenRead("SELECT c0, c1, c2, c3, c4, c5, c6, c7, c8, c9, c10, c11, c12, c13, "
                      "c14, c15 FROM wide"));
  std::string columns = "c0";
  for (int i = 1; i < 256; ++i)
    columns += ", c" + std::to_string(i);
  ASSERT_TRUE(query->OpenRead("SELECT " + columns + " FROM wide")) << session->LastError();
  EXPECT_EQ(query->GetFieldCount(), 256);
  EXPECT_EQ(query->GetFieldValue("c0").AsInteger(), 7);

  // Described after an open, the same refusal closes the cursor again.
  Run(("CREATE PROCEDURE too_wide() BEGIN SELECT *, 1 AS extra FROM wide; END"));
  EXPECT_EQ(MessageOf<EAsaException>([&] { query->OpenRead("CALL too_wide()"); }),
            "The result has 258 columns; at most 256 are supported.");
  EXPECT_FALSE(query->Opened());
}

// The SQLDA counts its entries in 16 bits: a wide result fetches fewer rows
// at a time rather than overflowing it.
TEST_F(StatementDescribeTest, WideResultsFetchFewerRowsPerBlock) {
  CreateWideTable(200);
  query->SetMaxFetchCount(1000);
  ASSERT_TRUE(query->OpenRead("SELECT * FROM wide")) << session->LastError();
  EXPECT_EQ(query->FetchRows(), 32767 / 200);
  EXPECT_EQ(query->CursorSqlda()->sqln, 200 * (32767 / 200));
  EXPECT_EQ(query->GetFieldValue("c0").AsInteger(), 7);
  query->SetMaxFetchCount(100);
  ASSERT_TRUE(query->OpenRead("SELECT c0, c1 FROM wide"));
  EXPECT_EQ(query->FetchRows(), 100);
}

}  // namespace
}  // namespace asa_test
