// Stored procedures: CREATE PROCEDURE name (IN|OUT|INOUT param type, ...)
// BEGIN stmt; ... END, kept in the database's own table dblib_procedures so
// that every connection to the database sees them and they survive a restart.
// A body is a list of SQL statements and SET statements; the parameters are
// named inside it like SQL variables. Each body statement that returns rows
// is one result set: a cursor over a CALL reads the first at open and the next
// at each resume, while an execute skips them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dblib/core/support/status.h"
#include "dblib/core/value/types.h"
#include "dblib/core/value/variables.h"
#include "dblib/include/sqlda.h"

namespace dblib {

class Connection;
struct Statement;

enum class ParamMode { In, Out, InOut };

struct ProcedureParam {
  std::string name;
  ParamMode mode = ParamMode::In;
  ColumnType type;
};

struct Procedure {
  std::string name;
  std::vector<ProcedureParam> params;
  std::vector<std::string> body;  // statement texts, in order
};

// Parses the definition at the start of text ("CREATE PROCEDURE ... END");
// consumed receives the length of the definition.
bool parse_procedure(std::string_view text, Procedure& out, size_t& consumed, Status& status);

// Stores a parsed definition with its source text (-110 when the name is taken).
bool store_procedure(Connection& connection, const std::string& name, const std::string& source,
                     Status& status);
bool drop_procedure(Connection& connection, const std::string& name, Status& status);
// The procedure of that name, or null with -265.
std::shared_ptr<const Procedure> load_procedure(Connection& connection, std::string_view name,
                                                Status& status);

// One run of a procedure body: its parameters and how far it has got.
class ProcedureRun {
 public:
  explicit ProcedureRun(std::shared_ptr<const Procedure> procedure);

  Variables& frame() { return frame_; }
  const Procedure& procedure() const { return *procedure_; }

  // Runs body statements up to the next one that returns rows and hands that
  // one over, prepared with its parameters unbound. Null when the body has
  // ended, or on a failure (status then holds an error).
  std::unique_ptr<Statement> next_result_set(Connection& connection, Status& status);
  // Runs the rest of the body, skipping statements that return rows.
  bool finish(Connection& connection, Status& status);

 private:
  std::shared_ptr<const Procedure> procedure_;
  Variables frame_;
  size_t next_ = 0;
};

// Starts a run for a prepared CALL: the arguments are evaluated with the
// host variables of input and become the IN and INOUT parameters.
bool start_call(Connection& connection, Statement& call, const sqlda* input,
                std::unique_ptr<ProcedureRun>& run, Status& status);

// Writes the OUT and INOUT parameters, in order, into output (may be null).
bool write_call_outputs(ProcedureRun& run, sqlda* output, Status& status);

// Describes a CALL: its host variables (DBDESC_INPUT, OUT entries marked with
// indicator bit 15 and INOUT with bits 15 and 14), its OUT and INOUT
// parameters (DBDESC_OUTPUT) or, for DBDESC_FIXED_SHAPE, that its result
// shape varies (count 0).
bool describe_call(const Statement& call, sqlda* descriptor, unsigned what, int32_t& count,
                   Status& status);

}  // namespace dblib
