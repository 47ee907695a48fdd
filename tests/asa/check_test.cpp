// Judging outcomes: the texts of errors and warnings, OnError, a lost
// connection, the wait callback and cancelling a running request.
#include <vector>

#include "tests/asa/asa_fixture.h"

namespace asa_test {
namespace {

class CheckTest : public AsaTest {
 protected:
  void SetUp() override {
    AsaTest::SetUp();
    session = NewSession();
    session->SetConnected(true);
    session->OnError = [this](host::TObject* Sender) {
      EXPECT_EQ(Sender, session.get());
      events.push_back("OnError:" + std::string(session->Connected() ? "connected" : "gone"));
    };
    session->OnConnectionTerminated = [this](host::TObject*) {
      events.push_back("OnConnectionTerminated:" +
                       std::string(session->Connected() ? "connected" : "gone"));
    };
  }
  void TearDown() override {
    session.reset();
    AsaTest::TearDown();
  }
  bool Run(const char* SQL, bool RaiseError) {
    AsaLibrary.Procs.dbpp_execute_imm(session->SQLCA(), SQL, 0);
    return session->Check(nullptr, 0, 0, RaiseError);
  }
  std::unique_ptr<TAsaSession> session;
  std::vector<std::string> events;
};

TEST_F(CheckTest, ErrorTextCarriesCodeMessageAndState) {
  EXPECT_FALSE(Run("SELECT * FROM missing", false));
  EXPECT_EQ(session->LastErrorCode(), DBE_TABLE_NOT_FOUND);
  EXPECT_EQ(session->LastError().rfind("Error -141: ", 0), 0u) << session->LastError();
  EXPECT_EQ(session->LastError().substr(session->LastError().size() - 8), " (42S02)");
  EXPECT_EQ(events, std::vector<std::string>{"OnError:connected"});
  EXPECT_EQ(MessageOf<EAsaException>([&] { Run("SELECT * FROM missing", true); }),
            session->LastError());
  EXPECT_TRUE(session->Connected());
  EXPECT_TRUE(Run("SELECT 1", true));
  EXPECT_EQ(session->LastError(), "") << "success clears the text";
  EXPECT_EQ(session->LastErrorCode(), 0);
}

TEST_F(CheckTest, WarningNeverRaisesNorFiresOnError) {
  standIn.Inject("dbpp_execute_imm", DBE_NOT_FOUND, "Row not found");
  EXPECT_FALSE(Run("SELECT 1", true));
  EXPECT_EQ(session->LastError(), "Warning: Row not found (02000)");
  EXPECT_EQ(session->LastErrorCode(), DBE_NOT_FOUND);
  EXPECT_TRUE(events.empty());
}

TEST_F(CheckTest, StoppedServerDisconnectsTheSessionBeforeReporting) {
  standIn.Sym<dblib_test_stop_all_fn>("dblib_test_stop_all")();
  const std::string text = MessageOf<EAsaException>([&] { Run("SELECT 1", true); });
  EXPECT_EQ(text, "Error -308: Connection was terminated: its server or database stopped");
  EXPECT_EQ(session->LastError(), text);
  EXPECT_EQ(session->LastErrorCode(), DBE_CONNECTION_TERMINATED);
  EXPECT_FALSE(session->Connected());
  EXPECT_EQ(events, (std::vector<std::string>{"OnError:connected", "OnConnectionTerminated:gone"}));
  // The SQLCA is free again: the session connects anew.
  session->SetConnected(true);
  EXPECT_EQ(QueryInt(*session, "SELECT 3"), 3);
}

TEST_F(CheckTest, LostConnectionFoundWhileDisconnectingStartsNoSecondDisconnect) {
  int beforeDisconnect = 0;
  session->BeforeDisconnect = [&](host::TObject*) {
    ++beforeDisconnect;
    Run("SELECT 1", true);
  };
  standIn.Sym<dblib_test_stop_all_fn>("dblib_test_stop_all")();
  session->SetConnected(false);
  EXPECT_FALSE(session->Connected());
  EXPECT_EQ(beforeDisconnect, 1);
  EXPECT_EQ(events, std::vector<std::string>{"OnError:connected"});
}

TEST_F(CheckTest, NotConnectedWhileDisconnectedKeepsItsState) {
  session->SetConnected(false);
  EXPECT_FALSE(Run("SELECT 1", false));
  EXPECT_EQ(session->LastError(), "Error -101: Not connected to a database (08003)");
  EXPECT_EQ(events, std::vector<std::string>{"OnError:gone"});
}

class ServerWaitTest : public AsaTest {
 protected:
  static constexpr const char* kLongQuery =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000000) "
      "SELECT count(*) FROM n";
};

TEST_F(ServerWaitTest, StopInsideTheWaitCancelsTheRequest) {
  auto session = NewSession();
  int waits = 0;
  bool stopped = false;
  session->OnServerWait = [&](host::TObject* Sender) {
    EXPECT_EQ(Sender, session.get());
    if (++waits == 3) stopped = session->Stop();
  };
  session->SetConnected(true);
  EXPECT_EQ(QueryInt(*session, kLongQuery), -1);
  EXPECT_EQ(session->LastErrorCode(), DBE_INTERRUPTED);
  EXPECT_TRUE(stopped);
  EXPECT_EQ(waits, 3);
  EXPECT_TRUE(session->Connected());
  EXPECT_EQ(QueryInt(*session, "SELECT 7"), 7) << "the connection survives the cancel";
}

TEST_F(ServerWaitTest, EachSessionHearsOnlyItsOwnWaits) {
  auto quiet = NewSession();
  auto busy = NewSession();
  int quietWaits = 0;
  int busyWaits = 0;
  quiet->OnServerWait = [&](host::TObject*) { ++quietWaits; };
  busy->OnServerWait = [&](host::TObject*) { ++busyWaits; };
  quiet->SetConnected(true);
  busy->SetConnected(true);
  EXPECT_EQ(QueryInt(*busy,
                     "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                     "WHERE i < 100000) SELECT count(*) FROM n"),
            100000);
  EXPECT_GT(busyWaits, 0);
  EXPECT_EQ(quietWaits, 0);
}

TEST_F(ServerWaitTest, HandlerErrorsStayOutOfTheLibraryAndDisconnectEndsTheWaits) {
  auto session = NewSession();
  int waits = 0;
  session->OnServerWait = [&](host::TObject*) {
    ++waits;
    throw host::Exception("handler failed");
  };
  session->SetConnected(true);
  EXPECT_EQ(QueryInt(*session,
                     "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                     "WHERE i < 100000) SELECT count(*) FROM n"),
            100000);
  EXPECT_GT(waits, 0);
  session->SetConnected(false);
  session->OnServerWait = nullptr;
  session->SetConnected(true);
  waits = 0;
  session->OnServerWait = [&](host::TObject*) { ++waits; };
  QueryInt(*session,
           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
           "WHERE i < 100000) SELECT count(*) FROM n");
  EXPECT_EQ(waits, 0) << "a handler assigned after connecting waits for the next connect";
}

TEST_F(ServerWaitTest, StopWithNothingRunningCancelsNothing) {
  auto session = NewSession();
  session->SetConnected(true);
  standIn.StartTrace();
  EXPECT_TRUE(session->Stop());
  EXPECT_EQ(standIn.Trace(), "db_is_working\n");
}

}  // namespace
}  // namespace asa_test
