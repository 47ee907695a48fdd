// The statement's two sides as a user drives them: when a query is prepared
// again and when its preparation is kept, the messages of the prepared-only
// entries, the values turned into host variables (their types, promotions
// and when they are bound again), and output variables.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/strings.h"
#include "host/sysutils.h"
#include "tests/base/statement_fixture.h"
#include "tests/support/velar_test.h"

namespace {

using namespace velar_test;
using velar::testing::MessageOf;

class StatementTest : public StatementFixture {
 protected:
  // The steps the statement ran since the last call, without the session's.
  std::vector<std::string> Steps() {
    std::vector<std::string> steps;
    for (const std::string& call : DriverLog::Calls)
      if (call.rfind("Q.", 0) == 0) steps.push_back(call.substr(2));
    DriverLog::Calls.clear();
    return steps;
  }
  using Strings = std::vector<std::string>;
};

// ------------------------------------------------------------ query side

TEST_F(StatementTest, OpeningKeepsThePreparationOfTheSameText) {
  ASSERT_TRUE(query->OpenRead("select * from T"));
  // Unprepared (nothing was), the values set, then prepared, bound, opened.
  EXPECT_EQ(Steps(), (Strings{"InternalClose", "ClearOpenVariables", "ClearOpenVariables",
                              "InternalPrepareOpen", "InternalDescribePrepare",
                              "InternalBindOpenVariables", "InternalOpen(read)", "Next"}));
  EXPECT_EQ(query->TableName(), "T");
  EXPECT_EQ(query->RowNo(), 0);
  EXPECT_EQ(query->GetFieldValue("NAME").AsString(), "Smith");

  // The same text: only closed, the variables rebuilt for the one Null.
  ASSERT_TRUE(query->OpenRead("select * from T"));
  EXPECT_EQ(Steps(), (Strings{"InternalClose", "ClearOpenVariables", "InternalBindOpenVariables",
                              "InternalOpen(read)", "Next"}));

  // Another text: unprepared first.
  ASSERT_TRUE(query->OpenRead("select * from U"));
  EXPECT_EQ(Steps(),
            (Strings{"InternalClose", "InternalUnprepareOpen", "ClearOpenVariables",
                     "ClearOpenVariables", "InternalPrepareOpen", "InternalDescribePrepare",
                     "InternalBindOpenVariables", "InternalOpen(read)", "Next"}));
  EXPECT_EQ(query->TableName(), "U");
}

// Writing after reading prepares again even for the same text; reading after
// writing does not.
TEST_F(StatementTest, WritingAfterReadingPreparesAgain) {
  ASSERT_TRUE(query->OpenRead("select * from T"));
  Steps();
  ASSERT_TRUE(query->OpenWrite("select * from T"));
  EXPECT_EQ(DriverLog::Count("Q.InternalPrepareOpen"), 1);
  EXPECT_FALSE(query->ReadOnly());
  EXPECT_TRUE(query->CanModify());
  Steps();
  ASSERT_TRUE(query->OpenRead("select * from T"));
  EXPECT_EQ(DriverLog::Count("Q.InternalPrepareOpen"), 0);
  EXPECT_TRUE(query->ReadOnly());
  EXPECT_FALSE(query->CanModify());
}

TEST_F(StatementTest, PreparedEntriesNeedAPreparation) {
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { query->OpenReadPrepared(); }),
            "The cursor is not prepared.");
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { query->OpenWritePrepared({1}); }),
            "The cursor is not prepared.");
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { query->ExecutePrepared(); }),
            "The statement is not prepared.");
  EXPECT_EQ(session->LastError(), "The statement is not prepared.");

  // Describe prepares without opening; a closed cursor opens again from
  // its preparation.
  ASSERT_TRUE(query->Describe("select * from T"));
  EXPECT_TRUE(query->Prepared());
  EXPECT_FALSE(query->Opened());
  EXPECT_EQ(query->GetFieldCount(), 4);
  ASSERT_TRUE(query->OpenReadPrepared());
  query->Close();
  EXPECT_EQ(query->GetFieldName(1), "NAME") << "fields stay readable on a closed cursor";
  Steps();
  ASSERT_TRUE(query->OpenReadPrepared({host::Null()}));
  EXPECT_EQ(DriverLog::Count("Q.InternalPrepareOpen"), 0);
  EXPECT_TRUE(query->Opened());
}

