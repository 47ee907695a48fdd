// Positioned changes through a cursor over one table: update, delete and
// put, their effect on the table and on what the cursor shows, and the
// errors for cursors that cannot change rows.
#include <cstring>
#include <string>

#include "tests/dblib/dblib_fixture.h"

namespace dblib_test {
namespace {

constexpr unsigned short kScrollUpdate = DBCUR_UPDATE | DBCUR_SCROLL;
constexpr unsigned short kForwardUpdate = DBCUR_UPDATE | DBCUR_NO_SCROLL;

class PositionedChangeTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    connect();
    exec(
        "CREATE TABLE item(id INTEGER PRIMARY KEY, name VARCHAR(20) NOT NULL, qty INTEGER, "
        "notes LONG VARCHAR)");
    exec("INSERT INTO item(id, name, qty) VALUES (1, 'one', 10), (2, 'two', 20), (3, 'three', 30)");
  }
  // A change descriptor with count entries, none named.
  sqlda* change(int count) {
    sqlda* d = lib.alloc(static_cast<unsigned>(count));
    d->sqld = static_cast<int16_t>(count);
    return d;
  }
  void name_entry(sqlvar& entry, const char* name, int type, int length, void* data) {
    entry.sqlname.length = static_cast<int16_t>(std::strlen(name));
    std::memcpy(entry.sqlname.data, name, std::strlen(name));
    entry.sqltype = static_cast<int16_t>(type);
    entry.sqllen = static_cast<int16_t>(length);
    entry.sqldata = data;
    if (entry.sqlind != nullptr) *entry.sqlind = 0;
  }
  // The name and quantity the table holds for id, as "name/qty" ("-" for NULL).
  std::string stored(int id) {
    std::string sql =
        "SELECT name || '/' || coalesce(qty, '-') FROM item WHERE id = " + std::to_string(id);
    int16_t number = prepare(sql.c_str());
    FetchArea out(lib, {{DBT_STRING, 40}});
    lib.execute_into(&ca, &number, nullptr, out.get());
    bool found = ca.sqlcode == 0;
    lib.dropstmt(&ca, &number);
    return found ? out.text(0, 0) : "gone";
  }
  int fetch_id(const char* cursor, unsigned short orientation, int32_t offset) {
    FetchArea row(lib, {{DBT_INT, 4}, {DBT_STRING, 21}, {DBT_INT, 4}});
    lib.fetch(&ca, cursor, orientation, offset, row.get(), 1);
    return ca.sqlcode == DBE_NOT_FOUND ? -1 : row.integer(0, 0);
  }
};

TEST_F(PositionedChangeTest, UpdateChangesTheCurrentRowOnly) {
  open_cursor("c", "SELECT id, name, qty AS amount FROM item ORDER BY id", kScrollUpdate);
  exec("CREATE VARIABLE newname VARCHAR(20)");
  exec("SET newname = 'renamed'");
  EXPECT_EQ(fetch_id("c", DBFETCH_ABSOLUTE, 2), 2);
  sqlda* d = change(3);
  int32_t ignored = 999, qty = 42;
  d->sqlvar[0] = {DBT_INT, 4, &ignored, d->sqlvar[0].sqlind, {}};  // no name: ignored
  name_entry(d->sqlvar[1], "amount", DBT_INT, 4, &qty);            // by its name in the cursor
  name_entry(d->sqlvar[2], "name", DBT_VARIABLE, 0, const_cast<char*>("newname"));
  lib.update(&ca, "c", d);
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  EXPECT_EQ(stored(2), "renamed/42");
  EXPECT_EQ(stored(1), "one/10");
  EXPECT_EQ(stored(3), "three/30");
  // The cursor shows the row as stored.
  FetchArea row(lib, {{DBT_INT, 4}, {DBT_STRING, 21}, {DBT_INT, 4}});
  lib.fetch(&ca, "c", DBFETCH_RELATIVE, 0, row.get(), 1);
  EXPECT_EQ(row.text(0, 1), "renamed");
  EXPECT_EQ(row.integer(0, 2), 42);
  // A column that does not exist changes nothing.
  name_entry(d->sqlvar[1], "colour", DBT_INT, 4, &qty);
  qty = 7;
  lib.update(&ca, "c", d);
  EXPECT_EQ(ca.sqlcode, DBE_COLUMN_NOT_FOUND);
  EXPECT_NE(lib.message(&ca).find("colour"), std::string::npos);
  EXPECT_EQ(stored(2), "renamed/42");
  // NOT NULL holds.
  name_entry(d->sqlvar[1], "name", DBT_INT, 4, &qty);
  *d->sqlvar[1].sqlind = -1;
  d->sqld = 2;
  lib.update(&ca, "c", d);
  EXPECT_EQ(ca.sqlcode, DBE_COLUMN_CANNOT_BE_NULL);
  EXPECT_EQ(stored(2), "renamed/42");
  lib.free(d);
}

