#include "dblib/core/statement/procedure.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

#include "dblib/core/connect/connection.h"
#include "dblib/core/statement/describe.h"
#include "dblib/core/statement/execute.h"
#include "dblib/core/statement/lexer.h"
#include "dblib/core/statement/statement.h"
#include "dblib/core/support/text.h"
#include "dblib/core/value/convert.h"
#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

// Reads one parameter declaration up to its "," or ")"; last receives that token.
bool parse_param(Lexer& lexer, std::string_view text, Procedure& out, Token& last, Status& status) {
  ProcedureParam param;
  Token t = lexer.next();
  if (word_is(t, "IN") || word_is(t, "OUT") || word_is(t, "INOUT")) {
    param.mode = word_is(t, "IN")    ? ParamMode::In
                 : word_is(t, "OUT") ? ParamMode::Out
                                     : ParamMode::InOut;
    t = lexer.next();
  }
  if (!is_name(t)) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: parameter name expected in procedure '%s'",
                       out.name.c_str());
  }
  param.name = identifier_of(t);
  for (const ProcedureParam& other : out.params) {
    if (same_name(other.name, param.name)) {
      return status.fail(DBE_SYNTAX_ERROR, "Syntax error: parameter '%s' is declared twice",
                         param.name.c_str());
    }
  }
  size_t type_start = 0, type_end = 0;
  int depth = 0;
  for (t = lexer.next(); t.kind != TokenKind::End; t = lexer.next()) {
    if (depth == 0 && (is_symbol(t, ",") || is_symbol(t, ")"))) break;
    if (is_symbol(t, "(")) ++depth;
    if (is_symbol(t, ")")) --depth;
    if (type_end == 0) type_start = t.offset;
    type_end = t.offset + t.text.size();
  }
  if (type_end == 0 || t.kind == TokenKind::End) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: data type of parameter '%s' expected",
                       param.name.c_str());
  }
  param.type = parse_declared_type(text.substr(type_start, type_end - type_start));
  out.params.push_back(std::move(param));
  last = t;
  return true;
}

// Splits the body after BEGIN into statements at the semicolons outside
// parentheses; the END that closes it is the one that no CASE opened.
bool parse_body(Lexer& lexer, std::string_view text, Procedure& out, size_t& consumed,
                Status& status) {
  size_t start = lexer.offset();
  int depth = 0, open_cases = 0;
  auto add_statement = [&](size_t end) {
    Lexer probe(text.substr(start, end - start));
    if (probe.next().kind != TokenKind::End) out.body.emplace_back(text.substr(start, end - start));
  };
  for (Token t = lexer.next(); t.kind != TokenKind::End; t = lexer.next()) {
    if (is_symbol(t, "(")) ++depth;
    if (is_symbol(t, ")")) --depth;
    if (word_is(t, "CASE")) ++open_cases;
    if (t.kind == TokenKind::Semicolon && depth == 0) {
      add_statement(t.offset);
      start = t.offset + 1;
    } else if (word_is(t, "END") && depth == 0) {
      if (open_cases > 0) {
        --open_cases;
        continue;
      }
      add_statement(t.offset);
      consumed = t.offset + t.text.size();
      return true;
    }
  }
  return status.fail(DBE_SYNTAX_ERROR, "Syntax error: END expected to close procedure '%s'",
                     out.name.c_str());
}

// Runs one statement of the procedure table with up to two text arguments.
int run_catalog(sqlite3* db, const char* sql, std::string_view first, std::string_view second,
                sqlite3_stmt** kept) {
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
  if (rc != SQLITE_OK) return rc;
  sqlite3_bind_text(stmt, 1, first.data(), static_cast<int>(first.size()), SQLITE_STATIC);
  if (sqlite3_bind_parameter_count(stmt) > 1) {
    sqlite3_bind_text(stmt, 2, second.data(), static_cast<int>(second.size()), SQLITE_STATIC);
  }
  rc = sqlite3_step(stmt);
  if (kept != nullptr && rc == SQLITE_ROW) {
    *kept = stmt;
    return rc;
  }
  sqlite3_finalize(stmt);
  return rc;
}

// How many OUT and INOUT parameters the procedure has.
size_t output_count(const Procedure& procedure) {
  return static_cast<size_t>(
      std::count_if(procedure.params.begin(), procedure.params.end(),
                    [](const ProcedureParam& p) { return p.mode != ParamMode::In; }));
}

}  // namespace

