#include "host/db_controls.h"

#include "host/dataset.h"
#include "host/fields.h"
#include "host/typinfo.h"

namespace host {

// ----------------------------------------------------------- TFieldDataLink

TFieldDataLink::TFieldDataLink() = default;

TFieldDataLink::~TFieldDataLink() = default;

void TFieldDataLink::SetFieldName(const std::string& Value) {
  if (Value == fieldName_) return;
  fieldName_ = Value;
  UpdateField();
}

bool TFieldDataLink::CanModify() const {
  return !ReadOnly() && field_ != nullptr && field_->CanModify();
}

bool TFieldDataLink::Edit() {
  if (CanModify()) TDataLink::Edit();
  return Editing();
}

void TFieldDataLink::Reset() {
  RecordChanged(nullptr);
}

// The field is looked up whenever the data set opens or its fields change;
// a closed data set has no fields to show (default fields are gone).
void TFieldDataLink::UpdateField() {
  TField* field = nullptr;
  if (Active() && !fieldName_.empty()) field = DataSet()->FieldByName(fieldName_);
  SetField(field);
}

void TFieldDataLink::SetField(TField* Value) {
  if (Value == field_) return;
  field_ = Value;
  EditingChanged();
  RecordChanged(nullptr);
}

void TFieldDataLink::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange(this);
}

// The first control showing the field takes the request.
void TFieldDataLink::FocusControl(TField** Field) {
  if (Field == nullptr || *Field == nullptr || *Field != field_) return;
  *Field = nullptr;
  if (OnFocusRequest) OnFocusRequest(this);
}

void TFieldDataLink::EditingChanged() {
  if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLink::LayoutChanged() {
  UpdateField();
}

// A new record, or a new value of this field, replaces what the control
// shows, typing included.
void TFieldDataLink::RecordChanged(TField* Field) {
  if (Field != nullptr && Field != field_) return;
  if (OnDataChange) OnDataChange(this);
  modified_ = false;
}

void TFieldDataLink::UpdateData() {
  if (!modified_) return;
  if (field_ != nullptr && OnUpdateData) OnUpdateData(this);
  modified_ = false;
}

// ------------------------------------------------------------------ TDBEdit

TDBEdit::TDBEdit(TComponent* AOwner) : TComponent(AOwner) {
  link_.OnDataChange = [this](TObject*) { ShowField(); };
  link_.OnUpdateData = [this](TObject*) {
    if (Field() != nullptr) Field()->SetEditText(text_);
  };
  link_.OnFocusRequest = [this](TObject*) { focused_ = true; };
}

TDBEdit::~TDBEdit() {
  Destroying();
  link_.SetDataSource(nullptr);
}

const TPropertyTable& TDBEdit::Properties() {
  static const TPropertyTable table(
      TComponent::Properties(),
      {
          StringProp("DataField", &TDBEdit::DataField, &TDBEdit::SetDataField, ""),
          ComponentProp("DataSource", &TDBEdit::DataSource, &TDBEdit::SetDataSource),
          BoolProp("ReadOnly", &TDBEdit::ReadOnly, &TDBEdit::SetReadOnly, false),
      });
  return table;
}

void TDBEdit::ShowField() {
  TField* field = Field();
  if (field == nullptr)
    text_.clear();
  else
    text_ = focused_ ? field->Text() : field->DisplayText();
}

void TDBEdit::SetFocused(bool Value) {
  if (Value == focused_) return;
  if (!Value) link_.UpdateRecord();
  focused_ = Value;
  if (!link_.IsModified()) ShowField();
}

bool TDBEdit::TypeText(const std::string& Value) {
  if (!link_.Edit()) return false;
  text_ = Value;
  link_.Modified();
  return true;
}

// ------------------------------------------------------------------ TDBGrid

TDBGrid::TDBGrid(TComponent* AOwner) : TComponent(AOwner), link_(*this) {
  link_.SetBufferCount(5);
}

TDBGrid::~TDBGrid() {
  Destroying();
  link_.SetDataSource(nullptr);
}

const TPropertyTable& TDBGrid::Properties() {
  static const TPropertyTable table(
      TComponent::Properties(),
      {
          ComponentProp("DataSource", &TDBGrid::DataSource, &TDBGrid::SetDataSource),
          BoolProp("ReadOnly", &TDBGrid::ReadOnly, &TDBGrid::SetReadOnly, false),
          IntProp("RowCount", &TDBGrid::RowCount, &TDBGrid::SetRowCount, 5),
      });
  return table;
}

std::vector<TField*> TDBGrid::Columns() const {
  std::vector<TField*> columns;
  TDataSet* dataSet = link_.DataSet();
  if (dataSet == nullptr || !link_.Active()) return columns;
  for (TField* field : dataSet->Fields())
    if (field->Visible()) columns.push_back(field);
  return columns;
}

// Reading another row makes its record active for the moment of reading,
// the way a grid paints; the active record is back before anything else
// can happen.
std::string TDBGrid::Cell(int Row, int Column) {
  std::vector<TField*> columns = Columns();
  if (Column < 0 || Column >= static_cast<int>(columns.size())) RaiseListIndexError(Column);
  if (Row < 0 || Row >= VisibleRows()) RaiseListIndexError(Row);
  int saved = link_.ActiveRecord();
  link_.SetActiveRecord(Row);
  try {
    std::string text = columns[static_cast<std::size_t>(Column)]->DisplayText();
    link_.SetActiveRecord(saved);
    return text;
  } catch (...) {
    link_.SetActiveRecord(saved);
    throw;
  }
}

std::vector<std::vector<std::string>> TDBGrid::Rows() {
  std::vector<std::vector<std::string>> rows;
  int columns = static_cast<int>(Columns().size());
  for (int row = 0; row < VisibleRows(); ++row) {
    std::vector<std::string> cells;
    for (int column = 0; column < columns; ++column)
      cells.push_back(Cell(row, column));
    rows.push_back(std::move(cells));
  }
  return rows;
}

void TDBGrid::SelectRow(int Row) {
  if (Row < 0 || Row >= VisibleRows()) RaiseListIndexError(Row);
  if (Row != this->Row()) link_.DataSet()->MoveBy(Row - this->Row());
}

bool TDBGrid::EditCell(int Column, const std::string& Text) {
  std::vector<TField*> columns = Columns();
  if (Column < 0 || Column >= static_cast<int>(columns.size())) RaiseListIndexError(Column);
  TField* field = columns[static_cast<std::size_t>(Column)];
  if (!field->CanModify() || !link_.Edit()) return false;
  field->SetEditText(Text);
  return true;
}

namespace {

const bool kControlsRegistered = [] {
  RegisterClass<TDBEdit>();
  RegisterClass<TDBGrid>();
  return true;
}();

}  // namespace

}  // namespace host
