// Cursors: names, opening, wide and scrolling fetches, row counts, describe
// after open, truncation and the query plan.
#include <cstring>
#include <string>

#include "tests/dblib/dblib_fixture.h"

namespace dblib_test {
namespace {

constexpr unsigned short kForward = DBCUR_READ_ONLY | DBCUR_NO_SCROLL;
constexpr unsigned short kScroll = DBCUR_READ_ONLY | DBCUR_SCROLL;

class CursorFetchTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    connect();
    exec("CREATE TABLE t(id INTEGER PRIMARY KEY, name VARCHAR(20), amount DOUBLE)");
    exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60) "
        "INSERT INTO t SELECT i, 'row ' || i, i * 1.5 FROM n");
    exec("COMMIT");
  }
  // Fetches one row of columns columns and answers its first (an id), or -1
  // when none came.
  int fetch_id(const char* cursor, unsigned short orientation, int32_t offset, int columns = 1) {
    std::vector<std::pair<int, int>> layout(static_cast<size_t>(columns), {DBT_STRING, 41});
    layout[0] = {DBT_INT, 4};
    FetchArea row(lib, layout);
    lib.fetch(&ca, cursor, orientation, offset, row.get(), 1);
    if (ca.sqlcode == DBE_NOT_FOUND) {
      EXPECT_EQ(row.indicator(0, 0), -1);
      EXPECT_EQ(SQLCOUNT(&ca), 0);
      return -1;
    }
    EXPECT_EQ(ca.sqlcode, 0) << lib.message(&ca);
    EXPECT_EQ(SQLCOUNT(&ca), 1);
    return row.integer(0, 0);
  }
};

TEST_F(CursorFetchTest, WideFetchesFillConsecutiveRowGroupsAcrossBlocks) {
  open_cursor("c", "SELECT id, name, amount FROM t ORDER BY id", kForward);
  FetchArea block(lib, {{DBT_INT, 4}, {DBT_STRING, 21}, {DBT_DOUBLE, 8}}, 25);
  lib.fetch(&ca, "c", DBFETCH_ABSOLUTE, 1, block.get(), 25);
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  EXPECT_EQ(SQLCOUNT(&ca), 25);
  EXPECT_EQ(block.integer(0, 0), 1);
  EXPECT_EQ(block.text(24, 1), "row 25");
  EXPECT_EQ(block.real(24, 2), 37.5);
  EXPECT_EQ(block.indicator(24, 1), 0);
  lib.fetch(&ca, "c", DBFETCH_RELATIVE, 1, block.get(), 25);
  EXPECT_EQ(SQLCOUNT(&ca), 25);
  EXPECT_EQ(block.integer(0, 0), 26) << "the cursor stood on the last row of the block";
  EXPECT_EQ(block.integer(24, 0), 50);
  // The last block is short: its rows come with success, the groups after them empty.
  lib.fetch(&ca, "c", DBFETCH_RELATIVE, 1, block.get(), 25);
  EXPECT_EQ(ca.sqlcode, 0);
  EXPECT_EQ(SQLCOUNT(&ca), 10);
  EXPECT_EQ(block.integer(9, 0), 60);
  EXPECT_EQ(block.indicator(10, 0), -1);
  EXPECT_EQ(block.indicator(24, 2), -1);
  lib.fetch(&ca, "c", DBFETCH_RELATIVE, 1, block.get(), 25);
  EXPECT_EQ(ca.sqlcode, DBE_NOT_FOUND);
  EXPECT_EQ(SQLCOUNT(&ca), 0);
  EXPECT_EQ(block.indicator(0, 0), -1);
  EXPECT_EQ(block.indicator(0, 1), -1);
  for (int row = 0; row < 25; ++row)
    EXPECT_TRUE(block.guard_intact(row, 1)) << row;
}

TEST_F(CursorFetchTest, ScrollingCursorMovesBackwardAndToAbsolutePositions) {
  open_cursor("c", "SELECT id FROM t ORDER BY id", kScroll);
  EXPECT_EQ(fetch_id("c", DBFETCH_ABSOLUTE, 10), 10);
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, -1), 9);
  EXPECT_EQ(fetch_id("c", DBFETCH_ABSOLUTE, -1), 60) << "-1 is the last row";
  EXPECT_EQ(fetch_id("c", DBFETCH_ABSOLUTE, -3), 58);
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, 0), 58);
  EXPECT_EQ(fetch_id("c", DBFETCH_ABSOLUTE, 0), -1) << "0 stands before the first row";
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, 1), 1);
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, -1), -1);
  EXPECT_EQ(fetch_id("c", DBFETCH_ABSOLUTE, 61), -1);
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, -1), 60) << "back from after the last row";
  EXPECT_EQ(fetch_id("c", DBFETCH_ABSOLUTE, -61), -1);
}

