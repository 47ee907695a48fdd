// Forms: top-level windows that hold controls, shown modally through a
// replaceable form driver, and data modules, the non-visual roots of form
// files.
//
// A form class builds itself from its form resource, a form file held in
// the library: its constructor calls InitForm with the resource text, which
// reads the form's properties and controls, binds their events to the
// form's named handlers, lets the class fetch the controls it works with by
// name (BindFields, BindField), and runs OnCreate.
//
// ShowModal hands the form to the installed driver, which shows it and
// feeds it the user's input (DispatchKey, DispatchChar, DispatchMouse) until
// a button with a modal result, Enter on the default button, Escape on the
// cancel button or Close ends it. The terminal driver (host/terminal.h)
// draws on a text terminal; the scripted driver (host/forms_script.h) plays
// a test's actions.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>

#include "host/controls.h"
#include "host/exceptions.h"

namespace host {

class TButton;
struct TEnumTypeInfo;

enum TFormBorderStyle : std::uint8_t { bsNone, bsSingle, bsSizeable, bsDialog };
enum TPosition : std::uint8_t { poDesigned, poDefault, poScreenCenter };
enum TCloseAction : std::uint8_t { caNone, caHide, caFree };
enum TFontCharset : std::uint8_t { ANSI_CHARSET, DEFAULT_CHARSET, SYMBOL_CHARSET };
enum TColorName : std::uint8_t { clBlack, clWindowText, clWindow, clBtnFace, clHighlight };

const TEnumTypeInfo& FormBorderStyleInfo();
const TEnumTypeInfo& PositionInfo();
const TEnumTypeInfo& FontCharsetInfo();
const TEnumTypeInfo& ColorNameInfo();

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
using TKeyEvent = std::function<void(TObject* Sender, TKey& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

// The font a form's text is laid out for. A terminal shows one font; the
// values are kept so that forms read and written keep them.
class TFont : public TPersistent {
 public:
  explicit TFont(TPersistent* Owner = nullptr) : owner_(Owner) {}
  ~TFont() override;

  // Published: Charset, Color, Height, Name.
  static const TPropertyTable& Properties();

  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override { return owner_; }

  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset Value) { charset_ = Value; }
  TColorName Color() const { return color_; }
  void SetColor(TColorName Value) { color_ = Value; }
  int Height() const { return height_; }
  void SetHeight(int Value) { height_ = Value; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& Value) { name_ = Value; }

 private:
  TPersistent* owner_;
  TFontCharset charset_ = DEFAULT_CHARSET;
  TColorName color_ = clWindowText;
  int height_ = -11;
  std::string name_ = "MS Sans Serif";
};

class TCustomForm : public TWinControl {
 public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  // Published: Caption, BorderStyle (default bsSizeable), ClientWidth,
  // ClientHeight, Font, Position (default poDesigned), PixelsPerInch,
  // TextHeight, ActiveControl, KeyPreview, OnCreate, OnDestroy, OnShow,
  // OnClose, OnCloseQuery, OnKeyDown, OnKeyPress.
  static const TPropertyTable& Properties();

  bool AcceptsFocus() const override;
  void Paint(TCellCanvas& Canvas, const TCellRect& Cells) override;

  // Virtual order, after those of TWinControl: DoCreate, DoShow, DoClose,
  // CloseQuery, BindFields.
  virtual void DoCreate();
  virtual void DoShow();
  virtual void DoClose(TCloseAction& Action);
  virtual bool CloseQuery();

 protected:
  // Fetches the controls the form class works with (BindField), once its
  // resource is read and before OnCreate runs, so that the OnCreate handler
  // finds them.
  virtual void BindFields();

  void ControlRemoved(TControl* Control) override;

 public:
  // ---- Showing. ----------------------------------------------------------
  // Shows the form through the installed driver until it closes and returns
  // the modal result. The focus starts on ActiveControl when it can take it,
  // otherwise on the first control in tab order. Raises EInvalidOperation
  // without a driver, or when the form is already showing.
  TModalResult ShowModal();
  // Ends a modal form with mrCancel, as closing its window does.
  void Close();
  bool Modal() const { return modal_; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult Value) { modalResult_ = Value; }
  // Drivers call this after each input: when a modal result is set it asks
  // OnCloseQuery and runs OnClose; true when the form is to close. A handler
  // that refuses (CanClose false, Action caNone) clears the result.
  bool CloseIfResult();

  // ---- Input, from drivers. ------------------------------------------------
  // A key that is not a character. The form sees it first with KeyPreview,
  // then the focused control; what neither uses is the form's: Tab and
  // Shift+Tab move the focus, Enter clicks the default button, Escape the
  // cancel button, Alt with a letter acts on the control whose caption
  // marks that letter.
  void DispatchKey(TKey Key, TShiftState Shift = {});
  // A typed character, for the focused control.
  void DispatchChar(char Key);
  // A click at a cell of the client area: the control there takes the
  // focus when it can, then handles the click (and a double click).
  void DispatchMouse(int Col, int Row, bool DoubleClick = false);

