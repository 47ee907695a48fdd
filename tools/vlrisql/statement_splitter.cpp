#include "tools/vlrisql/statement_splitter.h"

#include <cctype>

namespace vlrisql {

namespace {

std::string Trimmed(const std::string& Text) {
  const std::size_t first = Text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  const std::size_t last = Text.find_last_not_of(" \t\r\n");
  return Text.substr(first, last - first + 1);
}

bool IsWordChar(char C) {
  return std::isalnum(static_cast<unsigned char>(C)) || C == '_';
}

// Whether Text holds anything besides blanks and comments: a comment alone
// is no statement to send, nor an unfinished one to wait for.
bool HasCode(const std::string& Text) {
  for (std::size_t i = 0; i < Text.size(); ++i) {
    const char c = Text[i];
    const char next = i + 1 < Text.size() ? Text[i + 1] : '\0';
    if (c == '-' && next == '-') {
      i = Text.find('\n', i);
      if (i == std::string::npos) return false;
    } else if (c == '/' && next == '*') {
      i = Text.find("*/", i + 2);
      if (i == std::string::npos) return false;
      ++i;
    } else if (!std::isspace(static_cast<unsigned char>(c))) {
      return true;
    }
  }
  return false;
}

}  // namespace

void StatementSplitter::Feed(const std::string& Line) {
  for (char c : Line)
    Scan(c);
  Scan('\n');
}

// One character of input. Only a ";" at depth 0 outside quotes and comments
// ends a statement; everything else is kept as typed.
void StatementSplitter::Scan(char C) {
  const char previous = current_.empty() ? '\0' : current_.back();
  if (lineComment_) {
    current_ += C;
    if (C == '\n') lineComment_ = false;
    return;
  }
  if (blockComment_) {
    current_ += C;
    if (previous == '*' && C == '/') blockComment_ = false;
    return;
  }
  if (quote_ != 0) {
    current_ += C;
    if (C == quote_) quote_ = 0;  // a doubled quote closes and opens again
    return;
  }
  if (IsWordChar(C)) {
    word_ += static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    current_ += C;
    return;
  }
  EndWord();
  if (C == '\'' || C == '"') {
    quote_ = C;
  } else if (C == '-' && previous == '-') {
    lineComment_ = true;
  } else if (C == '*' && previous == '/') {
    blockComment_ = true;
  } else if (C == ';' && depth_ == 0) {
    if (HasCode(current_)) ready_.push_back(Trimmed(current_));
    Reset();
    return;
  }
  current_ += C;
}

// A routine's body nests BEGIN ... END (and CASE ... END inside it); outside
// a routine definition those words mean nothing here, so that BEGIN
// TRANSACTION or a CASE expression never holds a statement open.
void StatementSplitter::EndWord() {
  if (word_.empty()) return;
  if (firstWord_.empty()) firstWord_ = word_;
  if ((firstWord_ == "CREATE" || firstWord_ == "ALTER") && depth_ == 0 &&
      (word_ == "PROCEDURE" || word_ == "FUNCTION" || word_ == "TRIGGER"))
    definesRoutine_ = true;
  if (definesRoutine_) {
    if (word_ == "BEGIN" || word_ == "CASE")
      ++depth_;
    else if (word_ == "END" && depth_ > 0)
      --depth_;
  }
  word_.clear();
}

bool StatementSplitter::Next(std::string& Statement) {
  if (ready_.empty()) return false;
  Statement = std::move(ready_.front());
  ready_.pop_front();
  return true;
}

bool StatementSplitter::Pending() const {
  return HasCode(current_);
}

bool StatementSplitter::Finish(std::string& Statement) {
  EndWord();
  const bool any = HasCode(current_);
  Statement = any ? Trimmed(current_) : std::string();
  Reset();
  return any;
}

void StatementSplitter::Reset() {
  current_.clear();
  quote_ = 0;
  lineComment_ = false;
  blockComment_ = false;
  word_.clear();
  firstWord_.clear();
  definesRoutine_ = false;
  depth_ = 0;
}

}  // namespace vlrisql
