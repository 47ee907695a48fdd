// The client's set-up on its own: the command line, connection strings
// taken apart into the session's properties, table names that may reach
// the server, and the backup's progress output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "asa/VlrAsa.h"
#include "tests/tools/text_readers.h"
#include "tools/vlrisql/command_line.h"
#include "tools/vlrisql/connect_setup.h"
#include "tools/vlrisql/dot_commands.h"
#include "tools/vlrisql/progress_bar.h"

namespace {

using namespace vlrisql;

bool Parse(std::vector<const char*> Args, TOptions& Options, std::string& Error) {
  Args.insert(Args.begin(), "vlrisql");
  return ParseCommandLine(static_cast<int>(Args.size()), Args.data(), Options, Error);
}

TEST(CommandLine, InputsKeepTheirOrderAndOptionsTheirValues) {
  TOptions options;
  std::string error;
  ASSERT_TRUE(
      Parse({"-e", "SELECT 1", "--file=a.sql", "db.db", "--execute", "SELECT 2", "-f", "b.sql",
             "--user", "ann", "-p", "", "--format", "json", "--library", "libdblib7.so"},
            options, error))
      << error;
  EXPECT_EQ(options.Database, "db.db");
  ASSERT_EQ(options.Inputs.size(), 4u);
  EXPECT_EQ(options.Inputs[0].Value, "SELECT 1");
  EXPECT_EQ(options.Inputs[1].Kind, TInput::TKind::File);
  EXPECT_EQ(options.Inputs[1].Value, "a.sql");
  EXPECT_EQ(options.Inputs[2].Value, "SELECT 2");
  EXPECT_EQ(options.Inputs[3].Value, "b.sql");
  EXPECT_EQ(options.User, "ann");
  EXPECT_EQ(options.Password, "") << "an empty password is a password";
  EXPECT_EQ(options.Format, TOutputFormat::Json);
  EXPECT_EQ(options.Library, "libdblib7.so");
}

TEST(CommandLine, MistakesAreNamed) {
  const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
      {{"db.db", "--nope"}, "unknown option --nope"},
      {{"db.db", "-e"}, "option -e needs a value"},
      {{"db.db", "--format", "xml"}, "unknown format \"xml\" (table, csv or json)"},
      {{"a.db", "b.db"}, "more than one database given"},
      {{"--create", "a.db", "b.db"}, "--create names the database; give no other database file"},
      {{"-e", "SELECT 1"}, "no database: give a database file, --create FILE or -c PARAMS"},
  };
  for (const auto& [args, message] : cases) {
    TOptions options;
    std::string error;
    EXPECT_FALSE(Parse(args, options, error)) << message;
    EXPECT_EQ(error, message);
  }
  TOptions options;
  std::string error;
  EXPECT_TRUE(Parse({"--help"}, options, error)) << "help needs no database";
  EXPECT_TRUE(options.Help);
}

TEST(ConnectString, KnownKeysBecomePropertiesAndTheRestPassesOnInOrder) {
  TLogin login;
  std::string error;
  ASSERT_TRUE(ParseConnectString(
      " ENG=srv ; DatabaseFile={/data/my;db.db} ;uid=ann;PWD={a}}b};links=tcpip;;"
      "CommBufferSize= 4096 ;start=dbeng7",
      login, error))
      << error;
  EXPECT_EQ(login.Engine, "srv");
  EXPECT_EQ(login.DatabaseFile, "/data/my;db.db");
  EXPECT_TRUE(login.HasUser);
  EXPECT_EQ(login.User, "ann");
  EXPECT_EQ(login.Password, "a}b");
  EXPECT_EQ(login.Start, "dbeng7");
  EXPECT_EQ(ClientParamsOf(login), "links=tcpip;CommBufferSize=4096");

  login.Others = {{"con", " padded "}, {"x", "a;b"}};
  EXPECT_EQ(ClientParamsOf(login), "con={ padded };x={a;b}") << "values that need braces get them";

  for (const char* bad : {"uid", "uid=a;pwd", "pwd={open", "pwd={a} b"}) {
    EXPECT_FALSE(ParseConnectString(bad, login, error)) << bad;
    EXPECT_FALSE(error.empty());
  }
}

