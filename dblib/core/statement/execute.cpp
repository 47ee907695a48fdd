#include "dblib/core/statement/execute.h"

#include <sqlite3.h>
#include <strings.h>

#include <algorithm>
#include <cstring>

#include "dblib/core/connect/connection.h"
#include "dblib/core/server/users.h"
#include "dblib/core/statement/lexer.h"
#include "dblib/core/statement/procedure.h"
#include "dblib/core/statement/statement.h"
#include "dblib/core/value/convert.h"
#include "dblib/core/value/types.h"
#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

// The variable a name stands for: a procedure parameter in locals first,
// else an SQL variable of the connection; null when neither has it.
Variable* find_variable(Connection& connection, Variables* locals, std::string_view name) {
  Variable* variable = locals != nullptr ? locals->find(name) : nullptr;
  return variable != nullptr ? variable : connection.variables().find(name);
}

// Writes the current row of stmt into output.
bool write_row(sqlite3_stmt* stmt, sqlda* output, Status& status) {
  int columns = sqlite3_column_count(stmt);
  if (output->sqld < 0 || output->sqld > output->sqln) {
    return status.fail(DBE_BAD_ARGUMENT, "Output SQLDA uses %d of its %d entries", output->sqld,
                       output->sqln);
  }
  if (output->sqld < columns) {
    return status.fail(DBE_SQLDA_TOO_SMALL,
                       "The statement returns %d columns but the output SQLDA holds %d", columns,
                       output->sqld);
  }
  for (int i = 0; i < columns; ++i) {
    if (!write_output(column_view(stmt, i), output->sqlvar[i], i, status)) return false;
  }
  return true;
}

bool run_sql(Connection& connection, Statement& st, const sqlda* input, sqlda* output,
             Variables* locals, int32_t& count, Status& status) {
  sqlite3* db = connection.handle();
  sqlite3_stmt* stmt = st.stmt;
  if (stmt == nullptr) return true;  // only comments
  size_t inputs = st.inputs.size() + st.expression_params.size();
  bool ok = bind_parameters(connection, st, stmt, input, BindOptions{.locals = locals}, status);
  if (ok) {
    sqlite3_int64 changes_before = sqlite3_total_changes64(db);
    bool returns_rows = sqlite3_column_count(stmt) > 0;
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
      if (output != nullptr) ok = write_row(stmt, output, status);
      if (!st.effect.writes) {
        // A single-row execute: a second row is an error, not a silent pick.
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
          ok = status.fail(DBE_TOO_MANY_ROWS, "The statement returns more than one row");
        }
        count = 1;
      } else {
        while (rc == SQLITE_ROW)
          rc = sqlite3_step(stmt);
      }
    }
    if (ok && rc != SQLITE_DONE && rc != SQLITE_ROW) ok = status.fail_sqlite(db, rc);
    if (ok && st.effect.writes) {
      count = sqlite3_total_changes64(db) != changes_before ? sqlite3_changes(db) : 0;
    } else if (ok && returns_rows && !st.effect.writes && count == 0 && output != nullptr) {
      status.warn(DBE_NOT_FOUND, "Row not found");
    }
  }
  sqlite3_reset(stmt);
  // Bindings point into the caller's buffers, which may go away after this call.
  if (inputs > 0) sqlite3_clear_bindings(stmt);
  return ok;
}

// SET v = v || :x: appends in place, so a value sent in chunks costs linear time.
bool append_to_variable(Connection& connection, Variable& variable, const sqlda* input,
                        Status& status) {
  InputValue piece;
  if (!read_input(input->sqlvar[0], 0, &connection.variables(), piece, status)) return false;
  Value& value = variable.value;
  if (value.kind == Kind::Null) return true;  // NULL || x stays NULL
  if (piece.value.kind == Kind::Null) {
    value = Value{};
    return true;
  }
  if (value.kind == Kind::Integer || value.kind == Kind::Real) {
    char scratch[32];
    std::string_view text = text_of(value.view(), scratch);
    value.bytes.assign(text);
    value.kind = Kind::Text;
  }
  char scratch[32];
  std::string_view bytes = text_of(piece.value, scratch);
  value.bytes.append(bytes.data(), bytes.size());
  return true;
}

bool run_set_variable(Connection& connection, Statement& st, const sqlda* input, Variables* locals,
                      Status& status) {
  Variable* variable = find_variable(connection, locals, st.target);
  if (variable == nullptr) {
    return status.fail(DBE_VARIABLE_NOT_FOUND, "Variable '%s' not found", st.target.c_str());
  }
  if (st.append) return append_to_variable(connection, *variable, input, status);
  sqlite3_stmt* stmt = st.stmt;
  bool ok = bind_parameters(connection, st, stmt, input,
                            BindOptions{.locals = locals, .copy = true}, status);
  if (ok) {
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
      Variables::assign(*variable, column_view(stmt, 0));
    } else {
      ok = status.fail_sqlite(connection.handle(), rc);
    }
  }
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  return ok;
}

// The one value of SET OPTION or GRANT CONNECT: the literal, or the host
// variable read into value. text receives its text (numbers formatted into
// scratch, 32 bytes).
bool statement_value(Connection& connection, const Statement& st, const sqlda* input,
                     InputValue& value, char* scratch, std::string_view& text, Status& status) {
  if (st.inputs.empty()) {
    value.value = text_ref(st.literal);
  } else if (!read_input(input->sqlvar[0], 0, &connection.variables(), value, status)) {
    return false;
  }
  text = text_of(value.value, scratch);
  return true;
}

bool run_set_option(Connection& connection, Statement& st, const sqlda* input, Status& status) {
  InputValue value;
  char scratch[32];
  std::string_view text;
  return statement_value(connection, st, input, value, scratch, text, status) &&
         connection.set_option(st.target, text, status);
}

