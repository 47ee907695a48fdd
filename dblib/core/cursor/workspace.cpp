#include "dblib/core/cursor/workspace.h"

#include <algorithm>
#include <string>

#include "dblib/core/support/text.h"
#include "dblib/include/sqldef.h"

namespace dblib {

bool Workspace::add_statement(std::unique_ptr<Statement> statement, int16_t& number,
                              Status& status) {
  if (!free_numbers_.empty()) {
    number = free_numbers_.back();
    free_numbers_.pop_back();
    statements_[static_cast<size_t>(number - 1)] = std::move(statement);
    return true;
  }
  if (statements_.size() >= 32767) {
    return status.fail(DBE_ERROR, "Too many prepared statements (32767); drop some first");
  }
  statements_.push_back(std::move(statement));
  number = static_cast<int16_t>(statements_.size());
  return true;
}

Statement* Workspace::statement(int16_t number) {
  if (number < 1 || static_cast<size_t>(number) > statements_.size()) return nullptr;
  return statements_[static_cast<size_t>(number - 1)].get();
}

bool Workspace::drop_statement(int16_t number) {
  if (statement(number) == nullptr) return false;
  std::erase_if(cursors_, [&](const std::unique_ptr<Cursor>& cursor) {
    return cursor->statement() == number;
  });
  statements_[static_cast<size_t>(number - 1)].reset();
  free_numbers_.push_back(number);
  return true;
}

// A handful of cursors per connection: a scan without building a key keeps
// every fetch free of allocation.
Cursor* Workspace::cursor(std::string_view name) {
  for (auto& cursor : cursors_) {
    if (same_name(cursor->name(), name)) return cursor.get();
  }
  return nullptr;
}

// A name declared again keeps its cursor object, which callers may hold.
Cursor& Workspace::declare_cursor(std::string_view name, int16_t statement, unsigned options) {
  Cursor* existing = cursor(name);
  if (existing != nullptr) {
    existing->redeclare(statement, options);
    return *existing;
  }
  cursors_.push_back(std::make_unique<Cursor>(std::string(name), statement, options));
  return *cursors_.back();
}

void Workspace::let_go_of_reads() {
  for (auto& cursor : cursors_)
    cursor->let_go();
}

// Cursors first: each finalizes its own statements, then the prepared ones
// go, so that nothing prepared on the handle remains when it closes.
void Workspace::clear() {
  cursors_.clear();
  statements_.clear();
  free_numbers_.clear();
}

}  // namespace dblib
