#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/base/test_driver.h"

namespace {

using namespace velar_test;

const char kSessionNil[] = "The session property is not linked to a session";

class StatementRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    DriverLog::Reset();
    TTestSession::ResetDriver();
    TestTable::Reset();
  }
  // Opens a query of the table and executes a statement with one input
  // variable, so that both sides are prepared and hold buffers.
  static void OpenAndExecute(TTestSQL& Query) {
    ASSERT_TRUE(Query.OpenRead("select ID, NAME from T", {host::Null()}));
    ASSERT_TRUE(Query.Execute("update T set ID = ?", {1}));
  }
  void TearDown() override { TTestSession::ResetDriver(); }
};

TEST_F(StatementRegistry, SetSessionMovesTheRegistration) {
  TTestSession first(nullptr, "S1");
  TTestSession second(nullptr, "S2");
  TTestSQL a(nullptr, "A");
  TTestSQL b(nullptr, "B");

  a.SetSession(&first);
  b.SetSession(&first);
  ASSERT_EQ(first.QueryCount(), 2);
  EXPECT_EQ(first.Queries(0), &a);
  EXPECT_EQ(a.GetSession(), &first);

  a.SetSession(&first);  // the same session again: to the end of the list
  EXPECT_EQ(first.Queries(0), &b);
  EXPECT_EQ(first.Queries(1), &a);

  a.SetSession(&second);
  EXPECT_EQ(first.QueryCount(), 1);
  EXPECT_EQ(second.QueryCount(), 1);
  EXPECT_EQ(a.GetSession(), &second);

  a.SetSession(nullptr);
  EXPECT_EQ(second.QueryCount(), 0);
  EXPECT_FALSE(a.IsSessionAssigned());
  second.RemoveQuery(&a);  // not registered: ignored
  EXPECT_THROW(first.Queries(1), host::EListError);
}

// Removing a statement from a session it is not registered with must leave
// its real link alone: a statement that forgot its session would not leave
// that session's list when freed, and the session would later reach it.
TEST_F(StatementRegistry, RemovingFromAnotherSessionKeepsTheLink) {
  TTestSession owner(nullptr, "S1");
  TTestSession other(nullptr, "S2");
  auto query = std::make_unique<TTestSQL>(nullptr, "Q");
  query->SetSession(&owner);

  other.RemoveQuery(query.get());
  EXPECT_TRUE(query->IsSessionAssigned());
  EXPECT_EQ(query->GetSession(), &owner);

  query.reset();
  EXPECT_EQ(owner.QueryCount(), 0) << "the freed statement left its session's list";
}

TEST_F(StatementRegistry, UnlinkedStatementRaisesExceptAtDesignTime) {
  TTestSQL query(nullptr);
  try {
    query.GetSession();
    FAIL() << "no exception without a session";
  } catch (const velar::EVelarException& error) {
    EXPECT_EQ(error.Message, kSessionNil);
  }
  EXPECT_THROW(query.Check(nullptr, 0, 0, false), velar::EVelarException);

  query.SetDesigning(true);
  EXPECT_EQ(query.GetSession(), nullptr);
  EXPECT_THROW(query.Check(nullptr, 0, 0, false), velar::EVelarException)
      << "nothing can judge a status without a session";
}

TEST_F(StatementRegistry, CheckAndErrorsGoThroughTheSession) {
  TTestSession session(nullptr);
  TTestSQL query(nullptr);
  query.SetSession(&session);
  int context = 0;
  EXPECT_TRUE(query.Check(&context, 3, 4, true));
  EXPECT_EQ(session.CheckContext, &context);
  EXPECT_EQ(session.CheckParam1, 3);
  EXPECT_EQ(session.CheckParam2, 4);

  DriverLog::FailOn = "Check";
  EXPECT_FALSE(query.Check(nullptr, 0, 0, false));
  EXPECT_THROW(query.Check(nullptr, 0, 0, true), velar::EVelarException);

  EXPECT_THROW(query.RaiseLastError("The cursor is not opened."), velar::EVelarException);
  EXPECT_EQ(session.LastError(), "The cursor is not opened.");
}

// Disconnecting unprepares both sides of every statement: the open side is
// closed first and unprepared only when prepared; the variables of both
// sides are released.
TEST_F(StatementRegistry, CloseQueriesUnpreparesEverySide) {
  TTestSession session(nullptr);
  TTestSQL used(nullptr, "Used");
  TTestSQL fresh(nullptr, "Fresh");
  used.SetSession(&session);
  fresh.SetSession(&session);
  session.SetConnected(true);
  OpenAndExecute(used);
  DriverLog::Reset();

  session.SetConnected(false);
  EXPECT_EQ(
      DriverLog::Calls,
      (std::vector<std::string>{
          "S.SetConnected(0)", "Used.InternalClose", "Used.InternalUnprepareOpen",
          "Used.ClearOpenVariables", "Used.InternalUnprepareExecute", "Used.ClearExecVariables",
          "Fresh.InternalClose", "Fresh.ClearOpenVariables", "Fresh.ClearExecVariables"}));
  EXPECT_FALSE(used.Prepared());
  EXPECT_FALSE(used.Opened());
  EXPECT_FALSE(used.ExecPrepared());
  EXPECT_EQ(used.OpenSQL(), "");
  EXPECT_EQ(used.ExecSQLText(), "");
  EXPECT_EQ(used.TableName(), "");
  EXPECT_EQ(used.FieldCount(), 0);
  EXPECT_EQ(used.RecordSize(), 0);
  EXPECT_EQ(used.RowNo(), -1);
  EXPECT_TRUE(used.Bof());
  EXPECT_TRUE(used.Eof());
  EXPECT_EQ(used.ExecVariables().Count, 0);
  EXPECT_FALSE(used.ExecVariables().Buffer);
  EXPECT_FALSE(used.ExecVariables().Bound);
  EXPECT_EQ(used.ExecVariables().Items[0].Size, 0);
  EXPECT_EQ(session.QueryCount(), 2) << "statements stay registered";
}

