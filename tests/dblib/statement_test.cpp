// Prepare, describe and execute: host types in and out, SQLCOUNT, errors.
#include <cstring>

#include "tests/dblib/dblib_fixture.h"

namespace dblib_test {
namespace {

class StatementTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    connect();
    exec(
        "CREATE TABLE item(id INTEGER PRIMARY KEY, name VARCHAR(20) NOT NULL, price "
        "NUMERIC(10,4), qty SMALLINT, weight DOUBLE, made TIMESTAMP, code BINARY(8), "
        "active BIT, notes LONG VARCHAR, picture LONG BINARY, day DATE)");
  }
};

struct Binary {
  uint16_t length;
  char bytes[8];
};

TEST_F(StatementTest, DescribesColumnTypesLengthsAndNullability) {
  int16_t number = prepare("SELECT * FROM item");
  sqlda* probe = lib.alloc(0);
  lib.describe(&ca, &number, probe, DBDESC_OUTPUT);
  EXPECT_EQ(probe->sqld, 11) << "a zero-entry SQLDA learns the count";
  lib.free(probe);
  sqlda* d = lib.alloc(11);
  lib.describe(&ca, &number, d, DBDESC_OUTPUT);
  ASSERT_EQ(ca.sqlcode, 0);
  struct Expected {
    int type;
    int length;
    const char* name;
  } expected[] = {{DBT_INT, 4, "id"},
                  {DBT_VARCHAR, 20, "name"},
                  {DBT_DECIMAL | DBT_NULLABLE, 10 | 4 << 8, "price"},
                  {DBT_SMALLINT | 1, 2, "qty"},
                  {DBT_DOUBLE | 1, 8, "weight"},
                  {DBT_TIMESTAMP | 1, 26, "made"},
                  {DBT_BINARY | 1, 8, "code"},
                  {DBT_BIT | 1, 1, "active"},
                  {DBT_LONGVARCHAR | 1, 32767, "notes"},
                  {DBT_LONGBINARY | 1, 32767, "picture"},
                  {DBT_DATE | 1, 10, "day"}};
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(d->sqlvar[i].sqltype, expected[i].type) << i;
    EXPECT_EQ(d->sqlvar[i].sqllen, expected[i].length) << i;
    EXPECT_EQ(std::string(d->sqlvar[i].sqlname.data, d->sqlvar[i].sqlname.length),
              expected[i].name);
  }
  lib.describe(&ca, &number, d, DBDESC_FIXED_SHAPE);
  EXPECT_EQ(SQLCOUNT(&ca), 1);
  lib.free(d);
  // An expression is typed from its value, and its shape is not fixed.
  int16_t expr = prepare("SELECT count(*) AS n, 'abc' || 'd' FROM item");
  sqlda* e = lib.alloc(2);
  lib.describe(&ca, &expr, e, DBDESC_FIXED_SHAPE);
  EXPECT_EQ(SQLCOUNT(&ca), 0);
  EXPECT_EQ(e->sqlvar[0].sqltype & DBT_TYPE_MASK, DBT_INT);
  EXPECT_EQ(e->sqlvar[1].sqltype & DBT_TYPE_MASK, DBT_VARCHAR);
  lib.free(e);
}

