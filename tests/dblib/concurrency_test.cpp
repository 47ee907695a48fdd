// Many SQLCAs at once: requests on different threads run side by side,
// changes wait for another connection's transaction as a server's clients
// do (with the wait callback, cancel, timeout and deadlock answers), reads
// see only committed rows, and cursors part-way through their rows do not
// keep a change from the latest state.
#include <atomic>
#include <chrono>
#include <latch>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/dblib/dblib_fixture.h"
#include "tests/support/held_thread.h"

namespace dblib_test {
namespace {

using Clock = std::chrono::steady_clock;
using velar::testing::ElapsedMs;
using velar::testing::HeldThread;

// One SQLCA of its own on a database that runs, as another program's
// connection would be.
class Client {
 public:
  Client(Library& lib, const std::string& parms) : lib_(lib) {
    lib_.init(&ca);
    connected = lib_.connect(&ca, parms) == 1;
  }
  ~Client() {
    if (insert_ != 0) lib_.dropstmt(&ca, &insert_);
    lib_.fini(&ca);
  }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  int exec(const std::string& sql) {
    lib_.execute_imm(&ca, sql.c_str());
    return ca.sqlcode;
  }
  // Inserts (a, b) into t(a, b) through one prepared statement.
  int insert(int32_t a, int32_t b) {
    if (insert_ == 0) {
      lib_.prepare(&ca, &insert_, "INSERT INTO t(a, b) VALUES (?, ?)");
      if (ca.sqlcode != 0) return ca.sqlcode;
    }
    sqlda* in = lib_.alloc(2);
    in->sqld = 2;
    in->sqlvar[0].sqltype = DBT_INT;
    in->sqlvar[0].sqllen = 4;
    in->sqlvar[0].sqldata = &a;
    in->sqlvar[1].sqltype = DBT_INT;
    in->sqlvar[1].sqllen = 4;
    in->sqlvar[1].sqldata = &b;
    lib_.execute_into(&ca, &insert_, in, nullptr);
    lib_.free(in);
    return ca.sqlcode;
  }
  int commit() {
    lib_.commit(&ca);
    return ca.sqlcode;
  }
  int rollback() {
    lib_.rollback(&ca);
    return ca.sqlcode;
  }
  void on_wait(dblib_callback callback) {
    lib_.sym<db_register_a_callback_fn>("db_register_a_callback")(&ca, DBCB_WAIT, callback);
  }
  std::string message() { return lib_.message(&ca); }

  sqlca ca{};
  bool connected = false;

 private:
  Library& lib_;
  int16_t insert_ = 0;
};

// Counts the wait callbacks of every SQLCA, and cancels the waiting request
// at the third one while armed.
struct Waits {
  static inline std::atomic<int> calls{0};
  static inline std::atomic<bool> cancel_at_third{false};
  static inline db_cancel_request_fn cancel_request = nullptr;
  static int on_wait(sqlca* ca) {
    if (++calls == 3 && cancel_at_third) cancel_request(ca);
    return 0;
  }
};

class ConcurrencyTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    connect();
    exec("CREATE TABLE t(a INTEGER, b INTEGER)");
    lib.commit(&ca);
    Waits::calls = 0;
    Waits::cancel_at_third = false;
    Waits::cancel_request = lib.sym<db_cancel_request_fn>("db_cancel_request");
  }
  // Another connection to the running database.
  std::string parms() const { return "eng=srv;dbn=test;uid=DBA;pwd=SQL"; }
  // Another connection's open transaction, which holds the database's write
  // lock on a thread of its own until released (committing, unless told
  // otherwise).
  std::unique_ptr<HeldThread> hold_write_lock() {
    int outcome = -1;
    auto holder = std::make_unique<HeldThread>([&](const HeldThread::Held& held) {
      Client client(lib, parms());
      outcome = client.insert(-1, -1);
      if (held()) {
        client.commit();
      } else {
        client.rollback();
      }
    });
    EXPECT_EQ(outcome, 0);
    return holder;
  }
};

