// Forms at work: the input a driver delivers, and where the focus goes.
#include <algorithm>
#include <cctype>

#include "host/controls_std.h"
#include "host/forms.h"

namespace host {

// -------------------------------------------------------------------- input

void TCustomForm::DispatchKey(TKey Key, TShiftState Shift) {
  if (keyPreview_ && OnKeyDown) {
    OnKeyDown(this, Key, Shift);
    if (Key == 0) return;
  }
  if (active_ != nullptr && active_->CanFocus() && active_->KeyDown(Key, Shift)) return;
  switch (Key) {
    case VK_TAB:
      SelectNext(!Shift.Contains(ssShift));
      return;
    case VK_RETURN:
      if (TButton* button = DefaultButton()) ClickButton(button);
      return;
    case VK_ESCAPE:
      if (TButton* button = CancelButton()) button->Click();
      return;
    default:
      if (Shift.Contains(ssAlt) && Key < 0x80 && std::isalnum(Key))
        ActivateAccelerator(static_cast<char>(std::tolower(Key)));
      return;
  }
}

void TCustomForm::DispatchChar(char Key) {
  if (keyPreview_ && OnKeyPress) {
    OnKeyPress(this, Key);
    if (Key == 0) return;
  }
  if (active_ != nullptr && active_->CanFocus()) active_->KeyPress(Key);
}

void TCustomForm::DispatchMouse(int Col, int Row, bool DoubleClick) {
  TControl* control = ControlAtCell(Col, Row);
  if (control == nullptr || !control->EnabledInTree()) return;
  if (auto* win = dynamic_cast<TWinControl*>(control); win != nullptr && win->CanFocus())
    SetActiveControl(win);
  TCellRect cells = control == this ? TCellRect{} : control->CellBounds();
  control->MouseDown(Col - cells.Col, Row - cells.Row);
  if (DoubleClick) control->DblClick();
}

// A label's accelerator focuses its control; a button's clicks it.
bool TCustomForm::ActivateAccelerator(char Key) {
  std::vector<TControl*> pending{this};
  while (!pending.empty()) {
    TControl* control = pending.back();
    pending.pop_back();
    if (!control->Showing() || !control->EnabledInTree()) continue;
    if (control != this && AccelChar(control->Caption()) == Key) {
      if (auto* label = dynamic_cast<TLabel*>(control)) {
        if (label->FocusControl() != nullptr && label->FocusControl()->CanFocus()) {
          SetActiveControl(label->FocusControl());
          return true;
        }
      } else if (auto* button = dynamic_cast<TButton*>(control)) {
        ClickButton(button);
        return true;
      }
    }
    if (auto* win = dynamic_cast<TWinControl*>(control))
      for (int i = win->ControlCount() - 1; i >= 0; --i)
        pending.push_back(win->Controls(i));
  }
  return false;
}

// -------------------------------------------------------------------- focus

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (Control == active_) return;
  if (Control != nullptr && Control->ParentForm() != this)
    throw EInvalidOperation("Control " + Control->Name() + " is not on form " + Name() + ".");
  if (!modal_) {
    active_ = Control;
    return;
  }
  if (Control != nullptr && !Control->CanFocus())
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  if (active_ != nullptr) active_->DoExit();
  active_ = Control;
  if (Control != nullptr) Control->DoEnter();
}

bool TCustomForm::SelectNext(bool Forward) {
  std::vector<TWinControl*> order;
  GetTabOrderList(order);
  if (order.empty()) return false;
  auto current = std::find(order.begin(), order.end(), active_);
  std::ptrdiff_t index = current - order.begin();
  const auto count = static_cast<std::ptrdiff_t>(order.size());
  if (current == order.end())
    index = Forward ? 0 : count - 1;
  else
    index = (index + (Forward ? 1 : count - 1)) % count;
  SetActiveControl(order[static_cast<std::size_t>(index)]);
  return true;
}

namespace {

// The first button in the form's tree, in placing order, that is showing,
// enabled and passes the test.
template <class Test>
TButton* FindButton(const TWinControl& Container, Test&& test) {
  for (int i = 0; i < Container.ControlCount(); ++i) {
    TControl* control = Container.Controls(i);
    if (!control->Showing() || !control->EnabledInTree()) continue;
    if (auto* button = dynamic_cast<TButton*>(control); button != nullptr && test(*button))
      return button;
    if (auto* win = dynamic_cast<TWinControl*>(control))
      if (TButton* found = FindButton(*win, test)) return found;
  }
  return nullptr;
}

}  // namespace

TButton* TCustomForm::DefaultButton() const {
  return FindButton(*this, [](const TButton& B) { return B.Default(); });
}

TButton* TCustomForm::CancelButton() const {
  return FindButton(*this, [](const TButton& B) { return B.Cancel(); });
}

void TCustomForm::ClickButton(TButton* Button) {
  if (Button == nullptr || !Button->EnabledInTree() || !Button->Showing()) return;
  if (Button->CanFocus()) SetActiveControl(Button);
  Button->Click();
}

}  // namespace host
