// Long values: a fetch delivers a prefix with the full length in the
// indicator; dbpp_get_data delivers the rest in pieces from an offset.
#include <cstring>
#include <string>

#include "tests/dblib/dblib_fixture.h"

namespace dblib_test {
namespace {

constexpr int kLongSize = 100000;  // more than three pieces of 32,765 bytes

class LongValueTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    connect();
    exec("CREATE TABLE doc(id INTEGER PRIMARY KEY, body LONG VARCHAR, data LONG BINARY)");
    // body: 20,000 five-digit numbers in a row, so every offset has its own text.
    exec(
        "INSERT INTO doc(id, body, data) SELECT 1, group_concat(printf('%05d', i), ''), "
        "CAST(group_concat(printf('%05d', i), '') AS BLOB) FROM (WITH RECURSIVE n(i) AS "
        "(SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 19999) SELECT i FROM n)");
    exec("INSERT INTO doc(id, body, data) VALUES (2, 'short', NULL)");
    for (int i = 0; i < 20000; ++i) {
      char number[8];
      std::snprintf(number, sizeof number, "%05d", i);
      expected_.append(number);
    }
  }
  // Reads column of the current row of cursor in pieces of the given entry
  // length; pieces receives how many calls it took.
  std::string read_in_pieces(const char* cursor, unsigned short column, int length, int& pieces) {
    FetchArea piece(lib, {{DBT_BINARY, length}});
    std::string value;
    pieces = 0;
    for (int32_t offset = 0;; offset += static_cast<int32_t>(piece.text(0, 0).size())) {
      lib.get_data(&ca, cursor, column, offset, piece.get());
      ++pieces;
      if (ca.sqlcode != 0 && ca.sqlcode != DBE_TRUNCATED) {
        ADD_FAILURE() << "get_data at " << offset << ": " << lib.message(&ca);
        break;
      }
      value.append(piece.text(0, 0));
      if (ca.sqlcode == 0) break;
    }
    return value;
  }
  std::string expected_;
};

TEST_F(LongValueTest, FetchGivesAPrefixAndTheFullLength) {
  open_cursor("c", "SELECT id, body FROM doc ORDER BY id", DBCUR_READ_ONLY | DBCUR_NO_SCROLL);
  FetchArea row(lib, {{DBT_INT, 4}, {DBT_STRING, 101}});
  lib.fetch(&ca, "c", DBFETCH_RELATIVE, 1, row.get(), 1);
  EXPECT_EQ(ca.sqlcode, DBE_TRUNCATED);
  EXPECT_EQ(row.text(0, 1), expected_.substr(0, 100));
  EXPECT_EQ(row.indicator(0, 1), 32767) << "a length past 16 bits reads as the largest";
  EXPECT_TRUE(row.guard_intact(0, 1));
  lib.fetch(&ca, "c", DBFETCH_RELATIVE, 1, row.get(), 1);
  EXPECT_EQ(ca.sqlcode, 0);
  EXPECT_EQ(row.indicator(0, 1), 0) << "a value that fits is complete";
}

TEST_F(LongValueTest, GetDataReadsTheCurrentRowInPiecesFromOffsets) {
  open_cursor("c", "SELECT id, body, data FROM doc ORDER BY id", DBCUR_READ_ONLY | DBCUR_SCROLL);
  FetchArea row(lib, {{DBT_INT, 4}, {DBT_STRING, 11}, {DBT_BINARY, 12}});
  lib.fetch(&ca, "c", DBFETCH_ABSOLUTE, 1, row.get(), 1);
  int pieces = 0;
  EXPECT_EQ(read_in_pieces("c", 2, DBT_MAX_SHORT_LENGTH, pieces), expected_);
  EXPECT_EQ(pieces, 4) << "32,765 bytes a piece";
  EXPECT_EQ(read_in_pieces("c", 3, 1000, pieces), expected_);
  EXPECT_EQ(pieces, 101);
  // Any offset: the piece starts there.
  FetchArea piece(lib, {{DBT_STRING, 11}});
  lib.get_data(&ca, "c", 2, 12345, piece.get());
  EXPECT_EQ(ca.sqlcode, DBE_TRUNCATED);
  EXPECT_EQ(piece.text(0, 0), expected_.substr(12345, 10));
  lib.get_data(&ca, "c", 2, kLongSize - 4, piece.get());
  EXPECT_EQ(ca.sqlcode, 0) << "the last piece";
  EXPECT_EQ(piece.text(0, 0), expected_.substr(kLongSize - 4));
  lib.get_data(&ca, "c", 2, kLongSize, piece.get());
  EXPECT_EQ(ca.sqlcode, 0);
  EXPECT_EQ(piece.text(0, 0), "");
  // A NULL value, and a short one, on the last row.
  lib.fetch(&ca, "c", DBFETCH_ABSOLUTE, -1, row.get(), 1);
  EXPECT_EQ(row.integer(0, 0), 2);
  lib.get_data(&ca, "c", 3, 0, piece.get());
  EXPECT_EQ(ca.sqlcode, 0);
  EXPECT_EQ(piece.indicator(0, 0), -1);
  lib.get_data(&ca, "c", 2, 0, piece.get());
  EXPECT_EQ(piece.text(0, 0), "short");
}

TEST_F(LongValueTest, BadRequestsAnswerAnErrorAndWriteNothing) {
  open_cursor("c", "SELECT id, body FROM doc ORDER BY id", DBCUR_READ_ONLY | DBCUR_NO_SCROLL);
  FetchArea piece(lib, {{DBT_STRING, 11}});
  lib.get_data(&ca, "c", 2, 0, piece.get());
  EXPECT_EQ(ca.sqlcode, DBE_NO_CURRENT_ROW) << "before the first row";
  FetchArea row(lib, {{DBT_INT, 4}, {DBT_STRING, 11}});
  lib.fetch(&ca, "c", DBFETCH_RELATIVE, 1, row.get(), 1);
  lib.get_data(&ca, "c", 2, kLongSize + 1, piece.get());
  EXPECT_EQ(ca.sqlcode, DBE_BAD_ARGUMENT);
  EXPECT_NE(lib.message(&ca).find("beyond the end"), std::string::npos);
  lib.get_data(&ca, "c", 3, 0, piece.get());
  EXPECT_EQ(ca.sqlcode, DBE_COLUMN_NOT_FOUND);
  lib.get_data(&ca, "c", 0, 0, piece.get());
  EXPECT_EQ(ca.sqlcode, DBE_COLUMN_NOT_FOUND);
  lib.get_data(&ca, "c", 2, 0, nullptr);
  EXPECT_EQ(ca.sqlcode, DBE_SQLDA_TOO_SMALL);
  EXPECT_EQ(piece.indicator(0, 0), 99);
  EXPECT_TRUE(piece.guard_intact(0, 0));
}

TEST_F(LongValueTest, AWideFetchLeavesTheLastRowCurrentForGetData) {
  open_cursor("c", "SELECT id, body FROM doc ORDER BY id", DBCUR_READ_ONLY | DBCUR_NO_SCROLL);
  FetchArea block(lib, {{DBT_INT, 4}, {DBT_STRING, 3}}, 2);
  lib.fetch(&ca, "c", DBFETCH_RELATIVE, 1, block.get(), 2);
  EXPECT_EQ(SQLCOUNT(&ca), 2);
  int pieces = 0;
  EXPECT_EQ(read_in_pieces("c", 2, 4, pieces), "short");
  EXPECT_EQ(pieces, 3);
}

}  // namespace
}  // namespace dblib_test