TEST_F(StatementTest, EveryHostTypeGoesInAndComesBackOut) {
  int16_t insert = prepare(
      "INSERT INTO item(id, name, weight, made, code, active, qty) VALUES (?, :name, ?, ?, ?, ?, "
      "?)");
  sqlda* in = lib.alloc(7);
  lib.describe(&ca, &insert, in, DBDESC_INPUT);
  ASSERT_EQ(in->sqld, 7);
  EXPECT_EQ(std::string(in->sqlvar[1].sqlname.data, in->sqlvar[1].sqlname.length), "name");
  int32_t id = 5;
  char name[] = "widget";
  double weight = 2.5;
  dbt_timestamp made{};
  made.year = 2000;
  made.month = 2;  // March
  made.day = 1;
  made.hour = 12;
  made.minute = 30;
  made.second = 15;
  made.microsecond = 250000;
  Binary code{3, {'\x01', '\0', '\x7f'}};
  unsigned char active = 1;
  int16_t qty_ind = -1;
  int32_t qty = 99;
  auto set = [&](int i, int type, int length, void* data) {
    in->sqlvar[i].sqltype = static_cast<int16_t>(type);
    in->sqlvar[i].sqllen = static_cast<int16_t>(length);
    in->sqlvar[i].sqldata = data;
    *in->sqlvar[i].sqlind = 0;
  };
  set(0, DBT_INT, 4, &id);
  set(1, DBT_STRING, sizeof name, name);
  set(2, DBT_DOUBLE, 8, &weight);
  set(3, DBT_TIMESTAMP_STRUCT, 14, &made);
  set(4, DBT_BINARY, sizeof code, &code);
  set(5, DBT_BIT, 1, &active);
  set(6, DBT_INT, 4, &qty);
  in->sqlvar[6].sqlind = &qty_ind;
  lib.execute_into(&ca, &insert, in, nullptr);
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  EXPECT_EQ(SQLCOUNT(&ca), 1);
  lib.free(in);

  int16_t select = prepare("SELECT id, name, weight, made, code, active, qty, made FROM item");
  sqlda* out = lib.alloc(8);
  out->sqld = 8;
  int32_t id_out = 0;
  char name_out[21];
  double weight_out = 0;
  dbt_timestamp made_out{};
  Binary code_out{};
  unsigned char active_out = 0;
  int32_t qty_out = 7;
  char made_text[40];
  auto put = [&](int i, int type, int length, void* data) {
    out->sqlvar[i].sqltype = static_cast<int16_t>(type);
    out->sqlvar[i].sqllen = static_cast<int16_t>(length);
    out->sqlvar[i].sqldata = data;
  };
  put(0, DBT_INT, 4, &id_out);
  put(1, DBT_STRING, sizeof name_out, name_out);
  put(2, DBT_DOUBLE, 8, &weight_out);
  put(3, DBT_TIMESTAMP_STRUCT, 14, &made_out);
  put(4, DBT_BINARY, sizeof code_out, &code_out);
  put(5, DBT_BIT, 1, &active_out);
  put(6, DBT_INT, 4, &qty_out);
  put(7, DBT_STRING, sizeof made_text, made_text);
  lib.execute_into(&ca, &select, nullptr, out);
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  EXPECT_EQ(id_out, 5);
  EXPECT_STREQ(name_out, "widget");
  EXPECT_EQ(weight_out, 2.5);
  EXPECT_EQ(static_cast<int>(made_out.year), 2000);
  EXPECT_EQ(static_cast<int>(made_out.month), 2);
  EXPECT_EQ(static_cast<int>(made_out.day), 1);
  EXPECT_EQ(static_cast<int>(made_out.day_of_week), 3);  // a Wednesday
  EXPECT_EQ(static_cast<int>(made_out.day_of_year), 60);
  EXPECT_EQ(static_cast<int>(made_out.microsecond), 250000);
  EXPECT_STREQ(made_text, "2000-03-01 12:30:15.250");
  EXPECT_EQ(static_cast<int>(code_out.length), 3);
  EXPECT_EQ(std::memcmp(code_out.bytes, "\x01\0\x7f", 3), 0);
  EXPECT_EQ(active_out, 1);
  EXPECT_EQ(*out->sqlvar[6].sqlind, -1);
  EXPECT_EQ(qty_out, 7) << "a NULL leaves the buffer alone";
  lib.free(out);
}