TEST_F(ConcurrencyTest, WritersOnManyThreadsEachCommittingEveryRowLoseNothing) {
  constexpr int kThreads = 4;
  constexpr int kRows = 150;
  std::vector<int> failures(kThreads, 0);
  std::vector<std::string> first_error(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      Client client(lib, parms());
      if (!client.connected) {
        failures[t] = kRows;
        first_error[t] = client.message();
        return;
      }
      for (int i = 0; i < kRows; ++i) {
        int code = client.insert(t, i);
        if (code == 0) code = client.commit();
        if (code != 0 && failures[t]++ == 0) first_error[t] = client.message();
      }
    });
  }
  for (auto& thread : threads)
    thread.join();
  for (int t = 0; t < kThreads; ++t)
    EXPECT_EQ(failures[t], 0) << "thread " << t << ": " << first_error[t];
  EXPECT_EQ(query_int("SELECT count(*) FROM t"), kThreads * kRows);
  EXPECT_EQ(query_int("SELECT count(DISTINCT a * 1000 + b) FROM t"), kThreads * kRows);
}

// The writer commits ten rows at a time; a reader that ever saw a count
// that is not a multiple of ten would have seen uncommitted rows.
TEST_F(ConcurrencyTest, ReadersBesideAWriterSeeOnlyCommittedRows) {
  constexpr int kBatches = 40;
  std::atomic<bool> writing{true};
  std::atomic<int> writer_errors{0};
  std::thread writer([&] {
    Client client(lib, parms());
    for (int batch = 0; batch < kBatches; ++batch) {
      for (int i = 0; i < 10; ++i) {
        if (client.insert(batch, i) != 0) ++writer_errors;
      }
      if (client.commit() != 0) ++writer_errors;
    }
    writing = false;
  });
  std::vector<std::thread> readers;
  std::atomic<int> torn{0}, went_back{0}, reads{0};
  for (int r = 0; r < 3; ++r) {
    readers.emplace_back([&] {
      Client client(lib, parms());
      long long last = 0;
      while (writing || reads < 10) {
        long long seen = query_int("SELECT count(*) FROM t", &client.ca);
        ++reads;
        if (seen % 10 != 0) ++torn;
        if (seen < last) ++went_back;
        last = seen;
      }
    });
  }
  writer.join();
  for (auto& reader : readers)
    reader.join();
  EXPECT_EQ(writer_errors, 0);
  EXPECT_EQ(torn, 0) << "a reader saw rows of a transaction not yet committed";
  EXPECT_EQ(went_back, 0);
  EXPECT_EQ(query_int("SELECT count(*) FROM t"), kBatches * 10);
}

TEST_F(ConcurrencyTest, AChangeWaitsForAnotherTransactionAndGoesOnWhenItCommits) {
  auto holder = hold_write_lock();
  exec("SET TEMPORARY OPTION blocking_timeout = '0'");
  lib.sym<db_register_a_callback_fn>("db_register_a_callback")(&ca, DBCB_WAIT, Waits::on_wait);
  std::thread committer([&] {
    while (Waits::calls < 3)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    holder->Release();
  });
  lib.execute_imm(&ca, "INSERT INTO t VALUES (1, 1)");
  committer.join();
  EXPECT_EQ(ca.sqlcode, 0) << lib.message(&ca);
  EXPECT_GE(Waits::calls, 3) << "the wait callback fires while the request waits";
  lib.commit(&ca);
  EXPECT_EQ(query_int("SELECT count(*) FROM t"), 2);
}

TEST_F(ConcurrencyTest, AWaitEndsAfterBlockingTimeoutOrAtOnceWithBlockingOff) {
  auto holder = hold_write_lock();
  lib.sym<db_register_a_callback_fn>("db_register_a_callback")(&ca, DBCB_WAIT, Waits::on_wait);
  exec("SET TEMPORARY OPTION blocking_timeout = '200'");
  auto since = Clock::now();
  lib.execute_imm(&ca, "INSERT INTO t VALUES (1, 1)");
  long long waited = ElapsedMs(since);
  EXPECT_EQ(ca.sqlcode, DBE_LOCKED);
  EXPECT_NE(lib.message(&ca).find("blocking_timeout"), std::string::npos) << lib.message(&ca);
  EXPECT_GE(waited, 190);
  EXPECT_LT(waited, 2000);
  EXPECT_GE(Waits::calls, 3);

  // Without a limit the wait would last until the holder lets go.
  exec("SET TEMPORARY OPTION blocking_timeout = '0'");
  exec("SET TEMPORARY OPTION blocking = 'OFF'");
  Waits::calls = 0;
  since = Clock::now();
  lib.execute_imm(&ca, "INSERT INTO t VALUES (1, 1)");
  EXPECT_EQ(ca.sqlcode, DBE_LOCKED);
  EXPECT_NE(lib.message(&ca).find("blocking is OFF"), std::string::npos) << lib.message(&ca);
  EXPECT_LT(ElapsedMs(since), 1000);
  EXPECT_EQ(Waits::calls, 0) << "nothing was waited for";
  holder->Release();
  exec("INSERT INTO t VALUES (1, 1)");
}

