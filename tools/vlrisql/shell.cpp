#include "tools/vlrisql/shell.h"

#include <cstdio>
#include <sstream>

#include "tools/vlrisql/interrupt.h"

namespace vlrisql {

namespace {

bool IsCommand(const std::string& Line) {
  const std::size_t first = Line.find_first_not_of(" \t");
  return first != std::string::npos && Line[first] == '.';
}

}  // namespace

void Shell::RunLines(const TReadLine& Read, LineEditor* History) {
  std::string line;
  while (!stopped_) {
    std::fflush(stdout);
    const LineEditor::TResult result = Read(splitter_.Pending() ? kContinuation : kPrompt, line);
    if (result == LineEditor::TResult::EndOfInput) break;
    if (result == LineEditor::TResult::Cancelled) {
      // At the prompt Ctrl-C throws away the statement being typed; a
      // script waiting for input ends.
      splitter_.Reset();
      if (!interactive_) {
        runner_.ReportError("Cancelled.");
        failed_ = true;
        stopped_ = true;
      }
      continue;
    }
    if (History != nullptr) History->AddHistory(line);
    // A Ctrl-C that came while the last statement ran is spent; a new line
    // at the prompt starts afresh.
    if (interactive_) ClearInterrupt();
    HandleLine(line);
  }
  std::string last;
  if (!stopped_ && splitter_.Finish(last)) RunStatement(last);
  splitter_.Reset();
}

void Shell::RunText(const std::string& Text) {
  std::istringstream in(Text);
  RunStream(in);
}

void Shell::RunStream(std::istream& In) {
  RunLines([&In](const std::string&, std::string& Line) {
    if (!std::getline(In, Line)) return LineEditor::TResult::EndOfInput;
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    return LineEditor::TResult::Line;
  });
}

void Shell::HandleLine(const std::string& Line) {
  if (!splitter_.Pending() && IsCommand(Line)) {
    if (Interrupted()) return;
    bool quit = false;
    Account(commands_.Run(Line, quit));
    if (quit) stopped_ = true;
    return;
  }
  splitter_.Feed(Line);
  std::string statement;
  while (!stopped_ && splitter_.Next(statement))
    RunStatement(statement);
}

void Shell::RunStatement(const std::string& Statement) {
  if (Interrupted()) return;
  Account(runner_.Run(Statement));
}

// Ctrl-C between two statements (or commands) stops the ones still to come
// as it would have stopped the one running.
bool Shell::Interrupted() {
  if (!InterruptRequested()) return false;
  runner_.ReportError("Cancelled.");
  Account(TOutcome::Cancelled);
  return true;
}

// A cancelled statement takes the rest of what was typed with it: the user
// pressed Ctrl-C to stop, not to skip to the next statement.
void Shell::Account(TOutcome Outcome) {
  if (Outcome == TOutcome::Done) return;
  failed_ = true;
  if (Outcome != TOutcome::Cancelled) return;
  std::string dropped;
  while (splitter_.Next(dropped)) {
  }
  if (!interactive_) stopped_ = true;
}

}  // namespace vlrisql