// A timestamp record is stored as the shortest text that keeps it: the date
// alone at midnight, the time alone on the host's empty date, and a fraction
// with at least its milliseconds and no trailing zeros beyond them.
TEST_F(StatementTest, TimestampRecordsAreStoredAsTheirShortestText) {
  struct Case {
    int16_t year;
    uint8_t month, day, hour, minute, second;
    int32_t microsecond;
    const char* stored;
  };
  const Case cases[] = {
      {2024, 1, 29, 0, 0, 0, 0, "2024-02-29"},
      {1899, 11, 30, 7, 5, 9, 0, "07:05:09"},
      {1899, 11, 30, 0, 0, 0, 0, "1899-12-30"},
      {987, 0, 2, 23, 59, 59, 0, "0987-01-02 23:59:59"},
      {2001, 8, 9, 10, 11, 12, 120000, "2001-09-09 10:11:12.120"},
      {2001, 8, 9, 10, 11, 12, 123450, "2001-09-09 10:11:12.12345"},
      {2001, 8, 9, 10, 11, 12, 7, "2001-09-09 10:11:12.000007"},
  };
  int16_t insert = prepare("INSERT INTO item(id, name, made) VALUES (?, 'x', ?)");
  int16_t select = prepare("SELECT CAST(made AS TEXT) FROM item WHERE id = ?");
  sqlda* in = lib.alloc(2);
  sqlda* out = lib.alloc(1);
  in->sqld = 2;
  out->sqld = 1;
  int32_t id = 0;
  dbt_timestamp made{};
  char stored[40];
  in->sqlvar[0] = {DBT_INT, 4, &id, in->sqlvar[0].sqlind, {}};
  in->sqlvar[1] = {DBT_TIMESTAMP_STRUCT, 14, &made, in->sqlvar[1].sqlind, {}};
  out->sqlvar[0] = {DBT_STRING, sizeof stored, stored, out->sqlvar[0].sqlind, {}};
  for (const Case& c : cases) {
    ++id;
    made = {};
    made.year = c.year;
    made.month = c.month;
    made.day = c.day;
    made.hour = c.hour;
    made.minute = c.minute;
    made.second = c.second;
    made.microsecond = c.microsecond;
    lib.execute_into(&ca, &insert, in, nullptr);
    ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
    lib.execute_into(&ca, &select, in, out);
    ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
    EXPECT_STREQ(stored, c.stored);
  }
  made.day = 31;  // 31 September: no date, so nothing is stored
  lib.execute_into(&ca, &insert, in, nullptr);
  EXPECT_EQ(ca.sqlcode, DBE_CONVERSION_ERROR);
  lib.free(in);
  lib.free(out);
}

TEST_F(StatementTest, OutputThatDoesNotFitIsCutAndFlagged) {
  exec("INSERT INTO item(id, name) VALUES (1, 'a rather long name')");
  int16_t select = prepare("SELECT name, id FROM item");
  sqlda* out = lib.alloc(2);
  out->sqld = 2;
  char small[6] = "zzzzz";
  int32_t id = 0;
  out->sqlvar[0] = {DBT_STRING, 5, small, out->sqlvar[0].sqlind, {}};
  out->sqlvar[1] = {DBT_INT, 4, &id, nullptr, {}};
  lib.execute_into(&ca, &select, nullptr, out);
  EXPECT_EQ(ca.sqlcode, DBE_TRUNCATED);
  EXPECT_STREQ(small, "a ra");
  EXPECT_EQ(small[5], '\0');
  EXPECT_EQ(*out->sqlvar[0].sqlind, 18);
  EXPECT_EQ(id, 1);
  // A NULL into an entry without an indicator is an error, not a silent 0.
  exec("UPDATE item SET qty = NULL");
  int16_t nulls = prepare("SELECT qty FROM item");
  out->sqld = 1;
  out->sqlvar[0] = {DBT_INT, 4, &id, nullptr, {}};
  lib.execute_into(&ca, &nulls, nullptr, out);
  EXPECT_EQ(ca.sqlcode, DBE_NO_INDICATOR);
  lib.free(out);
}

TEST_F(StatementTest, BadInputIsRefusedBeforeAnyCopy) {
  int16_t insert = prepare("INSERT INTO item(id, name) VALUES (?, ?)");
  sqlda* in = lib.alloc(2);
  in->sqld = 1;
  lib.execute_into(&ca, &insert, in, nullptr);
  EXPECT_EQ(ca.sqlcode, DBE_SQLDA_TOO_SMALL);
  in->sqld = 2;
  int32_t id = 1;
  char unterminated[4] = {'a', 'b', 'c', 'd'};
  in->sqlvar[0] = {DBT_INT, 4, &id, nullptr, {}};
  in->sqlvar[1] = {DBT_STRING, 4, unterminated, nullptr, {}};
  lib.execute_into(&ca, &insert, in, nullptr);
  EXPECT_EQ(ca.sqlcode, DBE_INVALID_HOST_VARIABLE);
  Binary lying{200, {}};
  in->sqlvar[1] = {DBT_BINARY, sizeof lying, &lying, nullptr, {}};
  lib.execute_into(&ca, &insert, in, nullptr);
  EXPECT_EQ(ca.sqlcode, DBE_INVALID_HOST_VARIABLE);
  lib.execute_into(&ca, &insert, nullptr, nullptr);
  EXPECT_EQ(ca.sqlcode, DBE_SQLDA_TOO_SMALL);
  int16_t unknown = 999;
  lib.execute_into(&ca, &unknown, nullptr, nullptr);
  EXPECT_EQ(ca.sqlcode, DBE_INVALID_STATEMENT);
  lib.dropstmt(&ca, &insert);
  lib.execute_into(&ca, &insert, in, nullptr);
  EXPECT_EQ(ca.sqlcode, DBE_INVALID_STATEMENT);
  lib.free(in);
}

