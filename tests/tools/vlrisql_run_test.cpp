// vlrisql run as a program, the way scripts and people use it without the
// prompt: statements from standard input, -e and -f; results as tables, CSV
// and JSON that parsers read back; the dot commands; backups; logins,
// libraries and new databases; exit statuses; Ctrl-C; and a result of a
// million rows that streams through in constant memory.
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/tools/text_readers.h"
#include "tests/tools/vlrisql_process.h"

namespace vlrisql_test {
namespace {

constexpr char kItems[] =
    "CREATE TABLE item(id INTEGER PRIMARY KEY, name VARCHAR(30), qty INTEGER, "
    "price NUMERIC(10,2), note LONG VARCHAR, data LONG BINARY);\n"
    "INSERT INTO item VALUES (1, 'Ann, \"the\" first', 10, 2.5, 'short', x'01ff');\n"
    "INSERT INTO item VALUES (2, NULL, NULL, NULL, NULL, NULL),\n"
    "  (3, '', 0, -1.25, 'line one\nline two', x'');\n";

class VlrisqlRun : public VlrisqlTest {};

TEST_F(VlrisqlRun, StatementsFromStandardInputPrintTablesAndRowCounts) {
  const TRun run = Sql(std::string(kItems) +
                       "SELECT * FROM item ORDER BY id;\n"
                       "UPDATE item SET qty = qty + 1 WHERE qty IS NOT NULL;\n"
                       "CREATE VARIABLE v INTEGER; SET v = 1 + 1; DROP VARIABLE v;\n"
                       "SELECT id, qty FROM item WHERE id = 1");
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Out,
            "0 rows affected\n"
            "1 row affected\n"
            "2 rows affected\n"
            "id | name             | qty  | price | note                           | data\n"
            "---+------------------+------+-------+--------------------------------+----------\n"
            " 1 | Ann, \"the\" first |   10 |   2.5 | short                          | <2 bytes>\n"
            " 2 | NULL             | NULL |  NULL | NULL                           | NULL\n"
            " 3 |                  |    0 | -1.25 | line one line tw... (17 bytes) | <0 bytes>\n"
            "(3 rows)\n"
            "2 rows affected\n"
            "0 rows affected\n0 rows affected\n0 rows affected\n"
            "id | qty\n"
            "---+----\n"
            " 1 |  11\n"
            "(1 row)\n")
      << "the last statement needs no \";\"";
}

TEST_F(VlrisqlRun, AFailedStatementIsReportedAndTheRunGoesOnButEndsNonZero) {
  const TRun run = Run({"test.db", "-e", "SELECT 1 AS a; SELECT * FROM missing; SELECT 2 AS b;"});
  EXPECT_EQ(run.Out, "a\n-\n1\n(1 row)\nb\n-\n2\n(1 row)\n");
  EXPECT_EQ(run.Err, "Error -141: Table 'missing' not found (42S02)\n");
  EXPECT_EQ(run.Status, 1);

  const TRun unknown = Run({"test.db", "-e", ".frobnicate"});
  EXPECT_EQ(unknown.Err, "Unknown command .frobnicate; .help lists the commands.\n");
  EXPECT_EQ(unknown.Status, 1);
}

TEST_F(VlrisqlRun, ScriptsComeFromFilesAndTextsInTheOrderGiven) {
  std::ofstream(dir.File("setup.sql")) << "CREATE TABLE t(n INTEGER);\r\nINSERT INTO t VALUES (1)";
  const TRun run =
      Run({"test.db", "-f", "setup.sql", "-e", "INSERT INTO t VALUES (2)", "-e",
           "SELECT count(*) AS n FROM t;\n.quit\nSELECT 'not reached';", "-e", "SELECT 3"});
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.Out, "0 rows affected\n1 row affected\n1 row affected\nn\n-\n2\n(1 row)\n");
  EXPECT_EQ(run.Status, 0);

  const TRun missing = Run({"test.db", "-f", "absent.sql"});
  EXPECT_EQ(missing.Err, "Cannot open absent.sql\n");
  EXPECT_EQ(missing.Status, 1);
}

