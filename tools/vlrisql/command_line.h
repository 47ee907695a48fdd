// What the command line of vlrisql asks for: where to connect, which client
// library to load, a database to create first, the statements to run (from
// -e and -f in the order given, else from standard input) and the output
// format.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/vlrisql/result_printer.h"

namespace vlrisql {

// One source of statements, in command-line order.
struct TInput {
  enum class TKind { Text, File };
  TKind Kind = TKind::Text;
  std::string Value;  // the statements, or the file's name
};

struct TOptions {
  std::string ConnectString;  // -c
  std::string Database;       // the file given on its own
  std::string CreateFile;     // --create
  std::string Library;        // --library
  std::optional<std::string> User;
  std::optional<std::string> Password;
  std::vector<TInput> Inputs;
  TOutputFormat Format = TOutputFormat::Table;
  bool Help = false;
};

// Reads argv into Options; false with Error saying what is wrong.
bool ParseCommandLine(int Argc, const char* const* Argv, TOptions& Options, std::string& Error);

const char* UsageText();

}  // namespace vlrisql
