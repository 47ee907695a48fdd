#include "tools/vlrisql/command_line.h"

#include <string_view>

namespace vlrisql {

namespace {

constexpr const char* kUsage =
    "usage: vlrisql [OPTIONS] [DATABASE]\n"
    "Connects to DATABASE, a database file that the embedded engine starts, or\n"
    "with -c; then runs the statements of -e and -f in order, or else those of\n"
    "standard input, or those typed at the prompt when that is a terminal.\n"
    "\n"
    "  -c, --connect PARAMS  connection parameters, e.g. \"eng=NAME;dbf=FILE;uid=USER;pwd=PW\"\n"
    "  -u, --user NAME       the user (default DBA)\n"
    "  -p, --password PW     the password (default SQL)\n"
    "      --library FILE    the client library to load (default libdblib6.so): a path,\n"
    "                        or a name looked for beside vlrisql and where programs\n"
    "                        find their libraries\n"
    "      --create FILE     create the database FILE (with vlrdbinit), then use it\n"
    "  -e, --execute SQL     run SQL; may be given more than once\n"
    "  -f, --file FILE       run the statements in FILE; may be given more than once\n"
    "      --format FORMAT   table (default), csv or json\n"
    "  -h, --help            show this text\n"
    "\n"
    "A statement ends at a \";\" and may span lines. Lines beginning with \".\" are\n"
    "commands; .help lists them. Ctrl-C cancels the running statement. The exit\n"
    "status is 1 when a statement failed in a run without the prompt.\n";

// An option that takes a value: "--name VALUE", "--name=VALUE", and for a
// short form "-x VALUE". Value is set and I moves past what was read.
enum class TMatch { No, Yes, MissingValue };

TMatch OptionValue(std::string_view Short, std::string_view Long, int Argc, const char* const* Argv,
                   int& I, std::string& Value) {
  const std::string_view arg(Argv[I]);
  if (arg == Short || arg == Long) {
    if (I + 1 >= Argc) return TMatch::MissingValue;
    Value = Argv[++I];
    return TMatch::Yes;
  }
  if (arg.size() > Long.size() && arg.substr(0, Long.size()) == Long && arg[Long.size()] == '=') {
    Value = arg.substr(Long.size() + 1);
    return TMatch::Yes;
  }
  return TMatch::No;
}

}  // namespace

bool ParseCommandLine(int Argc, const char* const* Argv, TOptions& Options, std::string& Error) {
  Options = TOptions{};
  for (int i = 1; i < Argc; ++i) {
    const std::string_view arg(Argv[i]);
    if (arg == "-h" || arg == "--help") {
      Options.Help = true;
      continue;
    }
    std::string value;
    TMatch match = TMatch::No;
    const auto take = [&](std::string_view Short, std::string_view Long) {
      match = OptionValue(Short, Long, Argc, Argv, i, value);
      return match != TMatch::No;
    };
    if (take("-c", "--connect")) {
      Options.ConnectString = value;
    } else if (take("-u", "--user")) {
      Options.User = value;
    } else if (take("-p", "--password")) {
      Options.Password = value;
    } else if (take("", "--library")) {
      Options.Library = value;
    } else if (take("", "--create")) {
      Options.CreateFile = value;
    } else if (take("-e", "--execute")) {
      Options.Inputs.push_back({TInput::TKind::Text, value});
    } else if (take("-f", "--file")) {
      Options.Inputs.push_back({TInput::TKind::File, value});
    } else if (take("", "--format")) {
      if (match == TMatch::Yes && !ParseOutputFormat(value, Options.Format)) {
        Error = "unknown format \"" + value + "\" (table, csv or json)";
        return false;
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      Error = "unknown option " + std::string(arg);
      return false;
    } else if (!Options.Database.empty()) {
      Error = "more than one database given";
      return false;
    } else {
      Options.Database = arg;
    }
    if (match == TMatch::MissingValue) {
      Error = "option " + std::string(arg) + " needs a value";
      return false;
    }
  }
  if (Options.Help) return true;
  if (!Options.CreateFile.empty() && !Options.Database.empty()) {
    Error = "--create names the database; give no other database file";
    return false;
  }
  if (Options.Database.empty() && Options.CreateFile.empty() && Options.ConnectString.empty()) {
    Error = "no database: give a database file, --create FILE or -c PARAMS";
    return false;
  }
  return true;
}

const char* UsageText() {
  return kUsage;
}

}  // namespace vlrisql