// Each change is committed as it runs; a transaction started by hand holds
// the commits off until it ends, and COMMIT needs no open transaction.
TEST_F(VlrisqlRun, TransactionStatementsGoThroughTheSession) {
  const TRun run =
      Sql("CREATE TABLE t(n INTEGER);\nINSERT INTO t VALUES (1);\nCOMMIT;\n"
          "BEGIN TRANSACTION;\nINSERT INTO t VALUES (2);\nROLLBACK WORK;\n"
          "START TRANSACTION;\nINSERT INTO t VALUES (3);\ncommit;\n"
          "BEGIN;\nINSERT INTO t VALUES (4);\n");
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.Out,
            "0 rows affected\n1 row affected\nCommitted\n"
            "Transaction started\n1 row affected\nRolled back\n"
            "Transaction started\n1 row affected\nCommitted\n"
            "Transaction started\n1 row affected\n");
  EXPECT_EQ(Run({"test.db", "--format", "csv", "-e", "SELECT n FROM t ORDER BY n"}).Out,
            "n\r\n1\r\n3\r\n4\r\n")
      << "work left in a transaction is committed when vlrisql ends";
}

TEST_F(VlrisqlRun, CsvReadsBackCellForCell) {
  ASSERT_EQ(Sql(kItems).Status, 0);
  const TRun run = Run({"test.db", "--format", "csv", "-e", "SELECT * FROM item ORDER BY id"});
  ASSERT_EQ(run.Status, 0) << run.Err;
  const std::vector<TCsvRow> rows = ReadCsv(run.Out);
  using C = std::optional<std::string>;
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], (TCsvRow{"id", "name", "qty", "price", "note", "data"}));
  EXPECT_EQ(rows[1], (TCsvRow{"1", "Ann, \"the\" first", "10", "2.5", "short", "01ff"}));
  EXPECT_EQ(rows[2], (TCsvRow{"2", C(), C(), C(), C(), C()})) << "NULL is an empty field";
  EXPECT_EQ(rows[3], (TCsvRow{"3", "", "0", "-1.25", "line one\nline two", ""}))
      << "an empty text stays apart from NULL, and a long one is whole";
  EXPECT_EQ(run.Err, "") << "no row counts among the values";
}

TEST_F(VlrisqlRun, JsonReadsBackWithItsTypes) {
  ASSERT_EQ(Sql(kItems).Status, 0);
  const TRun run = Run({"test.db", "--format=json", "-e",
                        "UPDATE item SET qty = 5 WHERE id = 3; SELECT * FROM item ORDER BY id"});
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Err, "1 row affected\n") << "row counts go beside the document";
  const TJson rows = JsonReader::Read(run.Out);
  ASSERT_EQ(rows.Kind, TJson::TKind::Array);
  ASSERT_EQ(rows.Items.size(), 3u);
  const TJson& first = rows.Items[0];
  EXPECT_EQ(first["id"].Kind, TJson::TKind::Number);
  EXPECT_EQ(first["id"].Text, "1");
  EXPECT_EQ(first["name"].Text, "Ann, \"the\" first");
  EXPECT_EQ(first["price"].Text, "2.5");
  EXPECT_EQ(FromBase64(first["data"].Text), "\x01\xff");
  const TJson& second = rows.Items[1];
  for (const char* column : {"name", "qty", "price", "note", "data"})
    EXPECT_EQ(second[column].Kind, TJson::TKind::Null) << column;
  const TJson& third = rows.Items[2];
  EXPECT_EQ(third["name"].Kind, TJson::TKind::String);
  EXPECT_EQ(third["name"].Text, "");
  EXPECT_EQ(third["qty"].Text, "5");
  EXPECT_EQ(third["price"].Text, "-1.25");
  EXPECT_EQ(third["note"].Text, "line one\nline two");

  const TJson empty = JsonReader::Read(
      Run({"test.db", "--format", "json", "-e", "SELECT * FROM item WHERE id > 9"}).Out);
  EXPECT_EQ(empty.Kind, TJson::TKind::Array);
  EXPECT_TRUE(empty.Items.empty());
}

