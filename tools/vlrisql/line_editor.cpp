#include "tools/vlrisql/line_editor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

namespace vlrisql {

namespace {

constexpr int kCtrlA = 1, kCtrlB = 2, kCtrlC = 3, kCtrlD = 4, kCtrlE = 5, kCtrlF = 6, kCtrlH = 8,
              kCtrlK = 11, kCtrlL = 12, kCtrlN = 14, kCtrlP = 16, kCtrlU = 21, kCtrlW = 23,
              kEscape = 27, kBackspace = 127;

// Writes all of Text unless the descriptor fails.
void WriteAll(int Fd, const std::string& Text) {
  std::size_t done = 0;
  while (done < Text.size()) {
    const ssize_t wrote = ::write(Fd, Text.data() + done, Text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return;
    done += static_cast<std::size_t>(wrote);
  }
}

bool IsContinuation(char C) {
  return (static_cast<unsigned char>(C) & 0xC0) == 0x80;
}

// Characters (not bytes) in Text[0, End): what the cursor moves over.
std::size_t Columns(const std::string& Text, std::size_t End) {
  std::size_t columns = 0;
  for (std::size_t i = 0; i < End; ++i)
    if (!IsContinuation(Text[i])) ++columns;
  return columns;
}

// The terminal in raw mode for the life of the object: keys arrive one at a
// time, unechoed, and Ctrl-C arrives as a key rather than as a signal, so
// that it can cancel the line instead of the program. The mode changes once
// output has drained but keep input that is waiting: lines pasted or typed
// ahead are the next lines read, not thrown away.
class TRawMode {
 public:
  explicit TRawMode(int Fd) : fd_(Fd) {
    if (::tcgetattr(fd_, &saved_) != 0) return;
    termios raw = saved_;
    raw.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INPCK | ISTRIP | IXON);
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN | ISIG);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    active_ = ::tcsetattr(fd_, TCSADRAIN, &raw) == 0;
  }
  ~TRawMode() {
    if (active_) ::tcsetattr(fd_, TCSADRAIN, &saved_);
  }
  TRawMode(const TRawMode&) = delete;
  TRawMode& operator=(const TRawMode&) = delete;

 private:
  int fd_;
  termios saved_{};
  bool active_ = false;
};

}  // namespace

// What one ReadLine edits: the text, the cursor (a byte offset at a
// character start), and where in the history the user has moved to.
class LineEditor::TLineState {
 public:
  std::string Prompt;
  std::string Text;
  std::size_t Cursor = 0;
  std::size_t HistoryIndex = 0;  // == history size: the line being typed
  std::string Typed;             // that line, kept while browsing the history

  void Insert(char C) { Text.insert(Cursor++, 1, C); }
  void Left() {
    while (Cursor > 0 && IsContinuation(Text[--Cursor])) {
    }
  }
  void Right() {
    if (Cursor < Text.size()) ++Cursor;
    while (Cursor < Text.size() && IsContinuation(Text[Cursor]))
      ++Cursor;
  }
  void Backspace() {
    const std::size_t end = Cursor;
    Left();
    Text.erase(Cursor, end - Cursor);
  }
  void DeleteAtCursor() {
    const std::size_t start = Cursor;
    Right();
    Text.erase(start, Cursor - start);
    Cursor = start;
  }
  void DeleteWordBack() {
    const std::size_t end = Cursor;
    while (Cursor > 0 && Text[Cursor - 1] == ' ')
      --Cursor;
    while (Cursor > 0 && Text[Cursor - 1] != ' ')
      --Cursor;
    Text.erase(Cursor, end - Cursor);
  }
};

LineEditor::LineEditor(int InputFd, int OutputFd)
    : inputFd_(InputFd), outputFd_(OutputFd), interactive_(::isatty(InputFd) == 1) {}

LineEditor::~LineEditor() = default;

LineEditor::TResult LineEditor::ReadLine(const std::string& Prompt, std::string& Line) {
  Line.clear();
  if (!interactive_) return ReadPlain(Line);
  TRawMode raw(inputFd_);
  return ReadEdited(Prompt, Line);
}

// Plain input: bytes up to a newline; a last line without one still counts.
LineEditor::TResult LineEditor::ReadPlain(std::string& Line) {
  char c = 0;
  bool any = false;
  for (;;) {
    const ssize_t got = ::read(inputFd_, &c, 1);
    if (got < 0 && errno == EINTR) return TResult::Cancelled;
    if (got <= 0) return any ? TResult::Line : TResult::EndOfInput;
    any = true;
    if (c == '\n') break;
    Line += c;
  }
  if (!Line.empty() && Line.back() == '\r') Line.pop_back();
  return TResult::Line;
}

LineEditor::TResult LineEditor::ReadEdited(const std::string& Prompt, std::string& Line) {
  TLineState state;
  state.Prompt = Prompt;
  state.HistoryIndex = history_.size();
  Redraw(state);
  TResult result = TResult::Line;
  for (;;) {
    const int key = NextKey();
    if (key == kKeyNone) {
      result = state.Text.empty() ? TResult::EndOfInput : TResult::Line;
      break;
    }
    if (ApplyKey(state, key, result)) break;
    if (testKeys_ == nullptr) Redraw(state);
  }
  if (testKeys_ == nullptr) Write("\r\n");
  Line = result == TResult::Line ? state.Text : std::string();
  return result;
}

