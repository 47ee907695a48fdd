// Test support for programs that draw on a terminal: a model of a VT100
// screen that turns the terminal's output back into text, and a program run
// on a pseudo-terminal whose screen the test reads while it sends keys.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace terminal_test {

// The screen of a VT100 as ncurses drives it: cursor moves, erasing,
// scrolling regions, the line-drawing set (shown as "-", "|" and "+") and
// deferred wrapping at the right margin. Attributes are ignored.
class TVtScreen {
 public:
  TVtScreen(int Cols, int Rows) : cols_(Cols), rows_(Rows), bottom_(Rows - 1) {
    lines_.assign(static_cast<std::size_t>(Rows), std::string(static_cast<std::size_t>(Cols), ' '));
  }

  void Feed(std::string_view Bytes) {
    for (char c : Bytes)
      Put(c);
  }

  std::string Row(int R) const {
    std::string line = lines_[static_cast<std::size_t>(R)];
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
  }
  std::string Text() const {
    std::string text;
    for (int r = 0; r < rows_; ++r)
      text += Row(r) + "\n";
    return text;
  }

 private:
  enum TState { kNormal, kEscape, kCsi, kCharset };

  void Put(char c) {
    switch (state_) {
      case kEscape:
        Escape(c);
        return;
      case kCsi:
        Csi(c);
        return;
      case kCharset:
        if (charsetSlot_ == 0) g0Lines_ = c == '0';
        if (charsetSlot_ == 1) g1Lines_ = c == '0';
        state_ = kNormal;
        return;
      case kNormal:
        break;
    }
    switch (c) {
      case '\x1b':
        state_ = kEscape;
        return;
      case '\r':
        col_ = 0;
        pendingWrap_ = false;
        return;
      case '\n':
      case '\x0b':
      case '\x0c':
        LineFeed();
        return;
      case '\b':
        if (col_ > 0) --col_;
        pendingWrap_ = false;
        return;
      case '\t':
        col_ = std::min(cols_ - 1, (col_ / 8 + 1) * 8);
        return;
      case '\x0e':
        shifted_ = true;
        return;
      case '\x0f':
        shifted_ = false;
        return;
      default:
        break;
    }
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return;
    if (pendingWrap_) {
      col_ = 0;
      LineFeed();
    }
    bool lines = shifted_ ? g1Lines_ : g0Lines_;
    lines_[static_cast<std::size_t>(row_)][static_cast<std::size_t>(col_)] =
        lines ? LinePiece(c) : c;
    if (col_ == cols_ - 1)
      pendingWrap_ = true;
    else
      ++col_;
  }

  static char LinePiece(char c) {
    switch (c) {
      case 'q':
        return '-';
      case 'x':
        return '|';
      case 'l':
      case 'k':
      case 'm':
      case 'j':
      case 't':
      case 'u':
      case 'v':
      case 'w':
      case 'n':
        return '+';
      default:
        return c;
    }
  }

  void Escape(char c) {
    state_ = kNormal;
    switch (c) {
      case '[':
        state_ = kCsi;
        params_.clear();
        return;
      case '(':
      case ')':
        charsetSlot_ = c == '(' ? 0 : 1;
        state_ = kCharset;
        return;
      case '7':
        savedRow_ = row_;
        savedCol_ = col_;
        return;
      case '8':
        row_ = savedRow_;
        col_ = savedCol_;
        pendingWrap_ = false;
        return;
      case 'D':
        LineFeed();
        return;
      case 'E':
        col_ = 0;
        LineFeed();
        return;
      case 'M':
        ReverseIndex();
        return;
      case 'c':
        *this = TVtScreen(cols_, rows_);
        return;
      default:
        return;  // keypad modes, tab stops and the like change nothing shown
    }
  }

  int Param(std::size_t Index, int Default) const {
    std::vector<int> values{0};
    for (char c : params_) {
      if (c == ';')
        values.push_back(0);
      else if (c >= '0' && c <= '9')
        values.back() = values.back() * 10 + (c - '0');
    }
    if (Index >= values.size() || values[Index] == 0) return Default;
    return values[Index];
  }

