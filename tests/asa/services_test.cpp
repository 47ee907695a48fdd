// Transactions reaching the server, connection options and their properties,
// and online backup.
#include <filesystem>
#include <vector>

#include "tests/asa/asa_fixture.h"

namespace asa_test {
namespace {

using velar::atReadCommitted;
using velar::atSerializable;
using velar::atUnchanged;

// Transactions and options are exercised in both calling forms.
class ServicesTest : public AsaTest, public ::testing::WithParamInterface<const char*> {
 protected:
  ServicesTest() : AsaTest(GetParam()) {}
  void SetUp() override {
    AsaTest::SetUp();
    session = NewSession();
    session->SetConnected(true);
  }
  void TearDown() override {
    session.reset();
    other.reset();
    AsaTest::TearDown();
  }
  std::unique_ptr<TAsaSession> session;
  std::unique_ptr<TAsaSession> other;
};

TEST_P(ServicesTest, RolledBackWorkIsGoneAndCommittedWorkStays) {
  Exec(*session, "CREATE TABLE t(a INTEGER)");
  session->Commit();
  other = NewSession();
  other->SetConnected(true);

  session->StartTransaction();
  Exec(*session, "INSERT INTO t VALUES (1)");
  EXPECT_EQ(QueryInt(*other, "SELECT count(*) FROM t"), 0) << "not visible before commit";
  session->Rollback();
  EXPECT_FALSE(session->InTransaction());
  EXPECT_EQ(QueryInt(*session, "SELECT count(*) FROM t"), 0);

  session->StartTransaction();
  Exec(*session, "INSERT INTO t VALUES (2)");
  session->Commit();
  EXPECT_EQ(QueryInt(*other, "SELECT count(*) FROM t"), 1);
  session->Rollback();
  EXPECT_EQ(QueryInt(*session, "SELECT a FROM t"), 2);
}

TEST_P(ServicesTest, CommitFailureIsReportedAndRaisesOnlyWhenAsked) {
  session->StartTransaction();
  standIn.Inject("dbpp_commit", -300, "disk trouble");
  session->Commit();
  EXPECT_EQ(session->LastError(), "Error -300: disk trouble (HY000)");
  EXPECT_TRUE(session->InTransaction()) << "a refused commit keeps the transaction";
  session->Rollback();
  EXPECT_FALSE(session->InTransaction());
  session->SetWantExceptions(true);
  session->StartTransaction();
  standIn.Inject("dbpp_rollback", -300, "disk trouble");
  EXPECT_THROW(session->Rollback(), EAsaException);
  EXPECT_TRUE(session->InTransaction()) << "a failed rollback keeps the transaction";
}

TEST_P(ServicesTest, RefusedCommitOrRollbackWithoutExceptionsKeepsTheWorkOpen) {
  Exec(*session, "CREATE TABLE t(a INTEGER)");
  session->Commit();
  session->StartTransaction();
  Exec(*session, "INSERT INTO t VALUES (1)");
  standIn.Inject("dbpp_rollback", -300, "disk trouble");
  session->Rollback();
  EXPECT_TRUE(session->InTransaction());
  EXPECT_EQ(session->LastErrorCode(), -300);
  standIn.Inject("dbpp_commit", -300, "disk trouble");
  session->Commit();
  EXPECT_TRUE(session->InTransaction());
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { session->StartTransaction(); }),
            "A user transaction is already in progress")
      << "the open transaction is not mistaken for a new one";
  session->Commit();
  EXPECT_FALSE(session->InTransaction());
  other = NewSession();
  other->SetConnected(true);
  EXPECT_EQ(QueryInt(*other, "SELECT count(*) FROM t"), 1) << "the retried commit went through";
}