TEST_F(ConcurrencyTest, CancellingAWaitEndsItWith299AndTheConnectionGoesOn) {
  auto holder = hold_write_lock();
  lib.sym<db_register_a_callback_fn>("db_register_a_callback")(&ca, DBCB_WAIT, Waits::on_wait);
  Waits::cancel_at_third = true;
  lib.execute_imm(&ca, "INSERT INTO t VALUES (1, 1)");
  EXPECT_EQ(ca.sqlcode, DBE_INTERRUPTED);
  EXPECT_EQ(Waits::calls, 3);
  Waits::cancel_at_third = false;
  holder->Release(false);
  exec("INSERT INTO t VALUES (2, 2)");
  lib.commit(&ca);
  EXPECT_EQ(query_int("SELECT count(*) FROM t"), 1) << "the holder rolled back";
}

// A request on an SQLCA another thread is using answers -298; that thread's
// request can be asked and cancelled from here.
TEST_F(ConcurrencyTest, AnotherThreadSeesTheRequestRunningAndCancelsIt) {
  std::atomic<bool> started{false};
  int outcome = 0;
  std::thread runner([&] {
    int16_t number = 0;
    lib.prepare(&ca, &number,
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                "100000000) SELECT count(*) FROM n");
    started = true;
    lib.execute_into(&ca, &number, nullptr, nullptr);
    outcome = ca.sqlcode;
    lib.dropstmt(&ca, &number);
  });
  auto is_working = lib.sym<db_is_working_fn>("db_is_working");
  while (!started || is_working(&ca) == 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  lib.execute_imm(&ca, "SELECT 1");
  EXPECT_EQ(ca.sqlcode, DBE_DOUBLE_REQUEST);
  EXPECT_EQ(is_working(&ca), 1u);
  EXPECT_EQ(Waits::cancel_request(&ca), 1);
  runner.join();
  EXPECT_EQ(outcome, DBE_INTERRUPTED);
  EXPECT_EQ(is_working(&ca), 0u);
}

// One thread, two connections: the second waits for the first's lock, which
// only this thread could give back. That wait could never end.
TEST_F(ConcurrencyTest, WaitingOnTheThreadThatHoldsTheLockIsADeadlock) {
  Client other(lib, parms());
  ASSERT_EQ(other.insert(1, 1), 0);
  auto since = Clock::now();
  lib.execute_imm(&ca, "INSERT INTO t VALUES (2, 2)");
  EXPECT_EQ(ca.sqlcode, DBE_DEADLOCK);
  EXPECT_LT(ElapsedMs(since), 1000) << "told at once, not at the timeout";
  EXPECT_EQ(std::string(ca.sqlstate, 5), "40001");
  EXPECT_NE(lib.message(&ca).find("Deadlock"), std::string::npos);
  EXPECT_EQ(other.commit(), 0);
  exec("INSERT INTO t VALUES (2, 2)");
}

// Two threads, two databases, a connection of each thread on each: each
// thread changes one database, then the other's. One of them closes the
// cycle and is told -306; when it rolls back, the other goes on.
TEST_F(ConcurrencyTest, ACycleOfWaitsAcrossThreadsAndDatabasesIsToldToOneOfThem) {
  std::string second = dir.File("second.db");
  ASSERT_EQ(lib.sym<dblib_test_create_database_fn>("dblib_test_create_database")(second.c_str()),
            0);
  Client starter(lib, "eng=srv;dbf=" + second + ";uid=DBA;pwd=SQL");
  ASSERT_TRUE(starter.connected) << starter.message();
  ASSERT_EQ(starter.exec("CREATE TABLE t(a INTEGER, b INTEGER)"), 0);
  ASSERT_EQ(starter.commit(), 0);
  const std::string on[2] = {parms(), "eng=srv;dbn=second;uid=DBA;pwd=SQL"};
  std::latch both_hold(2);
  int outcome[2] = {-1, -1};
  auto run = [&](int me) {
    Client mine(lib, on[me]);
    Client theirs(lib, on[1 - me]);
    mine.insert(me, 1);
    both_hold.arrive_and_wait();
    outcome[me] = theirs.insert(me, 2);
    if (outcome[me] == DBE_DEADLOCK) {
      mine.rollback();
      return;
    }
    theirs.commit();
    mine.commit();
  };
  auto since = Clock::now();
  std::thread first(run, 0), second_thread(run, 1);
  first.join();
  second_thread.join();
  EXPECT_LT(ElapsedMs(since), 3000) << "nobody waited for the timeout";
  EXPECT_EQ((outcome[0] == DBE_DEADLOCK) + (outcome[1] == DBE_DEADLOCK), 1)
      << outcome[0] << " " << outcome[1];
  EXPECT_TRUE(outcome[0] == 0 || outcome[1] == 0);
  EXPECT_EQ(query_int("SELECT count(*) FROM t") + query_int("SELECT count(*) FROM t", &starter.ca),
            2)
      << "the one told -306 rolled back, the other committed both rows";
}

// Each thread changes the same two rows in the opposite order, inside one
// transaction. Neither hangs; each completes or is told -306 and rolls back.
TEST_F(ConcurrencyTest, TwoTransactionsChangingTwoRowsInOppositeOrderBothEnd) {
  exec("INSERT INTO t VALUES (1, 0), (2, 0)");
  lib.commit(&ca);
  int outcome[2] = {-1, -1};
  std::latch ready(2);
  auto run = [&](int me) {
    Client client(lib, parms());
    ready.arrive_and_wait();
    const int order[2][2] = {{1, 2}, {2, 1}};
    for (int row : order[me]) {
      outcome[me] = client.exec("UPDATE t SET b = b + 1 WHERE a = " + std::to_string(row));
      if (outcome[me] != 0) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (outcome[me] == 0) outcome[me] = client.commit();
    if (outcome[me] != 0) client.rollback();
  };
  auto since = Clock::now();
  std::thread first(run, 0), second(run, 1);
  first.join();
  second.join();
  EXPECT_LT(ElapsedMs(since), 3000);
  int completed = 0;
  for (int me = 0; me < 2; ++me) {
    EXPECT_TRUE(outcome[me] == 0 || outcome[me] == DBE_DEADLOCK) << outcome[me];
    completed += outcome[me] == 0;
  }
  EXPECT_EQ(query_int("SELECT sum(b) FROM t"), 2 * completed);
  std::string both_rows = "SELECT count(*) FROM t WHERE b = " + std::to_string(completed);
  EXPECT_EQ(query_int(both_rows.c_str()), 2) << "each transaction changed both rows or neither";
}

// At isolation 3 the transaction's reads must repeat; once another
// connection has committed a change since, its own change is refused
// (-306) rather than made on a state it never read.
TEST_F(ConcurrencyTest, ASerializableTransactionThatReadBeforeAnotherCommitIsToldToRetry) {
  exec("SET TEMPORARY OPTION isolation_level = '3'");
  EXPECT_EQ(query_int("SELECT count(*) FROM t"), 0);
  Client other(lib, parms());
  ASSERT_EQ(other.insert(1, 1), 0);
  ASSERT_EQ(other.commit(), 0);
  lib.execute_imm(&ca, "INSERT INTO t VALUES (2, 2)");
  EXPECT_EQ(ca.sqlcode, DBE_DEADLOCK);
  EXPECT_NE(lib.message(&ca).find("roll back and try again"), std::string::npos);
  lib.rollback(&ca);
  exec("INSERT INTO t VALUES (2, 2)");
  lib.commit(&ca);
  EXPECT_EQ(query_int("SELECT count(*) FROM t"), 2);
}

// A cursor part-way through its rows holds the state it began on; a change
// on the same connection needs the latest one, after another connection
// committed. The cursor lets go, the change is made, and the cursor goes on
// to its end.
TEST_F(ConcurrencyTest, AnOpenCursorDoesNotKeepAChangeFromTheLatestState) {
  for (unsigned short options : {DBCUR_SCROLL, DBCUR_NO_SCROLL}) {
    SCOPED_TRACE(options);
    exec("DELETE FROM t");
    exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60) "
        "INSERT INTO t SELECT i, 0 FROM n");
    lib.commit(&ca);
    open_cursor("c", "SELECT a FROM t ORDER BY rowid", options);
    FetchArea area(lib, {{DBT_INT, 4}});
    for (int i = 1; i <= 10; ++i) {
      lib.fetch(&ca, "c", DBFETCH_RELATIVE, 1, area.get(), 1);
      ASSERT_EQ(area.integer(0, 0), i);
    }
    Client other(lib, parms());
    ASSERT_EQ(other.insert(100, 0), 0);
    ASSERT_EQ(other.commit(), 0);
    lib.execute_imm(&ca, "UPDATE t SET b = 1 WHERE a = 5");
    EXPECT_EQ(ca.sqlcode, 0) << lib.message(&ca);
    lib.commit(&ca);
    int next = 11;
    for (;;) {
      lib.fetch(&ca, "c", DBFETCH_RELATIVE, 1, area.get(), 1);
      if (ca.sqlcode != 0) break;
      EXPECT_EQ(area.integer(0, 0), next > 60 ? 100 : next);
      ++next;
    }
    EXPECT_EQ(ca.sqlcode, DBE_NOT_FOUND) << lib.message(&ca);
    EXPECT_EQ(next, 62) << "every row once, the one committed meanwhile at the end";
    lib.close(&ca, "c");
    EXPECT_EQ(query_int("SELECT b FROM t WHERE a = 5"), 1);
  }
}