TEST_F(CursorFetchTest, ForwardOnlyCursorReachesEveryPositionToo) {
  open_cursor("c", "SELECT id FROM t ORDER BY id", kForward);
  EXPECT_EQ(fetch_id("c", DBFETCH_ABSOLUTE, 30), 30);
  EXPECT_EQ(fetch_id("c", DBFETCH_ABSOLUTE, 5), 5);
  EXPECT_EQ(fetch_id("c", DBFETCH_ABSOLUTE, -1), 60);
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, -2), 58);
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, 1), 59);
}

TEST_F(CursorFetchTest, RowCountAfterOpenIsExactWhenAsked) {
  sqlda* in = lib.alloc(1);
  in->sqld = 1;
  int32_t lo = 21;
  in->sqlvar[0].sqltype = DBT_INT;
  in->sqlvar[0].sqldata = &lo;
  *in->sqlvar[0].sqlind = 0;
  open_cursor("plain", "SELECT id FROM t WHERE id >= ?", kForward, in);
  EXPECT_EQ(SQLCOUNT(&ca), 0) << "no count unless row_counts is on";
  exec("SET TEMPORARY OPTION row_counts = 'ON'");
  open_cursor("counted", "SELECT id FROM t WHERE id >= ? -- from lo\n; -- done", kForward, in);
  EXPECT_EQ(SQLCOUNT(&ca), 40);
  lo = 100;  // the count belongs to the values given at open
  EXPECT_EQ(fetch_id("counted", DBFETCH_RELATIVE, 1), 21);
  lib.free(in);
}

TEST_F(CursorFetchTest, CutValuesTellTheirFullLength) {
  open_cursor("c", "SELECT name, id FROM t WHERE id >= 10 ORDER BY id", kForward);
  FetchArea block(lib, {{DBT_STRING, 4}, {DBT_INT, 4}}, 2);
  lib.fetch(&ca, "c", DBFETCH_RELATIVE, 1, block.get(), 2);
  EXPECT_EQ(ca.sqlcode, DBE_TRUNCATED);
  EXPECT_EQ(SQLCOUNT(&ca), 2) << "cut values are still delivered";
  EXPECT_EQ(block.text(0, 0), "row");
  EXPECT_EQ(block.indicator(0, 0), 6) << "the full length of 'row 10'";
  EXPECT_EQ(block.integer(1, 1), 11);
  EXPECT_TRUE(block.guard_intact(0, 0));
  EXPECT_TRUE(block.guard_intact(1, 0));
}

// Timestamp records carry the derived fields too: the day of the year over
// leap years and the centuries' exceptions, and the weekday. Blanks around
// the stored text do not count.
TEST_F(CursorFetchTest, TimestampRecordsDeriveTheirDayOfYearAndWeek) {
  open_cursor("c",
              "SELECT '0001-01-01 00:00:00' UNION ALL SELECT '1900-03-01 08:00:00' "
              "UNION ALL SELECT '2000-12-31 23:59:59' UNION ALL SELECT '2023-12-31 12:00:00' "
              "UNION ALL SELECT char(9) || ' 2024-02-29 06:30:00 ' || char(10)",
              kForward);
  FetchArea block(lib, {{DBT_TIMESTAMP_STRUCT, 14}}, 5);
  lib.fetch(&ca, "c", DBFETCH_RELATIVE, 1, block.get(), 5);
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  ASSERT_EQ(SQLCOUNT(&ca), 5);
  struct Expected {
    int year, month, day, day_of_year, day_of_week;
  };
  const Expected expected[] = {{1, 0, 1, 0, 1},         // a Monday
                               {1900, 2, 1, 59, 4},     // 1900 was no leap year; a Thursday
                               {2000, 11, 31, 365, 0},  // 2000 was one; a Sunday
                               {2023, 11, 31, 364, 0},
                               {2024, 1, 29, 59, 4}};
  for (int row = 0; row < 5; ++row) {
    dbt_timestamp record;
    std::memcpy(&record, block.entry(row, 0).sqldata, sizeof record);
    const Expected& e = expected[row];
    EXPECT_EQ(record.year, e.year) << "row " << row;
    EXPECT_EQ(record.month, e.month) << "row " << row;
    EXPECT_EQ(record.day, e.day) << "row " << row;
    EXPECT_EQ(record.day_of_year, e.day_of_year) << "row " << row;
    EXPECT_EQ(record.day_of_week, e.day_of_week) << "row " << row;
  }
  dbt_timestamp last;
  std::memcpy(&last, block.entry(4, 0).sqldata, sizeof last);
  EXPECT_EQ(last.hour, 6);
  EXPECT_EQ(last.minute, 30);
}