  void Csi(char c) {
    if ((c >= '0' && c <= '9') || c == ';' || c == '?' || c == '>') {
      params_ += c;
      return;
    }
    state_ = kNormal;
    pendingWrap_ = false;
    const bool privateMode = !params_.empty() && (params_[0] == '?' || params_[0] == '>');
    if (privateMode) return;
    switch (c) {
      case 'H':
      case 'f':
        row_ = std::clamp(Param(0, 1) - 1, 0, rows_ - 1);
        col_ = std::clamp(Param(1, 1) - 1, 0, cols_ - 1);
        return;
      case 'A':
        row_ = std::max(0, row_ - Param(0, 1));
        return;
      case 'B':
        row_ = std::min(rows_ - 1, row_ + Param(0, 1));
        return;
      case 'C':
        col_ = std::min(cols_ - 1, col_ + Param(0, 1));
        return;
      case 'D':
        col_ = std::max(0, col_ - Param(0, 1));
        return;
      case 'G':
        col_ = std::clamp(Param(0, 1) - 1, 0, cols_ - 1);
        return;
      case 'd':
        row_ = std::clamp(Param(0, 1) - 1, 0, rows_ - 1);
        return;
      case 'J': {
        const int mode = Param(0, 0);
        if (mode == 2) {
          for (auto& line : lines_)
            line.assign(static_cast<std::size_t>(cols_), ' ');
          return;
        }
        EraseLine(mode);
        for (int r = mode == 1 ? 0 : row_ + 1; mode == 1 ? r < row_ : r < rows_; ++r)
          lines_[static_cast<std::size_t>(r)].assign(static_cast<std::size_t>(cols_), ' ');
        return;
      }
      case 'K':
        EraseLine(Param(0, 0));
        return;
      case 'X':
        for (int i = 0; i < Param(0, 1) && col_ + i < cols_; ++i)
          lines_[static_cast<std::size_t>(row_)][static_cast<std::size_t>(col_ + i)] = ' ';
        return;
      case 'P': {
        std::string& line = lines_[static_cast<std::size_t>(row_)];
        line.erase(static_cast<std::size_t>(col_),
                   static_cast<std::size_t>(std::min(Param(0, 1), cols_ - col_)));
        line.resize(static_cast<std::size_t>(cols_), ' ');
        return;
      }
      case '@': {
        std::string& line = lines_[static_cast<std::size_t>(row_)];
        line.insert(static_cast<std::size_t>(col_), static_cast<std::size_t>(Param(0, 1)), ' ');
        line.resize(static_cast<std::size_t>(cols_));
        return;
      }
      case 'L':
        for (int i = 0; i < Param(0, 1); ++i)
          ScrollDown(row_);
        return;
      case 'M':
        for (int i = 0; i < Param(0, 1); ++i)
          ScrollUp(row_);
        return;
      case 'r':
        top_ = std::clamp(Param(0, 1) - 1, 0, rows_ - 1);
        bottom_ = std::clamp(Param(1, rows_) - 1, top_, rows_ - 1);
        row_ = col_ = 0;
        return;
      default:
        return;  // attributes, modes and reports change no text
    }
  }

  void EraseLine(int Mode) {
    std::string& line = lines_[static_cast<std::size_t>(row_)];
    if (Mode == 2)
      line.assign(static_cast<std::size_t>(cols_), ' ');
    else if (Mode == 1)
      std::fill(line.begin(), line.begin() + col_ + 1, ' ');
    else
      std::fill(line.begin() + col_, line.end(), ' ');
  }

  void LineFeed() {
    pendingWrap_ = false;
    if (row_ == bottom_)
      ScrollUp(top_);
    else if (row_ < rows_ - 1)
      ++row_;
  }
  void ReverseIndex() {
    pendingWrap_ = false;
    if (row_ == top_)
      ScrollDown(top_);
    else if (row_ > 0)
      --row_;
  }
  // Moves the lines From..bottom up by one, blanking the bottom.
  void ScrollUp(int From) {
    if (From < top_ || From > bottom_) return;
    for (int r = From; r < bottom_; ++r)
      lines_[static_cast<std::size_t>(r)] = lines_[static_cast<std::size_t>(r + 1)];
    lines_[static_cast<std::size_t>(bottom_)].assign(static_cast<std::size_t>(cols_), ' ');
  }
  // Moves the lines From..bottom down by one, blanking From.
  void ScrollDown(int From) {
    if (From < top_ || From > bottom_) return;
    for (int r = bottom_; r > From; --r)
      lines_[static_cast<std::size_t>(r)] = lines_[static_cast<std::size_t>(r - 1)];
    lines_[static_cast<std::size_t>(From)].assign(static_cast<std::size_t>(cols_), ' ');
  }

