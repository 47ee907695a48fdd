// Cuts typed or scripted input into statements: a statement ends at a ";"
// that stands outside quotes, comments and the BEGIN ... END body of a
// procedure being created, so a statement may span lines and a body may hold
// semicolons of its own.
#pragma once

#include <deque>
#include <string>

namespace vlrisql {

class StatementSplitter {
 public:
  // Adds one line of input (without its line break).
  void Feed(const std::string& Line);
  // The next complete statement, without its ";"; false when none is ready.
  bool Next(std::string& Statement);
  // Whether text of an unfinished statement is waiting (the prompt shows it).
  bool Pending() const;
  // Ends the input: what is left counts as a last statement when not blank.
  bool Finish(std::string& Statement);
  // Forgets the unfinished statement (Ctrl-C at the prompt).
  void Reset();

 private:
  void Scan(char C);
  void EndWord();

  std::string current_;
  std::deque<std::string> ready_;
  // Lexical state carried across lines.
  char quote_ = 0;               // ' or " while inside one
  bool lineComment_ = false;     // after -- until the line ends
  bool blockComment_ = false;    // inside /* */
  std::string word_;             // the word being read, upper-cased
  std::string firstWord_;        // the statement's first word
  bool definesRoutine_ = false;  // CREATE/ALTER ... PROCEDURE/FUNCTION/TRIGGER
  int depth_ = 0;                // BEGIN/CASE ... END nesting inside a routine body
};

}  // namespace vlrisql
