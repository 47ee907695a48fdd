// vlrisql at its prompt on a pseudo-terminal, driven by keys as a person
// drives it: statements over several lines, the history, Ctrl-C for the
// line being typed and for a long query, pasted lines, and the backup bar.
#include <stdlib.h>

#include <string>

#include "tests/design/terminal_screen.h"
#include "tests/tools/vlrisql_process.h"

namespace vlrisql_test {
namespace {

using terminal_test::TPtyProgram;

constexpr char kUp[] = "\x1b[A";
constexpr char kCtrlC[] = "\x03";

// The prompt's program takes its history file from HOME, which is the
// test's directory while the test runs.
class VlrisqlPrompt : public VlrisqlTest {
 protected:
  void SetUp() override {
    VlrisqlTest::SetUp();
    const char* home = std::getenv("HOME");
    if (home != nullptr) savedHome = home;
    ::setenv("HOME", dir.Path().c_str(), 1);
  }
  void TearDown() override {
    if (savedHome.empty())
      ::unsetenv("HOME");
    else
      ::setenv("HOME", savedHome.c_str(), 1);
  }

  // The screen's last line that is not blank.
  static std::string LastLine(const std::string& Screen) {
    std::string text = Screen;
    while (!text.empty() && text.back() == '\n')
      text.pop_back();
    return text.substr(text.rfind('\n') + 1);
  }
  // Waits until the prompt (not a continuation) is the last line shown.
  static bool WaitForPrompt(TPtyProgram& Isql) {
    for (int i = 0; i < 150; ++i) {
      if (LastLine(Isql.Screen()) == "vlrisql>") return true;
      Isql.Settle(100);
    }
    return false;
  }

  std::string savedHome;
};

TEST_F(VlrisqlPrompt, StatementsSpanLinesAndTheHistoryRemembersThem) {
  {
    TPtyProgram isql(Program(), {"test.db"}, dir.Path());
    ASSERT_TRUE(isql.Started());
    ASSERT_TRUE(isql.WaitFor("Connected to " + database + " as DBA.")) << isql.Screen();
    ASSERT_TRUE(WaitForPrompt(isql)) << isql.Screen();
    isql.Send("SELECT 6 * 7\r");
    ASSERT_TRUE(isql.WaitFor("   ...>")) << isql.Screen();
    isql.Send("  AS answer;\r");
    ASSERT_TRUE(isql.WaitFor("answer\n------\n    42\n(1 row)\nvlrisql>")) << isql.Screen();

    // The line editor: a typo mended with the cursor keys.
    isql.Send("SELECT 'ab' A total;\x1b[D\x1b[D\x1b[D\x1b[D\x1b[D\x1b[D\x1b[DS\r");
    ASSERT_TRUE(isql.WaitFor("total\n-----\nab\n(1 row)")) << isql.Screen();

    // Up brings back earlier lines; Ctrl-C drops the statement being typed.
    isql.Send("SELECT 'dropped'\r");
    ASSERT_TRUE(isql.WaitFor("   ...>")) << isql.Screen();
    isql.Send(kUp);
    ASSERT_TRUE(isql.WaitFor("   ...> SELECT 'dropped'")) << isql.Screen();
    isql.Send(kCtrlC);
    ASSERT_TRUE(WaitForPrompt(isql)) << isql.Screen();
    isql.Send("SELECT 'kept' AS k;\r");
    ASSERT_TRUE(isql.WaitFor("k\n----\nkept\n(1 row)")) << isql.Screen();
    EXPECT_EQ(isql.Screen().find("Error"), std::string::npos) << isql.Screen();

    isql.Send(".quit\r");
    EXPECT_EQ(isql.WaitExit(), 0);
  }
  const std::string history = ReadFile(dir.File(".vlrisql_history"));
  EXPECT_NE(history.find("SELECT 6 * 7\n  AS answer;\n"), std::string::npos) << history;

  TPtyProgram again(Program(), {"test.db"}, dir.Path());
  ASSERT_TRUE(WaitForPrompt(again)) << again.Screen();
  again.Send(kUp);
  ASSERT_TRUE(again.WaitFor("vlrisql> .quit")) << again.Screen();
  again.Send(kUp);
  ASSERT_TRUE(again.WaitFor("vlrisql> SELECT 'kept' AS k;")) << "a new run has the old history";
  again.Send("\r");
  ASSERT_TRUE(again.WaitFor("kept\n(1 row)")) << again.Screen();
  again.Send("\x04");  // Ctrl-D on an empty line leaves too
  EXPECT_EQ(again.WaitExit(), 0);
}

TEST_F(VlrisqlPrompt, CtrlCCancelsALongQueryAndThePromptGoesOn) {
  TPtyProgram isql(Program(), {"test.db"}, dir.Path());
  ASSERT_TRUE(WaitForPrompt(isql)) << isql.Screen();
  isql.Send(
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000000)\r"
      "SELECT count(*) FROM n;\r");
  // The query runs and prints nothing until it ends. Ctrl-C comes again
  // while no answer shows, in case the first came before the query began.
  const std::string cancelled = "Error -299: Statement interrupted by user (57014)";
  bool shown = false;
  for (int attempt = 0; attempt < 20 && !shown; ++attempt) {
    isql.Settle(1500);
    isql.Send(kCtrlC);
    shown = isql.WaitFor(cancelled, 1500);
  }
  ASSERT_TRUE(shown) << isql.Screen();
  ASSERT_TRUE(WaitForPrompt(isql)) << isql.Screen();
  isql.Send("SELECT 'still here' AS after;\r");
  ASSERT_TRUE(isql.WaitFor("still here\n(1 row)")) << isql.Screen();
  isql.Send(".quit\r");
  EXPECT_EQ(isql.WaitExit(), 0) << "a cancelled statement does not fail the session";
}

TEST_F(VlrisqlPrompt, PastedLinesAreAllRunAndErrorsShowAtThePrompt) {
  TPtyProgram isql(Program(), {"test.db"}, dir.Path());
  ASSERT_TRUE(WaitForPrompt(isql)) << isql.Screen();
  isql.Send(
      "CREATE TABLE t(n INTEGER);\rINSERT INTO t VALUES (1), (2);\rSELECT sum(n) AS s FROM t;\r"
      "SELECT * FROM missing;\r");
  ASSERT_TRUE(isql.WaitFor("s\n-\n3\n(1 row)")) << isql.Screen();
  ASSERT_TRUE(isql.WaitFor("Error -141: Table 'missing' not found (42S02)")) << isql.Screen();
  ASSERT_TRUE(WaitForPrompt(isql)) << isql.Screen();
  isql.Send(".quit\r");
  EXPECT_EQ(isql.WaitExit(), 0);
}

TEST_F(VlrisqlPrompt, BackupDrawsABarOnTheTerminal) {
  TPtyProgram isql(Program(), {"test.db"}, dir.Path());
  ASSERT_TRUE(WaitForPrompt(isql)) << isql.Screen();
  isql.Send(".backup saved\r");
  ASSERT_TRUE(isql.WaitFor("test.db [" + std::string(30, '#') + "] 100% (")) << isql.Screen();
  ASSERT_TRUE(isql.WaitFor("Backup written to " + dir.File("saved") + ": test.db"))
      << isql.Screen();
  isql.Send(".quit\r");
  EXPECT_EQ(isql.WaitExit(), 0);
  EXPECT_FALSE(ReadFile(dir.File("saved/test.db")).empty());
}

}  // namespace
}  // namespace vlrisql_test