TEST_F(StatementTest, ErrorsCarryCodeStateAndText) {
  int16_t number = 0;
  lib.prepare(&ca, &number, "SELECT * FROM nowhere");
  EXPECT_EQ(ca.sqlcode, DBE_TABLE_NOT_FOUND);
  EXPECT_EQ(std::string(ca.sqlstate), "42S02");
  EXPECT_EQ(lib.message(&ca), "Table 'nowhere' not found");
  lib.prepare(&ca, &number, "SELEKT 1");
  EXPECT_EQ(ca.sqlcode, DBE_SYNTAX_ERROR);
  lib.prepare(&ca, &number, "SELECT missing_col FROM item");
  EXPECT_EQ(ca.sqlcode, DBE_COLUMN_NOT_FOUND);
  lib.prepare(&ca, &number, "SELECT 1; SELECT 2");
  EXPECT_EQ(ca.sqlcode, DBE_SYNTAX_ERROR);
  exec("INSERT INTO item(id, name) VALUES (1, 'a')");
  lib.execute_imm(&ca, "INSERT INTO item(id, name) VALUES (1, 'b')");
  EXPECT_EQ(ca.sqlcode, DBE_PRIMARY_KEY_NOT_UNIQUE);
  lib.execute_imm(&ca, "INSERT INTO item(id) VALUES (2)");
  EXPECT_EQ(ca.sqlcode, DBE_COLUMN_CANNOT_BE_NULL);
  EXPECT_NE(lib.message(&ca).find("name"), std::string::npos);
  exec("INSERT INTO item(id, name) VALUES (2, 'b')");
  int16_t many = prepare("SELECT id FROM item");
  sqlda* out = lib.alloc(1);
  out->sqld = 1;
  int32_t id = 0;
  out->sqlvar[0] = {DBT_INT, 4, &id, out->sqlvar[0].sqlind, {}};
  lib.execute_into(&ca, &many, nullptr, out);
  EXPECT_EQ(ca.sqlcode, DBE_TOO_MANY_ROWS);
  int16_t none = prepare("SELECT id FROM item WHERE id > 5");
  lib.execute_into(&ca, &none, nullptr, out);
  EXPECT_EQ(ca.sqlcode, DBE_NOT_FOUND);
  lib.free(out);
}

TEST_F(StatementTest, CountsAffectedRowsAndKeepsTheTransactionAfterAFailure) {
  exec("INSERT INTO item(id, name) VALUES (1, 'a'), (2, 'b'), (3, 'c')");
  EXPECT_EQ(SQLCOUNT(&ca), 3);
  lib.execute_imm(&ca, "UPDATE item SET qty = 1 WHERE id >= 2");
  EXPECT_EQ(SQLCOUNT(&ca), 2);
  lib.execute_imm(&ca, "CREATE TABLE other(x INTEGER)");
  EXPECT_EQ(SQLCOUNT(&ca), 0);
  lib.execute_imm(&ca, "INSERT INTO item(id, name) VALUES (1, 'dup')");
  EXPECT_EQ(ca.sqlcode, DBE_PRIMARY_KEY_NOT_UNIQUE);
  EXPECT_EQ(SQLCOUNT(&ca), 0);
  lib.commit(&ca);
  EXPECT_EQ(ca.sqlcode, 0);
  EXPECT_EQ(query_int("SELECT count(*) FROM item WHERE qty = 1"), 2);
}

}  // namespace
}  // namespace dblib_test