TEST_F(VlrisqlRun, TablesAndDescribeShowTheUsersOwnTablesAndColumns) {
  ASSERT_EQ(Sql(std::string(kItems) +
                "CREATE TABLE \"odd name\"(\"a b\" VARCHAR(4) NOT NULL, flag BIT);\n"
                "CREATE VIEW cheap AS SELECT id FROM item WHERE price < 3;\n")
                .Status,
            0);
  const TRun run =
      Sql(".tables\n"
          ".describe item\n"
          ".describe \"odd name\";\n");
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.Out,
            "table_name\n"
            "----------\n"
            "cheap\n"
            "item\n"
            "odd name\n"
            "(3 rows)\n"
            "column | type       | size | nulls\n"
            "-------+------------+------+------\n"
            "id     | integer    |    4 | no\n"
            "name   | string(30) |   31 | yes\n"
            "qty    | integer    |    4 | yes\n"
            "price  | float      |    8 | yes\n"
            "note   | memo       |    4 | yes\n"
            "data   | blob       |    4 | yes\n"
            "(6 rows)\n"
            "column | type      | size | nulls\n"
            "-------+-----------+------+------\n"
            "a b    | string(4) |    5 | no\n"
            "flag   | boolean   |    1 | yes\n"
            "(2 rows)\n")
      << "the stand-in's own tables are not listed";
}

TEST_F(VlrisqlRun, DescribeTakesOnlyATableName) {
  ASSERT_EQ(Sql(kItems).Status, 0);
  for (const char* typed :
       {"item; DROP TABLE item", "item WHERE 1=1", "\"item", "1item", "a.b.c", "item--", ""}) {
    const TRun run = Run({"test.db", "-e", std::string(".describe ") + typed});
    EXPECT_EQ(run.Status, 1) << typed;
    EXPECT_EQ(run.Out, "") << typed;
    EXPECT_NE(run.Err.find(*typed != '\0' ? "Not a table name: " : "usage: .describe TABLE"),
              std::string::npos)
        << typed << ": " << run.Err;
  }
  EXPECT_EQ(Run({"test.db", "-e", "SELECT count(*) FROM item"}).Out,
            "count(*)\n--------\n       3\n(1 row)\n")
      << "the table is still there";
}

TEST_F(VlrisqlRun, ExplainTimingAndFormatCommands) {
  ASSERT_EQ(Sql(kItems).Status, 0);
  const TRun run =
      Sql(".explain SELECT name FROM item WHERE id = 2\n"
          ".timing on\n"
          "SELECT 1 AS one;\n"
          ".timing off\n"
          ".format csv\n"
          "SELECT 2 AS two;\n"
          ".format\n"
          ".format xml\n");
  EXPECT_NE(run.Out.find("item"), std::string::npos) << run.Out;
  const std::size_t table = run.Out.find("one\n---\n  1\n(1 row)\nTime: ");
  ASSERT_NE(table, std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find(" ms\ntwo\r\n2\r\n", table), std::string::npos) << run.Out;
  EXPECT_EQ(run.Out.rfind("Time: "), run.Out.find("Time: ")) << "timing went off";
  EXPECT_EQ(run.Err, "Format: csv\nusage: .format table|csv|json\n");
  EXPECT_EQ(run.Status, 1) << "the refused format counts as a failure";
}

TEST_F(VlrisqlRun, ProceduresPrintEachResultSetInTurn) {
  ASSERT_EQ(Sql(std::string(kItems) +
                "CREATE PROCEDURE two_sets(IN lo INTEGER) BEGIN\n"
                "  SELECT id, qty FROM item WHERE id >= lo ORDER BY id;\n"
                "  SELECT count(*) AS n FROM item;\n"
                "END;\n"
                "CREATE PROCEDURE empty_first() BEGIN\n"
                "  SELECT id FROM item WHERE id > 100; SELECT 5 AS five;\n"
                "END;\n"
                "CREATE PROCEDURE no_sets(IN a INTEGER, OUT b INTEGER) BEGIN SET b = a; END;\n")
                .Status,
            0);
  const TRun run = Sql("CALL two_sets(2);\nCALL empty_first();\nCALL no_sets(1, ?);\n");
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.Out,
            "id | qty\n---+-----\n 2 | NULL\n 3 |    0\n(2 rows)\n"
            "n\n-\n3\n(1 row)\n"
            "id\n--\n(0 rows)\n"
            "five\n----\n   5\n(1 row)\n"
            "(no result set)\n");
}

