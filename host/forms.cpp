// Forms: their published properties, building from a resource, showing
// modally and closing, painting the frame; data modules.
#include "host/forms.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "host/controls_std.h"
#include "host/formfile.h"
#include "host/sysutils.h"
#include "host/typinfo.h"

namespace host {

// ------------------------------------------------------------- enumerations

const TEnumTypeInfo& FormBorderStyleInfo() {
  static const TEnumTypeInfo type{"TFormBorderStyle",
                                  {"bsNone", "bsSingle", "bsSizeable", "bsDialog"}};
  return type;
}

const TEnumTypeInfo& PositionInfo() {
  static const TEnumTypeInfo type{"TPosition", {"poDesigned", "poDefault", "poScreenCenter"}};
  return type;
}

const TEnumTypeInfo& FontCharsetInfo() {
  static const TEnumTypeInfo type{"TFontCharset",
                                  {"ANSI_CHARSET", "DEFAULT_CHARSET", "SYMBOL_CHARSET"}};
  return type;
}

const TEnumTypeInfo& ColorNameInfo() {
  static const TEnumTypeInfo type{
      "TColor", {"clBlack", "clWindowText", "clWindow", "clBtnFace", "clHighlight"}};
  return type;
}

// -------------------------------------------------------------------- TFont

TFont::~TFont() = default;

const TPropertyTable& TFont::Properties() {
  static const TPropertyTable table(
      TPersistent::Properties(),
      {
          EnumProp("Charset", &TFont::Charset, &TFont::SetCharset, DEFAULT_CHARSET,
                   FontCharsetInfo()),
          EnumProp("Color", &TFont::Color, &TFont::SetColor, clWindowText, ColorNameInfo()),
          IntProp("Height", &TFont::Height, &TFont::SetHeight),
          StringProp("Name", &TFont::Name, &TFont::SetName),
      });
  return table;
}

void TFont::Assign(TPersistent* Source) {
  if (auto* font = dynamic_cast<TFont*>(Source)) {
    charset_ = font->charset_;
    color_ = font->color_;
    height_ = font->height_;
    name_ = font->name_;
    return;
  }
  TPersistent::Assign(Source);
}

// ------------------------------------------------------------- TCustomForm

TCustomForm::TCustomForm(TComponent* AOwner)
    : TWinControl(AOwner), font_(std::make_unique<TFont>(this)) {}

// Controls of the form go with it (TWinControl); they are marked first so
// that nothing they run on the way reaches for the half-destroyed form.
TCustomForm::~TCustomForm() {
  DoDestroy();
  Destroying();
}

const TPropertyTable& TCustomForm::Properties() {
  using F = TCustomForm;
  static const TPropertyTable table(
      TWinControl::Properties(),
      {
          // A form's size is its client area's, written once as that.
          IntProp("Width", &F::Width, &F::SetWidth).NotStored(),
          IntProp("Height", &F::Height, &F::SetHeight).NotStored(),
          StringProp("Caption", &F::Caption, &F::SetCaption, ""),
          EnumProp("BorderStyle", &F::BorderStyle, &F::SetBorderStyle, bsSizeable,
                   FormBorderStyleInfo()),
          IntProp("ClientWidth", &F::ClientWidth, &F::SetClientWidth),
          IntProp("ClientHeight", &F::ClientHeight, &F::SetClientHeight),
          PersistentProp("Font", &F::Font),
          EnumProp("Position", &F::Position, &F::SetPosition, poDesigned, PositionInfo()),
          IntProp("PixelsPerInch", &F::PixelsPerInch, &F::SetPixelsPerInch),
          IntProp("TextHeight", &F::TextHeight, &F::SetTextHeight),
          ComponentProp("ActiveControl", &F::ActiveControl, &F::SetActiveControl),
          BoolProp("KeyPreview", &F::KeyPreview, &F::SetKeyPreview, false),
          EventProp("OnCreate", &F::OnCreate),
          EventProp("OnDestroy", &F::OnDestroy),
          EventProp("OnShow", &F::OnShow),
          EventProp("OnClose", &F::OnClose),
          EventProp("OnCloseQuery", &F::OnCloseQuery),
          EventProp("OnKeyDown", &F::OnKeyDown),
          EventProp("OnKeyPress", &F::OnKeyPress),
      });
  return table;
}

bool TCustomForm::AcceptsFocus() const {
  return false;
}

// The frame carries the caption; a dialog's frame is drawn bold.
void TCustomForm::Paint(TCellCanvas& Canvas, const TCellRect& Cells) {
  Canvas.Fill(Cells, ' ');
  std::uint8_t style = borderStyle_ == bsDialog ? kCellBold : 0;
  Canvas.Frame(Cells, style);
  std::string title = " " + Caption() + " ";
  if (static_cast<int>(title.size()) > Cells.Cols - 2)
    title = title.substr(0, static_cast<std::size_t>(std::max(0, Cells.Cols - 2)));
  Canvas.Write(Cells.Col + (Cells.Cols - static_cast<int>(title.size())) / 2, Cells.Row, title,
               kCellBold);
}

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

// Forgets the focus when the focused control, or a control holding it,
// leaves the form.
void TCustomForm::ControlRemoved(TControl* Control) {
  for (TControl* up = active_; up != nullptr; up = up->Parent()) {
    if (up == Control) {
      active_ = nullptr;
      return;
    }
  }
}

// ------------------------------------------------------------------ showing

TModalResult TCustomForm::ShowModal() {
  if (modal_) throw EInvalidOperation("Cannot make a visible window modal");
  TFormDriver* driver = FormDriver();
  if (driver == nullptr)
    throw EInvalidOperation("There is no form driver to show \"" + Caption() + "\" with.");
  modal_ = true;
  modalResult_ = mrNone;
  struct TModalScope {
    bool& Modal;
    ~TModalScope() { Modal = false; }
  } scope{modal_};
  DoShow();
  TWinControl* first = active_ != nullptr && active_->CanFocus() ? active_ : nullptr;
  if (first == nullptr) {
    std::vector<TWinControl*> order;
    GetTabOrderList(order);
    if (!order.empty()) first = order.front();
  }
  active_ = nullptr;
  if (first != nullptr) SetActiveControl(first);
  driver->RunModal(*this);
  return modalResult_;
}

void TCustomForm::Close() {
  if (modal_) modalResult_ = mrCancel;
}

bool TCustomForm::CloseIfResult() {
  if (modalResult_ == mrNone) return false;
  CloseModal();
  return modalResult_ != mrNone;
}

void TCustomForm::CloseModal() {
  TCloseAction action = CloseQuery() ? caHide : caNone;
  if (action != caNone) DoClose(action);
  if (action == caNone) modalResult_ = mrNone;
}

// ----------------------------------------------------------------- painting

int TCustomForm::CellCols() const {
  return std::max(1,
                  static_cast<int>(std::lround(static_cast<double>(ClientWidth()) / kCellWidth))) +
         2;
}

int TCustomForm::CellRows() const {
  return std::max(
             1, static_cast<int>(std::lround(static_cast<double>(ClientHeight()) / kCellHeight))) +
         2;
}

void TCustomForm::PaintForm(TCellCanvas& Canvas, int Col, int Row) {
  TCellRect frame{Col, Row, CellCols(), CellRows()};
  TCellRect previous = Canvas.SetClip(frame);
  Paint(Canvas, frame);
  Canvas.SetClip(TCellRect{Col + 1, Row + 1, frame.Cols - 2, frame.Rows - 2});
  PaintControls(Canvas, Col + 1, Row + 1);
  Canvas.RestoreClip(previous);
}

// ------------------------------------------------------------- construction

void TCustomForm::InitForm(std::string_view Resource) {
  std::string rootName = ResourceRootName(Resource);
  if (Name().empty() && !rootName.empty() && Owner() != nullptr &&
      Owner()->FindComponent(rootName) != nullptr) {
    int number = 1;
    while (Owner()->FindComponent(rootName + "_" + IntToStr(number)) != nullptr)
      ++number;
    SetName(rootName + "_" + IntToStr(number));
  }
  ReadComponentText(this, Resource);
  BindFields();
  DoCreate();
}

void TCustomForm::BindFields() {}

void TCustomForm::DoDestroy() noexcept {
  if (destroyDone_) return;
  destroyDone_ = true;
  try {
    if (OnDestroy) OnDestroy(this);
  } catch (...) {
  }
}

void TCustomForm::MissingField(std::string_view FieldName, const std::type_info& Type) const {
  throw EReadError("The resource of " + ClassName() + " holds no " + ClassNameOf(Type) + " named " +
                   std::string(FieldName) + ".");
}

// ------------------------------------------------------- TForm, TDataModule

TForm::TForm(TComponent* AOwner) : TCustomForm(AOwner) {}

TForm::~TForm() = default;

TDataModule::TDataModule(TComponent* AOwner) : TComponent(AOwner) {}

TDataModule::~TDataModule() = default;

}  // namespace host
