// The standard controls without item lists: label, button, edit, group box
// and the image that shows a picture.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/controls.h"
#include "host/graphics.h"

namespace host {

// Text on a form. Its caption's accelerator ("&Path:") moves the focus to
// FocusControl; a label with an OnClick handler works as a link.
class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* AOwner);
  ~TLabel() override;

  // Published: Caption, FocusControl, OnClick, OnDblClick.
  static const TPropertyTable& Properties();

  void Paint(TCellCanvas& Canvas, const TCellRect& Cells) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* Value);

 private:
  TWinControl* focusControl_ = nullptr;
};

// A push button. Clicking one with a ModalResult closes its modal form with
// that result; the Default button is clicked by Enter, the Cancel button by
// Escape.
class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* AOwner);
  ~TButton() override;

  // Published: Caption, Default, Cancel, ModalResult, TabStop (default True),
  // OnClick.
  static const TPropertyTable& Properties();

  void Click() override;
  bool KeyDown(TKey Key, TShiftState Shift) override;
  void KeyPress(char Key) override;
  void Paint(TCellCanvas& Canvas, const TCellRect& Cells) override;

  bool Default() const { return default_; }
  void SetDefault(bool Value) { default_ = Value; }
  bool Cancel() const { return cancel_; }
  void SetCancel(bool Value) { cancel_ = Value; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult Value) { modalResult_ = Value; }

 private:
  bool default_ = false;
  bool cancel_ = false;
  TModalResult modalResult_ = mrNone;
};

// A one-line text field. Every change of the text, typed or set, runs
// OnChange once; focusing it selects the whole text, so that typing
// replaces it.
class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* AOwner);
  ~TEdit() override;

  // Published: Text, MaxLength (0 = no limit), ReadOnly, TabStop (default
  // True), OnChange.
  static const TPropertyTable& Properties();

  bool KeyDown(TKey Key, TShiftState Shift) override;
  void KeyPress(char Key) override;
  void MouseDown(int Col, int Row) override;
  void Paint(TCellCanvas& Canvas, const TCellRect& Cells) override;
  void DoEnter() override;

 protected:
  void TextChanged() override;

 public:
  // Virtual order, after those of TWinControl: Change.
  virtual void Change();

  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int Value) { maxLength_ = Value; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value) { readOnly_ = Value; }

  // The caret position and the length of the selection that follows it.
  int SelStart() const { return selStart_; }
  int SelLength() const { return selLength_; }
  void SetSelStart(int Value);
  void SelectAll();

  TNotifyEvent OnChange;

 private:
  // Replaces the selection with Text, as typing or deleting does.
  void ReplaceSelection(const std::string& Text);

  int maxLength_ = 0;
  bool readOnly_ = false;
  int selStart_ = 0;
  int selLength_ = 0;
  int scroll_ = 0;  // first character shown
};

// A frame with a caption around other controls.
class TGroupBox : public TWinControl {
 public:
  explicit TGroupBox(TComponent* AOwner);
  ~TGroupBox() override;

  // Published: Caption.
  static const TPropertyTable& Properties();

  bool AcceptsFocus() const override;
  void Paint(TCellCanvas& Canvas, const TCellRect& Cells) override;
};

// Shows a picture, stored with the form ("Picture.Data"). A terminal shows a
// bitmap, or an icon's first image, as shading: every cell gets a character
// as dense as its pixels stand out from the picture's background (the
// colour of its bottom-left pixel, and transparency). At its own size each
// cell stands for kCellWidth x kCellHeight pixels from the top left; with
// Stretch the whole picture fills the control. A metafile shows as a frame.
class TImage : public TControl {
 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;

  // Published: Picture, Stretch (default False), OnClick.
  static const TPropertyTable& Properties();

  void Paint(TCellCanvas& Canvas, const TCellRect& Cells) override;

  TPicture* Picture() const { return picture_.get(); }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool Value) { stretch_ = Value; }

 private:
  std::unique_ptr<TPicture> picture_;
  bool stretch_ = false;
};

}  // namespace host