TEST_P(ServicesTest, OptionsRoundTrip) {
  EXPECT_TRUE(session->SetOption("date_format", "YYYY-MM-DD"));
  std::string value = "stale";
  EXPECT_TRUE(session->GetOption("date_format", value));
  EXPECT_EQ(value, "YYYY-MM-DD");
  EXPECT_FALSE(session->GetOption("never_set", value));
  EXPECT_EQ(value, "") << "a failed read leaves no stale value";
  EXPECT_EQ(session->LastErrorCode(), DBE_INVALID_OPTION);
  EXPECT_FALSE(session->SetOption("isolation_level", "9"));
  session->SetWantExceptions(true);
  EXPECT_THROW(session->SetOption("isolation_level", "9"), EAsaException);
}

TEST_P(ServicesTest, OptionPropertiesSendOnlyWhatChanges) {
  std::string value;
  session->SetTransIsolation(atSerializable);
  ASSERT_TRUE(session->GetOption("isolation_level", value));
  EXPECT_EQ(value, "3");
  session->SetWantRowCounts(true);
  ASSERT_TRUE(session->GetOption("row_counts", value));
  EXPECT_EQ(value, "ON");
  standIn.StartTrace();
  session->SetTransIsolation(atUnchanged);
  session->SetWantRowCounts(true);
  EXPECT_EQ(standIn.Trace(), "alloc_sqlda\ndbpp_getoption\nfree_sqlda\n") << "only a read";
}

TEST_P(ServicesTest, SettingsChosenWhileDisconnectedApplyAtTheNextConnect) {
  session->SetConnected(false);
  session->SetWantExceptions(true);
  EXPECT_THROW(session->SetTransIsolation(atReadCommitted), EAsaException);
  EXPECT_EQ(session->TransIsolation(), atReadCommitted) << "the choice is kept";
  EXPECT_THROW(session->SetWantRowCounts(true), EAsaException);
  EXPECT_TRUE(session->WantRowCounts());
  session->SetConnected(true);
  std::string value;
  ASSERT_TRUE(session->GetOption("isolation_level", value));
  EXPECT_EQ(value, "1");
  ASSERT_TRUE(session->GetOption("row_counts", value));
  EXPECT_EQ(value, "ON");
}

INSTANTIATE_TEST_SUITE_P(BothForms, ServicesTest,
                         ::testing::Values("libdblib6.so", "libdblib7.so"));

class BackupTest : public AsaTest {
 protected:
  void SetUp() override {
    AsaTest::SetUp();
    session = NewSession();
    session->SetConnected(true);
    Exec(*session, "CREATE TABLE t(a INTEGER, pad TEXT)");
    Exec(*session,
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
         "INSERT INTO t SELECT i, printf('%0300d', i) FROM n");
    session->Commit();
    target = dir.File("copy");
    std::filesystem::create_directory(target);
    session->OnBackup = [this](host::TObject*, const std::string& File, int Pages, int Page) {
      files.push_back(File);
      pages = Pages;
      written.push_back(Page);
    };
  }
  void TearDown() override {
    session.reset();
    AsaTest::TearDown();
  }
  // How many rows the copy holds, opened as a database of its own.
  std::int64_t RowsInCopy(const std::string& File) {
    auto reader = NewSession(File);
    reader->SetLoginEngineName("copies");  // beside the original, which has the same name
    reader->SetConnected(true);
    return QueryInt(*reader, "SELECT count(*) FROM t");
  }
  std::unique_ptr<TAsaSession> session;
  std::string target;
  std::vector<std::string> files;
  std::vector<int> written;
  int pages = 0;
};

TEST_F(BackupTest, LiveDatabaseCopyOpensWithTheSameRows) {
  ASSERT_TRUE(session->Backup(target)) << session->LastError();
  const std::string copy = target + "/test.db";
  ASSERT_TRUE(std::filesystem::exists(copy));
  EXPECT_GT(pages, 1);
  EXPECT_EQ(std::filesystem::file_size(copy), static_cast<std::uintmax_t>(pages) * 4096u);
  ASSERT_EQ(written.size(), static_cast<std::size_t>(pages));
  for (int i = 0; i < pages; ++i)
    EXPECT_EQ(written[static_cast<std::size_t>(i)], i + 1);
  EXPECT_EQ(files.front(), copy);
  EXPECT_EQ(RowsInCopy(copy), 300);
  EXPECT_EQ(QueryInt(*session, "SELECT count(*) FROM t"), 300) << "the source is untouched";
}

