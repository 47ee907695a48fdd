// The surface controls paint on: a grid of character cells with a few
// display styles, a clipping rectangle and a caret. The terminal driver
// copies it to the screen; tests read it back as text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/controls_types.h"

namespace host {

// Display styles of a cell, combined as bits.
constexpr std::uint8_t kCellBold = 1;
constexpr std::uint8_t kCellReverse = 2;
constexpr std::uint8_t kCellUnderline = 4;
constexpr std::uint8_t kCellDim = 8;
// The cell holds a line-drawing piece: Char is one of the letters below.
constexpr std::uint8_t kCellLine = 16;

// Line-drawing pieces, lettered as terminals letter their line set.
constexpr char kLineHorizontal = 'q';
constexpr char kLineVertical = 'x';
constexpr char kLineTopLeft = 'l';
constexpr char kLineTopRight = 'k';
constexpr char kLineBottomLeft = 'm';
constexpr char kLineBottomRight = 'j';

struct TCell {
  char Char = ' ';
  std::uint8_t Style = 0;
};

class TCellCanvas {
 public:
  TCellCanvas(int Cols = 0, int Rows = 0);

  int Cols() const { return cols_; }
  int Rows() const { return rows_; }
  // Resizes and clears.
  void Resize(int Cols, int Rows);
  // Blanks every cell, removes the caret and the clipping.
  void Clear();

  // Painting outside the clipping rectangle is dropped. SetClip intersects
  // with the current one and returns it, for restoring with RestoreClip.
  TCellRect SetClip(const TCellRect& Rect);
  void RestoreClip(const TCellRect& Previous) { clip_ = Previous; }
  const TCellRect& Clip() const { return clip_; }

  // Text from (Col, Row) to the right; bytes below a blank show as "?".
  void Write(int Col, int Row, std::string_view Text, std::uint8_t Style = 0);
  // Text with an accelerator: "&x" shows x underlined, "&&" shows "&".
  void WriteAccel(int Col, int Row, std::string_view Caption, std::uint8_t Style = 0);
  void Fill(const TCellRect& Rect, char Char = ' ', std::uint8_t Style = 0);
  // A box of line pieces along the rectangle's edge.
  void Frame(const TCellRect& Rect, std::uint8_t Style = 0);

  // Where the terminal should show its cursor; none unless set.
  void SetCaret(int Col, int Row);
  bool HasCaret() const { return caretCol_ >= 0; }
  int CaretCol() const { return caretCol_; }
  int CaretRow() const { return caretRow_; }

  const TCell& At(int Col, int Row) const;
  // A row as plain text, line pieces as "-", "|" and "+", trailing blanks
  // removed; Text() is every row joined with "\n".
  std::string Line(int Row) const;
  std::string Text() const;

 private:
  void Put(int Col, int Row, char Char, std::uint8_t Style);

  int cols_ = 0;
  int rows_ = 0;
  std::vector<TCell> cells_;
  TCellRect clip_;
  int caretCol_ = -1;
  int caretRow_ = -1;
};

// The caption without its accelerator marks ("&Path:" -> "Path:"), and the
// accelerator character in lower case, or 0 when there is none.
std::string StripAccel(std::string_view Caption);
char AccelChar(std::string_view Caption);

}  // namespace host