TEST_F(CursorFetchTest, CursorNamesAreUniquePerConnection) {
  open_cursor("c", "SELECT id FROM t ORDER BY id", kForward);
  int16_t other = prepare("SELECT name FROM t");
  lib.declare(&ca, "C", &other, kForward);
  EXPECT_EQ(ca.sqlcode, DBE_CURSOR_ALREADY_OPEN) << "names compare without case";
  lib.open(&ca, "c", &other, nullptr, kForward);
  EXPECT_EQ(ca.sqlcode, DBE_CURSOR_ALREADY_OPEN);
  FetchArea row(lib, {{DBT_INT, 4}});
  lib.fetch(&ca, "nowhere", DBFETCH_RELATIVE, 1, row.get(), 1);
  EXPECT_EQ(ca.sqlcode, DBE_CURSOR_NOT_DECLARED);
  EXPECT_NE(lib.message(&ca).find("nowhere"), std::string::npos);
  EXPECT_EQ(fetch_id("c", DBFETCH_ABSOLUTE, 3), 3);
  lib.close(&ca, "c");
  EXPECT_EQ(ca.sqlcode, 0);
  lib.fetch(&ca, "c", DBFETCH_RELATIVE, 1, row.get(), 1);
  EXPECT_EQ(ca.sqlcode, DBE_CURSOR_NOT_OPEN);
  lib.close(&ca, "c");
  EXPECT_EQ(ca.sqlcode, DBE_CURSOR_NOT_OPEN);
  // A closed cursor opens again from the start; another connection has its own names.
  int16_t number = prepare("SELECT id FROM t ORDER BY id");
  lib.declare(&ca, "c", &number, kForward);
  lib.open(&ca, "c", &number, nullptr, kForward);
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, 1), 1);
  sqlca second{};
  ASSERT_EQ(lib.init(&second), 1u);
  ASSERT_EQ(lib.connect(&second, connect_string()), 1u) << lib.message(&second);
  int16_t there = 0;
  lib.prepare(&second, &there, "SELECT id FROM t ORDER BY id DESC");
  lib.declare(&second, "c", &there, kForward);
  lib.open(&second, "c", &there, nullptr, kForward);
  EXPECT_EQ(second.sqlcode, 0) << lib.message(&second);
  lib.fini(&second);
  // Dropping the statement forgets its cursors.
  lib.dropstmt(&ca, &number);
  lib.fetch(&ca, "c", DBFETCH_RELATIVE, 1, row.get(), 1);
  EXPECT_EQ(ca.sqlcode, DBE_CURSOR_NOT_DECLARED);
}

TEST_F(CursorFetchTest, DescriptorsTooSmallAreRefusedBeforeAnyWrite) {
  open_cursor("c", "SELECT id, name FROM t ORDER BY id", kScroll);
  FetchArea block(lib, {{DBT_INT, 4}, {DBT_STRING, 21}}, 3);
  block.get()->sqld = 5;  // one entry short of three rows of two columns
  lib.fetch(&ca, "c", DBFETCH_RELATIVE, 1, block.get(), 3);
  EXPECT_EQ(ca.sqlcode, DBE_SQLDA_TOO_SMALL);
  EXPECT_EQ(block.indicator(0, 0), 99) << "nothing was written";
  block.get()->sqld = 7;  // more in use than allocated
  lib.fetch(&ca, "c", DBFETCH_RELATIVE, 1, block.get(), 3);
  EXPECT_EQ(ca.sqlcode, DBE_BAD_ARGUMENT);
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, 1, 2), 1) << "refused fetches did not move";
  exec("UPDATE t SET name = NULL WHERE id = 2");
  sqlda* bare = lib.alloc_noind(2);
  bare->sqld = 2;
  int32_t id = 0;
  char name[21];
  bare->sqlvar[0] = {DBT_INT, 4, &id, nullptr, {}};
  bare->sqlvar[1] = {DBT_STRING, 21, name, nullptr, {}};
  int16_t number = prepare("SELECT id, name FROM t WHERE id = 2");
  lib.declare(&ca, "n", &number, kForward);
  lib.open(&ca, "n", &number, nullptr, kForward);
  lib.fetch(&ca, "n", DBFETCH_RELATIVE, 1, bare, 1);
  EXPECT_EQ(ca.sqlcode, DBE_NO_INDICATOR);
  lib.free_noind(bare);
}

