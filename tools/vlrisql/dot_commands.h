// The client's own commands, each on a line that begins with ".": help,
// listing and describing tables, query plans, backups with a progress bar,
// timing, the output format, and quitting.
#pragma once

#include <string>

#include "tools/vlrisql/sql_runner.h"

namespace vlrisql {

class DotCommands {
 public:
  explicit DotCommands(SqlRunner& Runner) : runner_(Runner) {}

  // Runs Line, which begins with "."; Quit is set by .quit and .exit.
  TOutcome Run(const std::string& Line, bool& Quit);

 private:
  TOutcome Tables();
  TOutcome Describe(const std::string& Name);
  TOutcome Backup(const std::string& Directory);
  TOutcome Timing(const std::string& Argument);
  TOutcome Format(const std::string& Argument);
  TOutcome Usage(const char* Text);

  SqlRunner& runner_;
};

// A table name as typed: NAME or OWNER.NAME, each part a plain identifier
// (letters, digits, "_", "$", "#"; not starting with a digit) or a
// double-quoted one ("" for a quote inside). Sql receives it as it can be
// placed in a statement; false for anything else, so that no other text
// reaches the server.
bool TableNameToSql(const std::string& Text, std::string& Sql);

const char* HelpText();

}  // namespace vlrisql