// A driver step that unlinks its statement while the session walks the list
// must neither run the walk past the list's end nor make it skip the
// statement that moves into the freed place.
TEST_F(StatementRegistry, CloseQueriesSurvivesAStatementLeaving) {
  TTestSession session(nullptr);
  TTestSQL leaving(nullptr, "Leaving");
  TTestSQL staying(nullptr, "Staying");
  TTestSQL last(nullptr, "Last");
  leaving.SetSession(&session);
  staying.SetSession(&session);
  last.SetSession(&session);
  leaving.UnlinkOnClose = true;
  session.InternalCloseQueries();
  EXPECT_EQ(session.QueryCount(), 2);
  EXPECT_FALSE(leaving.IsSessionAssigned());
  EXPECT_EQ(DriverLog::Count("Leaving.ClearExecVariables"), 1);
  EXPECT_EQ(DriverLog::Count("Staying.InternalClose"), 1);
  EXPECT_EQ(DriverLog::Count("Last.InternalClose"), 1);
}

// The session disconnects through its driver (which unprepares the
// statements), gives back the library, and only then lets the statements go
// on without it.
TEST_F(StatementRegistry, DestroyedSessionLeavesStatementsAliveUnlinked) {
  auto session = std::make_unique<TTestSession>(nullptr);
  TTestSQL a(nullptr, "A");
  TTestSQL b(nullptr, "B");
  a.SetSession(session.get());
  b.SetSession(session.get());
  session->SetConnected(true);
  OpenAndExecute(a);
  DriverLog::Reset();

  session.reset();
  int disconnect = DriverLog::IndexOf("S.SetConnected(0)");
  int unprepare = DriverLog::IndexOf("A.InternalUnprepareOpen");
  int release = DriverLog::IndexOf("S.SetLibraryLoaded(0)");
  int unload = DriverLog::IndexOf("S.InternalUnLoadLibrary");
  ASSERT_GE(disconnect, 0);
  EXPECT_LT(disconnect, unprepare);
  EXPECT_LT(unprepare, release);
  EXPECT_LT(release, unload);
  EXPECT_EQ(TTestSession::ReferenceCount, 0);

  EXPECT_FALSE(a.IsSessionAssigned());
  EXPECT_FALSE(b.IsSessionAssigned());
  EXPECT_FALSE(a.Prepared());
  EXPECT_THROW(a.GetSession(), velar::EVelarException);
}

// A statement going away unprepares itself first and then leaves its
// session's list.
TEST_F(StatementRegistry, DestroyedStatementUnpreparesThenLeaves) {
  TTestSession session(nullptr);
  auto query = std::make_unique<TTestSQL>(nullptr, "Q");
  query->SetSession(&session);
  OpenAndExecute(*query);
  DriverLog::Reset();
  query.reset();
  EXPECT_EQ(DriverLog::Calls,
            (std::vector<std::string>{"Q.InternalClose", "Q.InternalUnprepareOpen",
                                      "Q.ClearOpenVariables", "Q.InternalUnprepareExecute",
                                      "Q.ClearExecVariables"}));
  EXPECT_EQ(session.QueryCount(), 0);
}

// Ownership and registration are independent: a statement owned by its
// session is detached before the session frees it, one owned elsewhere and
// freed first leaves the list by itself.
TEST_F(StatementRegistry, OwnedStatementsGoWithTheirSession) {
  auto owner = std::make_unique<host::TComponent>(nullptr);
  auto* session = new TTestSession(owner.get());
  auto* owned = new TTestSQL(session, "Owned");
  auto* sibling = new TTestSQL(owner.get(), "Sibling");
  owned->SetSession(session);
  sibling->SetSession(session);
  session->SetConnected(true);
  owner.reset();  // frees Sibling, then the session, which frees Owned
  EXPECT_EQ(TTestSession::ReferenceCount, 0);
  EXPECT_LT(DriverLog::IndexOf("Sibling.InternalClose"), DriverLog::IndexOf("S.SetConnected(0)"));
  EXPECT_EQ(DriverLog::Count("Owned.InternalClose"), 2) << "at disconnect and when freed";
}

}  // namespace
