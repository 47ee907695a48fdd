// The reading loop and the runner in this process, on the stand-in: what
// Ctrl-C (the flag its signal raises) stops, at what moment, and what it
// leaves for the statements after it.
#include <stdio.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "asa/VlrAsa.h"
#include "tests/tools/text_readers.h"
#include "tests/tools/vlrisql_process.h"
#include "tools/vlrisql/connect_setup.h"
#include "tools/vlrisql/dot_commands.h"
#include "tools/vlrisql/interrupt.h"
#include "tools/vlrisql/shell.h"
#include "tools/vlrisql/sql_runner.h"

namespace vlrisql_test {
namespace {

using namespace vlrisql;

// A results stream that raises the Ctrl-C flag at its Nth write.
struct TTrippingWrites {
  int Left;
  std::string Text;
};

ssize_t TrippingWrite(void* Cookie, const char* Data, size_t Size) {
  auto* state = static_cast<TTrippingWrites*>(Cookie);
  state->Text.append(Data, Size);
  if (--state->Left == 0) RequestInterrupt();
  return static_cast<ssize_t>(Size);
}

class VlrisqlShell : public VlrisqlTest {
 protected:
  void SetUp() override {
    VlrisqlTest::SetUp();
    TOptions options;
    options.Database = database;
    std::string error;
    ASSERT_TRUE(ConfigureSession(session, options, error)) << error;
    session.SetAutoCommit(true);
    errors = std::tmpfile();
    results = std::tmpfile();
    Connect(results);
  }
  void TearDown() override {
    shell.reset();
    commands.reset();
    runner.reset();
    ClearInterrupt();
    if (errors != nullptr) std::fclose(errors);
    if (results != nullptr) std::fclose(results);
  }

  // A runner writing results to Results; the session connects once.
  void Connect(std::FILE* Results, bool Interactive = false) {
    shell.reset();
    commands.reset();
    runner = std::make_unique<SqlRunner>(session, TStreams{Results, errors});
    if (!session.Connected()) session.SetConnected(true);
    commands = std::make_unique<DotCommands>(*runner);
    shell = std::make_unique<Shell>(*runner, *commands, Interactive);
  }
  velar::TAsaSession session{nullptr};
  std::FILE* errors = nullptr;
  std::FILE* results = nullptr;
  std::unique_ptr<SqlRunner> runner;
  std::unique_ptr<DotCommands> commands;
  std::unique_ptr<Shell> shell;
};

TEST_F(VlrisqlShell, CtrlCBetweenStatementsStopsTheRestOfAScript) {
  RequestInterrupt();
  shell->RunText("SELECT 1 AS a;\n.tables\nSELECT 2 AS b");
  EXPECT_EQ(TextOf(results), "");
  EXPECT_EQ(TextOf(errors), "Cancelled.\n");
  EXPECT_TRUE(shell->Failed());
  EXPECT_TRUE(shell->Stopped());
}

TEST_F(VlrisqlShell, ANewLineAtThePromptForgetsAnEarlierCtrlC) {
  Connect(results, /*Interactive=*/true);
  std::vector<std::string> lines = {"SELECT 1 AS a; SELECT 2 AS b;"};
  RequestInterrupt();  // came while an earlier statement ran
  shell->RunLines([&](const std::string&, std::string& Line) {
    if (lines.empty()) return LineEditor::TResult::EndOfInput;
    Line = lines.front();
    lines.erase(lines.begin());
    return LineEditor::TResult::Line;
  });
  EXPECT_EQ(TextOf(results), "a\n-\n1\n(1 row)\nb\n-\n2\n(1 row)\n");
  EXPECT_EQ(TextOf(errors), "");
  EXPECT_FALSE(shell->Failed());
}

// Rows already fetched are not printed once Ctrl-C came: the result stops
// at the next row, the statement counts as cancelled, the statements after
// it on the same line go with it, and the next line runs.
TEST_F(VlrisqlShell, CtrlCWhilePrintingStopsAtTheNextRow) {
  TTrippingWrites writes{2, {}};  // the header, then the first row
  cookie_io_functions_t io = {nullptr, TrippingWrite, nullptr, nullptr};
  std::FILE* tripping = ::fopencookie(&writes, "w", io);
  ASSERT_NE(tripping, nullptr);
  std::setvbuf(tripping, nullptr, _IONBF, 0);
  Connect(tripping, /*Interactive=*/true);
  runner->SetFormat(TOutputFormat::Csv);
  std::vector<std::string> lines = {
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) "
      "SELECT i FROM n; SELECT 'dropped' AS d;",
      "SELECT 'next' AS n;"};
  shell->RunLines([&](const std::string&, std::string& Line) {
    if (lines.empty()) return LineEditor::TResult::EndOfInput;
    Line = lines.front();
    lines.erase(lines.begin());
    return LineEditor::TResult::Line;
  });
  shell.reset();
  commands.reset();
  runner.reset();
  std::fclose(tripping);
  EXPECT_EQ(writes.Text, "i\r\n1\r\nn\r\nnext\r\n");
  EXPECT_EQ(TextOf(errors), "Cancelled: printing stopped after 1 row.\n");
}

}  // namespace
}  // namespace vlrisql_test