// A read interrupted after a delete through the cursor runs the query again
// and counts its way back over the rows it holds: the deleted row is no
// longer among them, so the row after it must not be skipped.
TEST_F(PositionedChangeTest, InterruptedReadAfterADeleteSkipsNoRow) {
  exec("INSERT INTO item(id, name, qty) VALUES (4, 'four', 40), (5, 'five', 50)");
  Canceller::armed = false;
  Canceller::cancel_request = lib.sym<db_cancel_request_fn>("db_cancel_request");
  lib.sym<db_register_a_callback_fn>("db_register_a_callback")(&ca, DBCB_WAIT, Canceller::on_wait);
  // Every row costs thousands of steps, so the wait callback runs within each.
  open_cursor("c",
              "SELECT id, name, (WITH RECURSIVE k(j) AS (SELECT item.id UNION ALL SELECT j + 1 "
              "FROM k WHERE j < item.id + 3000) SELECT count(*) FROM k) FROM item ORDER BY id",
              kScrollUpdate);
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, 1), 1);
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, 1), 2);
  lib.delete_row(&ca, "c");
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  Canceller::armed = true;
  fetch_id("c", DBFETCH_RELATIVE, 1);
  EXPECT_EQ(ca.sqlcode, DBE_INTERRUPTED);
  Canceller::armed = false;
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, 1), 3);
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, 1), 4);
  EXPECT_EQ(fetch_id("c", DBFETCH_ABSOLUTE, 1), 1);
  EXPECT_EQ(fetch_id("c", DBFETCH_ABSOLUTE, -1), 5);
  lib.sym<db_register_a_callback_fn>("db_register_a_callback")(&ca, DBCB_WAIT, nullptr);
}

TEST_F(PositionedChangeTest, ForwardOnlyCursorShowsItsChangeToo) {
  open_cursor("c", "SELECT id, name, qty FROM item ORDER BY id", kForwardUpdate);
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, 1), 1);
  sqlda* d = change(1);
  int32_t qty = 11;
  name_entry(d->sqlvar[0], "qty", DBT_INT, 4, &qty);
  lib.update(&ca, "c", d);
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  FetchArea row(lib, {{DBT_INT, 4}, {DBT_STRING, 21}, {DBT_INT, 4}});
  lib.fetch(&ca, "c", DBFETCH_RELATIVE, 0, row.get(), 1);
  EXPECT_EQ(row.integer(0, 2), 11);
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, 1), 2);
  lib.free(d);
}

TEST_F(PositionedChangeTest, DeleteRemovesTheRowAndLeavesNoCurrentRow) {
  open_cursor("c", "SELECT id, name, qty FROM item ORDER BY id", kScrollUpdate);
  EXPECT_EQ(fetch_id("c", DBFETCH_ABSOLUTE, 2), 2);
  lib.delete_row(&ca, "c");
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  EXPECT_EQ(stored(2), "gone");
  EXPECT_EQ(query_int("SELECT count(*) FROM item"), 2);
  lib.delete_row(&ca, "c");
  EXPECT_EQ(ca.sqlcode, DBE_NO_CURRENT_ROW);
  sqlda* d = change(1);
  int32_t qty = 5;
  name_entry(d->sqlvar[0], "qty", DBT_INT, 4, &qty);
  lib.update(&ca, "c", d);
  EXPECT_EQ(ca.sqlcode, DBE_NO_CURRENT_ROW);
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, 1), 3) << "the row after the deleted one";
  EXPECT_EQ(fetch_id("c", DBFETCH_RELATIVE, -1), 1);
  // A row deleted behind the cursor's back is no current row either.
  exec("DELETE FROM item WHERE id = 1");
  lib.update(&ca, "c", d);
  EXPECT_EQ(ca.sqlcode, DBE_NO_CURRENT_ROW);
  EXPECT_EQ(query_int("SELECT count(*) FROM item"), 1);
  lib.free(d);
}

