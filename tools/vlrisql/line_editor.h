// A small line editor for the interactive prompt: cursor movement, deletion,
// history and a cancelled line, on any terminal that understands the common
// ANSI sequences. When the input is not a terminal it reads plain lines, so
// scripts and pipes work unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vlrisql {

class LineEditor {
 public:
  enum class TResult { Line, Cancelled, EndOfInput };

  // Reads from InputFd and draws on OutputFd.
  LineEditor(int InputFd, int OutputFd);
  ~LineEditor();
  LineEditor(const LineEditor&) = delete;
  LineEditor& operator=(const LineEditor&) = delete;

  // Shows Prompt and reads one line. Ctrl-C answers Cancelled (the line is
  // thrown away), Ctrl-D on an empty line and the end of input EndOfInput.
  TResult ReadLine(const std::string& Prompt, std::string& Line);

  // History: the newest entry last; a line equal to the newest is not added
  // twice, and blank lines never.
  void AddHistory(const std::string& Line);
  const std::vector<std::string>& History() const { return history_; }
  // One entry per line; a missing file is an empty history.
  void LoadHistory(const std::string& File);
  void SaveHistory(const std::string& File) const;

  bool Interactive() const { return interactive_; }

  // The editing itself, without a terminal, for the tests: feeds Keys (raw
  // bytes as a terminal sends them) to a fresh line and answers the outcome.
  TResult EditForTest(const std::string& Keys, std::string& Line);

 private:
  class TLineState;
  TResult ReadPlain(std::string& Line);
  TResult ReadEdited(const std::string& Prompt, std::string& Line);
  // Applies one key (after escape sequences are read whole) to State; sets
  // Done and the result when the key ends the line.
  bool ApplyKey(TLineState& State, int Key, TResult& Result);
  int NextKey();
  void Redraw(const TLineState& State);
  void Write(const std::string& Text) const;

  int inputFd_;
  int outputFd_;
  bool interactive_ = false;
  std::vector<std::string> history_;
  // Keys come from here instead of the terminal while EditForTest runs.
  const std::string* testKeys_ = nullptr;
  std::size_t testPosition_ = 0;
};

// Key codes beyond single bytes.
enum : int {
  kKeyUp = 0x1000,
  kKeyDown,
  kKeyLeft,
  kKeyRight,
  kKeyHome,
  kKeyEnd,
  kKeyDelete,
  kKeyNone = -1,
};

}  // namespace vlrisql
