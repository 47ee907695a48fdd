// Label, button, edit and group box.
#include "host/controls_std.h"

#include <algorithm>

#include "host/forms.h"
#include "host/typinfo.h"

namespace host {

namespace {

// Disabled controls are drawn dim, as the user cannot reach them.
std::uint8_t EnabledStyle(const TControl& Control, std::uint8_t Style = 0) {
  return Control.EnabledInTree() ? Style : static_cast<std::uint8_t>(Style | kCellDim);
}

}  // namespace

// ------------------------------------------------------------------ TLabel

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {}

TLabel::~TLabel() = default;

const TPropertyTable& TLabel::Properties() {
  static const TPropertyTable table(
      TControl::Properties(),
      {
          StringProp("Caption", &TLabel::Caption, &TLabel::SetCaption, ""),
          ComponentProp("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl),
          EventProp("OnClick", &TLabel::OnClick),
          EventProp("OnDblClick", &TLabel::OnDblClick),
      });
  return table;
}

// A label that reacts to clicks is drawn underlined, as a link.
void TLabel::Paint(TCellCanvas& Canvas, const TCellRect& Cells) {
  std::uint8_t style = OnClick ? kCellUnderline : 0;
  Canvas.WriteAccel(Cells.Col, Cells.Row, Caption(), EnabledStyle(*this, style));
}

void TLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == focusControl_) focusControl_ = nullptr;
}

// The reference is cleared when the control goes away, wherever it lives.
void TLabel::SetFocusControl(TWinControl* Value) {
  if (focusControl_ != nullptr) focusControl_->RemoveFreeNotification(this);
  focusControl_ = Value;
  if (focusControl_ != nullptr) focusControl_->FreeNotification(this);
}

// ----------------------------------------------------------------- TButton

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
}

TButton::~TButton() = default;

const TPropertyTable& TButton::Properties() {
  static const TPropertyTable table(
      TWinControl::Properties(),
      {
          StringProp("Caption", &TButton::Caption, &TButton::SetCaption, ""),
          BoolProp("Default", &TButton::Default, &TButton::SetDefault, false),
          BoolProp("Cancel", &TButton::Cancel, &TButton::SetCancel, false),
          IntProp("ModalResult", &TButton::ModalResult, &TButton::SetModalResult, 0),
          BoolProp("TabStop", &TButton::TabStop, &TButton::SetTabStop, true),
          EventProp("OnClick", &TButton::OnClick),
      });
  return table;
}

// The form's result is set before OnClick runs, so that a handler may still
// take it back (ModalResult := mrNone) to keep the form open.
void TButton::Click() {
  if (modalResult_ != mrNone) {
    if (TCustomForm* form = ParentForm()) form->SetModalResult(modalResult_);
  }
  TWinControl::Click();
}

// Enter clicks the focused button, whichever is the default one.
bool TButton::KeyDown(TKey Key, TShiftState Shift) {
  if (Key == VK_RETURN && Shift.Empty()) {
    Click();
    return true;
  }
  return TWinControl::KeyDown(Key, Shift);
}

void TButton::KeyPress(char Key) {
  if (Key == ' ') Click();
}

void TButton::Paint(TCellCanvas& Canvas, const TCellRect& Cells) {
  std::string face = "[ " + Caption() + " ]";
  int width = static_cast<int>(StripAccel(face).size());
  int col = Cells.Col + std::max(0, (Cells.Cols - width) / 2);
  std::uint8_t style = default_ ? kCellBold : 0;
  if (Focused()) style |= kCellReverse;
  TCellRect previous = Canvas.SetClip(Cells);
  Canvas.WriteAccel(col, Cells.Row, face, EnabledStyle(*this, style));
  Canvas.RestoreClip(previous);
}

// ------------------------------------------------------------------- TEdit

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
}

TEdit::~TEdit() = default;

