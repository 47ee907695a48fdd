// Online backup: page size and counts, a byte-exact copy of a quiet database
// that opens again, and a consistent copy while another connection writes.
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "tests/dblib/dblib_fixture.h"

namespace dblib_test {
namespace {

class BackupTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    connect();
    exec("CREATE TABLE t(a INTEGER, pad TEXT)");
    exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) "
        "INSERT INTO t SELECT i, printf('%0200d', i) FROM n");
    lib.commit(&ca);
  }
  void backup(int operation, int file, unsigned long page, sqlda* d) {
    lib.sym<db_backup_fn>("db_backup")(&ca, operation, file, page, d);
  }
  // Runs the whole backup into target; between pages calls between(page).
  std::string run_backup(const std::function<void(int)>& between = {}) {
    backup(DBBACKUP_START, 0, 0, nullptr);
    EXPECT_EQ(ca.sqlcode, 0) << lib.message(&ca);
    int page_size = SQLCOUNT(&ca);
    EXPECT_EQ(page_size, 4096);
    backup(DBBACKUP_OPEN_FILE, 0, 0, nullptr);
    EXPECT_EQ(ca.sqlcode, 0) << lib.message(&ca);
    int pages = SQLCOUNT(&ca);
    EXPECT_EQ(std::string(ca.sqlerrmc, ca.sqlerrml), "test.db");
    std::vector<char> buffer(static_cast<size_t>(page_size) + 2);
    sqlda* d = lib.alloc(1);
    d->sqld = 1;
    d->sqlvar[0] = {
        DBT_BINARY, static_cast<int16_t>(buffer.size()), buffer.data(), d->sqlvar[0].sqlind, {}};
    std::string copy;
    for (int page = 0; page < pages; ++page) {
      backup(DBBACKUP_READ_PAGE, 0, static_cast<unsigned long>(page), d);
      EXPECT_EQ(ca.sqlcode, 0) << lib.message(&ca);
      uint16_t length = 0;
      std::memcpy(&length, buffer.data(), 2);
      EXPECT_EQ(length, page_size);
      copy.append(buffer.data() + 2, length);
      if (between) between(page);
    }
    backup(DBBACKUP_READ_PAGE, 0, static_cast<unsigned long>(pages), d);
    EXPECT_EQ(ca.sqlcode, DBE_BAD_ARGUMENT) << "past the last page";
    backup(DBBACKUP_CLOSE_FILE, 0, 0, nullptr);
    backup(DBBACKUP_OPEN_FILE, 1, 0, nullptr);
    EXPECT_LT(ca.sqlcode, 0) << "the database is one file";
    backup(DBBACKUP_END, 0, 0, nullptr);
    EXPECT_EQ(ca.sqlcode, 0);
    lib.free(d);
    return copy;
  }
  static std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  long long count_in(const std::string& copy) {
    std::string restored = dir.File("restored.db");
    std::ofstream(restored, std::ios::binary) << copy;
    sqlca other{};
    lib.init(&other);
    EXPECT_EQ(lib.connect(&other, "eng=srv;dbf=" + restored + ";dbn=restored;uid=DBA;pwd=SQL"), 1u)
        << lib.message(&other);
    long long n = query_int("SELECT count(*) FROM t", &other);
    lib.fini(&other);
    return n;
  }
};

TEST_F(BackupTest, QuietDatabaseCopiesByteForByteAndTheCopyOpens) {
  std::string copy = run_backup();
  std::string original = read_file(db_file);
  ASSERT_GE(original.size(), copy.size());
  EXPECT_EQ(copy.size() % 4096, 0u);
  EXPECT_TRUE(original.compare(0, copy.size(), copy) == 0);
  EXPECT_EQ(count_in(copy), 500);
}

TEST_F(BackupTest, CopyIsTheCommittedStateWhileAnotherConnectionWrites) {
  sqlca writer{};
  lib.init(&writer);
  ASSERT_EQ(lib.connect(&writer, "eng=srv;dbn=test;uid=DBA;pwd=SQL"), 1u);
  lib.execute_imm(&writer, "INSERT INTO t SELECT a + 1000, pad FROM t");  // not committed
  ASSERT_EQ(writer.sqlcode, 0);
  std::string copy = run_backup([&](int page) {
    if (page == 1) {
      lib.commit(&writer);  // lands while the backup reads
      lib.execute_imm(&writer, "DELETE FROM t WHERE a < 100");
      lib.commit(&writer);
      EXPECT_EQ(writer.sqlcode, 0) << lib.message(&writer);
    }
  });
  EXPECT_EQ(count_in(copy), 500);
  lib.fini(&writer);
  EXPECT_EQ(query_int("SELECT count(*) FROM t"), 901);
}

TEST_F(BackupTest, CallsOutOfOrderAreRefused) {
  backup(DBBACKUP_OPEN_FILE, 0, 0, nullptr);
  EXPECT_EQ(ca.sqlcode, DBE_BACKUP_STATE);
  backup(DBBACKUP_START, 0, 0, nullptr);
  backup(DBBACKUP_START, 0, 0, nullptr);
  EXPECT_EQ(ca.sqlcode, DBE_BACKUP_STATE);
  backup(DBBACKUP_READ_PAGE, 0, 0, nullptr);
  EXPECT_EQ(ca.sqlcode, DBE_BACKUP_STATE) << "file not open";
  backup(DBBACKUP_OPEN_FILE, 0, 0, nullptr);
  sqlda* small = lib.alloc(1);
  small->sqld = 1;
  char buffer[100];
  small->sqlvar[0] = {DBT_BINARY, sizeof buffer, buffer, nullptr, {}};
  backup(DBBACKUP_READ_PAGE, 0, 0, small);
  EXPECT_EQ(ca.sqlcode, DBE_INVALID_HOST_VARIABLE) << "a page never overruns a small buffer";
  lib.free(small);
  backup(DBBACKUP_END, 0, 0, nullptr);
  EXPECT_EQ(ca.sqlcode, 0);
}

}  // namespace
}  // namespace dblib_test