// A failing driver step ends the frame with false and leaves the flags as
// it left them; with WantExceptions its exception reaches the caller.
TEST_F(StatementTest, FailingStepsEndTheFrames) {
  DriverLog::FailOn = "InternalBindOpenVariables";
  EXPECT_FALSE(query->OpenRead("select * from T"));
  EXPECT_TRUE(query->Prepared());
  EXPECT_FALSE(query->Opened());
  EXPECT_EQ(DriverLog::Count("Q.InternalOpen(read)"), 0);

  DriverLog::FailOn = "InternalPrepareExecute";
  EXPECT_FALSE(query->Execute("update T set ID = 1"));
  EXPECT_FALSE(query->ExecPrepared());
  query->SetWantExceptions(true);
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { query->Execute("update T set ID = 1"); }),
            "InternalPrepareExecute failed");
  EXPECT_EQ(query->GetLastError(), "InternalPrepareExecute failed");
}

TEST_F(StatementTest, EventsAndTheDestroyFrame) {
  std::vector<std::string> events;
  query->BeforeOpen = [&](host::TObject*) { events.push_back("BeforeOpen"); };
  query->AfterOpen = [&](host::TObject*) { events.push_back("AfterOpen"); };
  query->BeforeClose = [&](host::TObject*) { events.push_back("BeforeClose"); };
  query->AfterClose = [&](host::TObject*) { events.push_back("AfterClose"); };
  ASSERT_TRUE(query->OpenRead("select * from T"));
  ASSERT_TRUE(query->Execute("update T set ID = ?", {5}));
  EXPECT_EQ(query->BlobManager()->Count(), 1) << "the memo column's stream";
  Steps();
  query.reset();
  EXPECT_EQ(events, (Strings{"BeforeOpen", "AfterOpen", "BeforeClose", "AfterClose"}));
  EXPECT_EQ(Steps(), (Strings{"InternalClose", "InternalUnprepareOpen", "ClearOpenVariables",
                              "InternalUnprepareExecute", "ClearExecVariables"}));
  EXPECT_EQ(session->QueryCount(), 0);
}

// The session's OEM conversion applies to the text the driver receives (and
// so to the comparison with the prepared text).
TEST_F(StatementTest, TextGoesToTheDriverInTheOemCodePage) {
  const std::string ansi = "select * from T where NAME = '\xE9t\xE9'";  // été
  EXPECT_EQ(query->StatementToOem(ansi), ansi);
  session->SetOEMConvert(true);
  EXPECT_EQ(query->StatementToOem(ansi), "select * from T where NAME = '\x82t\x82'");
  EXPECT_EQ(query->StatementToOem(std::string("select\0tail", 11)), "select");
  ASSERT_TRUE(query->OpenRead(ansi));
  EXPECT_EQ(query->OpenSQL(), "select * from T where NAME = '\x82t\x82'");
  Steps();
  ASSERT_TRUE(query->OpenRead(ansi));
  EXPECT_EQ(DriverLog::Count("Q.InternalPrepareOpen"), 0);
}

TEST_F(StatementTest, WithoutASessionNothingRuns) {
  TTestSQL lonely(nullptr, "L");
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { lonely.OpenRead("select * from T"); }),
            "The session property is not linked to a session");
  EXPECT_THROW(lonely.GetLastError(), velar::EVelarException);
}

// ------------------------------------------------------------ variables