// Reads name, parameter list and body; the body statements are checked
// only when they run, since they may use tables made before that.
bool parse_procedure(std::string_view text, Procedure& out, size_t& consumed, Status& status) {
  Lexer lexer(text);
  if (!word_is(lexer.next(), "CREATE") || !word_is(lexer.next(), "PROCEDURE")) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: CREATE PROCEDURE expected");
  }
  Token name = lexer.next();
  if (is_name(name) && is_symbol(lexer.peek(), ".")) {  // owner.name: the owner is not kept
    lexer.next();
    name = lexer.next();
  }
  if (!is_name(name)) return status.fail(DBE_SYNTAX_ERROR, "Syntax error: procedure name expected");
  out.name = identifier_of(name);
  Token t = lexer.next();
  if (is_symbol(t, "(")) {
    if (is_symbol(lexer.peek(), ")")) {
      lexer.next();
    } else {
      do {
        if (!parse_param(lexer, text, out, t, status)) return false;
      } while (is_symbol(t, ","));
    }
    t = lexer.next();
  }
  if (!word_is(t, "BEGIN")) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: BEGIN expected in procedure '%s'",
                       out.name.c_str());
  }
  return parse_body(lexer, text, out, consumed, status);
}

// Keeps the definition in the database, making its table on first use.
bool store_procedure(Connection& connection, const std::string& name, const std::string& source,
                     Status& status) {
  sqlite3* db = connection.handle();
  if (!exec_sql(db,
                "CREATE TABLE IF NOT EXISTS dblib_procedures("
                "name TEXT PRIMARY KEY COLLATE NOCASE, source TEXT NOT NULL)",
                status)) {
    return false;
  }
  int rc = run_catalog(db, "INSERT INTO dblib_procedures(name, source) VALUES (?1, ?2)", name,
                       source, nullptr);
  if ((rc & 0xFF) == SQLITE_CONSTRAINT) {
    return status.fail(DBE_ITEM_EXISTS, "Procedure '%s' already exists", name.c_str());
  }
  return rc == SQLITE_DONE || status.fail_sqlite(db, rc);
}

// Forgets a stored procedure.
bool drop_procedure(Connection& connection, const std::string& name, Status& status) {
  sqlite3* db = connection.handle();
  int rc = run_catalog(db, "DELETE FROM dblib_procedures WHERE name = ?1", name, {}, nullptr);
  if (rc == SQLITE_DONE && sqlite3_changes(db) > 0) return true;
  if (rc != SQLITE_DONE && std::strstr(sqlite3_errmsg(db), "no such table") == nullptr) {
    return status.fail_sqlite(db, rc);
  }
  return status.fail(DBE_PROCEDURE_NOT_FOUND, "Procedure '%s' not found", name.c_str());
}

// Reads and parses a stored definition.
std::shared_ptr<const Procedure> load_procedure(Connection& connection, std::string_view name,
                                                Status& status) {
  sqlite3* db = connection.handle();
  sqlite3_stmt* row = nullptr;
  int rc = run_catalog(db, "SELECT source FROM dblib_procedures WHERE name = ?1", name, {}, &row);
  if (rc != SQLITE_ROW) {
    if (rc != SQLITE_DONE && std::strstr(sqlite3_errmsg(db), "no such table") == nullptr) {
      status.fail_sqlite(db, rc);
    } else {
      status.fail(DBE_PROCEDURE_NOT_FOUND, "Procedure '%.*s' not found",
                  static_cast<int>(name.size()), name.data());
    }
    return nullptr;
  }
  std::string source(reinterpret_cast<const char*>(sqlite3_column_text(row, 0)),
                     static_cast<size_t>(sqlite3_column_bytes(row, 0)));
  sqlite3_finalize(row);
  auto procedure = std::make_shared<Procedure>();
  size_t consumed = 0;
  if (!parse_procedure(source, *procedure, consumed, status)) return nullptr;
  return procedure;
}

// Every parameter starts NULL, with its declared type.
ProcedureRun::ProcedureRun(std::shared_ptr<const Procedure> procedure)
    : procedure_(std::move(procedure)) {
  for (const ProcedureParam& param : procedure_->params)
    frame_.create(param.name, param.type);
}

// Each statement is prepared when the run reaches it, so that it sees what
// the statements before it made.
std::unique_ptr<Statement> ProcedureRun::next_result_set(Connection& connection, Status& status) {
  while (next_ < procedure_->body.size()) {
    const std::string& text = procedure_->body[next_++];
    size_t consumed = 0;
    std::unique_ptr<Statement> st =
        prepare_statement(connection, text, PrepareOptions{.locals = &frame_}, consumed, status);
    if (!st) return nullptr;
    if (returns_rows(*st)) return st;
    int32_t count = 0;
    if (!execute_statement(connection, *st, nullptr, nullptr, count, status, &frame_)) {
      return nullptr;
    }
  }
  return nullptr;
}

