// Running and describing prepared statements.
#pragma once

#include <cstdint>

#include "dblib/core/status.h"
#include "dblib/include/sqlda.h"

namespace dblib {

class Connection;
struct Statement;

// Runs a prepared statement with the values of input (one entry per host
// variable) and, for a statement that returns a row, writes it into output.
// count receives the rows changed (or 1 for a row returned).
bool execute_statement(Connection& connection, Statement& statement, const sqlda* input,
                       sqlda* output, int32_t& count, Status& status);

// Describes the result columns (DBDESC_OUTPUT, DBDESC_FIXED_SHAPE) or the
// host variables (DBDESC_INPUT) into descriptor. sqld receives the number of
// entries needed; only as many as sqln allows are filled, so a zero-entry
// descriptor learns the count. count receives SQLCOUNT.
bool describe_statement(Connection& connection, Statement& statement, sqlda* descriptor,
                        unsigned what, int32_t& count, Status& status);

// Prepares and runs each statement of text in turn, without host variables.
bool execute_immediate(Connection& connection, const char* text, int32_t& count, Status& status);

}  // namespace dblib
