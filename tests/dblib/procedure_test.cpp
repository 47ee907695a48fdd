// Stored procedures: IN, OUT and INOUT parameters through execute, the
// describe marks a caller binds by, several result sets read through resume,
// and procedures shared by every connection to the database.
#include <string>

#include "tests/dblib/dblib_fixture.h"

namespace dblib_test {
namespace {

class ProcedureTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    connect();
    exec("CREATE TABLE item(id INTEGER PRIMARY KEY, name VARCHAR(20), qty INTEGER)");
    exec("INSERT INTO item VALUES (1, 'one', 10), (2, 'two', 20), (3, 'three', 30)");
    exec(
        "CREATE PROCEDURE stats(IN lo INTEGER, OUT n INTEGER, INOUT tag VARCHAR(20)) "
        "BEGIN "
        "  SET n = (SELECT count(*) FROM item WHERE id >= lo); "
        "  SET tag = tag || '!'; "
        "END");
    exec(
        "CREATE PROCEDURE two_sets(IN lo INTEGER) "
        "BEGIN "
        "  SELECT id, name FROM item WHERE id >= lo ORDER BY id; "
        "  UPDATE item SET qty = CASE WHEN id = lo THEN 99 ELSE qty END; "
        "  SELECT count(*) AS n, max(qty) AS top FROM item; "
        "END");
  }
  void set_int(sqlvar& entry, int32_t* value) {
    entry.sqltype = DBT_INT;
    entry.sqllen = 4;
    entry.sqldata = value;
    *entry.sqlind = 0;
  }
};

TEST_F(ProcedureTest, OutAndInOutParametersComeBackFromExecute) {
  int16_t call = prepare("CALL stats(?, ?, ?)");
  sqlda* in = lib.alloc(3);
  lib.describe(&ca, &call, in, DBDESC_INPUT);
  ASSERT_EQ(in->sqld, 3);
  EXPECT_EQ(static_cast<uint16_t>(*in->sqlvar[0].sqlind), 0u);
  EXPECT_EQ(static_cast<uint16_t>(*in->sqlvar[1].sqlind), DBIND_PARAM_OUT);
  EXPECT_EQ(static_cast<uint16_t>(*in->sqlvar[2].sqlind), DBIND_PARAM_OUT | DBIND_PARAM_IN);
  EXPECT_EQ(std::string(in->sqlvar[1].sqlname.data, in->sqlvar[1].sqlname.length), "n");
  sqlda* out = lib.alloc(2);
  lib.describe(&ca, &call, out, DBDESC_OUTPUT);
  ASSERT_EQ(out->sqld, 2) << "the OUT and INOUT parameters";
  EXPECT_EQ(out->sqlvar[0].sqltype & DBT_TYPE_MASK, DBT_INT);
  EXPECT_EQ(out->sqlvar[1].sqltype & DBT_TYPE_MASK, DBT_VARCHAR);
  int32_t lo = 2, n = 0;
  char tag[21] = "hi";
  set_int(in->sqlvar[0], &lo);
  *in->sqlvar[1].sqlind = -1;  // OUT: nothing goes in
  in->sqlvar[2].sqltype = DBT_STRING;
  in->sqlvar[2].sqllen = sizeof tag;
  in->sqlvar[2].sqldata = tag;
  *in->sqlvar[2].sqlind = 0;
  char tag_out[21] = "";
  set_int(out->sqlvar[0], &n);
  out->sqlvar[1].sqltype = DBT_STRING;
  out->sqlvar[1].sqllen = sizeof tag_out;
  out->sqlvar[1].sqldata = tag_out;
  lib.execute_into(&ca, &call, in, out);
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  EXPECT_EQ(n, 2);
  EXPECT_STREQ(tag_out, "hi!");
  // A describe with option 9 says the shape of a call's results varies.
  sqlda* probe = lib.alloc(0);
  lib.describe(&ca, &call, probe, DBDESC_FIXED_SHAPE);
  EXPECT_EQ(SQLCOUNT(&ca), 0);
  lib.free(probe);
  // Too small an output SQLDA is an error, not a write past its end.
  out->sqld = 1;
  lib.execute_into(&ca, &call, in, out);
  EXPECT_EQ(ca.sqlcode, DBE_SQLDA_TOO_SMALL);
  lib.free(in);
  lib.free(out);
}

