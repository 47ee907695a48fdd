// SQL variables: create, set (also in chunks), use through type 600, drop.
#include <string>
#include <vector>

#include "tests/dblib/dblib_fixture.h"

namespace dblib_test {
namespace {

class VariablesTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    connect();
    exec("CREATE TABLE doc(id INTEGER, body LONG BINARY)");
  }
  // What the driver does for each chunk: prepare the append, execute it with
  // a binary host variable, drop it.
  void append_chunk(const char* variable, const std::vector<char>& chunk) {
    std::string sql = std::string("set ") + variable + "=" + variable + " || :blob_host";
    int16_t number = 0;
    lib.prepare(&ca, &number, sql.c_str());
    ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
    std::vector<char> buffer(chunk.size() + 2);
    uint16_t length = static_cast<uint16_t>(chunk.size());
    std::memcpy(buffer.data(), &length, 2);
    std::memcpy(buffer.data() + 2, chunk.data(), chunk.size());
    sqlda* in = lib.alloc(1);
    in->sqld = 1;
    in->sqlvar[0] = {
        DBT_BINARY, static_cast<int16_t>(buffer.size()), buffer.data(), in->sqlvar[0].sqlind, {}};
    *in->sqlvar[0].sqlind = 0;
    lib.execute_into(&ca, &number, in, nullptr);
    ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
    lib.free(in);
    lib.dropstmt(&ca, &number);
  }
  // Inserts a row into doc whose id and body are the values of two SQL
  // variables, sent as entries of type 600; the outcome stays in ca.
  void insert_variables(const char* id, const char* body) {
    int16_t insert = 0;
    lib.prepare(&ca, &insert, "INSERT INTO doc VALUES (?, ?)");
    ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
    std::string names[] = {id, body};
    sqlda* in = lib.alloc(2);
    in->sqld = 2;
    for (int i = 0; i < 2; ++i) {
      std::string& name = names[i];
      in->sqlvar[i] = {
          DBT_VARIABLE, static_cast<int16_t>(name.size() + 1), name.data(), nullptr, {}};
    }
    lib.execute_into(&ca, &insert, in, nullptr);
    lib.free(in);
  }
};

TEST_F(VariablesTest, ChunkedValueArrivesWholeThroughAVariableEntry) {
  exec("create variable blobparam1 long binary");
  exec("set blobparam1=''");
  std::vector<char> value(100000);
  for (size_t i = 0; i < value.size(); ++i)
    value[i] = static_cast<char>(i * 7 + i / 300);
  for (size_t at = 0; at < value.size(); at += DBT_LONG_CHUNK) {
    size_t size = std::min<size_t>(DBT_LONG_CHUNK, value.size() - at);
    append_chunk("blobparam1", std::vector<char>(value.begin() + at, value.begin() + at + size));
  }
  int16_t insert = 0;
  lib.prepare(&ca, &insert, "INSERT INTO doc VALUES (1, ?)");
  sqlda* in = lib.alloc(1);
  in->sqld = 1;
  char name[] = "blobparam1";
  in->sqlvar[0] = {DBT_VARIABLE, sizeof name, name, in->sqlvar[0].sqlind, {}};
  *in->sqlvar[0].sqlind = 0;
  lib.execute_into(&ca, &insert, in, nullptr);
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  lib.free(in);
  exec("drop variable blobparam1");
  EXPECT_EQ(query_int("SELECT length(body) FROM doc"), 100000);
  int16_t check = 0;
  lib.prepare(&ca, &check, "SELECT count(*) FROM doc WHERE body = ?");
  // Compare inside the database: bind the expected bytes through a new variable.
  exec("create variable expected long binary");
  exec("set expected = ''");
  for (size_t at = 0; at < value.size(); at += 40000) {
    size_t size = std::min<size_t>(20000, value.size() - at);
    append_chunk("expected", std::vector<char>(value.begin() + at, value.begin() + at + size));
    size_t rest = std::min<size_t>(20000, value.size() - at - size);
    if (rest > 0) {
      append_chunk("expected",
                   std::vector<char>(value.begin() + at + size, value.begin() + at + size + rest));
    }
  }
  sqlda* key = lib.alloc(1);
  key->sqld = 1;
  char expected[] = "expected";
  key->sqlvar[0] = {DBT_VARIABLE, sizeof expected, expected, key->sqlvar[0].sqlind, {}};
  *key->sqlvar[0].sqlind = 0;
  sqlda* out = lib.alloc(1);
  out->sqld = 1;
  int32_t matches = 0;
  out->sqlvar[0] = {DBT_INT, 4, &matches, out->sqlvar[0].sqlind, {}};
  lib.execute_into(&ca, &check, key, out);
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  EXPECT_EQ(matches, 1);
  lib.free(key);
  lib.free(out);
}

TEST_F(VariablesTest, NamesAreCheckedAndExpressionsEvaluated) {
  exec("CREATE VARIABLE counter INTEGER");
  lib.execute_imm(&ca, "create variable COUNTER integer");
  EXPECT_EQ(ca.sqlcode, DBE_VARIABLE_EXISTS);
  exec("SET counter = 20");
  exec("SET counter = counter * 2 + 2");
  exec("CREATE VARIABLE label VARCHAR(10)");
  exec("SET label = 'n' || counter");
  insert_variables("counter", "label");
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  EXPECT_EQ(query_int("SELECT id FROM doc WHERE body = 'n42'"), 42);
  exec("DROP VARIABLE counter");
  insert_variables("counter", "label");
  EXPECT_EQ(ca.sqlcode, DBE_VARIABLE_NOT_FOUND);
  EXPECT_EQ(lib.message(&ca), "Variable 'counter' not found");
  lib.execute_imm(&ca, "DROP VARIABLE counter");
  EXPECT_EQ(ca.sqlcode, DBE_VARIABLE_NOT_FOUND);
  lib.execute_imm(&ca, "SET nothing = 1");
  EXPECT_EQ(ca.sqlcode, DBE_VARIABLE_NOT_FOUND);
}

// A number set into a text variable becomes its full text, not a rounded one.
TEST_F(VariablesTest, NumberStoredInATextVariableKeepsEveryDigit) {
  exec("CREATE VARIABLE id INTEGER");
  exec("CREATE VARIABLE ratio VARCHAR(40)");
  exec("CREATE VARIABLE big VARCHAR(40)");
  exec("SET id = 1");
  exec("SET ratio = 3.14159265358979");
  insert_variables("id", "ratio");
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  exec("SET id = 2");
  exec("SET big = 9007199254740993");
  insert_variables("id", "big");
  ASSERT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  EXPECT_EQ(query_int("SELECT id FROM doc WHERE body = '3.14159265358979'"), 1);
  EXPECT_EQ(query_int("SELECT id FROM doc WHERE body = '9007199254740993'"), 2);
}

}  // namespace
}  // namespace dblib_test
