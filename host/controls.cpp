// The control base classes: geometry, text, states, parents and children,
// focus order and painting of the tree.
#include "host/controls.h"

#include <algorithm>
#include <cmath>

#include "host/exceptions.h"
#include "host/forms.h"
#include "host/typinfo.h"

namespace host {

namespace {

// Pixels to the nearest cell edge, so that a control keeps its place relative
// to its neighbours whatever the layout's units.
int ToCells(int Pixels, int CellSize) {
  return static_cast<int>(std::lround(static_cast<double>(Pixels) / CellSize));
}

}  // namespace

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  if (auto* container = dynamic_cast<TWinControl*>(AOwner)) container->InsertControl(this);
}

// Leaving the parent tells the form, which forgets a focus held here.
TControl::~TControl() {
  if (parent_ != nullptr) parent_->RemoveControl(this);
}

const TPropertyTable& TControl::Properties() {
  static const TPropertyTable table(
      TComponent::Properties(),
      {
          IntProp("Left", &TControl::Left, &TControl::SetLeft),
          IntProp("Top", &TControl::Top, &TControl::SetTop),
          IntProp("Width", &TControl::Width, &TControl::SetWidth),
          IntProp("Height", &TControl::Height, &TControl::SetHeight),
          BoolProp("Enabled", &TControl::Enabled, &TControl::SetEnabled, true),
          BoolProp("Visible", &TControl::Visible, &TControl::SetVisible, true),
          ComponentProp("Parent", &TControl::Parent, &TControl::SetParent),
      });
  return table;
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

bool TControl::KeyDown(TKey /*Key*/, TShiftState /*Shift*/) {
  return false;
}

void TControl::KeyPress(char /*Key*/) {}

// A click on a plain control is a click.
void TControl::MouseDown(int /*Col*/, int /*Row*/) {
  Click();
}

void TControl::Paint(TCellCanvas& /*Canvas*/, const TCellRect& /*Cells*/) {}

bool TControl::AcceptsFocus() const {
  return false;
}

void TControl::TextChanged() {}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
}

// Only a real change counts, so that handlers that set the text they were
// told about do not run again.
void TControl::SetText(const std::string& Value) {
  if (Value == text_) return;
  text_ = Value;
  TextChanged();
}

bool TControl::Showing() const {
  for (const TControl* control = this; control != nullptr; control = control->parent_)
    if (!control->visible_) return false;
  return true;
}

bool TControl::EnabledInTree() const {
  for (const TControl* control = this; control != nullptr; control = control->parent_)
    if (!control->enabled_) return false;
  return true;
}

// Refuses to make a control its own ancestor, which would loop every walk
// up the tree.
void TControl::SetParent(TWinControl* Value) {
  if (Value == parent_) return;
  for (const TControl* up = Value; up != nullptr; up = up->parent_)
    if (up == this) throw EInvalidOperation("A control cannot be placed inside itself.");
  if (parent_ != nullptr) parent_->RemoveControl(this);
  if (Value != nullptr) Value->InsertControl(this);
}

TCustomForm* TControl::ParentForm() const {
  return GetParentForm(this);
}

// The form's own place on the screen is not part of its controls' places.
int TControl::ClientLeft() const {
  int left = 0;
  for (const TControl* control = this; control->parent_ != nullptr; control = control->parent_)
    left += control->left_;
  return left;
}

int TControl::ClientTop() const {
  int top = 0;
  for (const TControl* control = this; control->parent_ != nullptr; control = control->parent_)
    top += control->top_;
  return top;
}

TCellRect TControl::CellBounds() const {
  const int left = ClientLeft();
  const int top = ClientTop();
  TCellRect cells;
  cells.Col = ToCells(left, kCellWidth);
  cells.Row = ToCells(top, kCellHeight);
  cells.Cols = std::max(1, ToCells(left + width_, kCellWidth) - cells.Col);
  cells.Rows = std::max(1, ToCells(top + height_, kCellHeight) - cells.Row);
  return cells;
}

// ------------------------------------------------------------- TWinControl

// TControl placed the control in its owner before this part existed, too
// early to count it among the windowed siblings; it is counted now.
TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
  if (TWinControl* parent = Parent()) tabOrder_ = parent->WindowedCountBefore(this);
}