TEST(ConnectString, TheSessionIsSetUpForAFileOrForARunningServer) {
  velar::TAsaSession session(nullptr);
  TOptions options;
  std::string error;
  options.Database = "rel/db.db";
  ASSERT_TRUE(ConfigureSession(session, options, error)) << error;
  EXPECT_EQ(session.LoginDatabase().front(), '/') << "connecting runs in the library's directory";
  EXPECT_EQ(session.LoginDatabase().substr(session.LoginDatabase().size() - 10), "/rel/db.db");
  EXPECT_EQ(session.ServerType(), velar::stWorkgroup);
  EXPECT_EQ(session.LoginUser(), "DBA");
  EXPECT_EQ(session.LoginPassword(), "SQL");

  options = TOptions{};
  options.ConnectString = "eng=srv;dbn=sales;uid=bob;pwd=x;links=tcpip";
  options.Password = "y";
  ASSERT_TRUE(ConfigureSession(session, options, error)) << error;
  EXPECT_EQ(session.ServerType(), velar::stClient);
  EXPECT_EQ(session.LoginEngineName(), "srv");
  EXPECT_EQ(session.LoginDatabase(), "sales");
  EXPECT_EQ(session.LoginUser(), "bob");
  EXPECT_EQ(session.LoginPassword(), "y") << "the option wins over the string";
  EXPECT_EQ(session.ClientParams(), "links=tcpip");

  options = TOptions{};
  options.ConnectString = "dbf=/data/a.db;dbn=b";
  EXPECT_FALSE(ConfigureSession(session, options, error));
  EXPECT_EQ(error, "dbn=b differs from the database file's name; with a file, leave dbn out");
  options.ConnectString = "dbf=/data/a.db;x={ a}}b }";
  EXPECT_FALSE(ConfigureSession(session, options, error));
  EXPECT_EQ(error, "the value of x cannot be written in a connection string");
}

TEST(TableNames, OnlyNamesReachTheServer) {
  std::string sql;
  ASSERT_TRUE(TableNameToSql("item", sql));
  EXPECT_EQ(sql, "item");
  ASSERT_TRUE(TableNameToSql("DBA.item_2$", sql));
  EXPECT_EQ(sql, "DBA.item_2$");
  ASSERT_TRUE(TableNameToSql("\"odd \"\"name\"\"\"", sql));
  EXPECT_EQ(sql, "\"odd \"\"name\"\"\"");
  ASSERT_TRUE(TableNameToSql("owner.\"a.b\"", sql));
  EXPECT_EQ(sql, "owner.\"a.b\"");
  for (const char* bad : {"", "item;", "item x", "1abc", "a.b.c", "\"open", "\"\"", "a.", ".a",
                          "item--", "it'em", "\"a\"b"})
    EXPECT_FALSE(TableNameToSql(bad, sql)) << bad;
}

// What a progress bar writes, from a temporary file.
std::string Progress(bool Terminal, const std::vector<std::pair<int, int>>& Pages) {
  std::FILE* file = std::tmpfile();
  {
    ProgressBar bar(file, Terminal);
    for (const auto& [total, done] : Pages)
      bar.Update("/x/db.db", total, done);
  }
  const std::string text = vlrisql_test::TextOf(file);
  std::fclose(file);
  return text;
}

TEST(ProgressBar, DrawsOncePerPercentOnATerminalAndAtTenthsElsewhere) {
  std::vector<std::pair<int, int>> pages;
  for (int page = 1; page <= 400; ++page)
    pages.emplace_back(400, page);
  const std::string drawn = Progress(true, pages);
  EXPECT_EQ(std::count(drawn.begin(), drawn.end(), '\r'), 101) << "0% to 100%, not a draw a page";
  EXPECT_NE(drawn.find("\r/x/db.db [" + std::string(30, '#') + "] 100% (400 of 400 pages)"),
            std::string::npos);
  EXPECT_EQ(drawn.back(), '\n');

  const std::string plain = Progress(false, {{3, 1}, {3, 2}, {3, 3}});
  EXPECT_EQ(plain,
            "/x/db.db:  33% (1 of 3 pages)\n"
            "/x/db.db:  66% (2 of 3 pages)\n"
            "/x/db.db: 100% (3 of 3 pages)\n");
  const std::string tenths = Progress(false, pages);
  EXPECT_EQ(std::count(tenths.begin(), tenths.end(), '\n'), 10);
  EXPECT_EQ(tenths.substr(0, tenths.find('\n') + 1), "/x/db.db:  10% (40 of 400 pages)\n");
}

}  // namespace
