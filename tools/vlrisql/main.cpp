// vlrisql: an interactive SQL client on the session and statement
// components. See UsageText (vlrisql --help) for what it takes.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>

#include "asa/VlrAsa.h"
#include "tools/vlrisql/command_line.h"
#include "tools/vlrisql/connect_setup.h"
#include "tools/vlrisql/dot_commands.h"
#include "tools/vlrisql/interrupt.h"
#include "tools/vlrisql/line_editor.h"
#include "tools/vlrisql/shell.h"
#include "tools/vlrisql/sql_runner.h"

namespace {

using namespace vlrisql;

std::string HistoryFile() {
  const char* home = std::getenv("HOME");
  return home != nullptr && *home != '\0' ? std::string(home) + "/.vlrisql_history" : std::string();
}

// The prompt, with line editing and the history of earlier runs. It is
// drawn where the user sees it: on standard error when the results go to a
// file.
void RunPrompt(Shell& Loop, velar::TAsaSession& Session) {
  LineEditor editor(STDIN_FILENO, ::isatty(STDOUT_FILENO) == 1 ? STDOUT_FILENO : STDERR_FILENO);
  const std::string history = HistoryFile();
  if (!history.empty()) editor.LoadHistory(history);
  std::printf("Connected to %s as %s. Type .help for help, .quit to leave.\n",
              Session.LoginDatabase().c_str(), Session.LoginUser().c_str());
  Loop.RunLines([&editor](const std::string& Prompt,
                          std::string& Line) { return editor.ReadLine(Prompt, Line); },
                &editor);
  if (!history.empty()) editor.SaveHistory(history);
}

// Standard input that is no terminal: plain lines, and Ctrl-C (a signal
// now) interrupts the read.
void RunStandardInput(Shell& Loop) {
  LineEditor reader(STDIN_FILENO, STDOUT_FILENO);
  Loop.RunLines([&reader](const std::string& Prompt, std::string& Line) {
    return reader.ReadLine(Prompt, Line);
  });
}

int Run(const TOptions& Options) {
  velar::TAsaSession session(nullptr);
  std::string error;
  if (!ConfigureSession(session, Options, error)) {
    std::fprintf(stderr, "vlrisql: %s\n", error.c_str());
    return 2;
  }
  session.SetAutoCommit(true);
  SqlRunner runner(session, TStreams{});
  runner.SetFormat(Options.Format);
  try {
    session.SetConnected(true);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vlrisql: %s\n", e.what());
    return 1;
  }
  // From here Ctrl-C cancels statements; before, it simply ends the program.
  InstallInterruptHandler();

  const bool interactive = Options.Inputs.empty() && ::isatty(STDIN_FILENO) == 1;
  DotCommands commands(runner);
  Shell shell(runner, commands, interactive);
  if (interactive) {
    RunPrompt(shell, session);
  } else if (Options.Inputs.empty()) {
    RunStandardInput(shell);
  }
  for (const TInput& input : Options.Inputs) {
    if (shell.Stopped()) break;
    if (input.Kind == TInput::TKind::Text) {
      shell.RunText(input.Value);
      continue;
    }
    std::ifstream file(input.Value);
    if (!file) {
      runner.ReportError("Cannot open " + input.Value);
      return 1;
    }
    shell.RunStream(file);
  }
  std::fflush(stdout);
  return shell.Failed() && !interactive ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  TOptions options;
  std::string error;
  if (!ParseCommandLine(argc, argv, options, error)) {
    std::fprintf(stderr, "vlrisql: %s\nvlrisql --help shows the options.\n", error.c_str());
    return 2;
  }
  if (options.Help) {
    std::fputs(UsageText(), stdout);
    return 0;
  }
  if (!options.CreateFile.empty() && !CreateDatabase(options, error)) {
    std::fprintf(stderr, "vlrisql: %s\n", error.c_str());
    return 1;
  }
  try {
    return Run(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vlrisql: %s\n", e.what());
    return 1;
  }
}
