// The client's reading loop: lines from a script, a file, standard input or
// the prompt are cut into statements (which may span lines) and commands
// (a line that begins with "." outside a statement), which are run in turn.
#pragma once

#include <functional>
#include <istream>
#include <string>

#include "tools/vlrisql/dot_commands.h"
#include "tools/vlrisql/line_editor.h"
#include "tools/vlrisql/sql_runner.h"
#include "tools/vlrisql/statement_splitter.h"

namespace vlrisql {

class Shell {
 public:
  // At the prompt (Interactive) Ctrl-C drops what was typed or cancels the
  // running statement and reading goes on; in a script it ends the run.
  Shell(SqlRunner& Runner, DotCommands& Commands, bool Interactive)
      : runner_(Runner), commands_(Commands), interactive_(Interactive) {}

  // Where a line comes from: the prompt to show (when there is one) and
  // the line; Cancelled for Ctrl-C, EndOfInput at the end.
  using TReadLine =
      std::function<LineEditor::TResult(const std::string& Prompt, std::string& Line)>;

  // Runs what Read delivers until its end, .quit, or a cancelled script.
  void RunLines(const TReadLine& Read, LineEditor* History = nullptr);
  // A script held in text (-e) or read from a stream (-f).
  void RunText(const std::string& Text);
  void RunStream(std::istream& In);

  // Whether a statement or command failed (or was cancelled).
  bool Failed() const { return failed_; }
  // Whether reading should stop: .quit, or Ctrl-C in a script.
  bool Stopped() const { return stopped_; }

  static constexpr char kPrompt[] = "vlrisql> ";
  static constexpr char kContinuation[] = "   ...> ";

 private:
  void HandleLine(const std::string& Line);
  void RunStatement(const std::string& Statement);
  bool Interrupted();
  void Account(TOutcome Outcome);

  SqlRunner& runner_;
  DotCommands& commands_;
  bool interactive_;
  StatementSplitter splitter_;
  bool failed_ = false;
  bool stopped_ = false;
};

}  // namespace vlrisql