TWinControl::~TWinControl() {
  while (!controls_.empty())
    delete controls_.back();
}

const TPropertyTable& TWinControl::Properties() {
  static const TPropertyTable table(
      TControl::Properties(),
      {
          IntProp("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder),
          BoolProp("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop, false),
          EventProp("OnEnter", &TWinControl::OnEnter),
          EventProp("OnExit", &TWinControl::OnExit),
      });
  return table;
}

bool TWinControl::AcceptsFocus() const {
  return true;
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

// Passed up to the form, which is the one that holds the focus.
void TWinControl::ControlRemoved(TControl* Control) {
  if (TWinControl* parent = Parent()) parent->ControlRemoved(Control);
}

TControl* TWinControl::Controls(int Index) const {
  if (Index < 0 || Index >= ControlCount()) RaiseListIndexError(Index);
  return controls_[static_cast<std::size_t>(Index)];
}

bool TWinControl::CanFocus() const {
  return AcceptsFocus() && Showing() && EnabledInTree();
}

bool TWinControl::Focused() const {
  TCustomForm* form = ParentForm();
  return form != nullptr && form->ActiveControl() == this;
}

void TWinControl::SetFocus() {
  TCustomForm* form = ParentForm();
  if (form == nullptr) throw EInvalidOperation("Control " + Name() + " is not on a form.");
  form->SetActiveControl(this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) const {
  std::vector<TWinControl*> windowed;
  for (TControl* control : controls_)
    if (auto* win = dynamic_cast<TWinControl*>(control)) windowed.push_back(win);
  std::stable_sort(windowed.begin(), windowed.end(),
                   [](TWinControl* A, TWinControl* B) { return A->TabOrder() < B->TabOrder(); });
  for (TWinControl* win : windowed) {
    if (!win->Showing() || !win->EnabledInTree()) continue;
    if (win->TabStop() && win->CanFocus()) List.push_back(win);
    win->GetTabOrderList(List);
  }
}

// The last placed control is painted on top, so it is the one hit.
TControl* TWinControl::ControlAtCell(int Col, int Row) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* control = *it;
    if (!control->Visible() || !control->CellBounds().Contains(Col, Row)) continue;
    if (auto* win = dynamic_cast<TWinControl*>(control)) return win->ControlAtCell(Col, Row);
    return control;
  }
  if (Parent() == nullptr || CellBounds().Contains(Col, Row)) return this;
  return nullptr;
}

void TWinControl::PaintControls(TCellCanvas& Canvas, int OriginCol, int OriginRow) {
  for (TControl* control : controls_) {
    if (!control->Visible()) continue;
    TCellRect cells = control->CellBounds();
    cells.Col += OriginCol;
    cells.Row += OriginRow;
    control->Paint(Canvas, cells);
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
      TCellRect previous = Canvas.SetClip(cells);
      win->PaintControls(Canvas, OriginCol, OriginRow);
      Canvas.RestoreClip(previous);
    }
  }
}

// A control placed without a tab position goes after its windowed siblings.
void TWinControl::InsertControl(TControl* Control) {
  controls_.push_back(Control);
  Control->parent_ = this;
  if (auto* win = dynamic_cast<TWinControl*>(Control); win != nullptr && win->tabOrder_ < 0)
    win->tabOrder_ = WindowedCountBefore(win);
}

int TWinControl::WindowedCountBefore(const TControl* Control) const {
  int count = 0;
  for (TControl* control : controls_) {
    if (control == Control) break;
    if (dynamic_cast<TWinControl*>(control) != nullptr) ++count;
  }
  return count;
}

void TWinControl::RemoveControl(TControl* Control) {
  auto found = std::find(controls_.begin(), controls_.end(), Control);
  if (found == controls_.end()) return;
  controls_.erase(found);
  Control->parent_ = nullptr;
  ControlRemoved(Control);
}

TCustomForm* GetParentForm(const TControl* Control) {
  const TControl* top = Control;
  while (top != nullptr && top->Parent() != nullptr)
    top = top->Parent();
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(top));
}

}  // namespace host