// GRANT CONNECT and REVOKE CONNECT change the database's user table inside
// the connection's transaction, as any other change does.
bool run_user_statement(Connection& connection, Statement& st, const sqlda* input, Status& status) {
  if (st.kind == StatementKind::RevokeConnect) {
    return drop_user(connection.handle(), st.target, status);
  }
  InputValue value;
  char scratch[32];
  std::string_view password;
  if (!statement_value(connection, st, input, value, scratch, password, status)) return false;
  if (value.value.kind == Kind::Null) {
    return status.fail(DBE_BAD_ARGUMENT, "A password cannot be NULL");
  }
  return store_user(connection.handle(), st.target, password, status);
}

}  // namespace

bool check_input(const Statement& st, const sqlda* input, Status& status) {
  size_t needed = st.inputs.size();
  if (needed == 0) return true;
  if (input == nullptr) {
    return status.fail(DBE_SQLDA_TOO_SMALL,
                       "The statement has %zu host variables but no input SQLDA was given", needed);
  }
  if (input->sqld < 0 || input->sqld > input->sqln) {
    return status.fail(DBE_BAD_ARGUMENT, "Input SQLDA uses %d of its %d entries", input->sqld,
                       input->sqln);
  }
  if (static_cast<size_t>(input->sqld) < needed) {
    return status.fail(DBE_SQLDA_TOO_SMALL,
                       "The statement has %zu host variables but the input SQLDA holds %d", needed,
                       input->sqld);
  }
  return true;
}

// Values that live in the caller's buffers or in variables are bound without
// copying unless asked: they stay put while the call runs.
bool bind_parameters(Connection& connection, const Statement& st, sqlite3_stmt* stmt,
                     const sqlda* input, const BindOptions& options, Status& status) {
  InputValue value;
  bool by_name = !st.expression_params.empty();
  size_t count = by_name ? st.expression_params.size() : st.inputs.size();
  for (size_t i = 0; i < count; ++i) {
    int host = by_name ? st.expression_params[i].host : static_cast<int>(i);
    if (host >= 0) {
      if (input == nullptr || host >= input->sqld) {
        value.value = ValueRef{};
      } else if (!read_input(input->sqlvar[host], host, &connection.variables(), value, status)) {
        return false;
      }
    } else {
      const std::string& name = st.expression_params[i].variable;
      Variable* variable = find_variable(connection, options.locals, name);
      if (variable == nullptr) {
        return status.fail(DBE_VARIABLE_NOT_FOUND, "Variable '%s' not found", name.c_str());
      }
      value.value = variable->value.view();
    }
    bool own_copy = options.copy || value.value.bytes == value.scratch;
    int rc = bind_value(stmt, static_cast<int>(i) + 1, value.value, Binding{own_copy});
    if (rc != SQLITE_OK) return status.fail_sqlite(connection.handle(), rc);
    if (options.keep != nullptr) options.keep->emplace_back().assign(value.value);
  }
  return true;
}

bool execute_statement(Connection& connection, Statement& st, const sqlda* input, sqlda* output,
                       int32_t& count, Status& status, Variables* locals) {
  count = 0;
  if (!check_input(st, input, status)) return false;
  switch (st.kind) {
    case StatementKind::CreateVariable:
      return connection.variables().create(st.target, st.declared) ||
             status.fail(DBE_VARIABLE_EXISTS, "Variable '%s' already exists", st.target.c_str());
    case StatementKind::DropVariable:
      return connection.variables().drop(st.target) ||
             status.fail(DBE_VARIABLE_NOT_FOUND, "Variable '%s' not found", st.target.c_str());
    case StatementKind::SetVariable:
      return run_set_variable(connection, st, input, locals, status);
    case StatementKind::SetOption:
      return run_set_option(connection, st, input, status);
    case StatementKind::Call: {
      std::unique_ptr<ProcedureRun> run;
      return start_call(connection, st, input, run, status) && run->finish(connection, status) &&
             write_call_outputs(*run, output, status);
    }
    case StatementKind::CreateProcedure:
    case StatementKind::DropProcedure:
    case StatementKind::GrantConnect:
    case StatementKind::RevokeConnect:
    case StatementKind::Sql:
      break;
  }
  if (!connection.prepare_to_run(st.effect, status)) return false;
  bool ok;
  switch (st.kind) {
    case StatementKind::CreateProcedure:
      ok = store_procedure(connection, st.target, st.literal, status);
      break;
    case StatementKind::DropProcedure:
      ok = drop_procedure(connection, st.target, status);
      break;
    case StatementKind::GrantConnect:
    case StatementKind::RevokeConnect:
      ok = run_user_statement(connection, st, input, status);
      break;
    default:
      ok = run_sql(connection, st, input, output, locals, count, status);
  }
  connection.ran(!ok, status);
  return ok;
}

bool execute_immediate(Connection& connection, const char* text, int32_t& count, Status& status) {
  count = 0;
  std::string_view rest(text);
  if (only_blanks_remain(rest)) {
    return status.fail(DBE_SYNTAX_ERROR, "Syntax error: the statement is empty");
  }
  while (!rest.empty()) {
    size_t consumed = 0;
    std::unique_ptr<Statement> st = prepare_statement(
        connection, rest, PrepareOptions{.more_may_follow = true}, consumed, status);
    if (!st) return false;
    if (!execute_statement(connection, *st, nullptr, nullptr, count, status)) return false;
    rest.remove_prefix(std::min(consumed, rest.size()));
    if (only_blanks_remain(rest)) break;
  }
  return true;
}

}  // namespace dblib
