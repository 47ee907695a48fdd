// Connecting by server type, the parameter strings, disconnecting, starting
// and stopping databases, and Ping.
#include <vector>

#include "tests/asa/asa_fixture.h"

namespace asa_test {
namespace {

using velar::stClient;
using velar::stServer;
using velar::stWorkgroup;

bool Called(const std::string& Trace, const std::string& Entry) {
  return ("\n" + Trace).find("\n" + Entry + "\n") != std::string::npos;
}

class ConnectParamsTest : public AsaTest {
 protected:
  std::unique_ptr<TAsaSession> Sales(const std::string& Library) {
    libraryFile = Library;
    auto session = NewSession("/data/sales.db");
    session->SetLoginUser("dba");
    session->SetLoginPassword("sql");
    session->InternalLibraryHandleNeeded();
    return session;
  }
};

TEST_F(ConnectParamsTest, StringsForADatabaseFile) {
  auto session = Sales("libdblib6.so");
  EXPECT_EQ(session->StartEngineParams(), "start=dbeng6;eng=sales");
  EXPECT_EQ(session->StartDatabaseParams(), "eng=sales;dbf=/data/sales.db;dbn=sales");
  EXPECT_EQ(session->ConnectParams(), "eng=sales;dbn=sales;uid=dba;pwd=sql");
  session->SetClientParams("links=tcpip");
  session->SetLoginEngineName("srv1");
  EXPECT_EQ(session->DatabaseParams(), "eng=srv1;links=tcpip;dbf=/data/sales.db;dbn=sales");
  EXPECT_EQ(session->ConnectParams(), "eng=srv1;links=tcpip;dbn=sales;uid=dba;pwd=sql");
  session->SetLoginEngineName("   ");  // blank counts as empty
  session->SetLoginDatabase("");
  EXPECT_EQ(session->EngineClientParams(), "links=tcpip");
  EXPECT_EQ(session->StartEngineParams(), "start=dbeng6");
  session->SetClientParams("");
  EXPECT_EQ(session->ConnectParams(), "dbn=;uid=dba;pwd=sql");
}

TEST_F(ConnectParamsTest, GenerationSevenAddsTheFileUnlessClientOnly) {
  auto session = Sales("libdblib7.so");
  EXPECT_EQ(session->ConnectParams(), "eng=sales;dbf=/data/sales.db;dbn=sales;uid=dba;pwd=sql");
  session->SetServerType(stClient);
  EXPECT_EQ(session->ConnectParams(), "eng=sales;dbn=sales;uid=dba;pwd=sql");
}

TEST_F(ConnectParamsTest, ValuesThatWouldAddParametersAreBracedNotPasted) {
  auto session = Sales("libdblib6.so");
  session->SetLoginUser("nobody");
  session->SetLoginPassword("x;uid=DBA;pwd=SQL");
  EXPECT_EQ(session->ConnectParams(), "eng=sales;dbn=sales;uid=nobody;pwd={x;uid=DBA;pwd=SQL}");
  session->SetLoginPassword(" padded ");  // blanks the library would trim
  EXPECT_EQ(session->ConnectParams(), "eng=sales;dbn=sales;uid=nobody;pwd={ padded }");
  session->SetLoginPassword("{curly");
  EXPECT_EQ(session->ConnectParams(), "eng=sales;dbn=sales;uid=nobody;pwd={{curly}");
  session->SetLoginPassword("a}b=c");  // needs no braces, so its brace is harmless
  EXPECT_EQ(session->ConnectParams(), "eng=sales;dbn=sales;uid=nobody;pwd=a}b=c");
  session->SetLoginEngineName("north;dbf=/etc/passwd");
  session->SetLoginDatabase("/data/my;db.db");
  EXPECT_EQ(session->StartDatabaseParams(),
            "eng={north;dbf=/etc/passwd};dbf={/data/my;db.db};dbn={my;db}");
}

TEST_F(ConnectParamsTest, ValueThatCannotBeBracedIsRefusedWithoutShowingIt) {
  auto session = Sales("libdblib6.so");
  session->SetLoginPassword("se;cr}et");
  const std::string text = MessageOf<EAsaException>([&] { session->ConnectParams(); });
  EXPECT_EQ(text,
            "The value of connection parameter \"pwd\" cannot be written into a connection "
            "string: it needs braces but contains '}', or it contains a zero byte.");
  EXPECT_EQ(session->LastError(), text);
  session->SetLoginPassword("{curly}");  // braced, it would end at its own brace
  EXPECT_THROW(session->ConnectParams(), EAsaException);
  session->SetLoginPassword(std::string("nul\0byte", 8));
  EXPECT_THROW(session->ConnectParams(), EAsaException);
}

class ConnectTest : public AsaTest {
 protected:
  std::unique_ptr<TAsaSession> Watched() {
    auto session = NewSession();
    for (auto [event, name] : {std::pair{&TAsaSession::BeforeConnect, "BeforeConnect"},
                               {&TAsaSession::AfterConnect, "AfterConnect"},
                               {&TAsaSession::BeforeDisconnect, "BeforeDisconnect"},
                               {&TAsaSession::AfterDisconnect, "AfterDisconnect"}})
      (*session).*
          event = [this, name = std::string(name)](host::TObject*) { events.push_back(name); };
    return session;
  }
  std::vector<std::string> events;
};

TEST_F(ConnectTest, ServerStartsEngineAndDatabaseThenConnects) {
  auto session = Watched();
  session->SetConnected(true);
  EXPECT_TRUE(session->Connected());
  EXPECT_TRUE(standIn.EngineRuns("test"));
  standIn.StartTrace();
  session->SetConnected(true);
  EXPECT_EQ(standIn.Trace(), "") << "the current value calls nothing";
  session->SetConnected(false);
  EXPECT_FALSE(session->Connected());
  EXPECT_TRUE(session->LibraryLoaded()) << "the reference stays until destruction";
  EXPECT_EQ(events, (std::vector<std::string>{"BeforeConnect", "AfterConnect", "BeforeDisconnect",
                                              "AfterDisconnect"}));
}

TEST_F(ConnectTest, FailedConnectStopsTheEngineItStartedButNotOneAlreadyRunning) {
  auto session = Watched();
  session->SetLoginPassword("wrong");
  EXPECT_EQ(MessageOf<EAsaException>([&] { session->SetConnected(true); }),
            "Error -103: Invalid user ID or password (28000)");
  EXPECT_FALSE(session->Connected());
  EXPECT_EQ(session->LastErrorCode(), -103);
  EXPECT_FALSE(standIn.EngineRuns("test"));
  EXPECT_EQ(events, std::vector<std::string>{"BeforeConnect"});

  auto owner = NewSession();
  owner->SetConnected(true);
  EXPECT_THROW(session->SetConnected(true), EAsaException);
  EXPECT_EQ(QueryInt(*owner, "SELECT 1"), 1) << "the running server was left alone";
  session->SetLoginPassword("SQL");
  session->SetConnected(true);
  EXPECT_TRUE(session->Connected()) << "an already running server (-96) is used";
}

TEST_F(ConnectTest, PasswordCarryingParametersCannotLogInAsAnotherUser) {
  auto intruder = Watched();
  intruder->SetLoginUser("nobody");
  intruder->SetLoginPassword("x;uid=DBA;pwd=SQL");
  EXPECT_EQ(MessageOf<EAsaException>([&] { intruder->SetConnected(true); }),
            "Error -103: Invalid user ID or password (28000)");
  EXPECT_FALSE(intruder->Connected());

  intruder->SetLoginPassword("x;uid=DBA}");
  EXPECT_THROW(intruder->SetConnected(true), EAsaException);
  EXPECT_FALSE(standIn.EngineRuns("test")) << "nothing was started for a refused value";
}

TEST_F(ConnectTest, PasswordsHoldingSeparatorsAndBlanksLogInAsTheirOwnUser) {
  auto owner = NewSession();
  owner->SetConnected(true);
  Exec(*owner, "GRANT CONNECT TO clerk IDENTIFIED BY 'x;uid=DBA;pwd=SQL'");
  Exec(*owner, "GRANT CONNECT TO padded IDENTIFIED BY ' two words '");
  owner->Commit();

  auto clerk = NewSession();
  clerk->SetLoginUser("clerk");
  clerk->SetLoginPassword("x;uid=DBA;pwd=SQL");
  clerk->SetConnected(true);
  ASSERT_TRUE(clerk->Connected());
  EXPECT_EQ(QueryInt(*clerk, "SELECT 1"), 1);
  clerk->SetLoginPassword("x");
  clerk->SetConnected(false);
  EXPECT_THROW(clerk->SetConnected(true), EAsaException) << "only the whole text is the password";

  auto padded = NewSession();
  padded->SetLoginUser("padded");
  padded->SetLoginPassword(" two words ");
  padded->SetConnected(true);
  EXPECT_TRUE(padded->Connected()) << "the blanks around it are part of it";
}

TEST_F(ConnectTest, WorkgroupStartsAServerOnlyWhenNoneAnswers) {
  auto member = NewSession();
  member->SetServerType(stWorkgroup);
  member->SetConnected(true);
  EXPECT_TRUE(standIn.EngineRuns("test"));
  auto second = NewSession();
  second->SetServerType(stWorkgroup);
  standIn.StartTrace();
  second->SetConnected(true);
  EXPECT_TRUE(second->Connected());
  EXPECT_FALSE(Called(standIn.Trace(), "db_start_engine")) << standIn.Trace();
}

TEST_F(ConnectTest, ClientOnlyConnectsToARunningServer) {
  auto client = NewSession();
  client->SetServerType(stClient);
  EXPECT_EQ(MessageOf<EAsaException>([&] { client->SetConnected(true); }),
            "Error -100: Database server 'test' not running (08001)");
  EXPECT_FALSE(standIn.EngineRuns("test"));
  auto owner = NewSession();
  owner->SetConnected(true);
  client->SetConnected(true);
  EXPECT_TRUE(client->Connected());
}

TEST_F(ConnectTest, DisconnectCommitsOnlyWhenAsked) {
  auto keeper = NewSession();  // keeps the database running between connects
  keeper->SetConnected(true);
  auto session = NewSession();
  session->SetConnected(true);
  Exec(*session, "CREATE TABLE t(a INTEGER)");
  Exec(*session, "INSERT INTO t VALUES (1)");
  session->SetConnected(false);
  session->SetConnected(true);
  EXPECT_EQ(QueryInt(*session, "SELECT count(*) FROM t"), 1);
  session->SetCommitOnDisconnect(false);
  Exec(*session, "INSERT INTO t VALUES (2)");
  session->SetConnected(false);
  session->SetConnected(true);
  EXPECT_EQ(QueryInt(*session, "SELECT count(*) FROM t"), 1);
}

TEST_F(ConnectTest, ChangingServerTypeWhileConnectedDisconnects) {
  auto session = NewSession();
  session->SetConnected(true);
  session->SetServerType(stServer);
  EXPECT_TRUE(session->Connected()) << "the same type changes nothing";
  session->SetServerType(stWorkgroup);
  EXPECT_FALSE(session->Connected());
}

class DatabaseStartTest : public AsaTest {
 protected:
  // A session for a second database on the running engine "test".
  std::unique_ptr<TAsaSession> OtherDatabase() {
    owner = NewSession();
    owner->SetConnected(true);
    const std::string other = dir.File("other.db");
    EXPECT_EQ(standIn.CreateDatabase(other), 0);
    auto session = NewSession(other);
    session->SetLoginEngineName("test");
    session->SetServerType(stClient);
    return session;
  }
  void TearDown() override {
    owner.reset();
    AsaTest::TearDown();
  }
  std::unique_ptr<TAsaSession> owner;
};

TEST_F(DatabaseStartTest, NotAllowedWhileConnected) {
  auto session = NewSession();
  session->SetConnected(true);
  standIn.StartTrace();
  EXPECT_EQ(MessageOf<EAsaException>([&] { session->StartDatabase(""); }),
            "Not allowed while connected to a database");
  EXPECT_THROW(session->StopDatabase(""), EAsaException);
  EXPECT_EQ(standIn.Trace(), "");
}

TEST_F(DatabaseStartTest, StartThroughATemporaryConnectionThenStop) {
  auto session = OtherDatabase();
  EXPECT_FALSE(session->StartDatabase("eng=test;dbn=test;uid=DBA;pwd=bad"));
  EXPECT_EQ(session->LastErrorCode(), DBE_INVALID_LOGON);
  EXPECT_TRUE(session->StartDatabase("eng=test;dbn=test;uid=DBA;pwd=SQL")) << session->LastError();
  session->SetConnected(true);
  EXPECT_EQ(QueryInt(*session, "SELECT 2"), 2);
  session->SetConnected(false);
  EXPECT_TRUE(session->StopDatabase("")) << session->LastError();
  EXPECT_THROW(session->SetConnected(true), EAsaException);
  EXPECT_EQ(session->LastErrorCode(), DBE_DATABASE_NOT_FOUND);
}

TEST_F(DatabaseStartTest, ReachingTheServerLeavesTheSqlcaFreeForTheNextConnect) {
  auto session = OtherDatabase();
  session->SetClientParams("uid=DBA;pwd=SQL");
  // The first start finds no server, so the session reaches it with its
  // client parameters and starts the database there.
  standIn.Inject("db_start_database", DBE_ENGINE_NOT_RUNNING);
  EXPECT_TRUE(session->StartDatabase("")) << session->LastError();
  session->SetConnected(true);
  EXPECT_TRUE(session->Connected());
}

class PingTest : public AsaTest {};

TEST_F(PingTest, AnswersWhetherTheServerRuns) {
  auto session = NewSession();
  EXPECT_FALSE(session->Ping("eng=test"));
  EXPECT_EQ(session->LastErrorCode(), DBE_ENGINE_NOT_RUNNING);
  session->SetConnected(true);
  EXPECT_TRUE(session->Ping("eng=test"));
}

class OldLibraryPingTest : public AsaTest {
 protected:
  OldLibraryPingTest() : AsaTest("libdblib5.so") {}
};

TEST_F(OldLibraryPingTest, FindsTheEngineNamedInTheParameters) {
  auto session = NewSession();
  session->SetLoginEngineName("srv1");
  session->SetConnected(true);
  standIn.StartTrace();
  EXPECT_TRUE(session->Ping("ENG=srv1;links=tcpip"));
  EXPECT_EQ(standIn.Trace(), "db_find_engine\n");
  EXPECT_TRUE(session->Ping("srv1"));
  EXPECT_FALSE(session->Ping("eng=srv2"));
}

}  // namespace
}  // namespace asa_test
