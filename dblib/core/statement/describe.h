// Describing statements and cursors into SQLDAs: result columns from their
// declared types and table metadata (expressions from a value they produced),
// host variables as nullable strings.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dblib/core/statement/statement.h"
#include "dblib/core/support/status.h"
#include "dblib/include/sqlda.h"

namespace dblib {

class Connection;

// Describes column i of stmt from its declared type and the table's
// metadata. False for an expression, which has no declared type.
bool describe_declared_column(sqlite3* db, sqlite3_stmt* stmt, int i, ColumnDesc& out);

// Writes columns into the first entries of descriptor (as many as sqln holds).
void fill_column_entries(const std::vector<ColumnDesc>& columns, sqlda* descriptor);
// Writes one nullable string entry per host variable, named after it.
void fill_input_entries(const std::vector<std::string>& inputs, sqlda* descriptor);

// Describes the result columns (DBDESC_OUTPUT, DBDESC_FIXED_SHAPE) or the
// host variables (DBDESC_INPUT) into descriptor. sqld receives the number of
// entries needed; only as many as sqln allows are filled, so a zero-entry
// descriptor learns the count. count receives SQLCOUNT.
bool describe_statement(Connection& connection, Statement& statement, sqlda* descriptor,
                        unsigned what, int32_t& count, Status& status);

}  // namespace dblib
