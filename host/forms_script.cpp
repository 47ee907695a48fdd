// The scripted form driver.
#include "host/forms_script.h"

#include "host/controls_canvas.h"
#include "host/controls_lists.h"
#include "host/controls_std.h"

namespace host {

namespace {

// A user can act on what is shown and enabled only.
bool Reachable(const TControl& Control) {
  return Control.Showing() && Control.EnabledInTree();
}

}  // namespace

template <class Action>
void TFormScript::Input(Action&& action) {
  if (closed_) throw EInvalidOperation("The form \"" + form_.Caption() + "\" is already closed.");
  try {
    action();
  } catch (...) {
    // As on a screen: input that failed does not close the form.
    form_.SetModalResult(mrNone);
    throw;
  }
  closed_ = form_.CloseIfResult();
}

void TFormScript::MissingControl(std::string_view Name) const {
  throw EInvalidOperation("The form \"" + form_.Caption() + "\" has no control " +
                          std::string(Name) + " of that kind.");
}

bool TFormScript::Focus(std::string_view Name) {
  auto& control = Control<TWinControl>(Name);
  if (!control.CanFocus()) return false;
  Input([&] { form_.SetActiveControl(&control); });
  return true;
}

bool TFormScript::Click(std::string_view Name) {
  auto& control = Control(Name);
  if (!Reachable(control)) return false;
  Input([&] {
    if (auto* button = dynamic_cast<TButton*>(&control)) {
      form_.ClickButton(button);
      return;
    }
    if (auto* win = dynamic_cast<TWinControl*>(&control); win != nullptr && win->CanFocus())
      form_.SetActiveControl(win);
    control.Click();
  });
  return true;
}

bool TFormScript::ClickItem(std::string_view Name, int Index) {
  return SelectItem(Name, Index, false);
}

bool TFormScript::DoubleClickItem(std::string_view Name, int Index) {
  return SelectItem(Name, Index, true);
}

bool TFormScript::SelectItem(std::string_view Name, int Index, bool DoubleClick) {
  auto& list = Control<TListBox>(Name);
  if (!list.CanFocus()) return false;
  if (Index < 0 || Index >= list.Items()->Count()) RaiseListIndexError(Index);
  Input([&] {
    form_.SetActiveControl(&list);
    list.SelectItem(Index);
    if (DoubleClick) list.DblClick();
  });
  return true;
}

bool TFormScript::Choose(std::string_view Name, std::string_view Item) {
  auto& combo = Control<TComboBox>(Name);
  if (!combo.CanFocus()) return false;
  const int index = combo.Items()->IndexOf(Item);
  if (index < 0)
    throw EInvalidOperation("Combo box " + std::string(Name) + " offers no item " +
                            std::string(Item) + ".");
  Input([&] {
    form_.SetActiveControl(&combo);
    combo.SelectItem(index);
  });
  return true;
}

void TFormScript::Type(std::string_view Text) {
  for (char c : Text)
    Input([&] { form_.DispatchChar(c); });
}

bool TFormScript::Type(std::string_view Name, std::string_view Text) {
  if (!Focus(Name)) return false;
  Type(Text);
  return true;
}

void TFormScript::Key(TKey Key, TShiftState Shift) {
  Input([&] { form_.DispatchKey(Key, Shift); });
}

void TFormScript::CloseByFrame() {
  Input([&] { form_.Close(); });
}

std::string TFormScript::Screen() const {
  TCellCanvas canvas(form_.CellCols(), form_.CellRows());
  form_.PaintForm(canvas, 0, 0);
  return canvas.Text();
}

// ----------------------------------------------------------- TScriptedDriver

TScriptedDriver::~TScriptedDriver() = default;

void TScriptedDriver::Expect(TScript Script) {
  scripts_.push_back(std::move(Script));
}

void TScriptedDriver::RunModal(TCustomForm& Form) {
  shown_.push_back(Form.Caption());
  if (scripts_.empty())
    throw EInvalidOperation("No script is waiting for the form \"" + Form.Caption() + "\".");
  TScript script = std::move(scripts_.front());
  scripts_.pop_front();
  TFormScript ui(Form);
  script(ui);
  if (!ui.Closed())
    throw EInvalidOperation("The script left the form \"" + Form.Caption() + "\" open.");
}

}  // namespace host