TEST_F(StatementTest, OneNullMeansNoVariablesTwoMeanTwo) {
  ASSERT_TRUE(query->Execute("update T set ID = 1", {host::Null()}));
  EXPECT_EQ(query->ExecVariables().Count, 0);
  EXPECT_FALSE(query->ExecVariables().Buffer);

  ASSERT_TRUE(query->Execute("update T set ID = 1", {host::Null(), host::Null()}));
  const velar::TVelarVariables& set = query->ExecVariables();
  ASSERT_EQ(set.Count, 2);
  EXPECT_EQ(set.Items[0].FieldType, velar::ntUnknown);
  EXPECT_EQ(set.Items[1].FieldType, velar::ntUnknown);
  EXPECT_EQ(set.Items[0].Name[0], '\0') << "input variables have no name";

  // No values at all count as one Null; an array of variants as the first
  // value carries them all.
  ASSERT_TRUE(query->Execute("update T set ID = 1", {}));
  EXPECT_EQ(query->ExecVariables().Count, 0);
  ASSERT_TRUE(query->Execute("update T set ID = ?", {host::VarArrayOf({7, "x", 2.5}), 99}));
  ASSERT_EQ(query->ExecVariables().Count, 3);
  ASSERT_EQ(TestTable::Executed.back().size(), 3u);
  EXPECT_EQ(TestTable::Executed.back()[0].AsInteger(), 7);
  EXPECT_EQ(TestTable::Executed.back()[1].AsString(), "x");
  EXPECT_EQ(TestTable::Executed.back()[2].AsDouble(), 2.5);
}

TEST_F(StatementTest, ValueTypesBecomeFieldTypes) {
  struct Case {
    host::Variant Value;
    velar::TVelarFieldTypes Type;
    int Length;
  };
  const Case cases[] = {
      {host::Variant(short{3}), velar::ntInteger, 4},
      {host::Variant(3), velar::ntInteger, 4},
      {host::Variant(std::uint8_t{3}), velar::ntInteger, 4},
      {host::Variant(1.5f), velar::ntFloat, 8},
      {host::Variant(1.5), velar::ntFloat, 8},
      {host::Variant(std::int64_t{1} << 40), velar::ntFloat, 8},
      {host::Variant(host::Currency::FromDouble(1.25)), velar::ntCurrency, 8},
      {host::VarFromDateTime(36586.5), velar::ntDateTime, 8},
      {host::Variant("abc"), velar::ntString, 21},
      {host::Variant(true), velar::ntBoolean, 1},
      {host::VarArrayFromBytes("ab", 2), velar::ntBinary, 12},
      {host::Null(), velar::ntUnknown, 0},
      {host::Unassigned(), velar::ntUnknown, 0},
      {host::VarArrayOf({1, 2}), velar::ntUnknown, 0},
  };
  for (const Case& c : cases) {
    std::int32_t length = -1;
    EXPECT_EQ(query->TypeAndLength(c.Value, length), c.Type) << host::VarTypeAsText(c.Value.Type());
    EXPECT_EQ(length, c.Length) << host::VarTypeAsText(c.Value.Type());
  }
}

// The driver's text variable holds 20 characters and a terminator, its byte
// variable 10 bytes after a 16-bit length: one more becomes a long value of
// its own length instead of being cut.
TEST_F(StatementTest, LongTextsAndByteStringsBecomeLongValues) {
  std::int32_t length = 0;
  EXPECT_EQ(query->TypeAndLength(std::string(20, 'a'), length), velar::ntString);
  EXPECT_EQ(length, 21);
  EXPECT_EQ(query->TypeAndLength(std::string(21, 'a'), length), velar::ntMemo);
  EXPECT_EQ(length, 21);
  const std::string ten(10, 'b'), eleven(11, 'b');
  EXPECT_EQ(query->TypeAndLength(host::VarArrayFromBytes(ten.data(), 10), length), velar::ntBinary);
  EXPECT_EQ(length, 12);
  EXPECT_EQ(query->TypeAndLength(host::VarArrayFromBytes(eleven.data(), 11), length),
            velar::ntBlob);
  EXPECT_EQ(length, 11);

  // Both arrive whole.
  ASSERT_TRUE(query->Execute("update T set NOTE = ?", {std::string(21, 'a')}));
  EXPECT_EQ(query->ExecVariables().Items[0].ExtType, velar::ntMemo * 100);
  EXPECT_EQ(TestTable::Executed.back()[0].AsString(), std::string(21, 'a'));
}

