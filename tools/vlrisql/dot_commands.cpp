#include "tools/vlrisql/dot_commands.h"

#include <unistd.h>

#include <cctype>
#include <exception>
#include <filesystem>
#include <set>

#include "host/exceptions.h"
#include "host/sysutils.h"
#include "tools/vlrisql/delimited_text.h"
#include "tools/vlrisql/interrupt.h"
#include "tools/vlrisql/progress_bar.h"

namespace vlrisql {

namespace {

constexpr const char* kHelp =
    ".help                 this text\n"
    ".tables               the tables of the database\n"
    ".describe TABLE       the columns of TABLE: name, type, size, nulls\n"
    ".explain SQL          the plan of the query SQL\n"
    ".backup DIR           copy the database files into DIR (made if missing)\n"
    ".timing on|off        show how long each statement took\n"
    ".format [table|csv|json]  set (or show) how results are written\n"
    ".quit, .exit          leave\n"
    "Statements end at \";\" and may span lines; Ctrl-C cancels the running one.\n";

// The server's own catalog first; the stand-in keeps its tables in SQLite's
// catalog, beside tables of its own (dblib_...) that are not the user's.
constexpr const char* kCatalogTables =
    "SELECT table_name FROM SYS.SYSTABLE WHERE creator = USER_ID() ORDER BY table_name";
constexpr const char* kStandInTables =
    "SELECT name AS table_name FROM sqlite_master WHERE type IN ('table', 'view') "
    "AND name NOT LIKE 'dblib\\_%' ESCAPE '\\' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
    "ORDER BY name";

std::string Trim(const std::string& Text) {
  return host::Trim(Text);
}

// The first word of Line (the command, without its ".") and what follows.
void SplitCommand(const std::string& Line, std::string& Command, std::string& Argument) {
  const std::string text = Trim(Line);
  std::size_t end = 1;
  while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])))
    ++end;
  Command = host::LowerCase(text.substr(1, end - 1));
  Argument = Trim(text.substr(end));
}

bool IsIdentifierStart(char C) {
  return std::isalpha(static_cast<unsigned char>(C)) || C == '_';
}

bool IsIdentifierPart(char C) {
  return std::isalnum(static_cast<unsigned char>(C)) || C == '_' || C == '$' || C == '#';
}

}  // namespace

bool TableNameToSql(const std::string& Text, std::string& Sql) {
  Sql.clear();
  std::size_t i = 0;
  int parts = 0;
  for (;;) {
    if (i >= Text.size()) return false;
    if (Text[i] == '"') {
      std::string name;
      if (!ReadDelimited(Text, i, '"', name) || name.empty()) return false;
      Sql += '"';
      for (char c : name)
        Sql += c == '"' ? std::string("\"\"") : std::string(1, c);
      Sql += '"';
    } else {
      if (!IsIdentifierStart(Text[i])) return false;
      const std::size_t start = i;
      while (i < Text.size() && IsIdentifierPart(Text[i]))
        ++i;
      Sql += Text.substr(start, i - start);
    }
    if (++parts > 2) return false;
    if (i == Text.size()) return true;
    if (Text[i] != '.') return false;
    Sql += '.';
    ++i;
  }
}

const char* HelpText() {
  return kHelp;
}

TOutcome DotCommands::Run(const std::string& Line, bool& Quit) {
  std::string command, argument;
  SplitCommand(Line, command, argument);
  // A statement's ";" typed out of habit after a command is not part of it.
  while (!argument.empty() && argument.back() == ';')
    argument = Trim(argument.substr(0, argument.size() - 1));
  if (command == "quit" || command == "exit") {
    Quit = true;
    return TOutcome::Done;
  }
  if (command == "help") {
    std::fputs(kHelp, runner_.Streams().Results);
    return TOutcome::Done;
  }
  if (command == "tables") return Tables();
  if (command == "describe") return Describe(argument);
  if (command == "explain") {
    if (argument.empty()) return Usage(".explain SQL");
    return runner_.Explain(argument);
  }
  if (command == "backup") return Backup(argument);
  if (command == "timing") return Timing(argument);
  if (command == "format") return Format(argument);
  runner_.ReportError("Unknown command ." + command + "; .help lists the commands.");
  return TOutcome::Failed;
}

