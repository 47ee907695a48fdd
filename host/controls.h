// Controls: the visible, usually interactive parts of a form. A control has
// a place given in pixels relative to its parent, a text, and the enabled
// and visible states; a windowed control can hold other controls, take the
// focus and be reached with Tab. Controls are components: the form (or
// whoever created them) owns them, while the parent only shows them. Form
// files store the parent as a property, "Parent = gbParams", so that the
// controls of a form stay owned by the form and findable by name.
//
// Input reaches a control through its form (host/forms.h), which a form
// driver feeds with keys, characters and clicks; controls paint themselves on
// a character-cell canvas (host/controls_canvas.h).
#pragma once

#include <string>
#include <vector>

#include "host/component.h"
#include "host/controls_canvas.h"
#include "host/controls_types.h"

namespace host {

class TPropertyTable;
class TWinControl;
class TCustomForm;

class TControl : public TComponent {
 public:
  // A control created with a windowed control as owner starts out inside it.
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  // Published: Left, Top, Width, Height, Enabled, Visible, Parent.
  static const TPropertyTable& Properties();

  // Virtual order (a contract for subclasses): Click, DblClick, KeyDown,
  // KeyPress, MouseDown, Paint, AcceptsFocus, TextChanged; after those of
  // TComponent.
  // Runs OnClick; buttons add their modal result, list boxes their item.
  virtual void Click();
  virtual void DblClick();
  // A key the control uses itself (arrows, Home, Backspace...) returns true;
  // others go on to the form, which handles Tab, Enter and Escape.
  virtual bool KeyDown(TKey Key, TShiftState Shift);
  // A typed character, for controls that take text.
  virtual void KeyPress(char Key);
  // A mouse click at a cell, relative to the control's top-left cell. The
  // form has already moved the focus here when the control takes it.
  virtual void MouseDown(int Col, int Row);
  // Draws the control into Cells, its place on the canvas.
  virtual void Paint(TCellCanvas& Canvas, const TCellRect& Cells);
  // Whether the control can hold the focus at all (labels and boxes cannot).
  virtual bool AcceptsFocus() const;

 protected:
  // Called after the text changed, by code or by typing.
  virtual void TextChanged();

 public:
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int Value) { left_ = Value; }
  void SetTop(int Value) { top_ = Value; }
  void SetWidth(int Value) { width_ = Value; }
  void SetHeight(int Value) { height_ = Value; }
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);

  // Caption and Text are one value under two names, as each class publishes
  // the one that fits it (a button's caption, an edit's text).
  const std::string& Caption() const { return text_; }
  void SetCaption(const std::string& Value) { SetText(Value); }
  const std::string& Text() const { return text_; }
  void SetText(const std::string& Value);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value) { enabled_ = Value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool Value) { visible_ = Value; }
  // Visible with every parent, and enabled with every parent.
  bool Showing() const;
  bool EnabledInTree() const;

  TWinControl* Parent() const { return parent_; }
  void SetParent(TWinControl* Value);
  // The form the control is on, or nullptr.
  TCustomForm* ParentForm() const;

  // The place in pixels relative to the form's client area, and in cells.
  int ClientLeft() const;
  int ClientTop() const;
  TCellRect CellBounds() const;

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;

 protected:
  std::string text_;

 private:
  friend class TWinControl;  // keeps parent_ in step with its list of controls

  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool enabled_ = true;
  bool visible_ = true;
  TWinControl* parent_ = nullptr;
};

// A control that can hold other controls and take the focus.
class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  // Frees the controls inside, the last placed first, as a window takes its
  // children with it.
  ~TWinControl() override;

  // Published: TabOrder, TabStop (default False), OnEnter, OnExit.
  static const TPropertyTable& Properties();

  bool AcceptsFocus() const override;

  // Virtual order, after those of TControl: DoEnter, DoExit, ControlRemoved.
  // Run OnEnter and OnExit when the form moves the focus.
  virtual void DoEnter();
  virtual void DoExit();

 protected:
  // A control leaves this one or one inside it; the form forgets its focus.
  virtual void ControlRemoved(TControl* Control);

 public:
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int Index) const;

  // The position among the windowed siblings when Tab moves the focus; -1
  // until the control is placed, when it goes after the siblings it finds.
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int Value) { tabOrder_ = Value; }
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool Value) { tabStop_ = Value; }

  // Showing, enabled and a control that takes the focus.
  bool CanFocus() const;
  bool Focused() const;
  // Moves the form's focus here; see TCustomForm::SetActiveControl.
  void SetFocus();

  // The controls Tab visits inside this one, in order: by TabOrder among
  // siblings (ties in placing order), each container's controls in its place.
  void GetTabOrderList(std::vector<TWinControl*>& List) const;
  // The innermost showing control at a cell relative to the form's client
  // area, this one when none inside is there, or nullptr outside.
  TControl* ControlAtCell(int Col, int Row);
  // Paints the showing controls inside, each clipped to this control, at a
  // canvas offset of the form's client area.
  void PaintControls(TCellCanvas& Canvas, int OriginCol, int OriginRow);

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

 private:
  friend class TControl;
  void InsertControl(TControl* Control);
  void RemoveControl(TControl* Control);
  int WindowedCountBefore(const TControl* Control) const;

  std::vector<TControl*> controls_;  // in placing order, which is painting order
  int tabOrder_ = -1;
  bool tabStop_ = false;
};

// The form a control is on, or nullptr.
TCustomForm* GetParentForm(const TControl* Control);

}  // namespace host