TEST_F(ConcurrencyTest, AWaitEndsWhenTheDatabaseStops) {
  auto holder = hold_write_lock();
  exec("SET TEMPORARY OPTION blocking_timeout = '0'");
  lib.sym<db_register_a_callback_fn>("db_register_a_callback")(&ca, DBCB_WAIT, Waits::on_wait);
  std::thread stopper([&] {
    while (Waits::calls < 2)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Client admin(lib, "eng=srv;dbn=test;uid=DBA;pwd=SQL");
    lib.sym<db_stop_database_fn>("db_stop_database")(&admin.ca,
                                                     "eng=srv;dbn=test;unconditional=yes");
  });
  lib.execute_imm(&ca, "INSERT INTO t VALUES (1, 1)");
  stopper.join();
  EXPECT_EQ(ca.sqlcode, DBE_CONNECTION_TERMINATED) << lib.message(&ca);
  holder->Release(false);
}

// Eight threads connect (starting the database when none runs), work and
// disconnect (stopping it with the last connection) over and over.
TEST_F(ConcurrencyTest, ConnectionsComeAndGoOnManyThreadsWhileTheDatabaseStartsAndStops) {
  lib.disconnect(&ca);
  constexpr int kThreads = 8;
  constexpr int kRounds = 15;
  std::atomic<int> failures{0};
  std::string first_error;
  std::mutex error_lock;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        Client client(lib, connect_string());
        int code = client.connected ? client.insert(t, round) : client.ca.sqlcode;
        if (code == 0) code = client.commit();
        if (code == 0 && query_int("SELECT count(*) FROM t", &client.ca) < 1)
          code = client.ca.sqlcode;
        if (code == 0 && lib.disconnect(&client.ca) != 1) code = client.ca.sqlcode;
        if (code != 0 && failures++ == 0) {
          std::lock_guard<std::mutex> guard(error_lock);
          first_error = client.message();
        }
      }
    });
  }
  for (auto& thread : threads)
    thread.join();
  EXPECT_EQ(failures, 0) << first_error;
  connect();
  EXPECT_EQ(query_int("SELECT count(*) FROM t"), kThreads * kRounds);
}

}  // namespace
}  // namespace dblib_test
