// The character-cell canvas.
#include "host/controls_canvas.h"

#include <algorithm>
#include <cctype>

namespace host {

TCellCanvas::TCellCanvas(int Cols, int Rows) {
  Resize(Cols, Rows);
}

void TCellCanvas::Resize(int Cols, int Rows) {
  cols_ = std::max(0, Cols);
  rows_ = std::max(0, Rows);
  cells_.assign(static_cast<std::size_t>(cols_) * static_cast<std::size_t>(rows_), TCell{});
  Clear();
}

void TCellCanvas::Clear() {
  std::fill(cells_.begin(), cells_.end(), TCell{});
  clip_ = TCellRect{0, 0, cols_, rows_};
  caretCol_ = caretRow_ = -1;
}

// Children paint inside their parents: the clip only ever shrinks until the
// caller restores it.
TCellRect TCellCanvas::SetClip(const TCellRect& Rect) {
  TCellRect previous = clip_;
  int left = std::max(clip_.Col, Rect.Col);
  int top = std::max(clip_.Row, Rect.Row);
  int right = std::min(clip_.Right(), Rect.Right());
  int bottom = std::min(clip_.Bottom(), Rect.Bottom());
  clip_ = TCellRect{left, top, std::max(0, right - left), std::max(0, bottom - top)};
  return previous;
}

void TCellCanvas::Put(int Col, int Row, char Char, std::uint8_t Style) {
  if (!clip_.Contains(Col, Row)) return;
  TCell& cell = cells_[static_cast<std::size_t>(Row) * static_cast<std::size_t>(cols_) +
                       static_cast<std::size_t>(Col)];
  cell.Char = Char;
  cell.Style = Style;
}

// Control characters would move a terminal's cursor; they never reach it.
void TCellCanvas::Write(int Col, int Row, std::string_view Text, std::uint8_t Style) {
  for (char c : Text) {
    auto code = static_cast<unsigned char>(c);
    Put(Col++, Row, code < 0x20 || code == 0x7F ? '?' : c, Style);
  }
}

void TCellCanvas::WriteAccel(int Col, int Row, std::string_view Caption, std::uint8_t Style) {
  for (std::size_t i = 0; i < Caption.size(); ++i) {
    std::uint8_t style = Style;
    if (Caption[i] == '&' && i + 1 < Caption.size()) {
      ++i;
      if (Caption[i] != '&') style |= kCellUnderline;
    }
    Write(Col++, Row, Caption.substr(i, 1), style);
  }
}

void TCellCanvas::Fill(const TCellRect& Rect, char Char, std::uint8_t Style) {
  for (int row = Rect.Row; row < Rect.Bottom(); ++row)
    for (int col = Rect.Col; col < Rect.Right(); ++col)
      Put(col, row, Char, Style);
}

void TCellCanvas::Frame(const TCellRect& Rect, std::uint8_t Style) {
  if (Rect.Cols < 2 || Rect.Rows < 2) return;
  const std::uint8_t line = Style | kCellLine;
  for (int col = Rect.Col + 1; col < Rect.Right() - 1; ++col) {
    Put(col, Rect.Row, kLineHorizontal, line);
    Put(col, Rect.Bottom() - 1, kLineHorizontal, line);
  }
  for (int row = Rect.Row + 1; row < Rect.Bottom() - 1; ++row) {
    Put(Rect.Col, row, kLineVertical, line);
    Put(Rect.Right() - 1, row, kLineVertical, line);
  }
  Put(Rect.Col, Rect.Row, kLineTopLeft, line);
  Put(Rect.Right() - 1, Rect.Row, kLineTopRight, line);
  Put(Rect.Col, Rect.Bottom() - 1, kLineBottomLeft, line);
  Put(Rect.Right() - 1, Rect.Bottom() - 1, kLineBottomRight, line);
}

// A caret outside the clip (a control scrolled away) is not shown.
void TCellCanvas::SetCaret(int Col, int Row) {
  if (!clip_.Contains(Col, Row)) return;
  caretCol_ = Col;
  caretRow_ = Row;
}

const TCell& TCellCanvas::At(int Col, int Row) const {
  static const TCell outside;
  if (Col < 0 || Row < 0 || Col >= cols_ || Row >= rows_) return outside;
  return cells_[static_cast<std::size_t>(Row) * static_cast<std::size_t>(cols_) +
                static_cast<std::size_t>(Col)];
}

std::string TCellCanvas::Line(int Row) const {
  std::string text;
  for (int col = 0; col < cols_; ++col) {
    const TCell& cell = At(col, Row);
    char c = cell.Char;
    if ((cell.Style & kCellLine) != 0)
      c = c == kLineHorizontal ? '-' : c == kLineVertical ? '|' : '+';
    text += c;
  }
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

std::string TCellCanvas::Text() const {
  std::string text;
  for (int row = 0; row < rows_; ++row) {
    if (row > 0) text += '\n';
    text += Line(row);
  }
  return text;
}

std::string StripAccel(std::string_view Caption) {
  std::string text;
  for (std::size_t i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == '&' && i + 1 < Caption.size()) ++i;
    text += Caption[i];
  }
  return text;
}

char AccelChar(std::string_view Caption) {
  for (std::size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] != '&')
      return static_cast<char>(std::tolower(static_cast<unsigned char>(Caption[i + 1])));
    ++i;
  }
  return 0;
}

}  // namespace host