TEST_F(VlrisqlRun, BackupCopiesTheDatabaseAndReportsItsProgress) {
  std::string rows = "CREATE TABLE filler(id INTEGER PRIMARY KEY, text VARCHAR(200));\n";
  for (int i = 0; i < 200; ++i)
    rows +=
        "INSERT INTO filler VALUES (" + std::to_string(i) + ", '" + std::string(150, 'x') + "');\n";
  ASSERT_EQ(Sql(rows).Status, 0);
  const TRun run = Sql(".backup copies/today\n");
  ASSERT_EQ(run.Status, 0) << run.Err;
  // A plain line at each tenth, the last at 100%.
  std::vector<int> percents;
  std::size_t at = 0;
  while ((at = run.Out.find("test.db: ", at)) != std::string::npos) {
    at += 9;
    percents.push_back(std::stoi(run.Out.substr(at, 3)));
  }
  ASSERT_GE(percents.size(), 5u) << run.Out;
  EXPECT_EQ(percents.back(), 100) << run.Out;
  for (std::size_t i = 1; i < percents.size(); ++i)
    EXPECT_GT(percents[i] / 10, percents[i - 1] / 10) << run.Out;
  const std::string copy = dir.File("copies/today/test.db");
  EXPECT_NE(run.Out.find("Backup written to " + dir.File("copies/today") + ": test.db\n"),
            std::string::npos)
      << run.Out;
  const TRun check = Run({copy, "--format", "csv", "-e", "SELECT count(*) AS n FROM filler"});
  EXPECT_EQ(check.Out, "n\r\n200\r\n") << check.Err;
}

TEST_F(VlrisqlRun, LoginsLibrariesAndConnectionParameters) {
  ASSERT_EQ(Sql("GRANT CONNECT TO ann IDENTIFIED BY 'se;cret';\nCOMMIT;").Status, 0);
  const TRun ann = Run({"-c", "dbf=test.db;uid=ann;pwd={se;cret}", "-e", "SELECT 1 AS one"});
  EXPECT_EQ(ann.Out, "one\n---\n  1\n(1 row)\n") << ann.Err;
  EXPECT_EQ(ann.Status, 0);

  const TRun wrong = Run({"test.db", "--user", "ann", "--password", "guess", "-e", "SELECT 1"});
  EXPECT_EQ(wrong.Err, "vlrisql: Error -103: Invalid user ID or password (28000)\n");
  EXPECT_EQ(wrong.Status, 1);

  for (const char* library : {"libdblib7.so", "libdblib5.so", VELAR_LIB_DIR "/libdblib6.so"}) {
    const TRun other = Run({"test.db", "--library", library, "-e", "SELECT 2 AS two"});
    EXPECT_EQ(other.Out, "two\n---\n  2\n(1 row)\n") << library << ": " << other.Err;
  }
  const TRun missing = Run({"test.db", "--library", "libnothing.so", "-e", "SELECT 1"});
  EXPECT_EQ(missing.Status, 1);
  EXPECT_EQ(missing.Err.rfind("vlrisql: Could not load the Database Interface library. "
                              "(libnothing.so,",
                              0),
            0u)
      << missing.Err;

  const TRun noServer = Run({"-c", "eng=elsewhere;uid=DBA;pwd=SQL", "-e", "SELECT 1"});
  EXPECT_EQ(noServer.Err, "vlrisql: Error -100: Database server 'elsewhere' not running (08001)\n");
  const TRun twoFiles = Run({"test.db", "-c", "dbf=other.db", "-e", "SELECT 1"});
  EXPECT_EQ(twoFiles.Status, 2);
  EXPECT_NE(twoFiles.Err.find("two databases given"), std::string::npos) << twoFiles.Err;
}

