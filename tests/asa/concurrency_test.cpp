// One session per thread: sessions are made, connected and destroyed on
// many threads at once (the library loaded and unloaded by its count), work
// side by side on one database, wait for each other's transactions with
// OnServerWait firing, and are told -210, -299 or -306 as a server's clients
// are.
#include <atomic>
#include <chrono>
#include <latch>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/asa/sql_fixture.h"
#include "tests/support/held_thread.h"

namespace asa_test {
namespace {

using Clock = std::chrono::steady_clock;
using velar::testing::ElapsedMs;
using velar::testing::HeldThread;

// A session with a statement of its own, for a thread's work; the
// statement goes first.
struct TWorker {
  std::unique_ptr<TAsaSession> Session;
  std::unique_ptr<TAsaSQL> Query;
  explicit TWorker(std::unique_ptr<TAsaSession> S) : Session(std::move(S)) {
    Query = std::make_unique<TAsaSQL>(nullptr);
    Query->SetSession(Session.get());
  }
};

class ConcurrencyTest : public SqlTest {
 protected:
  void SetUp() override {
    SqlTest::SetUp();
    Run("CREATE TABLE t(a INTEGER, b INTEGER)");
  }
  // A connected session on the fixture's database, for another thread.
  TWorker NewWorker() {
    TWorker worker(NewSession());
    worker.Session->SetConnected(true);
    return worker;
  }
  // Another program's session with an open transaction, which holds the
  // database's write lock on a thread of its own until released
  // (committing, unless told otherwise).
  std::unique_ptr<HeldThread> HoldWriteLock() {
    bool inserted = false;
    auto holder = std::make_unique<HeldThread>([&](const HeldThread::Held& Held) {
      TWorker worker = NewWorker();
      inserted = worker.Query->Execute("INSERT INTO t VALUES (-1, -1)");
      if (Held())
        worker.Session->Commit();
      else
        worker.Session->Rollback();
    });
    EXPECT_TRUE(inserted);
    return holder;
  }
  std::int64_t Count(const char* Where = "") {
    return QueryInt(*session, (std::string("SELECT count(*) FROM t ") + Where).c_str());
  }
};

TEST_F(ConcurrencyTest, SessionsOnManyThreadsCommittingEveryRowLoseNothing) {
  constexpr int kThreads = 4;
  constexpr int kRows = 100;
  std::vector<std::string> errors(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      TWorker worker = NewWorker();
      worker.Session->SetAutoCommit(true);
      for (int i = 0; i < kRows && errors[t].empty(); ++i) {
        if (!worker.Query->Execute("INSERT INTO t VALUES (?, ?)", {t, i}))
          errors[t] = worker.Session->LastError();
      }
    });
  }
  for (auto& thread : threads)
    thread.join();
  for (int t = 0; t < kThreads; ++t)
    EXPECT_EQ(errors[t], "") << "thread " << t;
  EXPECT_EQ(Count(), kThreads * kRows);
}

// The writer commits ten rows at a time, so a count that is no multiple of
// ten would be rows nobody committed yet.
TEST_F(ConcurrencyTest, ReadersBesideAWriterSeeOnlyCommittedRows) {
  std::atomic<bool> writing{true};
  std::string writerError;
  std::thread writer([&] {
    TWorker worker = NewWorker();
    for (int batch = 0; batch < 30 && writerError.empty(); ++batch) {
      worker.Session->StartTransaction();
      for (int i = 0; i < 10; ++i) {
        if (!worker.Query->Execute("INSERT INTO t VALUES (?, ?)", {batch, i}))
          writerError = worker.Session->LastError();
      }
      worker.Session->Commit();
    }
    writing = false;
  });
  std::atomic<int> torn{0}, failed{0}, reads{0};
  std::vector<std::thread> readers;
  for (int r = 0; r < 2; ++r) {
    readers.emplace_back([&] {
      TWorker worker = NewWorker();
      while (writing || reads < 10) {
        ++reads;
        if (!worker.Query->OpenRead("SELECT count(*) AS n FROM t")) {
          ++failed;
          continue;
        }
        if (worker.Query->GetFieldValue("n").AsInteger() % 10 != 0) ++torn;
        worker.Query->Close();
      }
    });
  }
  writer.join();
  for (auto& reader : readers)
    reader.join();
  EXPECT_EQ(writerError, "");
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(Count(), 300);
}

TEST_F(ConcurrencyTest, ABlockedWriterHearsOnServerWaitAndStopCancelsTheWait) {
  auto blocker = HoldWriteLock();
  auto waiting = NewSession();
  int waits = 0;
  waiting->OnServerWait = [&](host::TObject* Sender) {
    EXPECT_EQ(Sender, waiting.get());
    if (++waits == 3) waiting->Stop();
  };
  waiting->SetConnected(true);
  TAsaSQL insert(nullptr);
  insert.SetSession(waiting.get());
  EXPECT_FALSE(insert.Execute("INSERT INTO t VALUES (1, 1)"));
  EXPECT_EQ(waiting->LastErrorCode(), DBE_INTERRUPTED);
  EXPECT_EQ(waits, 3);
  EXPECT_TRUE(waiting->Connected());
  blocker->Release();
  waits = 0;
  EXPECT_TRUE(insert.Execute("INSERT INTO t VALUES (1, 1)")) << waiting->LastError();
  waiting->Commit();
  EXPECT_EQ(Count(), 2);
}