// An execute has no cursor to read result sets into, so they are skipped.
bool ProcedureRun::finish(Connection& connection, Status& status) {
  while (next_ < procedure_->body.size()) {
    if (next_result_set(connection, status) == nullptr && status.code() < 0) return false;
  }
  return true;
}

// OUT parameters start NULL whatever the caller bound to them.
bool start_call(Connection& connection, Statement& call, const sqlda* input,
                std::unique_ptr<ProcedureRun>& run, Status& status) {
  run = std::make_unique<ProcedureRun>(call.procedure);
  sqlite3_stmt* arguments = call.stmt;
  if (arguments == nullptr) return true;
  bool ok = bind_parameters(connection, call, arguments, input, BindOptions{}, status);
  if (ok) {
    int rc = sqlite3_step(arguments);
    if (rc != SQLITE_ROW) {
      ok = status.fail_sqlite(connection.handle(), rc);
    } else {
      const std::vector<ProcedureParam>& params = run->procedure().params;
      int given = std::min(sqlite3_column_count(arguments), static_cast<int>(params.size()));
      for (int i = 0; i < given; ++i) {
        const ProcedureParam& param = params[static_cast<size_t>(i)];
        if (param.mode == ParamMode::Out) continue;  // starts NULL whatever was passed
        Variables::assign(*run->frame().find(param.name), column_view(arguments, i));
      }
    }
  }
  sqlite3_reset(arguments);
  sqlite3_clear_bindings(arguments);
  return ok;
}

// Refuses an output descriptor too small for the parameters, before any write.
bool write_call_outputs(ProcedureRun& run, sqlda* output, Status& status) {
  if (output == nullptr) return true;
  const Procedure& procedure = run.procedure();
  size_t needed = output_count(procedure);
  if (output->sqld < 0 || output->sqld > output->sqln ||
      static_cast<size_t>(output->sqld) < needed) {
    return status.fail(DBE_SQLDA_TOO_SMALL,
                       "Procedure '%s' returns %zu parameters but the output SQLDA holds %d",
                       procedure.name.c_str(), needed, output->sqld);
  }
  int index = 0;
  for (const ProcedureParam& param : procedure.params) {
    if (param.mode == ParamMode::In) continue;
    const Variable* variable = run.frame().find(param.name);
    if (!write_output(variable->value.view(), output->sqlvar[index], index, status)) return false;
    ++index;
  }
  return true;
}

// The input entries of a call are its host variables; those that stand
// alone for an OUT or INOUT parameter are marked so a caller binds no value.
bool describe_call(const Statement& call, sqlda* descriptor, unsigned what, int32_t& count,
                   Status& status) {
  const Procedure& procedure = *call.procedure;
  int fill = std::max<int16_t>(descriptor->sqln, 0);
  if (what == DBDESC_FIXED_SHAPE) {
    count = 0;  // each result set of the body has its own columns
    descriptor->sqld = static_cast<int16_t>(output_count(procedure));
    return true;
  }
  if (what == DBDESC_OUTPUT) {
    std::vector<ColumnDesc> outputs;
    for (const ProcedureParam& param : procedure.params) {
      if (param.mode != ParamMode::In)
        outputs.push_back(ColumnDesc{.type = param.type, .nullable = true, .name = param.name});
    }
    descriptor->sqld = static_cast<int16_t>(outputs.size());
    fill_column_entries(outputs, descriptor);
    count = descriptor->sqld;
    return true;
  }
  if (what != DBDESC_INPUT)
    return status.fail(DBE_BAD_ARGUMENT, "Unknown describe request %u", what);
  descriptor->sqld = static_cast<int16_t>(call.inputs.size());
  fill_input_entries(call.inputs, descriptor);
  for (size_t arg = 0; arg < call.call_hosts.size() && arg < procedure.params.size(); ++arg) {
    int host = call.call_hosts[arg];
    if (host < 0 || host >= fill) continue;
    const ProcedureParam& param = procedure.params[arg];
    sqlvar& entry = descriptor->sqlvar[host];
    if (call.inputs[static_cast<size_t>(host)].empty()) set_sqlname(entry.sqlname, param.name);
    if (entry.sqlind == nullptr) continue;
    *entry.sqlind =
        static_cast<int16_t>(param.mode == ParamMode::Out     ? DBIND_PARAM_OUT
                             : param.mode == ParamMode::InOut ? DBIND_PARAM_OUT | DBIND_PARAM_IN
                                                              : 0);
  }
  count = descriptor->sqld;
  return true;
}

}  // namespace dblib