TOutcome DotCommands::Usage(const char* Text) {
  runner_.ReportError(std::string("usage: ") + Text);
  return TOutcome::Failed;
}

TOutcome DotCommands::Tables() {
  TOutcome outcome = TOutcome::Done;
  if (runner_.TryQuery(kCatalogTables, outcome)) return outcome;
  return runner_.Run(kStandInTables);
}

TOutcome DotCommands::Describe(const std::string& Name) {
  if (Name.empty()) return Usage(".describe TABLE");
  std::string table;
  if (!TableNameToSql(Name, table)) {
    runner_.ReportError("Not a table name: " + Name);
    return TOutcome::Failed;
  }
  return runner_.DescribeColumns("SELECT * FROM " + table);
}

// The copies are written by the session from the server's consistent
// snapshot; each page reports, and the bar redraws only when the
// percentage moves. Ctrl-C ends the copy at the next page (the session
// keeps no half-written file).
TOutcome DotCommands::Backup(const std::string& Directory) {
  if (Directory.empty()) return Usage(".backup DIR");
  std::error_code failed;
  std::filesystem::create_directories(Directory, failed);
  if (failed) {
    runner_.ReportError("Cannot make the directory " + Directory + ": " + failed.message());
    return TOutcome::Failed;
  }
  const std::string target = std::filesystem::absolute(Directory).lexically_normal().string();
  const bool terminal = ::isatty(::fileno(runner_.Streams().Errors)) == 1;
  std::FILE* progressOut = terminal || runner_.Format() != TOutputFormat::Table
                               ? runner_.Streams().Errors
                               : runner_.Streams().Results;
  velar::TAsaSession& session = runner_.Session();
  std::set<std::string> files;
  bool ok = false;
  {
    ProgressBar bar(progressOut, terminal);
    session.OnBackup = [&](host::TObject*, const std::string& File, int Pages, int Page) {
      if (InterruptRequested()) throw host::Exception("Backup cancelled.");
      files.insert(File);
      bar.Update(host::ExtractFileName(File), Pages, Page);
    };
    try {
      ok = session.Backup(target);
    } catch (const std::exception& e) {
      session.OnBackup = nullptr;
      bar.Finish();
      runner_.ReportError(e.what());
      return TOutcome::Failed;
    }
    session.OnBackup = nullptr;
  }
  if (InterruptRequested()) {
    runner_.ReportError("Backup cancelled.");
    return TOutcome::Cancelled;
  }
  if (!ok) {
    runner_.ReportError(session.LastError().empty()
                            ? "Backup failed: no database file could be copied to " + target
                            : session.LastError());
    return TOutcome::Failed;
  }
  std::string names;
  for (const std::string& file : files)
    names += (names.empty() ? "" : ", ") + host::ExtractFileName(file);
  runner_.Note("Backup written to " + target + ": " + names);
  return TOutcome::Done;
}

TOutcome DotCommands::Timing(const std::string& Argument) {
  const std::string value = host::LowerCase(Argument);
  if (value != "on" && value != "off") return Usage(".timing on|off");
  runner_.SetTiming(value == "on");
  return TOutcome::Done;
}

TOutcome DotCommands::Format(const std::string& Argument) {
  if (Argument.empty()) {
    runner_.Note(std::string("Format: ") + OutputFormatName(runner_.Format()));
    return TOutcome::Done;
  }
  TOutputFormat format = TOutputFormat::Table;
  if (!ParseOutputFormat(host::LowerCase(Argument), format)) return Usage(".format table|csv|json");
  runner_.SetFormat(format);
  return TOutcome::Done;
}

}  // namespace vlrisql