TEST_F(ProcedureTest, ResultSetsComeOneAtATimeThroughResume) {
  exec("SET TEMPORARY OPTION row_counts = 'ON'");
  sqlda* in = lib.alloc(1);
  in->sqld = 1;
  int32_t lo = 2;
  set_int(in->sqlvar[0], &lo);
  open_cursor("p", "CALL two_sets(?)", DBCUR_READ_ONLY | DBCUR_NO_SCROLL, in);
  EXPECT_EQ(SQLCOUNT(&ca), 2) << "rows of the first result set";
  sqlda* d = lib.alloc(2);
  lib.describe_cursor(&ca, "p", d);
  ASSERT_EQ(d->sqld, 2);
  EXPECT_EQ(d->sqlvar[1].sqltype & DBT_TYPE_MASK, DBT_VARCHAR);
  FetchArea first(lib, {{DBT_INT, 4}, {DBT_STRING, 21}}, 5);
  lib.fetch(&ca, "p", DBFETCH_RELATIVE, 1, first.get(), 5);
  EXPECT_EQ(SQLCOUNT(&ca), 2);
  EXPECT_EQ(first.text(0, 1), "two");
  EXPECT_EQ(first.text(1, 1), "three");
  EXPECT_EQ(query_int("SELECT qty FROM item WHERE id = 2"), 20) << "the body waits at its set";
  lib.resume(&ca, "p");
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  EXPECT_EQ(SQLCOUNT(&ca), 1);
  lib.describe_cursor(&ca, "p", d);
  EXPECT_EQ(std::string(d->sqlvar[1].sqlname.data, d->sqlvar[1].sqlname.length), "top");
  FetchArea second(lib, {{DBT_INT, 4}, {DBT_INT, 4}});
  lib.fetch(&ca, "p", DBFETCH_RELATIVE, 1, second.get(), 1);
  EXPECT_EQ(second.integer(0, 0), 3);
  EXPECT_EQ(second.integer(0, 1), 99) << "the update between the sets ran";
  lib.resume(&ca, "p");
  EXPECT_EQ(ca.sqlcode, DBE_NOT_FOUND) << "no third result set";
  lib.fetch(&ca, "p", DBFETCH_RELATIVE, 1, second.get(), 1);
  EXPECT_EQ(ca.sqlcode, DBE_NOT_FOUND);
  lib.free(d);
  lib.free(in);
}

TEST_F(ProcedureTest, ProceduresBelongToTheDatabase) {
  lib.commit(&ca);
  sqlca second{};
  ASSERT_EQ(lib.init(&second), 1u);
  ASSERT_EQ(lib.connect(&second, connect_string()), 1u) << lib.message(&second);
  EXPECT_EQ(query_int("SELECT count(*) FROM item", &second), 3);
  int16_t call = 0;
  lib.prepare(&second, &call, "CALL two_sets(1)");
  EXPECT_EQ(second.sqlcode, 0) << lib.message(&second);
  lib.execute_imm(&second, "DROP PROCEDURE two_sets");
  EXPECT_EQ(second.sqlcode, 0) << lib.message(&second);
  lib.commit(&second);
  lib.fini(&second);
  int16_t number = 0;
  lib.prepare(&ca, &number, "CALL two_sets(1)");
  EXPECT_EQ(ca.sqlcode, DBE_PROCEDURE_NOT_FOUND);
  EXPECT_NE(lib.message(&ca).find("two_sets"), std::string::npos);
}

TEST_F(ProcedureTest, BadDefinitionsAndCallsAreRefused) {
  lib.execute_imm(&ca, "CREATE PROCEDURE stats() BEGIN SELECT 1; END");
  EXPECT_EQ(ca.sqlcode, DBE_ITEM_EXISTS);
  lib.execute_imm(&ca, "CREATE PROCEDURE broken(IN a INTEGER) SELECT 1");
  EXPECT_EQ(ca.sqlcode, DBE_SYNTAX_ERROR);
  lib.execute_imm(&ca, "CREATE PROCEDURE open_ended() BEGIN SELECT 1;");
  EXPECT_EQ(ca.sqlcode, DBE_SYNTAX_ERROR);
  int16_t number = 0;
  lib.prepare(&ca, &number, "CALL stats(1, 2, 3, 4)");
  EXPECT_EQ(ca.sqlcode, DBE_WRONG_PARAMETER_COUNT);
  lib.prepare(&ca, &number, "CALL nothing_here()");
  EXPECT_EQ(ca.sqlcode, DBE_PROCEDURE_NOT_FOUND);
  lib.execute_imm(&ca, "DROP PROCEDURE nothing_here");
  EXPECT_EQ(ca.sqlcode, DBE_PROCEDURE_NOT_FOUND);
  // A failing body statement fails the call with its own error.
  exec("CREATE PROCEDURE bad_body() BEGIN SELECT * FROM missing_table; END");
  lib.execute_imm(&ca, "CALL bad_body()");
  EXPECT_EQ(ca.sqlcode, DBE_TABLE_NOT_FOUND);
}

}  // namespace
}  // namespace dblib_test