TEST_F(VlrisqlRun, CreateMakesANewDatabaseForItsFirstUser) {
  const TRun created = Run({"--create", "new.db", "--user", "boss", "--password", "pw", "-e",
                            "CREATE TABLE t(n INTEGER); INSERT INTO t VALUES (7)"});
  EXPECT_EQ(created.Out, "0 rows affected\n1 row affected\n") << created.Err;
  EXPECT_EQ(created.Status, 0);
  const TRun asBoss = Run({"new.db", "-u", "boss", "-p", "pw", "-e", "SELECT n FROM t"});
  EXPECT_EQ(asBoss.Out, "n\n-\n7\n(1 row)\n") << asBoss.Err;
  EXPECT_EQ(Run({"new.db", "-e", "SELECT 1"}).Status, 1) << "DBA is no user of this database";

  const TRun again = Run({"--create", "new.db", "-e", "SELECT 1"});
  EXPECT_EQ(again.Status, 1);
  EXPECT_NE(again.Err.find("vlrisql: could not create the database new.db"), std::string::npos)
      << again.Err;
}

TEST_F(VlrisqlRun, CommandLineMistakesShowHowToAsk) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--bogus", "test.db"},
                                             {"test.db", "other.db"},
                                             {"test.db", "--format", "xml"},
                                             {"-e", "SELECT 1"},
                                             {"test.db", "-e"}}) {
    const TRun run = Run(args);
    EXPECT_EQ(run.Status, 2) << args[0];
    EXPECT_NE(run.Err.find("vlrisql --help shows the options."), std::string::npos) << run.Err;
  }
  const TRun help = Run({"--help"});
  EXPECT_EQ(help.Status, 0);
  EXPECT_EQ(help.Out.rfind("usage: vlrisql [OPTIONS] [DATABASE]\n", 0), 0u);
}

// Ctrl-C in a run without the prompt stops the statement through the
// session and ends the run: what follows is not run.
TEST_F(VlrisqlRun, InterruptCancelsTheStatementAndEndsAScript) {
  TProcess process(Program(),
                   {"test.db", "-e",
                    "SELECT 'started' AS state;\n"
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                    "WHERE i < 1000000000) SELECT count(*) FROM n;\n"
                    "SELECT 'not reached' AS state;"},
                   dir.Path());
  ASSERT_TRUE(process.PumpUntil(
      [](const TRun& Run) { return Run.Out.find("(1 row)") != std::string::npos; }, 60000));
  ::usleep(300 * 1000);  // into the long statement, as a rule
  ::kill(process.Pid(), SIGINT);
  ASSERT_TRUE(process.Finish(60000)) << "the statement was not stopped";
  EXPECT_EQ(process.Result().Status, 1);
  // Stopped while it ran, or (should the signal come first) before it began.
  const std::string& error = process.Result().Err;
  EXPECT_TRUE(error == "Error -299: Statement interrupted by user (57014)\n" ||
              error == "Cancelled.\n")
      << error;
  EXPECT_EQ(process.Result().Out.find("not reached"), std::string::npos);
}

// The rows go from the cursor to the output one by one: a million of them
// need no more memory than a few. (The sanitizer's quarantine of freed
// memory is kept small, so that the peak shows what is held.)
TEST_F(VlrisqlRun, AMillionRowsStreamThroughInConstantMemory) {
  const auto run = [&](int Rows) {
    return Run({"test.db", "--format", "csv", "-e",
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                    std::to_string(Rows) + ") SELECT i FROM n"},
               "", {"ASAN_OPTIONS=quarantine_size_mb=1"});
  };
  const TRun few = run(1000);
  const TRun many = run(1000000);
  ASSERT_EQ(many.Status, 0) << many.Err;
  EXPECT_EQ(few.Out.size(), 4896u);
  EXPECT_EQ(many.Out.size(), 7888899u) << "every row arrived";
  const std::string last = "\r\n999999\r\n1000000\r\n";
  EXPECT_EQ(many.Out.substr(many.Out.size() - last.size()), last);
  // Held, a million rows would take 32 MB and more (a string per value).
  EXPECT_LT(many.MaxRssKb - few.MaxRssKb, 16 * 1024)
      << "peak " << many.MaxRssKb << " KB against " << few.MaxRssKb << " KB";
}

}  // namespace
}  // namespace vlrisql_test