TEST_F(ConcurrencyTest, ABlockedWriterGivesUpAfterBlockingTimeout) {
  auto blocker = HoldWriteLock();
  ASSERT_TRUE(session->SetOption("blocking_timeout", "200"));
  const auto since = Clock::now();
  EXPECT_FALSE(query->Execute("INSERT INTO t VALUES (1, 1)"));
  const long long waited = ElapsedMs(since);
  EXPECT_EQ(session->LastErrorCode(), DBE_LOCKED);
  EXPECT_EQ(session->LastError().rfind("Error -210: ", 0), 0u) << session->LastError();
  EXPECT_GE(waited, 190);
  EXPECT_LT(waited, 2000);
  blocker->Release(false);
  EXPECT_TRUE(query->Execute("INSERT INTO t VALUES (1, 1)")) << session->LastError();
}

// A program with two sessions on one thread: the second waits for the
// first's open transaction, which only this thread could end.
TEST_F(ConcurrencyTest, TwoSessionsOfOneThreadWaitingForEachOtherAreToldDeadlock) {
  TWorker first = NewWorker();
  ASSERT_TRUE(first.Query->Execute("INSERT INTO t VALUES (1, 1)"));
  const auto since = Clock::now();
  EXPECT_FALSE(query->Execute("INSERT INTO t VALUES (2, 2)"));
  EXPECT_LT(ElapsedMs(since), 1000);
  EXPECT_EQ(session->LastErrorCode(), DBE_DEADLOCK);
  EXPECT_EQ(session->LastError().rfind("Error -306: Deadlock detected", 0), 0u)
      << session->LastError();
  first.Session->Commit();
  EXPECT_TRUE(query->Execute("INSERT INTO t VALUES (2, 2)")) << session->LastError();
}

// Each session changes the same two rows in the opposite order inside its
// own transaction: neither hangs, and each completes or is told -306.
TEST_F(ConcurrencyTest, TwoSessionsChangingTwoRowsInOppositeOrderBothEnd) {
  Run("INSERT INTO t VALUES (1, 0), (2, 0)");
  std::int32_t outcome[2] = {-1, -1};
  std::latch ready(2);
  auto run = [&](int Me) {
    TWorker worker = NewWorker();
    ready.arrive_and_wait();
    worker.Session->StartTransaction();
    const int order[2][2] = {{1, 2}, {2, 1}};
    bool ok = true;
    for (int row : order[Me]) {
      ok = worker.Query->Execute("UPDATE t SET b = b + 1 WHERE a = ?", {row});
      if (!ok) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    outcome[Me] = ok ? 0 : worker.Session->LastErrorCode();
    if (ok)
      worker.Session->Commit();
    else
      worker.Session->Rollback();
  };
  const auto since = Clock::now();
  std::thread first(run, 0), second(run, 1);
  first.join();
  second.join();
  EXPECT_LT(ElapsedMs(since), 3000);
  int completed = 0;
  for (std::int32_t code : outcome) {
    EXPECT_TRUE(code == 0 || code == DBE_DEADLOCK) << code;
    completed += code == 0;
  }
  EXPECT_EQ(QueryInt(*session, "SELECT sum(b) FROM t"), 2 * completed);
}

// A cursor open for writing, part-way through its rows, after another
// session committed: its changes still go in, and it reads on to its end.
TEST_F(ConcurrencyTest, ACursorPartWayThroughItsRowsChangesThemAfterAnotherSessionCommitted) {
  Run("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100) "
      "INSERT INTO t SELECT i, 0 FROM n");
  session->SetAutoCommit(true);
  ASSERT_TRUE(query->OpenWrite("SELECT a, b FROM t ORDER BY a"));
  for (int i = 0; i < 30; ++i)
    ASSERT_TRUE(query->Next());
  TWorker other = NewWorker();
  other.Session->SetAutoCommit(true);
  ASSERT_TRUE(other.Query->Execute("INSERT INTO t VALUES (1000, 0)"));
  query->SetFieldValue("b", 1);
  ASSERT_TRUE(query->Modify()) << session->LastError();
  int rows = 31;
  while (query->Next())
    ++rows;
  EXPECT_TRUE(query->Eof()) << session->LastError();
  EXPECT_EQ(rows, 101) << "every row once, the one committed meanwhile at the end";
  query->Close();
  EXPECT_EQ(QueryInt(*other.Session, "SELECT a FROM t WHERE b = 1"), 31);
}

// Sessions are made, connected, used and destroyed on eight threads at
// once; some only load the library and go. The library is loaded and
// unloaded by its count all the while, each session hears its own waits
// while others connect and disconnect, and nothing is left at the end.
TEST_F(ConcurrencyTest, SessionsComeAndGoOnEightThreadsAtOnce) {
  static constexpr const char* kCounting =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
      "SELECT count(*) FROM n";
  query.reset();
  session.reset();
  constexpr int kThreads = 8;
  constexpr int kRounds = 12;
  std::atomic<int> failures{0};
  std::string firstError;
  std::mutex errorLock;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        try {
          auto mine = NewSession();
          if ((t + round) % 3 == 0) {
            mine->GetLibraryVersion();
            continue;
          }
          int waits = 0;
          mine->OnServerWait = [&](host::TObject* Sender) {
            if (Sender == mine.get()) ++waits;
          };
          mine->SetConnected(true);
          if (QueryInt(*mine, kCounting) != 20000) throw EAsaException(mine->LastError());
          if (waits == 0) throw EAsaException("no wait heard");
        } catch (const std::exception& e) {
          if (failures++ == 0) {
            std::lock_guard<std::mutex> guard(errorLock);
            firstError = e.what();
          }
        }
      }
    });
  }
  for (auto& thread : threads)
    thread.join();
  EXPECT_EQ(failures, 0) << firstError;
  EXPECT_EQ(AsaLibrary.ReferenceCount, 0);
  EXPECT_EQ(AsaLibrary.Handle, nullptr);
}

}  // namespace
}  // namespace asa_test
