// The scripted form driver: plays a test's actions on the forms a program
// shows, as a user would make them, so that dialogs are tested through the
// same input paths as on a screen.
//
//   host::TScriptedDriver driver;
//   host::TFormDriverScope scope(&driver);
//   driver.Expect([](host::TFormScript& ui) {
//     ui.Type("edParamName", "CustNo");  // focus, then one change per character
//     ui.Click("btnOK");
//   });
//   dialog->ShowModal();
//
// Each ShowModal takes the next script; a form shown with no script waiting,
// or left open when its script ends, raises EInvalidOperation in ShowModal.
// A form shown from inside a script (a button opening another dialog) takes
// the script after it.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/forms.h"

namespace host {

class TFormScript {
 public:
  explicit TFormScript(TCustomForm& Form) : form_(Form) {}

  TCustomForm& Form() const { return form_; }
  // Whether the last action closed the form.
  bool Closed() const { return closed_; }
  // A component of the form by name; EInvalidOperation when there is none
  // of that class.
  template <class T = TControl>
  T& Control(std::string_view Name) const {
    T* found = dynamic_cast<T*>(form_.FindComponent(std::string(Name)));
    if (found == nullptr) MissingControl(Name);
    return *found;
  }

  // Every action is one piece of input, after which the form checks whether
  // it closes; an action whose handler raises passes the exception on and
  // leaves the form open. An action on a control the user could not reach (hidden or
  // disabled) does nothing and answers false. Actions after the form closed
  // raise EInvalidOperation.

  // Moves the focus to the control (OnExit, then OnEnter).
  bool Focus(std::string_view Name);
  // Focuses the control when it takes the focus, then clicks it.
  bool Click(std::string_view Name);
  // Focuses a list box, selects the item and runs OnClick (or OnDblClick).
  bool ClickItem(std::string_view Name, int Index);
  bool DoubleClickItem(std::string_view Name, int Index);
  // Focuses a combo box and chooses the item, which runs OnChange.
  bool Choose(std::string_view Name, std::string_view Item);
  // Characters for the focused control, each one input.
  void Type(std::string_view Text);
  // Focuses the control, then types.
  bool Type(std::string_view Name, std::string_view Text);
  void Key(TKey Key, TShiftState Shift = {});
  void Enter() { Key(VK_RETURN); }
  void Escape() { Key(VK_ESCAPE); }
  void Tab() { Key(VK_TAB); }
  // Closes the form by its window frame.
  void CloseByFrame();

  // The form as a screen shows it.
  std::string Screen() const;

 private:
  [[noreturn]] void MissingControl(std::string_view Name) const;
  bool SelectItem(std::string_view Name, int Index, bool DoubleClick);
  template <class Action>
  void Input(Action&& action);

  TCustomForm& form_;
  bool closed_ = false;
};

class TScriptedDriver : public TFormDriver {
 public:
  using TScript = std::function<void(TFormScript&)>;

  TScriptedDriver() = default;
  ~TScriptedDriver() override;

  // Queues the script for the next form shown.
  void Expect(TScript Script);
  int Pending() const { return static_cast<int>(scripts_.size()); }
  // The caption of every form shown, in order.
  const std::vector<std::string>& Shown() const { return shown_; }

  void RunModal(TCustomForm& Form) override;

 private:
  std::deque<TScript> scripts_;
  std::vector<std::string> shown_;
};

}  // namespace host
