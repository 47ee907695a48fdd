// Running and describing prepared statements.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <vector>

#include "dblib/core/support/status.h"
#include "dblib/core/value/value.h"
#include "dblib/include/sqlda.h"

namespace dblib {

class Connection;
class Variables;
struct Statement;

// Runs a prepared statement with the values of input (one entry per host
// variable) and, for a statement that returns a row, writes it into output.
// count receives the rows changed (or 1 for a row returned). Inside a
// procedure, locals holds its parameters.
bool execute_statement(Connection& connection, Statement& statement, const sqlda* input,
                       sqlda* output, int32_t& count, Status& status, Variables* locals = nullptr);

// How bind_parameters binds.
struct BindOptions {
  // Procedure parameters, found before SQL variables of the same name.
  Variables* locals = nullptr;
  // SQLite keeps its own copy of every value, for a cursor that outlives the
  // call; otherwise values in the caller's buffers are bound where they lie.
  bool copy = false;
  // When given, receives the values bound, in order.
  std::vector<Value>* keep = nullptr;
};

// Binds the parameters of stmt, prepared from statement's text: host
// variables from input, SQL variables and procedure parameters by name.
bool bind_parameters(Connection& connection, const Statement& statement, sqlite3_stmt* stmt,
                     const sqlda* input, const BindOptions& options, Status& status);

// The input descriptor must hold one entry per host variable of statement.
bool check_input(const Statement& statement, const sqlda* input, Status& status);

// Prepares and runs each statement of text in turn, without host variables.
bool execute_immediate(Connection& connection, const char* text, int32_t& count, Status& status);

}  // namespace dblib