LineEditor::TResult LineEditor::EditForTest(const std::string& Keys, std::string& Line) {
  testKeys_ = &Keys;
  testPosition_ = 0;
  const TResult result = ReadEdited(std::string(), Line);
  testKeys_ = nullptr;
  return result;
}

bool LineEditor::ApplyKey(TLineState& State, int Key, TResult& Result) {
  const auto browse = [&](std::size_t Index) {
    if (State.HistoryIndex == history_.size()) State.Typed = State.Text;
    State.HistoryIndex = Index;
    State.Text = Index == history_.size() ? State.Typed : history_[Index];
    State.Cursor = State.Text.size();
  };
  switch (Key) {
    case '\r':
    case '\n':
      Result = TResult::Line;
      return true;
    case kCtrlC:
      Result = TResult::Cancelled;
      return true;
    case kCtrlD:
      if (State.Text.empty()) {
        Result = TResult::EndOfInput;
        return true;
      }
      State.DeleteAtCursor();
      return false;
    case kBackspace:
    case kCtrlH:
      State.Backspace();
      return false;
    case kKeyDelete:
      State.DeleteAtCursor();
      return false;
    case kCtrlA:
    case kKeyHome:
      State.Cursor = 0;
      return false;
    case kCtrlE:
    case kKeyEnd:
      State.Cursor = State.Text.size();
      return false;
    case kCtrlB:
    case kKeyLeft:
      State.Left();
      return false;
    case kCtrlF:
    case kKeyRight:
      State.Right();
      return false;
    case kCtrlK:
      State.Text.erase(State.Cursor);
      return false;
    case kCtrlU:
      State.Text.erase(0, State.Cursor);
      State.Cursor = 0;
      return false;
    case kCtrlW:
      State.DeleteWordBack();
      return false;
    case kCtrlL:
      if (testKeys_ == nullptr) Write("\x1b[H\x1b[2J");
      return false;
    case kCtrlP:
    case kKeyUp:
      if (State.HistoryIndex > 0) browse(State.HistoryIndex - 1);
      return false;
    case kCtrlN:
    case kKeyDown:
      if (State.HistoryIndex < history_.size()) browse(State.HistoryIndex + 1);
      return false;
    default:
      if (Key == '\t') Key = ' ';
      if (Key >= 32 && Key < 256) State.Insert(static_cast<char>(Key));
      return false;
  }
}

// One key, with the escape sequences of cursor and editing keys read whole.
// An escape sequence this editor does not know is swallowed.
int LineEditor::NextKey() {
  const auto byte = [this]() -> int {
    if (testKeys_ != nullptr)
      return testPosition_ < testKeys_->size()
                 ? static_cast<int>(static_cast<unsigned char>((*testKeys_)[testPosition_++]))
                 : static_cast<int>(kKeyNone);
    unsigned char c = 0;
    for (;;) {
      const ssize_t got = ::read(inputFd_, &c, 1);
      if (got == 1) return c;
      if (got < 0 && errno == EINTR) continue;
      return kKeyNone;
    }
  };
  const int first = byte();
  if (first != kEscape) return first;
  const int second = byte();
  if (second != '[' && second != 'O') return kKeyNone;
  int third = byte();
  switch (third) {
    case 'A':
      return kKeyUp;
    case 'B':
      return kKeyDown;
    case 'C':
      return kKeyRight;
    case 'D':
      return kKeyLeft;
    case 'H':
      return kKeyHome;
    case 'F':
      return kKeyEnd;
    default:
      break;
  }
  if (third < '0' || third > '9') return 0;
  int number = 0;
  while (third >= '0' && third <= '9') {
    number = number * 10 + (third - '0');
    third = byte();
  }
  if (third != '~') return 0;
  switch (number) {
    case 1:
    case 7:
      return kKeyHome;
    case 4:
    case 8:
      return kKeyEnd;
    case 3:
      return kKeyDelete;
    default:
      return 0;
  }
}

void LineEditor::Redraw(const TLineState& State) {
  std::string out = "\r" + State.Prompt + State.Text + "\x1b[K";
  const std::size_t back =
      Columns(State.Text, State.Text.size()) - Columns(State.Text, State.Cursor);
  if (back > 0) out += "\x1b[" + std::to_string(back) + "D";
  Write(out);
}

void LineEditor::Write(const std::string& Text) const {
  WriteAll(outputFd_, Text);
}

void LineEditor::AddHistory(const std::string& Line) {
  if (Line.find_first_not_of(" \t") == std::string::npos) return;
  if (!history_.empty() && history_.back() == Line) return;
  history_.push_back(Line);
}

void LineEditor::LoadHistory(const std::string& File) {
  std::ifstream in(File);
  std::string line;
  while (std::getline(in, line))
    AddHistory(line);
}

// The newest thousand entries are kept. The file is the user's alone: typed
// statements may hold passwords (GRANT ... IDENTIFIED BY).
void LineEditor::SaveHistory(const std::string& File) const {
  const int fd = ::open(File.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  ::fchmod(fd, 0600);
  std::string text;
  const std::size_t first = history_.size() > 1000 ? history_.size() - 1000 : 0;
  for (std::size_t i = first; i < history_.size(); ++i)
    text.append(history_[i]).append(1, '\n');
  WriteAll(fd, text);
  ::close(fd);
}

}  // namespace vlrisql
