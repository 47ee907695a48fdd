// One connection: an SQLite handle on a started database, its prepared
// statements (numbered 1..32767), its named cursors, SQL variables, options
// and transaction.
//
// Transactions are implicit: the first statement that changes data (or, at
// isolation levels 2 and 3, any statement) begins one, and it lasts until
// commit or rollback. At levels 0 and 1 reads outside a transaction see the
// latest committed data. A failed statement leaves the transaction open; when
// SQLite itself had to roll the whole transaction back (an interrupted
// change, a full disk) the error text says so.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dblib/core/connstr.h"
#include "dblib/core/options.h"
#include "dblib/core/statement.h"
#include "dblib/core/status.h"
#include "dblib/core/variables.h"

namespace dblib {

class Cursor;
class Session;
struct Database;

class Connection {
 public:
  explicit Connection(Session& session);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens a handle on database and authenticates the user of params.
  bool open(Database& database, const ConnectParams& params, Status& status);

  Session& session() { return session_; }
  sqlite3* handle() { return db_; }
  Database* database() { return database_; }
  const std::string& user() const { return user_; }

  // The engine or database stopped: the handle closes and every later request
  // answers -308.
  void terminate();
  bool terminated() const { return terminated_; }
  // Closes the handle of a connection terminated during its own request.
  void release_if_terminated() {
    if (terminated_) close_handle();
  }

  // Statement numbers. Dropping a statement closes and forgets its cursors.
  bool add_statement(std::unique_ptr<Statement> statement, int16_t& number, Status& status);
  Statement* statement(int16_t number);
  bool drop_statement(int16_t number);

  // Cursors by name (compared without regard to case); null when undeclared.
  Cursor* cursor(std::string_view name);
  // Declares a cursor, or declares a closed one again.
  Cursor& declare_cursor(std::string_view name, int16_t statement, unsigned options);

  // Around every statement run: begins the implicit transaction when one is
  // needed, and afterwards notes a transaction SQLite rolled back.
  bool prepare_to_run(const Statement& statement, Status& status) {
    return prepare_to_run(statement.writes, statement.transaction_control, status);
  }
  bool prepare_to_run(bool writes, bool transaction_control, Status& status);
  void ran(bool failed, Status& status);
  bool commit(Status& status);
  bool rollback(Status& status);

  bool set_option(std::string_view name, std::string_view value, Status& status);
  const Options& options() const { return options_; }
  Variables& variables() { return variables_; }

  // Installs the progress handler that drives the wait callback and cancel.
  void update_progress_handler();

 private:
  void close_handle();
  Session& session_;
  sqlite3* db_ = nullptr;
  Database* database_ = nullptr;
  std::string user_;
  bool terminated_ = false;
  bool had_transaction_ = false;
  std::vector<std::unique_ptr<Statement>> statements_;  // index = number - 1
  std::vector<int16_t> free_numbers_;
  std::vector<std::unique_ptr<Cursor>> cursors_;
  Options options_;
  Variables variables_;
};

}  // namespace dblib
