#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/application.h"
#include "tests/base/test_driver.h"

namespace {

using namespace velar_test;

const char kTransActive[] = "A user transaction is already in progress";

// ---------------------------------------------------------- deferred connect

// Records what the application's message box was asked to show.
struct ShownMessage {
  std::string Text;
  std::string Caption;
  int Flags = -1;
};

class DeferredConnect : public ::testing::Test {
 protected:
  void SetUp() override {
    DriverLog::Reset();
    TTestSession::ResetDriver();
    previous_ = host::Application->SetMessageBoxHandler(
        [this](const std::string& Text, const std::string& Caption, int Flags) {
          shown_.push_back({Text, Caption, Flags});
          return host::IDOK;
        });
  }
  void TearDown() override {
    host::Application->SetMessageBoxHandler(previous_);
    TTestSession::ResetDriver();
  }

  // What the form reader does: properties are set while the component is
  // being read, Loaded follows once the whole file is in.
  static void ReadConnected(TTestSession& session, bool value) {
    session.SetLoading(true);
    session.SetReading(true);
    session.SetConnected(value);
    session.SetReading(false);
  }

  std::vector<ShownMessage> shown_;
  host::TApplication::TMessageBoxHandler previous_;
};

TEST_F(DeferredConnect, ConnectsInLoadedNotWhileRead) {
  TTestSession session(nullptr);
  ReadConnected(session, true);
  EXPECT_FALSE(session.Connected());
  EXPECT_TRUE(session.StreamedConnected());
  EXPECT_EQ(TTestSession::ReferenceCount, 0) << "reading must not touch the library";

  session.Loaded();
  EXPECT_TRUE(session.Connected());
  EXPECT_TRUE(session.LibraryLoaded());
  EXPECT_FALSE(session.ComponentState().Contains(host::csLoading));
  EXPECT_TRUE(shown_.empty());
}

TEST_F(DeferredConnect, DesignTimeFailureIsShownAndLoadingGoesOn) {
  TTestSession session(nullptr);
  session.SetDesigning(true);
  ReadConnected(session, true);
  DriverLog::FailOn = "Connect";
  EXPECT_NO_THROW(session.Loaded());
  EXPECT_FALSE(session.Connected());
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].Text, "connect refused");
  EXPECT_EQ(shown_[0].Caption, "VelarDB");
  EXPECT_EQ(shown_[0].Flags, host::MB_OK | host::MB_ICONERROR);
}

TEST_F(DeferredConnect, RunTimeFailureReachesTheLoader) {
  TTestSession session(nullptr);
  ReadConnected(session, true);
  DriverLog::FailOn = "Connect";
  try {
    session.Loaded();
    FAIL() << "the connect failure was swallowed";
  } catch (const velar::EVelarException& error) {
    EXPECT_EQ(error.Message, "connect refused");
  }
  EXPECT_FALSE(session.Connected());
  EXPECT_EQ(session.LastError(), "connect refused");
  EXPECT_TRUE(shown_.empty());
}

// --------------------------------------------------------------- transactions

class Transactions : public ::testing::Test {
 protected:
  void SetUp() override {
    DriverLog::Reset();
    TTestSession::ResetDriver();
  }
  void TearDown() override { TTestSession::ResetDriver(); }
};

TEST_F(Transactions, SecondStartRaisesWithoutCommitting) {
  TTestSession session(nullptr);
  session.SetConnected(true);
  session.StartTransaction();
  EXPECT_TRUE(session.InTransaction());
  EXPECT_EQ(DriverLog::Count("S.InternalCommit"), 1);

  try {
    session.StartTransaction();
    FAIL() << "a second transaction started";
  } catch (const velar::EVelarException& error) {
    EXPECT_EQ(error.Message, kTransActive);
  }
  EXPECT_EQ(session.LastError(), kTransActive);
  EXPECT_EQ(DriverLog::Count("S.InternalCommit"), 1);
  EXPECT_TRUE(session.InTransaction());
}

TEST_F(Transactions, CommitAndRollbackEndTheTransaction) {
  TTestSession session(nullptr);
  session.StartTransaction();
  session.Commit();
  EXPECT_FALSE(session.InTransaction());
  session.StartTransaction();
  session.Rollback();
  EXPECT_FALSE(session.InTransaction());
  EXPECT_EQ(DriverLog::Count("S.InternalRollback"), 1);
}

TEST_F(Transactions, FailedEndKeepsTheFlag) {
  TTestSession session(nullptr);
  session.StartTransaction();
  DriverLog::FailOn = "InternalCommit";
  EXPECT_THROW(session.Commit(), velar::EVelarException);
  EXPECT_TRUE(session.InTransaction());
  DriverLog::FailOn = "InternalRollback";
  EXPECT_THROW(session.Rollback(), velar::EVelarException);
  EXPECT_TRUE(session.InTransaction());
  DriverLog::FailOn.clear();
  session.Rollback();

  DriverLog::FailOn = "InternalCommit";
  EXPECT_THROW(session.StartTransaction(), velar::EVelarException);
  EXPECT_FALSE(session.InTransaction()) << "no transaction began";
}

TEST_F(Transactions, ReconnectingEndsTheTransaction) {
  TTestSession session(nullptr);
  session.SetConnected(true);
  session.StartTransaction();
  session.SetConnected(false);
  EXPECT_FALSE(session.InTransaction());
  session.SetConnected(true);
  EXPECT_NO_THROW(session.StartTransaction());
  session.SetConnected(true);  // no change of state: the transaction stays
  EXPECT_TRUE(session.InTransaction());
}

// Errors raised through the session keep their text in LastError and leave
// the code to the driver's Check.
TEST_F(Transactions, RaiseLastErrorKeepsTextAndClass) {
  struct EDriverError : velar::EVelarException {
    using EVelarException::EVelarException;
  };
  TTestSession session(nullptr);
  session.SetLastErrorCode(-141);
  EXPECT_THROW(session.RaiseLastError<EDriverError>("Error -141: no such table"), EDriverError);
  EXPECT_EQ(session.LastError(), "Error -141: no such table");
  EXPECT_EQ(session.LastErrorCode(), -141);
}

}  // namespace