// Like values keep the layout and the binding: the driver binds once. A
// value of another type, a long value, or another count rebuilds and binds
// again.
TEST_F(StatementTest, BindingIsKeptWhileTheValuesKeepTheirLayout) {
  ASSERT_TRUE(query->Execute("update T set ID = ? where NAME = ?", {1, "a"}));
  ASSERT_TRUE(query->Execute("update T set ID = ? where NAME = ?", {2, "bb"}));
  ASSERT_TRUE(query->ExecutePrepared({3, "ccc"}));
  EXPECT_EQ(DriverLog::Count("Q.InternalBindExecVariables"), 1);
  EXPECT_EQ(DriverLog::Count("Q.InternalPrepareExecute"), 1);
  ASSERT_EQ(TestTable::Executed.size(), 3u);
  EXPECT_EQ(TestTable::Executed[2][0].AsInteger(), 3) << "the values are rewritten every time";
  EXPECT_EQ(TestTable::Executed[2][1].AsString(), "ccc");

  ASSERT_TRUE(query->ExecutePrepared({"4", "d"}));
  EXPECT_EQ(DriverLog::Count("Q.InternalBindExecVariables"), 2);
  EXPECT_EQ(query->ExecVariables().Items[0].FieldType, velar::ntString);
  ASSERT_TRUE(query->ExecutePrepared({"5", "e"}));
  EXPECT_EQ(DriverLog::Count("Q.InternalBindExecVariables"), 2);
  ASSERT_TRUE(query->ExecutePrepared({"5", "e", 6}));
  EXPECT_EQ(DriverLog::Count("Q.InternalBindExecVariables"), 3);

  const std::string longText(30, 'x');
  ASSERT_TRUE(query->ExecutePrepared({longText}));
  ASSERT_TRUE(query->ExecutePrepared({longText}));
  EXPECT_EQ(DriverLog::Count("Q.InternalBindExecVariables"), 5) << "long values bind every time";
  EXPECT_EQ(DriverLog::Count("Q.InternalPrepareExecute"), 1);
}

// The variable arrays are fixed: more values than they hold are refused
// before anything changes.
TEST_F(StatementTest, MoreValuesThanVariablesAreRefused) {
  ASSERT_TRUE(query->Execute("update T set ID = ?", {1}));
  std::vector<host::Variant> values(257, host::Variant(1));
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { query->ExecutePrepared(values); }),
            "The statement has 257 host variables; at most 256 are supported.");
  EXPECT_EQ(query->ExecVariables().Count, 1);
  values.pop_back();
  EXPECT_TRUE(query->ExecutePrepared(values));
  EXPECT_EQ(query->ExecVariables().Count, 256);
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] {
              query->OpenRead("select * from T",
                              {host::VarArrayOf(std::vector<host::Variant>(300, 1))});
            }),
            "The statement has 300 host variables; at most 256 are supported.");
}

TEST_F(StatementTest, OutputVariablesByNumberAndName) {
  TestTable::Outputs = {{"total", velar::ntInteger, 4}, {"Label", velar::ntString, 11}};
  TestTable::OutValues = {42, "answer"};
  ASSERT_TRUE(query->Execute("call stats(?)", {1}));
  EXPECT_EQ(query->ExecVariables().OutCount, 2);
  EXPECT_EQ(query->GetOutVar(0).AsInteger(), 42);
  EXPECT_EQ(query->GetOutVar("TOTAL").AsInteger(), 42);
  EXPECT_EQ(query->GetOutVar(1).AsString(), "answer");
  EXPECT_EQ(query->GetOutVar("label").AsString(), "answer");
}

TEST_F(StatementTest, UnknownOutputVariablesRaise) {
  TestTable::Outputs = {{"total", velar::ntInteger, 4}};
  TestTable::OutValues = {42};
  ASSERT_TRUE(query->Execute("call stats(?)", {1}));
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { query->GetOutVar(1); }),
            "Host variable \"1\" not found.");
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { query->GetOutVar(-1); }),
            "Host variable \"-1\" not found.");
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { query->GetOutVar(short{0}); }),
            "Host variable \"0\" not found.")
      << "only a 32-bit integer is a number";
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { query->GetOutVar("missing"); }),
            "Host variable \"missing\" not found.");
  EXPECT_EQ(session->LastError(), "Host variable \"missing\" not found.");
  // The output buffer is emptied before an execution that keeps the layout.
  TestTable::OutValues.clear();
  ASSERT_TRUE(query->ExecutePrepared({2}));
  EXPECT_EQ(query->GetOutVar(0).AsInteger(), 0);
}

}  // namespace
