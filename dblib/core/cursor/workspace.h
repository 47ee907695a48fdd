// The statements prepared on one connection, by number (1 to 32767), and the
// cursors declared over them, by name (compared without regard to case). A
// freed number is given out again. The SQLCA's session owns the workspace
// and empties it before the connection's handle closes.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "dblib/core/cursor/cursor.h"
#include "dblib/core/statement/statement.h"
#include "dblib/core/support/status.h"

namespace dblib {

class Workspace {
 public:
  // Numbers statement; -300 when every number is taken.
  bool add_statement(std::unique_ptr<Statement> statement, int16_t& number, Status& status);
  // Null when no statement has that number.
  Statement* statement(int16_t number);
  // Frees a statement and the cursors declared over it.
  bool drop_statement(int16_t number);

  // Null when no cursor of that name is declared.
  Cursor* cursor(std::string_view name);
  // Declares a cursor, or declares a closed one again.
  Cursor& declare_cursor(std::string_view name, int16_t statement, unsigned options);

  // Every cursor lets go of its read (Cursor::let_go).
  void let_go_of_reads();

  // Frees every cursor, then every statement.
  void clear();

 private:
  std::vector<std::unique_ptr<Statement>> statements_;  // index = number - 1
  std::vector<int16_t> free_numbers_;
  std::vector<std::unique_ptr<Cursor>> cursors_;
};

}  // namespace dblib