TEST_F(PositionedChangeTest, PutStoresTheRowAndWritesItBack) {
  open_cursor("c", "SELECT id, name, qty, notes, qty * 2 AS twice FROM item ORDER BY id",
              kForwardUpdate);
  sqlda* in = lib.alloc_noind(5);
  in->sqld = 5;
  char name[] = "four";
  int32_t twice = 77;
  name_entry(in->sqlvar[0], "id", DBT_INT, 4, nullptr);  // no data: NULL, so a new rowid
  name_entry(in->sqlvar[1], "name", DBT_STRING, sizeof name, name);
  name_entry(in->sqlvar[2], "qty", DBT_INT, 4, nullptr);
  in->sqlvar[3].sqltype = DBT_STRING;                      // no name: left out
  name_entry(in->sqlvar[4], "twice", DBT_INT, 4, &twice);  // computed: left out
  FetchArea back(lib,
                 {{DBT_INT, 4}, {DBT_STRING, 21}, {DBT_INT, 4}, {DBT_STRING, 21}, {DBT_INT, 4}});
  lib.put_into(&ca, "c", in, back.get());
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  EXPECT_EQ(back.integer(0, 0), 4) << "the stored row, with the key the table gave it";
  EXPECT_EQ(back.text(0, 1), "four");
  EXPECT_EQ(back.indicator(0, 2), -1);
  EXPECT_EQ(back.indicator(0, 4), -1);
  EXPECT_EQ(stored(4), "four/-");
  // A text sent through a long binary variable is stored as text.
  exec("CREATE VARIABLE blobparam1 LONG BINARY");
  exec("SET blobparam1 = 'memo text'");
  name_entry(in->sqlvar[3], "notes", DBT_VARIABLE, 0, const_cast<char*>("blobparam1"));
  in->sqlvar[1].sqldata = const_cast<char*>("five");
  in->sqlvar[1].sqllen = 5;
  int32_t qty = 4;
  in->sqlvar[2].sqldata = &qty;
  lib.put_into(&ca, "c", in, back.get());
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  EXPECT_EQ(back.text(0, 3), "memo text");
  EXPECT_EQ(back.integer(0, 4), 8) << "computed from the stored row";
  EXPECT_EQ(query_int("SELECT count(*) FROM item WHERE typeof(notes) = 'text'"), 1);
  // An update names what it changes: a computed column cannot be one.
  lib.fetch(&ca, "c", DBFETCH_RELATIVE, 1, back.get(), 1);
  EXPECT_EQ(back.integer(0, 0), 1);
  sqlda* d = change(1);
  name_entry(d->sqlvar[0], "twice", DBT_INT, 4, &twice);
  lib.update(&ca, "c", d);
  EXPECT_EQ(ca.sqlcode, DBE_COLUMN_NOT_FOUND);
  lib.free(d);
  lib.free_noind(in);
}

TEST_F(PositionedChangeTest, CursorsThatCannotChangeRowsSaySo) {
  sqlda* d = change(1);
  int32_t qty = 1;
  name_entry(d->sqlvar[0], "qty", DBT_INT, 4, &qty);
  open_cursor("ro", "SELECT id, qty FROM item", DBCUR_READ_ONLY | DBCUR_SCROLL);
  fetch_id("ro", DBFETCH_RELATIVE, 1);
  lib.update(&ca, "ro", d);
  EXPECT_EQ(ca.sqlcode, DBE_CURSOR_READ_ONLY);
  open_cursor("join", "SELECT a.id, b.qty FROM item a, item b WHERE a.id = b.id", kScrollUpdate);
  fetch_id("join", DBFETCH_RELATIVE, 1);
  lib.update(&ca, "join", d);
  EXPECT_EQ(ca.sqlcode, DBE_CURSOR_READ_ONLY);
  lib.delete_row(&ca, "join");
  EXPECT_EQ(ca.sqlcode, DBE_CURSOR_READ_ONLY);
  open_cursor("sum", "SELECT max(qty) AS qty FROM item", kScrollUpdate);
  fetch_id("sum", DBFETCH_RELATIVE, 1);
  lib.update(&ca, "sum", d);
  EXPECT_EQ(ca.sqlcode, DBE_CURSOR_READ_ONLY) << "an aggregate row is no row of the table";
  open_cursor("fresh", "SELECT id, qty FROM item", kScrollUpdate);
  lib.update(&ca, "fresh", d);
  EXPECT_EQ(ca.sqlcode, DBE_NO_CURRENT_ROW) << "before the first row";
  EXPECT_EQ(query_int("SELECT sum(qty) FROM item"), 60);
  lib.free(d);
}

TEST_F(PositionedChangeTest, ACursorOnADroppedTableAnswersErrors) {
  open_cursor("c", "SELECT id, name, qty FROM item ORDER BY id", kScrollUpdate);
  EXPECT_EQ(fetch_id("c", DBFETCH_ABSOLUTE, -1), 3);  // reads to the end
  exec("DROP TABLE item");
  sqlda* d = change(1);
  int32_t qty = 1;
  name_entry(d->sqlvar[0], "qty", DBT_INT, 4, &qty);
  lib.update(&ca, "c", d);
  EXPECT_EQ(ca.sqlcode, DBE_TABLE_NOT_FOUND);
  lib.delete_row(&ca, "c");
  EXPECT_EQ(ca.sqlcode, DBE_TABLE_NOT_FOUND);
  EXPECT_NE(lib.message(&ca).find("item"), std::string::npos);
  lib.free(d);
  exec("CREATE TABLE gone(a INTEGER)");
  exec("INSERT INTO gone VALUES (1), (2)");
  open_cursor("g", "SELECT a FROM gone", DBCUR_READ_ONLY | DBCUR_NO_SCROLL);
  EXPECT_EQ(fetch_id("g", DBFETCH_RELATIVE, 1), 1);
  lib.execute_imm(&ca, "DROP TABLE gone");
  EXPECT_EQ(ca.sqlcode, DBE_LOCKED) << "a table a cursor is reading cannot go";
  EXPECT_EQ(fetch_id("g", DBFETCH_RELATIVE, 1), 2);
}

}  // namespace
}  // namespace dblib_test