TEST_F(BackupTest, EmptyDirectoryWritesIntoTheCurrentDirectory) {
  const std::string before = host::GetCurrentDir();
  ASSERT_TRUE(host::SetCurrentDir(target));
  const bool copied = session->Backup("");
  host::SetCurrentDir(before);
  EXPECT_TRUE(copied);
  EXPECT_EQ(files.front(), "test.db");
  EXPECT_TRUE(std::filesystem::exists(target + "/test.db"));
}

TEST_F(BackupTest, PageThatCannotBeReadFailsTheCopy) {
  session->OnBackup = [this](host::TObject*, const std::string&, int, int Page) {
    written.push_back(Page);
    if (Page == 2) standIn.Inject("db_backup", -300, "read failed");
  };
  EXPECT_FALSE(session->Backup(target));
  EXPECT_EQ(written, (std::vector<int>{1, 2}));
  session->OnBackup = nullptr;
  EXPECT_TRUE(session->Backup(target)) << "the server's backup state was ended";
}

TEST_F(BackupTest, TargetThatIsTheDatabaseItselfIsRefusedHoweverItIsWritten) {
  const std::filesystem::path linked = dir.File("linked");
  std::filesystem::create_directory_symlink(dir.Path(), linked);
  const std::string expected = "Backup refused: the target " + dir.Path() +
                               "/test.db is the "
                               "database file itself.";
  for (const std::string& spelling :
       {dir.Path(), dir.Path() + "/", dir.Path() + "/./", linked.string(), target + "/.."}) {
    SCOPED_TRACE(spelling);
    EXPECT_FALSE(session->Backup(spelling));
    EXPECT_EQ(session->LastError().rfind("Backup refused: the target ", 0), 0u)
        << session->LastError();
    EXPECT_EQ(QueryInt(*session, "SELECT count(*) FROM t"), 300);
  }
  EXPECT_TRUE(files.empty()) << "no page was written anywhere";
  session->SetWantExceptions(true);
  EXPECT_EQ(MessageOf<EAsaException>([&] { session->Backup(dir.Path()); }), expected);
  EXPECT_EQ(session->LastError(), expected);

  session.reset();  // the next connect opens the database afresh
  auto reopened = NewSession();
  reopened->SetConnected(true);
  EXPECT_EQ(QueryInt(*reopened, "SELECT count(*) FROM t"), 300);
  EXPECT_TRUE(reopened->Backup(target)) << "the backup's state was ended every time";
}

TEST_F(BackupTest, FailedCopyLeavesThePreviousCopyIntact) {
  ASSERT_TRUE(session->Backup(target));
  const std::string copy = target + "/test.db";
  Exec(*session, "DELETE FROM t WHERE a > 100");
  session->Commit();
  session->OnBackup = [this](host::TObject*, const std::string&, int, int Page) {
    if (Page == 3) standIn.Inject("db_backup", -300, "read failed");
  };
  EXPECT_FALSE(session->Backup(target));
  EXPECT_EQ(RowsInCopy(copy), 300) << "the earlier copy was not touched";
  for (const auto& entry : std::filesystem::directory_iterator(target)) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "test.db" || name == "test.db-wal" || name == "test.db-shm")
        << name << ": no partial file stays behind";
  }
}

TEST_F(BackupTest, FailedStartReturnsFalseOrRaises) {
  standIn.Inject("db_backup", -1003, "backup busy");
  EXPECT_FALSE(session->Backup(target));
  EXPECT_EQ(session->LastError(), "Error -1003: backup busy (HY010)");
  session->SetWantExceptions(true);
  standIn.Inject("db_backup", -1003, "backup busy");
  EXPECT_THROW(session->Backup(target), EAsaException);
  EXPECT_TRUE(files.empty());
}

}  // namespace
}  // namespace asa_test