  // ---- Focus. --------------------------------------------------------------
  TWinControl* ActiveControl() const { return active_; }
  // While the form shows, runs OnExit of the control losing the focus (an
  // exception there keeps the focus where it was) and OnEnter of the one
  // gaining it; a control that cannot take the focus raises
  // EInvalidOperation. Before showing, only records the control.
  void SetActiveControl(TWinControl* Control);
  // Moves the focus to the next (or previous) control in tab order, wrapping
  // around; false when no control can take it.
  bool SelectNext(bool Forward = true);
  // The first showing, enabled Default (or Cancel) button, or nullptr.
  TButton* DefaultButton() const;
  TButton* CancelButton() const;
  // Clicks a button as the user does: the focus moves there first, so that
  // the control left behind sees its OnExit before the click.
  void ClickButton(TButton* Button);

  // ---- Painting. -----------------------------------------------------------
  // The cells the form takes on a screen, frame included.
  int CellCols() const;
  int CellRows() const;
  // Paints the frame, caption and controls with the frame's corner at
  // (Col, Row).
  void PaintForm(TCellCanvas& Canvas, int Col, int Row);

  // ---- Properties. ----------------------------------------------------------
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle Value) { borderStyle_ = Value; }
  TPosition Position() const { return position_; }
  void SetPosition(TPosition Value) { position_ = Value; }
  int ClientWidth() const { return Width(); }
  void SetClientWidth(int Value) { SetWidth(Value); }
  int ClientHeight() const { return Height(); }
  void SetClientHeight(int Value) { SetHeight(Value); }
  TFont* Font() const { return font_.get(); }
  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int Value) { pixelsPerInch_ = Value; }
  int TextHeight() const { return textHeight_; }
  void SetTextHeight(int Value) { textHeight_ = Value; }
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool Value) { keyPreview_ = Value; }

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;

 protected:
  // Builds the form from its resource (a form file whose root is of this
  // form's class), runs BindFields, then OnCreate. Called from the form
  // class's constructor. When the owner already holds a component of the resource's
  // root name (a second dialog of the class), the form is numbered
  // ("VelarParamsDlg_1") before the read.
  void InitForm(std::string_view Resource);
  // Runs OnDestroy once. A form class whose OnDestroy handler is one of its
  // own methods calls this first in its destructor, while the method can
  // still run; TCustomForm's destructor runs it for the others. An
  // exception from the handler is dropped: nobody is left to hear of it.
  void DoDestroy() noexcept;
  // Fetches a control (or other component) the resource created.
  template <class T>
  void BindField(T*& Field, std::string_view FieldName) {
    Field = dynamic_cast<T*>(FindComponent(std::string(FieldName)));
    if (Field == nullptr) MissingField(FieldName, typeid(T));
  }

 private:
  [[noreturn]] void MissingField(std::string_view FieldName, const std::type_info& Type) const;
  void CloseModal();
  bool ActivateAccelerator(char Key);

  TFormBorderStyle borderStyle_ = bsSizeable;
  TPosition position_ = poDesigned;
  std::unique_ptr<TFont> font_;
  int pixelsPerInch_ = 96;
  int textHeight_ = 13;
  bool keyPreview_ = false;
  TWinControl* active_ = nullptr;
  bool modal_ = false;
  bool destroyDone_ = false;
  TModalResult modalResult_ = mrNone;
};

// The class form classes derive from; a plain TForm can be built in code.
class TForm : public TCustomForm {
 public:
  explicit TForm(TComponent* AOwner);
  ~TForm() override;
};

// The root of a form file of non-visual components.
class TDataModule : public TComponent {
 public:
  explicit TDataModule(TComponent* AOwner);
  ~TDataModule() override;
};

// ------------------------------------------------------------- form driver

// Shows modal forms and delivers the user's input to them.
class TFormDriver {
 public:
  TFormDriver() = default;
  TFormDriver(const TFormDriver&) = delete;
  TFormDriver& operator=(const TFormDriver&) = delete;
  virtual ~TFormDriver();

  // Shows Form above the forms already shown and feeds it input, calling
  // Form.CloseIfResult after each, until that answers true. Exceptions from
  // the input's handlers are the driver's to report or pass on.
  virtual void RunModal(TCustomForm& Form) = 0;
  // The screen in cells; forms are placed on it.
  virtual TSize ScreenCells() const;
};

// The installed driver, or nullptr.
TFormDriver* FormDriver();
// Installs a driver (not owned; nullptr removes it) and returns the previous.
TFormDriver* SetFormDriver(TFormDriver* Driver);

// Installs a driver for a scope and puts the previous one back.
class TFormDriverScope {
 public:
  explicit TFormDriverScope(TFormDriver* Driver) : previous_(SetFormDriver(Driver)) {}
  TFormDriverScope(const TFormDriverScope&) = delete;
  TFormDriverScope& operator=(const TFormDriverScope&) = delete;
  ~TFormDriverScope() { SetFormDriver(previous_); }

 private:
  TFormDriver* previous_;
};

// Where a form goes on a screen of that size: centred unless it is placed
// by design, and always inside the screen where it fits.
TCellRect PlaceForm(const TCustomForm& Form, int ScreenCols, int ScreenRows);

// The root name and class a form file gives ("object Name: TClass"), or
// empty.
std::string ResourceRootName(std::string_view Resource);
std::string ResourceRootClass(std::string_view Resource);

}  // namespace host