  int cols_;
  int rows_;
  std::vector<std::string> lines_;
  int row_ = 0;
  int col_ = 0;
  int top_ = 0;
  int bottom_;
  int savedRow_ = 0;
  int savedCol_ = 0;
  bool pendingWrap_ = false;
  bool g0Lines_ = false;
  bool g1Lines_ = false;
  bool shifted_ = false;
  int charsetSlot_ = 0;
  TState state_ = kNormal;
  std::string params_;
};

// Keys as a VT100 in keypad-application mode sends them.
namespace keys {
inline constexpr char kEnter[] = "\r";
inline constexpr char kTab[] = "\t";
inline constexpr char kEscape[] = "\x1b";
// Alt with a letter: Escape and the letter in one write.
inline constexpr char kAlt[] = "\x1b";
inline constexpr char kUp[] = "\x1bOA";
inline constexpr char kDown[] = "\x1bOB";
inline constexpr char kF2[] = "\x1bOQ";
inline constexpr char kF3[] = "\x1bOR";
inline constexpr char kF4[] = "\x1bOS";
inline constexpr char kF10[] = "\x1bOx";
}  // namespace keys

// A program on a pseudo-terminal of its own, as a VT100 of Cols x Rows.
// Ending the test kills it if it still runs.
class TPtyProgram {
 public:
  TPtyProgram(const std::string& Program, const std::vector<std::string>& Args,
              const std::string& Directory, int Cols = 100, int Rows = 32)
      : screen_(Cols, Rows) {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(Cols);
    size.ws_row = static_cast<unsigned short>(Rows);
    pid_ = ::forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ == 0) {
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(Program.c_str()));
      for (const std::string& arg : Args)
        argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      if (::chdir(Directory.c_str()) != 0) ::_exit(126);
      ::setenv("TERM", "vt100", 1);
      ::unsetenv("LINES");
      ::unsetenv("COLUMNS");
      ::execv(Program.c_str(), argv.data());
      ::_exit(127);
    }
  }
  ~TPtyProgram() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
    if (master_ >= 0) ::close(master_);
  }
  TPtyProgram(const TPtyProgram&) = delete;
  TPtyProgram& operator=(const TPtyProgram&) = delete;

  bool Started() const { return pid_ > 0 && master_ >= 0; }

  void Send(std::string_view Keys) {
    while (!Keys.empty()) {
      ssize_t written = ::write(master_, Keys.data(), Keys.size());
      if (written <= 0) return;
      Keys.remove_prefix(static_cast<std::size_t>(written));
    }
  }

  // Reads the program's output until the screen shows Text, then until the
  // program has finished drawing; false when the time runs out or the
  // program ends first.
  bool WaitFor(const std::string& Text, int TimeoutMs = 15000) {
    if (!ReadUntil([&] { return screen_.Text().find(Text) != std::string::npos; }, TimeoutMs))
      return false;
    Settle(100);
    return true;
  }
  // Reads the program's output until the screen no longer shows Text.
  bool WaitGone(const std::string& Text, int TimeoutMs = 15000) {
    return ReadUntil([&] { return screen_.Text().find(Text) == std::string::npos; }, TimeoutMs);
  }
  // Reads until the program has written nothing for QuietMs.
  void Settle(int QuietMs = 300) {
    while (ReadSome(QuietMs)) {
    }
  }
  // Waits for the program to end; its exit status, or -1 when it did not
  // end in time or ended by a signal.
  int WaitExit(int TimeoutMs = 15000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      ReadSome(50);
      int status = 0;
      pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
    }
    return -1;
  }

  std::string Screen() const { return screen_.Text(); }
  // Reads until Done(screen text) holds; false when it did not in time.
  template <class Done>
  bool WaitUntil(Done&& done, int TimeoutMs = 15000) {
    return ReadUntil([&] { return done(screen_.Text()); }, TimeoutMs);
  }

 private:
  template <class Done>
  bool ReadUntil(Done&& done, int TimeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (!done()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0 || !ReadSome(static_cast<int>(left))) return false;
    }
    return true;
  }
  // One read of what is there within TimeoutMs; false when nothing came.
  bool ReadSome(int TimeoutMs) {
    pollfd fd{master_, POLLIN, 0};
    if (::poll(&fd, 1, TimeoutMs) <= 0) return false;
    char buffer[4096];
    ssize_t got = ::read(master_, buffer, sizeof buffer);
    if (got <= 0) return false;
    screen_.Feed(std::string_view(buffer, static_cast<std::size_t>(got)));
    return true;
  }

  TVtScreen screen_;
  int master_ = -1;
  pid_t pid_ = -1;
  bool exited_ = false;
};

}  // namespace terminal_test
