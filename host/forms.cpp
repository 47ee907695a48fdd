// Forms: building from a resource, showing modally, routing input and focus,
// painting the frame; data modules; the installed form driver.
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
  DoCreate();
}

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

// -------------------------------------------------------------- form driver

TFormDriver::~TFormDriver() = default;

TSize TFormDriver::ScreenCells() const {
  return TSize{80, 24};
}

namespace {

TFormDriver*& InstalledDriver() {
  static TFormDriver* driver = nullptr;
  return driver;
}

}  // namespace

TFormDriver* FormDriver() {
  return InstalledDriver();
}

TFormDriver* SetFormDriver(TFormDriver* Driver) {
  TFormDriver* previous = InstalledDriver();
  InstalledDriver() = Driver;
  return previous;
}

TCellRect PlaceForm(const TCustomForm& Form, int ScreenCols, int ScreenRows) {
  TCellRect place{0, 0, Form.CellCols(), Form.CellRows()};
  if (Form.Position() == poDesigned) {
    place.Col = static_cast<int>(std::lround(static_cast<double>(Form.Left()) / kCellWidth));
    place.Row = static_cast<int>(std::lround(static_cast<double>(Form.Top()) / kCellHeight));
  } else {
    place.Col = (ScreenCols - place.Cols) / 2;
    place.Row = (ScreenRows - place.Rows) / 2;
  }
  place.Col = std::max(0, std::min(place.Col, ScreenCols - place.Cols));
  place.Row = std::max(0, std::min(place.Row, ScreenRows - place.Rows));
  return place;
}

namespace {

bool IsIdent(std::string_view Text) {
  if (Text.empty() || std::isdigit(static_cast<unsigned char>(Text[0]))) return false;
  return std::all_of(Text.begin(), Text.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  });
}

// "object Name: TClass" or "inherited Name: TClass" opens a form file; the
// header's name and class, each empty when it is not an identifier.
void ParseHeader(std::string_view Text, std::string& Name, std::string& ClassName) {
  Name.clear();
  ClassName.clear();
  std::size_t at = Text.find_first_not_of(" \t\r\n");
  if (at == std::string_view::npos) return;
  std::string_view rest = Text.substr(at);
  std::string_view line = rest.substr(0, rest.find_first_of("\r\n"));
  for (std::string_view keyword : {"object", "inherited"}) {
    if (line.size() <= keyword.size() || !SameText(line.substr(0, keyword.size()), keyword) ||
        (line[keyword.size()] != ' ' && line[keyword.size()] != '\t'))
      continue;
    line = line.substr(keyword.size());
    std::size_t colon = line.find(':');
    std::string name = Trim(line.substr(0, colon));
    std::string className =
        colon == std::string_view::npos ? std::string() : Trim(line.substr(colon + 1));
    if (IsIdent(name)) Name = name;
    if (IsIdent(className)) ClassName = className;
    return;
  }
}

}  // namespace

std::string ResourceRootName(std::string_view Resource) {
  std::string name, className;
  ParseHeader(Resource, name, className);
  return name;
}

std::string ResourceRootClass(std::string_view Resource) {
  std::string name, className;
  ParseHeader(Resource, name, className);
  return className;
}

}  // namespace host
