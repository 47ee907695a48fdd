// Several processes on one database file, each starting it in an engine of
// its own: SQLite's lock keeps their changes apart, and what one commits the
// others read next.
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <thread>

#include "tests/dblib/dblib_fixture.h"

extern char** environ;

namespace dblib_test {
namespace {

class ProcessesTest : public DbTest {
 protected:
  // Starts the writer program on the fixture's database: tag its rows, rows
  // of them, one commit each.
  pid_t spawn_writer(int tag, int rows) {
    std::string program = std::string(VELAR_BIN_DIR) + "/dblib_process_writer";
    std::string library = std::string(VELAR_LIB_DIR) + "/libdblib7.so";
    std::string tag_text = std::to_string(tag);
    std::string rows_text = std::to_string(rows);
    char* args[] = {program.data(),  library.data(),   db_file.data(),
                    tag_text.data(), rows_text.data(), nullptr};
    pid_t child = -1;
    EXPECT_EQ(posix_spawn(&child, program.c_str(), nullptr, nullptr, args, environ), 0);
    return child;
  }
  static int exit_status(pid_t child) {
    int status = 0;
    if (waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

// This process keeps its own connection open the whole time; the writers
// find the row it committed before they began (or exit with 3), and its
// next read finds every row they committed.
TEST_F(ProcessesTest, TwoProcessesInsertingIntoOneFileAtOnceLoseNothing) {
  connect();
  exec("CREATE TABLE t(a INTEGER, b INTEGER)");
  exec("INSERT INTO t VALUES (0, 0)");
  lib.commit(&ca);
  constexpr int kRows = 150;
  pid_t first = spawn_writer(1, kRows);
  pid_t second = spawn_writer(2, kRows);
  EXPECT_EQ(exit_status(first), 0);
  EXPECT_EQ(exit_status(second), 0);
  EXPECT_EQ(query_int("SELECT count(*) FROM t"), 2 * kRows + 1);
  EXPECT_EQ(query_int("SELECT count(DISTINCT a * 1000 + b) FROM t"), 2 * kRows + 1);
}

// While this process holds the write lock, another process's change waits
// for it (SQLite's lock, not this process's) and goes in once it commits.
TEST_F(ProcessesTest, AnotherProcessWaitsForThisOnesTransaction) {
  connect();
  exec("CREATE TABLE t(a INTEGER, b INTEGER)");
  exec("INSERT INTO t VALUES (0, 0)");
  lib.commit(&ca);
  exec("INSERT INTO t VALUES (9, 9)");
  pid_t writer = spawn_writer(1, 5);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(query_int("SELECT count(*) FROM t WHERE a = 1"), 0) << "the writer is still waiting";
  lib.commit(&ca);
  EXPECT_EQ(exit_status(writer), 0);
  EXPECT_EQ(query_int("SELECT count(*) FROM t"), 7);
}

}  // namespace
}  // namespace dblib_test
