// The ncurses form driver.
#include "host/application.h"
#include "host/terminal.h"

#include <curses.h>

#include <cctype>
#include <cstdlib>
#include <exception>

#include "host/dialogs.h"
#include "host/exceptions.h"
#include "host/os.h"

namespace host {

ETerminalInputEnded::~ETerminalInputEnded() = default;

namespace {

// The terminal's line piece for a canvas line letter.
chtype LinePiece(char Letter) {
  switch (Letter) {
    case kLineHorizontal:
      return ACS_HLINE;
    case kLineVertical:
      return ACS_VLINE;
    case kLineTopLeft:
      return ACS_ULCORNER;
    case kLineTopRight:
      return ACS_URCORNER;
    case kLineBottomLeft:
      return ACS_LLCORNER;
    default:
      return ACS_LRCORNER;
  }
}

chtype CellAttributes(std::uint8_t Style) {
  chtype attributes = A_NORMAL;
  if ((Style & kCellBold) != 0) attributes |= A_BOLD;
  if ((Style & kCellReverse) != 0) attributes |= A_REVERSE;
  if ((Style & kCellUnderline) != 0) attributes |= A_UNDERLINE;
  if ((Style & kCellDim) != 0) attributes |= A_DIM;
  return attributes;
}

// A key of the terminal as a framework key with its shift state; false for
// keys that mean nothing to a form.
bool TranslateKey(int Code, TKey& Key, TShiftState& Shift) {
  Shift = TShiftState{};
  switch (Code) {
    case '\t':
      Key = VK_TAB;
      return true;
    case KEY_BTAB:
      Key = VK_TAB;
      Shift.Include(ssShift);
      return true;
    case '\r':
    case '\n':
    case KEY_ENTER:
      Key = VK_RETURN;
      return true;
    case 27:
      Key = VK_ESCAPE;
      return true;
    case KEY_BACKSPACE:
    case 127:
    case 8:
      Key = VK_BACK;
      return true;
    case KEY_DC:
      Key = VK_DELETE;
      return true;
    case KEY_IC:
      Key = VK_INSERT;
      return true;
    case KEY_HOME:
      Key = VK_HOME;
      return true;
    case KEY_END:
      Key = VK_END;
      return true;
    case KEY_PPAGE:
      Key = VK_PRIOR;
      return true;
    case KEY_NPAGE:
      Key = VK_NEXT;
      return true;
    case KEY_UP:
      Key = VK_UP;
      return true;
    case KEY_DOWN:
      Key = VK_DOWN;
      return true;
    case KEY_LEFT:
      Key = VK_LEFT;
      return true;
    case KEY_RIGHT:
      Key = VK_RIGHT;
      return true;
    default:
      break;
  }
  if (Code >= KEY_F(1) && Code <= KEY_F(12)) {
    Key = static_cast<TKey>(VK_F1 + (Code - KEY_F(1)));
    return true;
  }
  if (Code >= 1 && Code <= 26) {
    Key = static_cast<TKey>('A' + Code - 1);
    Shift.Include(ssCtrl);
    return true;
  }
  return false;
}

}  // namespace

TTerminalDriver::TTerminalDriver() : TTerminalDriver(stdout, stdin, nullptr) {}

// Raw input, so that Control+S and Control+Q reach the program; a short
// Escape delay, so that Escape alone answers at once.
TTerminalDriver::TTerminalDriver(std::FILE* Out, std::FILE* In, const char* TermType) {
  screen_ = newterm(TermType, Out, In);
  if (screen_ == nullptr) throw EOSError("The terminal cannot be used for forms.");
  set_term(screen_);
  raw();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  set_escdelay(25);
  mousemask(BUTTON1_CLICKED | BUTTON1_DOUBLE_CLICKED, nullptr);
  mouseinterval(200);
  curs_set(0);
  canvas_.Resize(COLS, LINES);
}

TTerminalDriver::~TTerminalDriver() {
  set_term(screen_);
  endwin();
  delscreen(screen_);
}

TSize TTerminalDriver::ScreenCells() const {
  return TSize{COLS, LINES};
}

// Input errors of a handler are the user's to see; the loop goes on, and a
// result the failed input had set (a button's, before its OnClick failed) is
// dropped, so that a failure never closes the form as if it had worked. The
// close check is outside: an exception there ends the form's showing.
void TTerminalDriver::RunModal(TCustomForm& Form) {
  set_term(screen_);
  forms_.push_back(&Form);
  struct TPop {
    std::vector<TCustomForm*>& Forms;
    ~TPop() { Forms.pop_back(); }
  } pop{forms_};
  for (;;) {
    Paint();
    try {
      Deliver(Form);
    } catch (const ETerminalInputEnded&) {
      throw;
    } catch (const std::exception& e) {
      Form.SetModalResult(mrNone);
      ShowError(e.what());
    }
    if (Form.CloseIfResult()) break;
  }
}

void TTerminalDriver::ShowError(const char* Message) {
  ShowMessageForm(Message, "Error", MB_OK | MB_ICONERROR);
}

// Forms are drawn bottom first; the caret is the top form's.
void TTerminalDriver::Paint() {
  if (canvas_.Cols() != COLS || canvas_.Rows() != LINES) canvas_.Resize(COLS, LINES);
  canvas_.Clear();
  for (TCustomForm* form : forms_) {
    canvas_.SetCaret(-1, -1);
    TCellRect place = PlaceForm(*form, COLS, LINES);
    form->PaintForm(canvas_, place.Col, place.Row);
  }
  for (int row = 0; row < canvas_.Rows(); ++row) {
    for (int col = 0; col < canvas_.Cols(); ++col) {
      const TCell& cell = canvas_.At(col, row);
      chtype glyph = (cell.Style & kCellLine) != 0 ? LinePiece(cell.Char)
                                                   : static_cast<unsigned char>(cell.Char);
      mvaddch(row, col, glyph | CellAttributes(cell.Style));
    }
  }
  if (canvas_.HasCaret()) {
    curs_set(1);
    move(canvas_.CaretRow(), canvas_.CaretCol());
  } else {
    curs_set(0);
  }
  refresh();
}

void TTerminalDriver::Deliver(TCustomForm& Form) {
  int code = getch();
  if (code == ERR) throw ETerminalInputEnded("The terminal input ended.");
  if (code == KEY_RESIZE) return;
  if (code == KEY_MOUSE) {
    MEVENT event{};
    if (getmouse(&event) != OK) return;
    TCellRect place = PlaceForm(Form, COLS, LINES);
    Form.DispatchMouse(event.x - place.Col - 1, event.y - place.Row - 1,
                       (event.bstate & BUTTON1_DOUBLE_CLICKED) != 0);
    return;
  }
  // Escape followed at once by a letter is Alt with that letter.
  if (code == 27) {
    nodelay(stdscr, TRUE);
    int next = getch();
    nodelay(stdscr, FALSE);
    if (next != ERR && next >= 0x20 && next < 0x7F) {
      Form.DispatchKey(static_cast<TKey>(std::toupper(next)), TShiftState{ssAlt});
      return;
    }
    if (next != ERR) ungetch(next);
  }
  TKey key = 0;
  TShiftState shift;
  if (TranslateKey(code, key, shift)) {
    Form.DispatchKey(key, shift);
    return;
  }
  if (code >= 0x20 && code <= 0xFF && code != 0x7F) Form.DispatchChar(static_cast<char>(code));
}

}  // namespace host