const TPropertyTable& TEdit::Properties() {
  static const TPropertyTable table(
      TWinControl::Properties(),
      {
          StringProp("Text", &TEdit::Text, &TEdit::SetText, ""),
          IntProp("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength, 0),
          BoolProp("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly, false),
          BoolProp("TabStop", &TEdit::TabStop, &TEdit::SetTabStop, true),
          EventProp("OnChange", &TEdit::OnChange),
      });
  return table;
}

// Editing keys stay in the edit; Up, Down, Tab, Enter and Escape do not.
bool TEdit::KeyDown(TKey Key, TShiftState Shift) {
  const int length = static_cast<int>(Text().size());
  switch (Key) {
    case VK_BACK:
      if (readOnly_) return true;
      if (selLength_ == 0 && selStart_ > 0) {
        --selStart_;
        selLength_ = 1;
      }
      if (selLength_ > 0) ReplaceSelection(std::string());
      return true;
    case VK_DELETE:
      if (readOnly_) return true;
      if (selLength_ == 0 && selStart_ < length) selLength_ = 1;
      if (selLength_ > 0) ReplaceSelection(std::string());
      return true;
    case VK_LEFT:
      SetSelStart(selLength_ > 0 ? selStart_ : selStart_ - 1);
      return true;
    case VK_RIGHT:
      SetSelStart(selLength_ > 0 ? selStart_ + selLength_ : selStart_ + 1);
      return true;
    case VK_HOME:
      SetSelStart(0);
      return true;
    case VK_END:
      SetSelStart(length);
      return true;
    default:
      return TWinControl::KeyDown(Key, Shift);
  }
}

// Printable characters replace the selection, within MaxLength.
void TEdit::KeyPress(char Key) {
  if (readOnly_ || static_cast<unsigned char>(Key) < 0x20 || Key == 0x7F) return;
  if (maxLength_ > 0 && static_cast<int>(Text().size()) - selLength_ >= maxLength_) return;
  ReplaceSelection(std::string(1, Key));
}

void TEdit::MouseDown(int Col, int /*Row*/) {
  SetSelStart(scroll_ + Col);
}

void TEdit::Paint(TCellCanvas& Canvas, const TCellRect& Cells) {
  const bool focused = Focused();
  const int width = std::max(1, Cells.Cols);
  if (selStart_ < scroll_) scroll_ = selStart_;
  if (selStart_ >= scroll_ + width) scroll_ = selStart_ - width + 1;
  const std::uint8_t field = EnabledStyle(*this, kCellUnderline);
  TCellRect line{Cells.Col, Cells.Row, width, 1};
  TCellRect previous = Canvas.SetClip(line);
  Canvas.Fill(line, ' ', field);
  const std::string& text = Text();
  for (int i = scroll_; i < static_cast<int>(text.size()) && i < scroll_ + width; ++i) {
    bool selected = focused && i >= selStart_ && i < selStart_ + selLength_;
    Canvas.Write(Cells.Col + i - scroll_, Cells.Row,
                 std::string_view(&text[static_cast<std::size_t>(i)], 1),
                 selected ? static_cast<std::uint8_t>(field | kCellReverse) : field);
  }
  if (focused) Canvas.SetCaret(Cells.Col + selStart_ - scroll_, Cells.Row);
  Canvas.RestoreClip(previous);
}

void TEdit::DoEnter() {
  SelectAll();
  TWinControl::DoEnter();
}

// A text set by code leaves the caret at its end.
void TEdit::TextChanged() {
  selStart_ = static_cast<int>(Text().size());
  selLength_ = 0;
  Change();
}

void TEdit::Change() {
  if (OnChange) OnChange(this);
}

void TEdit::SetSelStart(int Value) {
  selStart_ = std::clamp(Value, 0, static_cast<int>(Text().size()));
  selLength_ = 0;
}

void TEdit::SelectAll() {
  selStart_ = 0;
  selLength_ = static_cast<int>(Text().size());
}

// The caret lands after the inserted text; the change runs OnChange once.
void TEdit::ReplaceSelection(const std::string& Insert) {
  std::string text = Text();
  text.replace(static_cast<std::size_t>(selStart_), static_cast<std::size_t>(selLength_), Insert);
  const int caret = selStart_ + static_cast<int>(Insert.size());
  text_ = std::move(text);
  selStart_ = caret;
  selLength_ = 0;
  Change();
}

// --------------------------------------------------------------- TGroupBox

TGroupBox::TGroupBox(TComponent* AOwner) : TWinControl(AOwner) {}

TGroupBox::~TGroupBox() = default;

const TPropertyTable& TGroupBox::Properties() {
  static const TPropertyTable table(
      TWinControl::Properties(),
      {
          StringProp("Caption", &TGroupBox::Caption, &TGroupBox::SetCaption, ""),
      });
  return table;
}

bool TGroupBox::AcceptsFocus() const {
  return false;
}

void TGroupBox::Paint(TCellCanvas& Canvas, const TCellRect& Cells) {
  const std::uint8_t style = EnabledStyle(*this);
  Canvas.Frame(Cells, style);
  if (!Caption().empty()) Canvas.WriteAccel(Cells.Col + 2, Cells.Row, " " + Caption() + " ", style);
}

}  // namespace host