TEST_F(CursorFetchTest, DescribeAfterOpenTypesExpressionsFromTheRows) {
  const char* sql = "SELECT id, amount * 2 AS twice, 'n' || name AS label FROM t ORDER BY id";
  int16_t number = prepare(sql);
  sqlda* probe = lib.alloc(0);
  lib.describe(&ca, &number, probe, DBDESC_FIXED_SHAPE);
  EXPECT_EQ(SQLCOUNT(&ca), 0) << "expressions: described after open";
  lib.free(probe);
  lib.declare(&ca, "c", &number, kForward);
  lib.open(&ca, "c", &number, nullptr, kForward);
  sqlda* count = lib.alloc(0);
  lib.describe_cursor(&ca, "c", count);
  EXPECT_EQ(count->sqld, 3);
  lib.free(count);
  sqlda* d = lib.alloc(3);
  lib.describe_cursor(&ca, "c", d);
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  EXPECT_EQ(d->sqlvar[0].sqltype, DBT_INT);
  EXPECT_EQ(d->sqlvar[1].sqltype & DBT_TYPE_MASK, DBT_DOUBLE);
  EXPECT_EQ(d->sqlvar[2].sqltype & DBT_TYPE_MASK, DBT_VARCHAR);
  EXPECT_EQ(std::string(d->sqlvar[1].sqlname.data, d->sqlvar[1].sqlname.length), "twice");
  lib.free(d);
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, 1, 3), 1) << "describing read no row away";
}

TEST_F(CursorFetchTest, AnInterruptedFetchGoesOnWhereItStopped) {
  Canceller::armed = false;
  Canceller::cancel_request = lib.sym<db_cancel_request_fn>("db_cancel_request");
  lib.sym<db_register_a_callback_fn>("db_register_a_callback")(&ca, DBCB_WAIT, Canceller::on_wait);
  // Every row costs thousands of steps, so the wait callback runs within each.
  const char* slow =
      "SELECT id, (WITH RECURSIVE k(j) AS (SELECT t.id UNION ALL SELECT j + 1 FROM k WHERE j < "
      "t.id + 3000) SELECT count(*) FROM k) FROM t ORDER BY id";
  for (unsigned short options : {kForward, kScroll}) {
    const char* name = options == kForward ? "forward" : "scroll";
    open_cursor(name, slow, options);
    EXPECT_EQ(fetch_id(name, DBFETCH_RELATIVE, 1, 2), 1);
    EXPECT_EQ(fetch_id(name, DBFETCH_RELATIVE, 1, 2), 2);
    Canceller::armed = true;
    FetchArea row(lib, {{DBT_INT, 4}, {DBT_INT, 4}});
    lib.fetch(&ca, name, DBFETCH_RELATIVE, 1, row.get(), 1);
    EXPECT_EQ(ca.sqlcode, DBE_INTERRUPTED) << name;
    Canceller::armed = false;
    EXPECT_EQ(fetch_id(name, DBFETCH_RELATIVE, 1, 2), 3) << name;
    EXPECT_EQ(fetch_id(name, DBFETCH_RELATIVE, 1, 2), 4) << name;
  }
  lib.sym<db_register_a_callback_fn>("db_register_a_callback")(&ca, DBCB_WAIT, nullptr);
}

TEST_F(CursorFetchTest, ExplainGivesThePlanCutToItsEntry) {
  open_cursor("c", "SELECT name FROM t WHERE id = 7", kForward);
  FetchArea plan(lib, {{DBT_STRING, 300}});
  lib.explain(&ca, "c", plan.get());
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  EXPECT_NE(plan.text(0, 0).find("SEARCH t"), std::string::npos) << plan.text(0, 0);
  FetchArea small(lib, {{DBT_STRING, 8}});
  lib.explain(&ca, "c", small.get());
  EXPECT_EQ(ca.sqlcode, 0) << "a long plan is cut without a warning";
  EXPECT_EQ(small.text(0, 0).size(), 7u);
  EXPECT_TRUE(small.guard_intact(0, 0));
  lib.explain(&ca, "closed", small.get());
  EXPECT_EQ(ca.sqlcode, DBE_CURSOR_NOT_DECLARED);
}

}  // namespace
}  // namespace dblib_test
