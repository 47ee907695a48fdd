// Host variables bound to the library: missing values, promotions at the
// variable lengths, binding once for like values, long values sent through
// server variables in chunks, output and in-out parameters, and the limit
// of the variable arrays.
#include <string>

#include "host/strings.h"
#include "tests/asa/sql_fixture.h"

namespace asa_test {
namespace {

using velar::ntBinary;
using velar::ntBlob;
using velar::ntMemo;
using velar::ntString;

class StatementBindTest : public SqlTest {
 protected:
  void SetUp() override {
    SqlTest::SetUp();
    Run("CREATE TABLE doc(id INTEGER PRIMARY KEY, title VARCHAR(20), body LONG VARCHAR, "
        "data LONG BINARY)");
  }
  // The byte length of a column of row id, as the database counts it.
  std::int64_t Length(const char* Column, int Id) {
    return QueryInt(*session, ("SELECT length(" + std::string(Column) +
                               ") FROM doc WHERE id = " + std::to_string(Id))
                                  .c_str());
  }
  static host::Variant Bytes(std::size_t Count, char Fill = 'b') {
    const std::string bytes(Count, Fill);
    return host::VarArrayFromBytes(bytes.data(), bytes.size());
  }
};

// A statement with more host variables than values sends the rest as null.
TEST_F(StatementBindTest, MissingValuesAreNull) {
  ASSERT_TRUE(query->Execute("INSERT INTO doc(id, title) VALUES (:a, :b)", {1}))
      << session->LastError();
  EXPECT_EQ(QueryInt(*session, "SELECT count(*) FROM doc WHERE id = 1 AND title IS NULL"), 1);
  EXPECT_STREQ(query->ExecVariables().Items[0].Name, "a") << "named as the statement names it";
  ASSERT_TRUE(query->Execute("INSERT INTO doc(id, title) VALUES (?, ?)", {2, host::Null()}));
  EXPECT_EQ(QueryInt(*session, "SELECT count(*) FROM doc WHERE id = 2 AND title IS NULL"), 1);
}

// A text up to 8192 characters and a byte string up to 32765 bytes fit
// their variables; longer ones become long values sent ahead, and every
// value arrives whole.
TEST_F(StatementBindTest, ValuesAtTheVariableLengthsArriveWhole) {
  const char* insert = "INSERT INTO doc(id, body, data) VALUES (?, ?, ?)";
  ASSERT_TRUE(query->Execute(insert, {1, std::string(8192, 't'), Bytes(32765)}))
      << session->LastError();
  EXPECT_EQ(query->ExecVariables().Items[1].FieldType, ntString);
  EXPECT_EQ(query->ExecVariables().Items[1].ExtType, DBT_STRING);
  EXPECT_EQ(query->ExecVariables().Items[2].FieldType, ntBinary);
  EXPECT_EQ(query->ExecVariables().Items[2].ExtType, DBT_BINARY);
  ASSERT_TRUE(query->Execute(insert, {2, std::string(8193, 't'), Bytes(32766)}))
      << session->LastError();
  EXPECT_EQ(query->ExecVariables().Items[1].FieldType, ntMemo);
  EXPECT_EQ(query->ExecVariables().Items[1].Size, 8193);
  EXPECT_EQ(query->ExecVariables().Items[2].FieldType, ntBlob);
  EXPECT_EQ(query->ExecVariables().Items[2].Size, 32766);
  EXPECT_EQ(Length("body", 1), 8192);
  EXPECT_EQ(Length("data", 1), 32765);
  EXPECT_EQ(Length("body", 2), 8193);
  EXPECT_EQ(Length("data", 2), 32766);
}

// Like values reuse the binding: no describe, only new values. Another type
// binds again.
TEST_F(StatementBindTest, LikeValuesBindOnce) {
  const char* insert = "INSERT INTO doc(id, title) VALUES (?, ?)";
  ASSERT_TRUE(query->Execute(insert, {1, "one"}));
  standIn.StartTrace();
  ASSERT_TRUE(query->Execute(insert, {2, "two"}));
  ASSERT_TRUE(query->ExecutePrepared({3, "three"}));
  EXPECT_EQ(Calls("dbpp_describe"), 0);
  EXPECT_EQ(Calls("dbpp_execute_into"), 2);
  EXPECT_EQ(QueryInt(*session, "SELECT count(*) FROM doc WHERE title = 'three' AND id = 3"), 1);
  standIn.StartTrace();
  ASSERT_TRUE(query->ExecutePrepared({"4", "four"}));
  EXPECT_EQ(Calls("dbpp_describe"), 3) << "input counted and described, output counted";
  EXPECT_EQ(QueryInt(*session, "SELECT id FROM doc WHERE title = 'four'"), 4);
}

// 100,000 bytes go as an empty server variable filled in four chunks of at
// most 32765 bytes; the variable is gone after the execution.
TEST_F(StatementBindTest, ALongValueGoesInChunksThroughAServerVariable) {
  std::string bytes(100000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(i * 7);
  standIn.StartTrace();
  ASSERT_TRUE(query->Execute("INSERT INTO doc(id, data) VALUES (1, ?)",
                             {host::VarArrayFromBytes(bytes.data(), bytes.size())}))
      << session->LastError();
  EXPECT_EQ(Calls("dbpp_execute_imm"), 3) << "create, empty and drop";
  EXPECT_EQ(Calls("dbpp_execute_into"), 4 + 1) << "four chunks and the insert";
  EXPECT_EQ(Length("data", 1), 100000);
  // The variable was dropped: creating it again succeeds.
  Exec(*session, "CREATE VARIABLE blobparam1 LONG BINARY");
  Exec(*session, "DROP VARIABLE blobparam1");

  // The bytes arrived in order.
  auto reader = NewQuery();
  ASSERT_TRUE(reader->OpenRead("SELECT data FROM doc WHERE id = 1"));
  const host::Variant value = reader->GetFieldValue("data");
  ASSERT_EQ(host::VarArrayHighBound(value), 99999);
  const auto stored = host::VarArrayBytes(value);
  EXPECT_EQ(std::string(stored.begin(), stored.end()), bytes);
}

// Texts longer than their variable go the same way; a query sends no long
// value ahead (it has no list to drop it by) and so creates no variable.
TEST_F(StatementBindTest, LongTextsTooAndNotForQueries) {
  const std::string body(10000, 'x');
  ASSERT_TRUE(query->Execute("INSERT INTO doc(id, body) VALUES (1, ?)", {body}));
  EXPECT_EQ(Length("body", 1), 10000);
  standIn.StartTrace();
  query->OpenRead("SELECT id FROM doc WHERE body = ?", {body});
  EXPECT_EQ(Calls("dbpp_execute_imm"), 0);
}

// A value that could not be sent fails the execution (it does not run with
// the value missing) and leaves no server variable behind, so the next
// execution can send its value again.
TEST_F(StatementBindTest, AFailedUploadFailsTheExecutionAndDropsItsVariable) {
  standIn.Inject("dbpp_execute_into", DBE_ERROR, "chunk refused");
  EXPECT_FALSE(query->Execute("INSERT INTO doc(id, data) VALUES (1, ?)", {Bytes(40000)}));
  EXPECT_EQ(session->LastError(), "Error -300: chunk refused (HY000)");
  EXPECT_EQ(QueryInt(*session, "SELECT count(*) FROM doc"), 0);
  ASSERT_TRUE(query->Execute("INSERT INTO doc(id, data) VALUES (2, ?)", {Bytes(40000)}))
      << session->LastError();
  EXPECT_EQ(Length("data", 2), 40000);
  Exec(*session, "CREATE VARIABLE blobparam1 LONG BINARY");
}

// An exception from the execution still drops the variables first.
TEST_F(StatementBindTest, AFailedExecutionStillDropsItsVariables) {
  query->SetWantExceptions(true);
  Run("INSERT INTO doc(id) VALUES (1)");
  EXPECT_EQ(MessageOf<EAsaException>([&] {
              query->Execute("INSERT INTO doc(id, data) VALUES (1, ?)", {Bytes(40000)});
            }).rfind("Error -193: ", 0),
            0u);
  ASSERT_TRUE(query->Execute("INSERT INTO doc(id, data) VALUES (2, ?)", {Bytes(40000)}));
  EXPECT_EQ(Length("data", 2), 40000);
}

// An output parameter between two inputs takes no value; it is read back
// by number or by name in any letter case. An in-out one carries its value
// both ways.
TEST_F(StatementBindTest, OutputParametersComeBack) {
  Run("CREATE PROCEDURE calc(IN a INTEGER, OUT total INTEGER, IN b INTEGER, "
      "INOUT tag VARCHAR(20)) BEGIN SET total = a * 10 + b; SET tag = tag || '!'; END");
  ASSERT_TRUE(query->Execute("CALL calc(?, ?, ?, ?)", {4, 2, "hi"})) << session->LastError();
  const velar::TVelarVariables& set = query->ExecVariables();
  EXPECT_EQ(set.Count, 3);
  EXPECT_EQ(set.OutCount, 2);
  EXPECT_EQ(query->GetOutVar(0).AsInteger(), 42);
  EXPECT_EQ(query->GetOutVar("TOTAL").AsInteger(), 42);
  EXPECT_EQ(query->GetOutVar("Tag").AsString(), "hi!");
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { query->GetOutVar(2); }),
            "Host variable \"2\" not found.");
  ASSERT_TRUE(query->ExecutePrepared({1, 1, "x"}));
  EXPECT_EQ(query->GetOutVar(0).AsInteger(), 11);
  EXPECT_EQ(query->GetOutVar(1).AsString(), "x!");
}

// Each side holds at most 256 variables, inputs and outputs together.
TEST_F(StatementBindTest, MoreVariablesThanTheArraysHoldAreRefused) {
  std::string params = "?";
  for (int i = 1; i < 200; ++i)
    params += ", ?";
  std::string outputs = "OUT o0 INTEGER";
  for (int i = 1; i < 60; ++i)
    outputs += ", OUT o" + std::to_string(i) + " INTEGER";
  std::string inputs;
  for (int i = 0; i < 200; ++i)
    inputs += "IN i" + std::to_string(i) + " INTEGER, ";
  Run(("CREATE PROCEDURE many(" + inputs + outputs + ") BEGIN SET o0 = i0; END").c_str());
  std::vector<host::Variant> values(200, host::Variant(1));
  std::string call = "CALL many(" + params;
  for (int i = 0; i < 60; ++i)
    call += ", ?";
  call += ")";
  EXPECT_EQ(MessageOf<EAsaException>([&] { query->Execute(call, values); }),
            "The statement has 260 host variables; at most 256 are supported.");
  EXPECT_FALSE(query->ExecVariables().Bound);
}

}  // namespace
}  // namespace asa_test
